#include "RejectTable.h"

#include "../core/EngineError.h"
#include "../storage/Drivers.h"
#include "CopyDefinition.h"
#include "TableDefinitions.h"

namespace tabulon {

std::filesystem::path sideTablePath(const std::string& name, const std::filesystem::path& folder) {
    std::filesystem::path path =
        std::filesystem::path(name).has_parent_path() ? std::filesystem::path(name) : folder / name;
    if (!path.has_extension()) path += ".DB";
    return path;
}

RejectTable::RejectTable(const std::string& name, const std::filesystem::path& folder, const StorageTable& source,
                         const TableDefinitions& definitions)
    : definitions_(definitions) {
    if (name.empty()) return;
    path_ = sideTablePath(name, folder);
    const StorageDriver& paradox = driverFor(ttParadox);
    for (const auto& field : source.fields()) {
        FieldDef nearest = paradox.nearestField(field);
        nearest.required = false;  // a rejected record may lack exactly that value
        fields_.push_back(nearest);
    }
    // Paradox numbers its code pages; a source in another encoding gets the default one.
    if (const std::string codePage = source.facts().codePage; codePage.rfind("CP", 0) == 0)
        options_.encoding = codePage;
    makeNamesUnique(fields_, ttParadox, options_.encoding);  // dBase tables may repeat a name
}

void RejectTable::add(const Record& record) {
    ++count_;
    if (path_.empty()) return;
    if (!table_) {
        definitions_.create(path_, ttParadox, fields_, {}, options_);
        table_ = openExclusive(path_);
    }
    table_->append(record);
}

}  // namespace tabulon
