#pragma once
// The storage driver of text tables (.TXT), read-only.
#include "../StorageTable.h"

namespace tabulon {

// Opens TextTable; create() throws ENotSupported. Stateless; any thread.
class TextDriver : public StorageDriver {
public:
    TableType tableType() const override { return ttASCII; }
    std::string format() const override { return "text"; }
    std::vector<std::string> extensions() const override { return {".TXT"}; }
    std::unique_ptr<StorageTable> open(const std::filesystem::path& path, const OpenOptions& options) const override;
    std::unique_ptr<StorageTable> create(const std::filesystem::path& path, const std::vector<FieldDef>& fields,
                                         const std::vector<IndexDef>& indexes,
                                         const CreateOptions& options) const override;
    // The table and its schema file, when there is one.
    std::vector<std::filesystem::path> familyFiles(const std::filesystem::path& table) const override;
    // Every field reads as text: numbers, booleans, dates and times keep their type, memos and
    // strings become strings; binary fields have no text form and throw EValueError.
    FieldDef nearestField(const FieldDef& source) const override;
};

}  // namespace tabulon
