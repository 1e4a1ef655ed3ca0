#pragma once
// A minimal on-disk table format for testing crash safety of the dataset layer: fixed-width
// records of whole numbers, written only through transactions.
#include "storage/StorageTable.h"

namespace tabulon::testing {

// File layout: "TBLTEST1", u32 field count, u32 slot count, then per slot a deleted flag byte
// and one little-endian int64 per field (null as INT64_MIN). Every field is ftInteger; there
// are no indexes and no tolerant reading. Opening recovers leftover journals of the folder and verifies the header
// against the file size (EFormatError naming the file). Writes join the transaction set, or
// commit one of their own. Registered only by the tests that use it.
class FileRecordDriver : public StorageDriver {
public:
    TableType tableType() const override { return ttDefault; }
    std::string format() const override { return "test records"; }
    std::vector<std::string> extensions() const override { return {".REC"}; }
    std::unique_ptr<StorageTable> open(const std::filesystem::path& path, const OpenOptions& options) const override;
    std::unique_ptr<StorageTable> create(const std::filesystem::path& path, const std::vector<FieldDef>& fields,
                                         const std::vector<IndexDef>& indexes,
                                         const CreateOptions& options) const override;
    std::vector<std::filesystem::path> familyFiles(const std::filesystem::path& table) const override {
        return {table};
    }
    FieldDef nearestField(const FieldDef& source) const override { return source; }
};

}  // namespace tabulon::testing
