#pragma once
// A storage driver whose tables live in memory, for testing the dataset layer's writes, orders,
// key search and transactions without a file format. Registered only by the tests that use it.
#include <filesystem>
#include <memory>

#include "storage/StorageTable.h"

namespace tabulon::testing {

struct MemoryData;

// create() writes an empty placeholder file at the path (so locks have a file to hold) and
// keeps the records in a process-wide store under that path, where every open of the path
// shares them. Indexes honour ixUnique, ixDescending and ixCaseInsensitive; an attached index
// file adds an index on the first field named after the file. Writes inside a
// transaction are held by the table until the commit; a rollback forgets them. Thread-safe
// between tables; each table one thread at a time.
class MemoryDriver : public StorageDriver {
public:
    TableType tableType() const override { return ttDefault; }
    std::string format() const override { return "memory"; }
    std::vector<std::string> extensions() const override { return {".MEM"}; }
    std::unique_ptr<StorageTable> open(const std::filesystem::path& path, const OpenOptions& options) const override;
    std::unique_ptr<StorageTable> create(const std::filesystem::path& path, const std::vector<FieldDef>& fields,
                                         const std::vector<IndexDef>& indexes,
                                         const CreateOptions& options) const override;
    std::vector<std::filesystem::path> familyFiles(const std::filesystem::path& table) const override;
    FieldDef nearestField(const FieldDef& source) const override { return source; }

    // The committed records of the table at `path`, deleted ones empty.
    static std::vector<std::optional<Record>> committedRecords(const std::filesystem::path& path);
};

}  // namespace tabulon::testing
