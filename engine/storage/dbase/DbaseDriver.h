#pragma once
// The dBase family's storage driver (.DBF with .DBT/.FPT memos and .MDX/.NDX/.CDX indexes).
#include "../StorageTable.h"

namespace tabulon::dbase {

// Stateless; shared by all threads. Errors as StorageDriver documents.
class DbaseDriver : public StorageDriver {
public:
    TableType tableType() const override { return ttDBase; }
    std::string format() const override { return "dbase"; }
    std::vector<std::string> extensions() const override { return {".DBF"}; }

    std::unique_ptr<StorageTable> open(const std::filesystem::path& path, const OpenOptions& options) const override;
    std::unique_ptr<StorageTable> create(const std::filesystem::path& path, const std::vector<FieldDef>& fields,
                                         const std::vector<IndexDef>& indexes,
                                         const CreateOptions& options) const override;
    std::vector<std::filesystem::path> familyFiles(const std::filesystem::path& table) const override;
    FieldDef nearestField(const FieldDef& source) const override;
    void storeCodePage(const std::filesystem::path& table, const std::string& codePage) const override;
    // Rebuilds the attached .NDX files whose key fields remain.
    void carryOver(const std::filesystem::path& original, StorageTable& rebuilt, const std::vector<int>& sources,
                   const std::vector<std::string>& indexFiles) const override;
};

}  // namespace tabulon::dbase
