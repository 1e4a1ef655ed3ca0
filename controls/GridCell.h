#pragma once
// What a data grid shows of one field value, shared by every grid over records: the table's
// records on the Data page and a query's result rows.
#include <QString>
#include <QVariant>

#include "core/FieldDef.h"
#include "core/Value.h"
#include "dataset/RegionalSettings.h"

namespace GridRole {
// A cell's whole value: a memo's text as a string, a graphic's or blob's bytes as a byte array.
inline constexpr int kValue = Qt::UserRole;
// The cell's field type (a tabulon::FieldType).
inline constexpr int kFieldType = Qt::UserRole + 1;
// Header role: the characters a field's declared size gives its values (0: none declared).
inline constexpr int kFieldWidth = Qt::UserRole + 2;
}  // namespace GridRole

bool isMemoField(tabulon::FieldType type);
// Texts and dBase numbers declare their width; other types have none to go by.
int declaredFieldWidth(const tabulon::FieldDef& field);
// The cell's data for `role` (display, edit or GridRole::kValue): a memo shows only whether it
// holds text, since its text may run to pages. Throws what formatting the value throws.
QVariant fieldCellData(const tabulon::Value& value, const tabulon::FieldDef& field,
                       const tabulon::RegionalSettings& settings, int role);
