#pragma once
// One field descriptor of a dBase header as the header reader found it.
#include <array>
#include <cstdint>
#include <string>

namespace tabulon {

// Contract: built from the 32 raw bytes of a descriptor slot; never throws. The type name and
// size text follow the dBase type letter ("NUMERIC" with "10,2", "CHARACTER" with "30"); a
// letter the reader does not know gives empty texts. Any thread; not shared.
class TDBRecObject {
public:
    static constexpr std::size_t kSlotSize = 32;
    using Slot = std::array<std::uint8_t, kSlotSize>;

    // The empty record handed out for positions past the end of a list.
    TDBRecObject() = default;
    explicit TDBRecObject(const Slot& slot);

    const Slot& raw() const { return raw_; }
    // The 11 name bytes as stored, zero padding included.
    const std::string& Name() const { return name_; }
    const std::string& TypeName() const { return typeName_; }
    const std::string& SizeText() const { return sizeText_; }

private:
    Slot raw_{};
    std::string name_;
    std::string typeName_;
    std::string sizeText_;
};

}  // namespace tabulon
