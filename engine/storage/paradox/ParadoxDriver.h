#pragma once
// The storage driver for Paradox tables (.DB with .PX, .MB, .Xnn/.Ynn, .XGn/.YGn, .VAL).
#include "../StorageTable.h"

namespace tabulon::paradox {

// Stateless; any thread. open() throws as ParadoxTable's constructor does.
class ParadoxDriver : public StorageDriver {
public:
    TableType tableType() const override { return ttParadox; }
    std::string format() const override { return "paradox"; }
    std::vector<std::string> extensions() const override { return {".DB"}; }

    std::unique_ptr<StorageTable> open(const std::filesystem::path& path, const OpenOptions& options) const override;
    std::unique_ptr<StorageTable> create(const std::filesystem::path& path, const std::vector<FieldDef>& fields,
                                         const std::vector<IndexDef>& indexes,
                                         const CreateOptions& options) const override;
    std::vector<std::filesystem::path> familyFiles(const std::filesystem::path& table) const override;
    FieldDef nearestField(const FieldDef& source) const override;
    void storeCodePage(const std::filesystem::path& table, const std::string& codePage) const override;
    // Keeps the .VAL checks of the fields that remain; .TV and .FAM while the fields are unchanged.
    void carryOver(const std::filesystem::path& original, StorageTable& rebuilt, const std::vector<int>& sources,
                   const std::vector<std::string>& indexFiles) const override;

protected:
    // The .DB, .PX, .Xnn/.XGn and .Ynn/.YGn headers each store the file's own name.
    void storeFamilyNames(const std::filesystem::path& table) const override;
};

}  // namespace tabulon::paradox
