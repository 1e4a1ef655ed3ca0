#pragma once
// Index entries read straight from a file in data layout whose chain is in key order: a keyed
// .DB (its primary order) or a maintained .Xnn/.XGn.
#include <functional>
#include <vector>

#include "ParadoxDataFile.h"
#include "ParadoxIndexTree.h"
#include "ParadoxKeySource.h"

namespace tabulon::paradox {

class ParadoxChainKeySource : public ParadoxKeySource {
public:
    // `resolve` maps a whole record of `file` (and its block) to the table's record id.
    using Resolver = std::function<RecordId(const std::uint8_t* record, int block, int index)>;

    // `tree`, when given, must agree with the file's chain (one leaf per non-empty block, in
    // order); its keys spare reading each block's first record when seeking.
    ParadoxChainKeySource(const ParadoxDataFile& file, int keyBytes, Resolver resolve,
                          const ParadoxIndexTree* tree = nullptr);

    std::uint64_t size() const override { return file_.recordCount(); }
    const std::uint8_t* key(std::uint64_t entry) override;
    RecordId recordId(std::uint64_t entry) override;
    void narrow(const std::function<bool(const std::uint8_t*)>& below, std::uint64_t& low,
                std::uint64_t& high) override;

private:
    void narrowByReading(const std::function<bool(const std::uint8_t*)>& below, std::uint64_t& low,
                         std::uint64_t& high);

    const ParadoxDataFile& file_;
    Resolver resolve_;
    std::vector<std::uint8_t> record_;
    std::uint64_t loaded_ = ~0ULL;
    std::size_t keyBytes_;
    const ParadoxIndexTree* tree_;
    std::vector<std::uint8_t> firstKeys_;  // of each non-empty block, keyBytes_ each
    std::vector<std::uint64_t> starts_;    // their first positions
};

}  // namespace tabulon::paradox
