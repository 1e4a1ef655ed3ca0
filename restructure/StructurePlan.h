#pragma once
// Turns the rows of the field editor and the index definitions into the engine's description
// of the new table, refusing what the format cannot build with the text the window shows.
// Plain C++; any thread.
#include <optional>
#include <string>
#include <vector>

#include "core/FieldDef.h"
#include "ops/TableRebuild.h"

// One row of the auxiliary table, in "N" order.
struct TFieldRow {
    std::string Name;
    char Type = 'A';
    int Size = 0;
    bool Req = false;
    bool Key = false;  // "IdxP" is "*"
    int Ord = -1;      // the old field feeding it; -1 for a new field
};

// One index definition of the editor: fields joined by ";".
struct TIndexRequest {
    std::string Name;
    std::string Fields;
    tabulon::IndexOptions Options = 0;
};

struct TStructurePlan {
    tabulon::Restructure Restructure;  // fields, indexes; `from` names the old fields
    // Why the structure cannot be built, as the window shows it ("AMOUNT: Invalid Field
    // definition!"); empty when it can.
    std::string Refusal;
};

// Messages the refusals end with (the window's messages 6, 7 and 8).
inline constexpr const char* kInvalidField = ": Invalid Field definition!";
inline constexpr const char* kInvalidIndex = ": Invalid Index definition!";
inline constexpr const char* kKeyNotLeading = "The key fields must be the first fields of the table!";

// `oldFields` are the fields of the table being restructured (empty for a new one). A row whose
// letter is the one its old field is shown with keeps that field's native shape (a dBase
// number its width and decimals). Every "*" row of a Paradox structure is in the primary key,
// in row order; a dBase structure has none. Index definitions without fields are skipped; one
// naming a field the structure lacks is refused. A Paradox index of one field takes the field's
// name; dBase names and fields are upper-cased, several fields making one expression tag.
TStructurePlan PlanStructure(tabulon::TableType format, const std::vector<TFieldRow>& rows,
                             const std::vector<TIndexRequest>& indexes,
                             const std::vector<tabulon::FieldDef>& oldFields);
