#pragma once
// A list of check boxes holding a table's field names, as the text windows use it: filled with
// every field checked, items moved up and down with their check marks, the checked names read
// back in list order. Interface thread only.
#include <QListWidget>
#include <string>
#include <vector>

#include "core/FieldDef.h"

// Clears `list` and adds one checked item per field, in field order.
void FillFieldList(QListWidget* list, const std::vector<tabulon::FieldDef>& fields);
// Adds one item per text, unchecked, after clearing `list`.
void FillCheckList(QListWidget* list, const std::vector<std::string>& texts);
// Swaps the selected item with its neighbour `step` places away (-1 up, +1 down), name and check
// together, and keeps it selected; nothing when none is selected or it is at that end.
void MoveSelectedItem(QListWidget* list, int step);
// Checks or unchecks every item.
void CheckAll(QListWidget* list, bool checked);
// The texts of the checked items, in list order.
std::vector<std::string> CheckedTexts(const QListWidget* list);
// Whether each item is checked, in list order.
std::vector<bool> CheckMarks(const QListWidget* list);
