#include "FieldsListPrinter.h"

#include <QPainter>
#include <QPrinter>

#include "core/EngineError.h"

namespace tabulon {

namespace {

constexpr double kMargin = 50;
constexpr double kTitleTop = 100;
constexpr double kNumberColumnGap = 40;
constexpr double kWidthFactor = 1.1;
constexpr int kBottomReserve = 200;
constexpr int kNextPageTop = 200;

class LinePrinter {
public:
    LinePrinter(QPainter& painter, const QFont& font) : painter_(painter), font_(font) {}

    // Draws `text` with its top-left corner at (x, y), as the print layout measures it.
    void print(int x, int y, const QString& text, bool bold, bool italic) {
        QFont font = font_;
        font.setBold(bold);
        font.setItalic(italic);
        painter_.setFont(font);
        painter_.drawText(x, y + painter_.fontMetrics().ascent(), text);
    }

private:
    QPainter& painter_;
    QFont font_;
};

QString cellOf(const QStringList& row, qsizetype column) { return column < row.size() ? row[column] : QString(); }

}  // namespace

void PrintFieldsList(QPrinter& printer, const FieldsListPrintJob& job) {
    const double scale = double(printer.logicalDpiY()) / job.screenDpi;
    const auto scaled = [scale](double screenPixels) { return qRound(screenPixels * scale); };

    QFont font = job.font;
    font.setPointSize(font.pointSize() * 12 / 10);

    QPainter painter;
    if (!painter.begin(&printer)) {
        throw EngineError(errkind::kFile, "Cannot start printing the field list of " + job.tableFile.toStdString());
    }
    LinePrinter lines(painter, font);
    const int left = scaled(kMargin);
    lines.print(left, scaled(kMargin), job.tableFile, true, true);

    QList<int> columnLeft{left};
    int x = scaled(kMargin + kNumberColumnGap);
    for (qsizetype column = 1; column < job.columnWidths.size(); ++column) {
        columnLeft << x;
        x += scaled(kWidthFactor * job.columnWidths[column]);
    }

    int y = scaled(kTitleTop);
    const QStringList titles = job.gridRows.value(0);
    for (qsizetype column = 1; column < columnLeft.size(); ++column) {
        lines.print(columnLeft[column], y, cellOf(titles, column), true, false);
    }
    y += scaled(kWidthFactor * job.rowHeight);

    const int pageHeight = printer.height();
    for (qsizetype row = 1; row < job.gridRows.size(); ++row) {
        const QStringList& cells = job.gridRows[row];
        lines.print(left, y, cellOf(cells, 0), false, true);
        for (qsizetype column = 1; column < columnLeft.size(); ++column) {
            lines.print(columnLeft[column], y, cellOf(cells, column), false, false);
        }
        y += scaled(job.rowHeight);
        if (pageHeight - kBottomReserve < y) {
            printer.newPage();
            y = kNextPageTop;
        }
    }
    painter.end();
}

}  // namespace tabulon
