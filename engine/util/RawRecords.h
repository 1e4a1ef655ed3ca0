#pragma once
// The stored bytes of records whose values cannot be decoded.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "../io/PagedFile.h"
#include "../storage/dbase/DbaseHeader.h"
#include "../storage/paradox/ParadoxDataFile.h"

namespace tabulon {

// Reads records of the Paradox or dBase table at `table` as stored. The file is opened and its
// header (and a Paradox block chain) read on the first call, and kept for the next. Reads only.
class RawRecords {
public:
    explicit RawRecords(std::filesystem::path table) : table_(std::move(table)) {}

    // The bytes of the record at `slot` (natural order, as StorageTable counts slots); empty
    // when the slot lies outside the file.
    std::vector<std::uint8_t> at(std::uint64_t slot);

private:
    std::filesystem::path table_;
    std::optional<PagedFile> dbf_;
    dbase::DbaseHeader dbaseHeader_;
    paradox::ProblemLog problems_{true};
    std::unique_ptr<paradox::ParadoxDataFile> paradox_;
};

}  // namespace tabulon
