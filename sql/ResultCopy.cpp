#include "ResultCopy.h"

#include <QStringList>
#include <algorithm>

QString selectedCellsAsTsv(const QAbstractItemModel& model, const QModelIndexList& selection) {
    if (selection.isEmpty()) return {};
    int top = selection.first().row(), bottom = top, left = selection.first().column(), right = left;
    for (const QModelIndex& index : selection) {
        top = std::min(top, index.row());
        bottom = std::max(bottom, index.row());
        left = std::min(left, index.column());
        right = std::max(right, index.column());
    }
    const int width = right - left + 1;
    QStringList cells((bottom - top + 1) * width);
    for (const QModelIndex& index : selection) {
        QString text = model.data(index, Qt::DisplayRole).toString().replace(QLatin1String("\r\n"), QLatin1String(" "));
        for (QChar& c : text)
            if (c == u'\t' || c == u'\n' || c == u'\r') c = u' ';
        cells[(index.row() - top) * width + index.column() - left] = text;
    }
    QStringList rows;
    for (int row = 0; row < cells.size(); row += width) rows << cells.mid(row, width).join(u'\t');
    return rows.join(u'\n');
}
