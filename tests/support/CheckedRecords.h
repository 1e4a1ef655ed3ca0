#pragma once
// Reads a table the way a careful reader would after a crash or a failed write: strictly, and
// checking that every index leads to exactly the records the table holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "storage/Drivers.h"

namespace tabulon::testing {

inline std::string recordText(const Record& record) {
    std::string text;
    for (const Value& value : record) text += value.toText() + "|";
    return text;
}

// The live records of the table at `path`, one line each, sorted. Fails the test when the
// strict open finds problems or an index cursor walks to other records than the table's.
inline std::vector<std::string> checkedRecords(const std::filesystem::path& path) {
    OpenOptions strict;
    strict.tolerant = false;
    std::unique_ptr<StorageTable> table;
    try {
        table = openTable(path, strict);
    } catch (const EngineError& e) {
        ADD_FAILURE() << path << " does not open strictly: " << e.formatted();
        return {};
    }
    for (const auto& problem : table->problems()) ADD_FAILURE() << path << ": " << problem.message;
    std::vector<std::string> records;
    Record record;
    for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot)
        if (table->readSlot(slot, record)) records.push_back(recordText(record));
    std::sort(records.begin(), records.end());
    for (const IndexDef& index : table->indexes()) {
        auto cursor = table->openIndex(index.name);
        std::vector<std::string> indexed;
        for (bool more = cursor->first(); more; more = cursor->next()) {
            table->readRecord(cursor->recordId(), record);
            indexed.push_back(recordText(record));
        }
        std::sort(indexed.begin(), indexed.end());
        EXPECT_EQ(indexed, records) << path << ": index '" << index.name << "' disagrees with the records";
    }
    return records;
}

}  // namespace tabulon::testing
