#pragma once
// Prints the Fields page's grid: the table file, the titles, then one line per field.
#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>

class QPrinter;

namespace tabulon {

// What one print job needs from the page. Sizes in screen pixels.
struct FieldsListPrintJob {
    QString tableFile;
    QList<QStringList> gridRows;  // row 0: titles; columns 0 to 5
    QList<int> columnWidths;      // current widths of the grid's columns 0 to 5
    int rowHeight = 18;           // the grid's default row height
    QFont font;                   // the window's font
    int screenDpi = 96;           // the window's font resolution
};

// Contract: prints `job` on `printer`, which the caller has set up. Screen sizes are scaled by
// printer dpi / screen dpi and rounded to whole printer pixels as each position is computed.
// The file name (bold italic) stands at (50, 50), the titles (bold) at y 100 from x 90, each
// next column 1.1 times the previous column's width further right; the title line takes 1.1
// row heights, each field line one; when a line leaves y past the page height less 200
// printer pixels a new page starts at y 200, without titles. The font is the window's at
// 12/10 of its point size. Throws EngineError (EFileError) when the job cannot start.
// Interface thread.
void PrintFieldsList(QPrinter& printer, const FieldsListPrintJob& job);

}  // namespace tabulon
