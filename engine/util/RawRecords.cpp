#include "RawRecords.h"

#include "../io/PagedFile.h"
#include "../storage/Drivers.h"
#include "../storage/dbase/DbaseHeader.h"
#include "../storage/paradox/ParadoxDataFile.h"

namespace tabulon {

std::vector<std::uint8_t> rawRecord(const std::filesystem::path& table, std::uint64_t slot) {
    PagedFile file = PagedFile::open(table, AccessMode::ReadOnly);
    if (tableTypeForPath(table) == ttDBase) {
        const dbase::DbaseHeader header = dbase::readHeader(file);
        if (slot >= header.readableRecords) return {};
        std::vector<std::uint8_t> bytes(header.recordLength);
        file.read(header.headerLength + slot * header.recordLength, bytes.data(), bytes.size());
        return bytes;
    }
    paradox::ProblemLog problems(true);
    const paradox::ParadoxDataFile data(std::move(file), problems);
    if (slot >= data.recordCount()) return {};
    const auto at = data.locate(slot);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(data.header().recordSize));
    data.readRecord(data.blocks()[at.chainIndex].number, at.record, bytes.data());
    return bytes;
}

}  // namespace tabulon
