#pragma once
// Result cells as text for the clipboard.
#include <QAbstractItemModel>
#include <QString>

// The selection's bounding rectangle as tab-separated text: rows in order joined by "\n",
// cells by tabs, the display text of each selected cell and nothing for the others. Tabs and
// line breaks (a CRLF as one) inside a value become blanks, so every cell stays in its place.
QString selectedCellsAsTsv(const QAbstractItemModel& model, const QModelIndexList& selection);
