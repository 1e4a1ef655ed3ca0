#pragma once
// Index entries read straight from a file in data layout whose chain is in key order: a keyed
// .DB (its primary order) or a maintained .Xnn/.XGn.
#include <functional>
#include <vector>

#include "ParadoxDataFile.h"
#include "ParadoxKeySource.h"

namespace tabulon::paradox {

class ParadoxChainKeySource : public ParadoxKeySource {
public:
    // `resolve` maps a whole record of `file` (and its block) to the table's record id.
    using Resolver = std::function<RecordId(const std::uint8_t* record, int block, int index)>;

    ParadoxChainKeySource(const ParadoxDataFile& file, Resolver resolve)
        : file_(file), resolve_(std::move(resolve)), record_(static_cast<std::size_t>(file.header().recordSize)) {}

    std::uint64_t size() const override { return file_.recordCount(); }
    const std::uint8_t* key(std::uint64_t entry) override;
    RecordId recordId(std::uint64_t entry) override;

private:
    const ParadoxDataFile& file_;
    Resolver resolve_;
    std::vector<std::uint8_t> record_;
    std::uint64_t loaded_ = ~0ULL;
};

}  // namespace tabulon::paradox
