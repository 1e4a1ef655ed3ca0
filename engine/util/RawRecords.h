#pragma once
// The stored bytes of one record, for records whose values cannot be decoded.
#include <cstdint>
#include <filesystem>
#include <vector>

namespace tabulon {

// The bytes of the record at `slot` (natural order, as StorageTable counts slots) of the
// Paradox or dBase table at `table`; empty when the slot lies outside the file. Reads only;
// opens the file on each call, since it serves only the few records that fail to decode.
std::vector<std::uint8_t> rawRecord(const std::filesystem::path& table, std::uint64_t slot);

}  // namespace tabulon
