// Result cells copied as tab-separated text: the selection's bounding rectangle, unselected
// cells empty, tabs and line breaks inside values turned into blanks.
#include <QStandardItemModel>
#include <QtTest>

#include "ResultCopy.h"

using Cells = QList<QPoint>;  // (column, row)

class ResultCopyTest : public QObject {
    Q_OBJECT
private slots:
    void copiesTheBoundingRectangle_data() {
        QTest::addColumn<Cells>("cells");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << Cells{} << "";
        QTest::newRow("one cell") << Cells{{1, 0}} << "b0";
        QTest::newRow("row in any order") << Cells{{2, 1}, {0, 1}, {1, 1}} << "a1\tb1\tc1";
        QTest::newRow("gaps stay empty") << Cells{{2, 2}, {0, 0}} << "a0\t\t\n\t\t\n\t\tc2";
        QTest::newRow("tab and line breaks become blanks") << Cells{{0, 3}, {1, 3}} << "x y\tp q r";
    }
    void copiesTheBoundingRectangle() {
        QFETCH(Cells, cells);
        QFETCH(QString, text);
        QStandardItemModel model(4, 3);
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 3; ++column)
                model.setItem(row, column, new QStandardItem(QChar(u'a' + column) + QString::number(row)));
        model.setItem(3, 0, new QStandardItem(QStringLiteral("x\ty")));
        model.setItem(3, 1, new QStandardItem(QStringLiteral("p\r\nq\nr")));
        QModelIndexList selection;
        for (const QPoint& cell : cells) selection << model.index(cell.y(), cell.x());
        QCOMPARE(selectedCellsAsTsv(model, selection), text);
    }
};

QTEST_MAIN(ResultCopyTest)
#include "ResultCopyTest.moc"
