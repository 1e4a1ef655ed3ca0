// The Fields, Filter and Search pages inside the main window over real Paradox and dBase
// tables: filled at opening, emptied at closing, and the grid following what they do to the
// table (filtering, another order, a search).
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "DBGrid.h"
#include "DatasetTableBrowser.h"
#include "FieldsPage.h"
#include "FilterPage.h"
#include "FormMain.h"
#include "SearchPage.h"
#include "TabulonApplication.h"
#include "core/EngineError.h"
#include "dataset/Session.h"
#include "support/KeyedPeople.h"
#include "support/ModalDialog.h"
#include "support/TempFolder.h"

namespace {

constexpr int kCityColumn = 2;

struct Window {
    tabulon::testing::TempFolder folder;
    QTemporaryDir settings;
    tabulon::Session session{"Pages"};
    TFormMain form{settings.filePath("Vendrake.INI"), QString()};
    QString tableName;

    explicit Window(const QString& name) : tableName(name) {
        form.setTableBrowser(std::make_unique<TDatasetTableBrowser>(session));
        tabulon::testing::createKeyedPeople(folder / name.toStdString());
        openTable();
    }
    void openTable() {
        form.TableFile = QString::fromStdString((folder / tableName.toStdString()).string());
        form.BtnOpenClick();
    }
    ~Window() { form.BtnCloseClick(); }

    QAbstractItemModel& grid() const { return *form.DBGrid->model(); }
    QStringList gridCities() const {
        QStringList cities;
        for (int row = 0; row < grid().rowCount(); ++row) cities << grid().index(row, kCityColumn).data().toString();
        return cities;
    }
    QStringList indexChoices() const {
        QStringList items;
        for (int i = 0; i < form.TabSheetSearch->ComboIndex->count(); ++i)
            items << form.TabSheetSearch->ComboIndex->itemText(i);
        return items;
    }
    void chooseIndex(const QString& name) {
        const int position = form.TabSheetSearch->ComboIndex->findText(name);
        QVERIFY(position >= 0);
        form.TabSheetSearch->ComboIndex->setCurrentIndex(position);
        form.TabSheetSearch->ComboIndexChange(position);
    }
    void setFilter(const QString& text) {
        form.TabSheetFilter->EditFilter->setText(text);
        form.TabSheetFilter->CheckFilter->setChecked(true);
        form.TabSheetFilter->CheckFilterClick();
    }
};

void tableFormats() {
    QTest::addColumn<QString>("table");
    QTest::newRow("paradox") << QStringLiteral("PEOPLE.DB");
    QTest::newRow("dbase") << QStringLiteral("PEOPLE.DBF");
}

}  // namespace

class TablePagesTest : public QObject {
    Q_OBJECT
private slots:
    void openingFillsThePages_data() { tableFormats(); }
    void openingFillsThePages() {
        QFETCH(QString, table);
        Window w(table);
        const QTableWidget& fields = *w.form.TabSheetFields->StringGridFields;
        QCOMPARE(fields.rowCount(), 5);
        QCOMPARE(fields.item(3, 1)->text(), QStringLiteral("CITY"));
        // "None" stands for a Paradox table's primary index; a dBase table lists every tag.
        const QStringList expected = table.endsWith(QLatin1String(".DB"))
                                         ? QStringList{"None", "BYCITY", "BYNAME", "BYAMOUNT"}
                                         : QStringList{"None", "ID", "BYCITY", "BYNAME", "BYAMOUNT"};
        QCOMPARE(w.indexChoices(), expected);
        QVERIFY(w.form.TabSheetSearch->ComboIndex->isEnabled());
        QCOMPARE(w.form.TabSheetFilter->ComboBoxFilterField[0]->count(), 4);
        QCOMPARE(w.form.TabSheetSearch->StringGridRecord->rowCount(), 5);
        // A keyed Paradox table shows in key order, a dBase table in record order.
        QStringList ids;
        for (int row = 0; row < w.grid().rowCount(); ++row) ids << w.grid().index(row, 0).data().toString();
        const QStringList order = table.endsWith(QLatin1String(".DB")) ? QStringList{"1", "2", "3", "4", "5"}
                                                                       : QStringList{"3", "1", "2", "5", "4"};
        QCOMPARE(ids, order);
    }

    void fieldButtonsFollowThePage() {
        Window w(QStringLiteral("PEOPLE.DB"));
        w.form.PageControl->setCurrentWidget(w.form.TabSheetFields);
        QVERIFY(w.form.TabSheetFields->BtnCopy->isEnabled());
        w.form.PageControl->setCurrentWidget(w.form.TabSheetData);
        QVERIFY(!w.form.TabSheetFields->BtnCopy->isEnabled());
    }

    void filteringNarrowsTheGrid_data() { tableFormats(); }
    void filteringNarrowsTheGrid() {
        QFETCH(QString, table);
        Window w(table);
        w.setFilter(QStringLiteral("CITY = 'Rome'"));
        QCOMPARE(w.gridCities(), QStringList({"Rome", "Rome"}));
        w.form.TabSheetFilter->CheckFilter->setChecked(false);
        w.form.TabSheetFilter->CheckFilterClick();
        QCOMPARE(w.grid().rowCount(), 5);
    }

    void rejectedFilterLeavesTheGridWhole() {
        Window w(QStringLiteral("PEOPLE.DBF"));
        QVERIFY_THROWS_EXCEPTION(tabulon::EngineError, w.setFilter(QStringLiteral("CITY = 'Rome' AND")));
        QVERIFY(!w.form.TabSheetFilter->CheckFilter->isChecked());
        QVERIFY(w.form.TabSheetFilter->EditFilter->isEnabled());
        QCOMPARE(w.grid().rowCount(), 5);
    }

    // A click, not a call: the error travels through the event loop to the application.
    void rejectedFilterReachesTheErrorReport() {
        Window w(QStringLiteral("PEOPLE.DB"));
        // Showing the window reads the settings and moves to their folder: open the table again.
        w.form.show();
        w.openTable();
        w.form.PageControl->setCurrentWidget(w.form.TabSheetFilter);
        w.form.TabSheetFilter->EditFilter->setText(QStringLiteral("NOSUCHFIELD = 1"));
        QString reported;
        tabulon::testing::ModalAnswer answer([&reported](QWidget* dialog) {
            reported = static_cast<QMessageBox*>(dialog)->text();
            static_cast<QMessageBox*>(dialog)->accept();
        });
        QTest::mouseClick(w.form.TabSheetFilter->CheckFilter, Qt::LeftButton, {},
                          QPoint(8, w.form.TabSheetFilter->CheckFilter->height() / 2));
        QVERIFY(answer.seen());
        QVERIFY2(reported.contains(QStringLiteral("NOSUCHFIELD")), qPrintable(reported));
        QVERIFY(!w.form.TabSheetFilter->CheckFilter->isChecked());
        QCOMPARE(w.grid().rowCount(), 5);
    }

    void indexChoiceReordersTheGrid_data() { tableFormats(); }
    void indexChoiceReordersTheGrid() {
        QFETCH(QString, table);
        Window w(table);
        w.chooseIndex(QStringLiteral("BYCITY"));
        QCOMPARE(w.gridCities(), QStringList({"Lyon", "Oslo", "Paris", "Rome", "Rome"}));
        QVERIFY(w.form.TabSheetSearch->BtnGoto->isEnabled());
        w.chooseIndex(QStringLiteral("None"));
        QVERIFY(!w.form.TabSheetSearch->BtnGoto->isEnabled());
        QCOMPARE(w.grid().rowCount(), 5);
    }

    void searchMovesTheGridsCurrentRow() {
        Window w(QStringLiteral("PEOPLE.DB"));
        w.chooseIndex(QStringLiteral("BYCITY"));
        QTableWidget& record = *w.form.TabSheetSearch->StringGridRecord;
        w.form.TabSheetSearch->BtnClearClick();
        record.setItem(3, 2, new QTableWidgetItem(QStringLiteral("P")));
        w.form.TabSheetSearch->BtnGotoClick();
        QCOMPARE(record.item(3, 2)->text(), QStringLiteral("Paris"));
        const QModelIndex current = w.form.DBGrid->currentIndex();
        QCOMPARE(current.row(), 2);
        QCOMPARE(w.grid().index(current.row(), kCityColumn).data().toString(), QStringLiteral("Paris"));
    }

    // Painting rows moves the table's cursor; the pages must still find it on the marked row.
    void pagesFindTheTableOnTheGridsCurrentRow() {
        Window w(QStringLiteral("PEOPLE.DB"));
        for (int row = w.grid().rowCount() - 1; row >= 0; --row) w.grid().index(row, 0).data();
        QCOMPARE(w.form.TabSheetFields->StringGridFields->item(1, 5)->text(), QStringLiteral("1"));
        w.form.DBGrid->setCurrentIndex(w.grid().index(1, 0));
        for (int row = 0; row < w.grid().rowCount(); ++row) w.grid().index(row, 0).data();
        w.form.TabSheetSearch->NavNext->click();
        QCOMPARE(w.form.TabSheetSearch->StringGridRecord->item(1, 2)->text(), QStringLiteral("3"));
        QCOMPARE(w.form.DBGrid->currentIndex().row(), 2);
        w.form.TabSheetSearch->NavFirst->click();
        QCOMPARE(w.form.DBGrid->currentIndex().row(), 0);
    }

    void closingEmptiesThePages() {
        Window w(QStringLiteral("PEOPLE.DBF"));
        w.setFilter(QStringLiteral("CITY = 'Rome'"));
        w.form.BtnCloseClick();
        QVERIFY(!w.form.TabSheetFilter->CheckFilter->isChecked());
        QVERIFY(w.form.TabSheetFilter->EditFilter->isEnabled());
        QCOMPARE(w.form.TabSheetSearch->ComboIndex->count(), 0);
        QVERIFY(!w.form.TabSheetSearch->ComboIndex->isEnabled());
        QCOMPARE(w.form.TabSheetFields->StringGridFields->rowCount(), 2);
        QVERIFY(!w.form.TabSheetFields->BtnCopy->isEnabled());
        // The next opening starts unfiltered.
        w.form.BtnOpenClick();
        QCOMPARE(w.grid().rowCount(), 5);
    }
};

int main(int argc, char** argv) {
    TTabulonApplication app(argc, argv);
    TablePagesTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "TablePagesTest.moc"
