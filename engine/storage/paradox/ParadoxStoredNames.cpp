// Writes each family member's file name into its header after a rename.
#include <cstring>

#include "../../core/AsciiCase.h"
#include "../../core/EngineError.h"
#include "../../io/File.h"
#include "ParadoxDriver.h"
#include "ParadoxHeader.h"

namespace tabulon::paradox {

namespace {

constexpr std::size_t kFixedPart = 0x58;

bool hasHeader(const std::string& extension) {
    const std::string ext = asciiUpper(extension);
    return ext == ".DB" || ext == ".PX" || (ext.size() == 4 && (ext[1] == 'X' || ext[1] == 'Y'));
}

// The stored name is informational (readers find files by their names), so a member whose
// header does not parse keeps its old one rather than failing a rename already made.
void storeName(const std::filesystem::path& member) {
    File file = File::open(member, AccessMode::ReadWrite);
    std::vector<std::uint8_t> raw(kFixedPart);
    if (file.readAt(0, raw.data(), raw.size()) != raw.size()) return;
    const std::size_t headerSize = static_cast<std::size_t>(raw[2] | (raw[3] << 8));
    if (headerSize < kFixedPart || headerSize > file.size()) return;
    raw.resize(headerSize);
    if (file.readAt(0, raw.data(), raw.size()) != raw.size()) return;
    ParadoxHeader header;
    try {
        header = ParadoxHeader::parse(std::move(raw), member.filename().string());
    } catch (const EngineError&) {
        return;
    }
    std::string name = member.filename().string();
    name.resize(std::min(name.size(), header.tableNameSlot - 1));
    name.resize(header.tableNameSlot, '\0');
    file.writeAt(header.tableNameOffset, name.data(), name.size());
    file.sync();
}

}  // namespace

void ParadoxDriver::storeFamilyNames(const std::filesystem::path& table) const {
    for (const auto& member : familyFiles(table))
        if (hasHeader(member.extension().string())) storeName(member);
}

}  // namespace tabulon::paradox
