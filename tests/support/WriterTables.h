#pragma once
// The three kinds of writable table the concurrency tests run over: an unkeyed Paradox table, a
// keyed one with a secondary index, and a dBase table with a production .MDX; each with the
// fields ID, VAL (integers) and NOTE (a memo).
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "storage/StorageTable.h"

namespace tabulon::testing {

struct TableKind {
    const char* name;
    const char* file;
    TableType type;
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;
};

inline std::vector<TableKind> writerTableKinds() {
    const auto index = [](const char* name, const char* field, IndexOptions options) {
        return IndexDef{name, field, "", "", options, "", true, ""};
    };
    const std::vector<FieldDef> paradoxFields = {
        {"ID", ftInteger, 0, 0, false, ""}, {"VAL", ftInteger, 0, 0, false, ""}, {"NOTE", ftMemo, 12, 0, false, ""}};
    return {{"UnkeyedParadox", "T.DB", ttParadox, paradoxFields, {}},
            {"KeyedParadoxWithSecondary",
             "T.DB",
             ttParadox,
             paradoxFields,
             {index("", "ID", ixPrimary | ixUnique), index("ByVal", "VAL", 0)}},
            {"DbaseWithProductionMdx",
             "T.DBF",
             ttDBase,
             {{"ID", ftInteger, 9, 0, false, "N"},
              {"VAL", ftInteger, 9, 0, false, "N"},
              {"NOTE", ftMemo, 0, 0, false, "M"}},
             {index("BYID", "ID", 0), index("BYVAL", "VAL", 0)}}};
}

// ID -> VAL of records.
using Contents = std::map<std::int64_t, std::int64_t>;

}  // namespace tabulon::testing
