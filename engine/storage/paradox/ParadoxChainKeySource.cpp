#include "ParadoxChainKeySource.h"

namespace tabulon::paradox {

const std::uint8_t* ParadoxChainKeySource::key(std::uint64_t entry) {
    if (loaded_ != entry) {
        const auto at = file_.locate(entry);
        file_.readRecord(file_.blocks()[at.chainIndex].number, at.record, record_.data());
        loaded_ = entry;
    }
    return record_.data();
}

RecordId ParadoxChainKeySource::recordId(std::uint64_t entry) {
    key(entry);
    const auto at = file_.locate(entry);
    return resolve_(record_.data(), file_.blocks()[at.chainIndex].number, at.record);
}

}  // namespace tabulon::paradox
