#include "RawRecords.h"

#include "../storage/Drivers.h"

namespace tabulon {

std::vector<std::uint8_t> RawRecords::at(std::uint64_t slot) {
    if (tableTypeForPath(table_) == ttDBase) {
        if (!dbf_) {
            dbf_.emplace(PagedFile::open(table_, AccessMode::ReadOnly));
            dbaseHeader_ = dbase::readHeader(*dbf_);
        }
        if (slot >= dbaseHeader_.readableRecords) return {};
        std::vector<std::uint8_t> bytes(dbaseHeader_.recordLength);
        dbf_->read(dbaseHeader_.headerLength + slot * dbaseHeader_.recordLength, bytes.data(), bytes.size());
        return bytes;
    }
    if (!paradox_)
        paradox_ = std::make_unique<paradox::ParadoxDataFile>(PagedFile::open(table_, AccessMode::ReadOnly), problems_);
    if (slot >= paradox_->recordCount()) return {};
    const auto at = paradox_->locate(slot);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(paradox_->header().recordSize));
    paradox_->readRecord(paradox_->blocks()[at.chainIndex].number, at.record, bytes.data());
    return bytes;
}

}  // namespace tabulon
