#include "TextDriver.h"

#include "../../core/EngineError.h"
#include "TextSchema.h"
#include "TextTable.h"

namespace tabulon {

std::unique_ptr<StorageTable> TextDriver::open(const std::filesystem::path& path, const OpenOptions& options) const {
    return std::make_unique<TextTable>(*this, path, options);
}

std::unique_ptr<StorageTable> TextDriver::create(const std::filesystem::path& path, const std::vector<FieldDef>&,
                                                 const std::vector<IndexDef>&, const CreateOptions&) const {
    throw EngineError(errkind::kNotSupported, "Cannot create " + path.string() + ": text tables are read-only");
}

std::vector<std::filesystem::path> TextDriver::familyFiles(const std::filesystem::path& table) const {
    std::vector<std::filesystem::path> files;
    if (File::exists(table)) files.push_back(table);
    if (auto schema = TextSchema::pathFor(table); !schema.empty()) files.push_back(schema);
    return files;
}

FieldDef TextDriver::nearestField(const FieldDef& source) const {
    FieldDef field = source;
    switch (source.type) {
        case ftString:
        case ftSmallint:
        case ftInteger:
        case ftBoolean:
        case ftFloat:
        case ftCurrency:
        case ftBCD:
        case ftDate:
        case ftTime:
        case ftDateTime:
            return field;
        case ftWord:
        case ftAutoInc:
            field.type = ftInteger;
            return field;
        case ftMemo:
        case ftFmtMemo:
            field.type = ftString;
            field.size = 255;
            return field;
        default:
            throw EngineError(errkind::kValue, "Field " + source.name + " of type " +
                                                   std::string(fieldTypeName(source.type)) +
                                                   " has no form in a text table");
    }
}

}  // namespace tabulon
