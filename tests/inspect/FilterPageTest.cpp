// The Filter page: composing texts in the five-row editor, applying them, options and erase.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

#include "FieldsPage.h"
#include "FilterPage.h"
#include "InspectFolder.h"
#include "core/EngineError.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {

// One editor row: field name (empty: none), operator, value, logical operator.
struct EditorRow {
    QString field, op, value, logical;
};

void fillRows(FilterPage& page, const QList<EditorRow>& rows) {
    for (int row = 0; row < rows.size(); ++row) {
        const EditorRow& wanted = rows[row];
        page.ComboBoxFilterField[row]->setCurrentIndex(page.ComboBoxFilterField[row]->findText(wanted.field));
        page.ComboBoxOp[row]->setCurrentIndex(page.ComboBoxOp[row]->findText(wanted.op));
        page.EditFieldValue[row]->setText(wanted.value);
        page.ComboBoxLOp[row]->setCurrentIndex(page.ComboBoxLOp[row]->findText(wanted.logical));
    }
}

std::vector<QString> column(Table& table, const std::string& field) {
    std::vector<QString> values;
    for (table.first(); !table.eof() && !table.isEmpty(); table.next()) {
        values.push_back(QString::fromStdString(table.fieldByName(field).displayText()));
    }
    return values;
}

// The fields and filter pages over one open table, as the main window wires them.
struct Pages {
    FieldsPage fields{kFieldsTitles};
    FilterPage filter{*fields.StringGridFields};

    void open(Table& table, const QString& tableFile) {
        fields.Fill(table, tableFile);
        filter.SetTable(&table);
        filter.FillFilterFieldCombos();
    }
    void enable(bool checked) {
        filter.CheckFilter->setChecked(checked);
        filter.CheckFilterClick();
    }
};

// The pages over a table of a fresh folder: the people memory table, or a copy of fixtures.
struct OpenPages {
    InspectFolder folder;
    std::unique_ptr<Table> table;
    Pages pages;

    OpenPages() { createPeople(folder); }
    // False when the fixtures are not here.
    bool load(const std::string& fixtures, const std::string& name) {
        if (!fixtures.empty() && !folder.copyFixtures(fixtures)) return false;
        table = folder.open(name);
        pages.open(*table, folder.file(name));
        return true;
    }
};

}  // namespace

Q_DECLARE_METATYPE(QList<EditorRow>)

class FilterPageTest : public QObject {
    Q_OBJECT
private slots:
    void composedTexts_data() {
        QTest::addColumn<QList<EditorRow>>("rows");
        QTest::addColumn<QString>("text");
        QTest::newRow("no field chosen") << QList<EditorRow>{{"", " = ", "Smith", " AND "}} << "";
        QTest::newRow("string and number")
            << QList<EditorRow>{{"NAME", " = ", "Smith", " AND "}, {"ID", " > ", "30", ""}}
            << "NAME = 'Smith' AND ID > 30";
        QTest::newRow("empty operator glues name and value")
            << QList<EditorRow>{{"NAME", "", "Smith", ""}} << "NAME'Smith'";
        QTest::newRow("trailing logical operator") << QList<EditorRow>{{"ID", " >= ", "2", " OR "}} << "ID >= 2 OR ";
        QTest::newRow("a row without a field adds nothing")
            << QList<EditorRow>{{"ID", " < ", "3", " AND "}, {"", " = ", "x", " OR "}, {"CITY", " <> ", "Rome", ""}}
            << "ID < 3 AND CITY <> 'Rome'";
        QTest::newRow("an empty logical operator glues rows")
            << QList<EditorRow>{{"ID", " = ", "1", ""}, {"CITY", " = ", "Oslo", ""}} << "ID = 1CITY = 'Oslo'";
        QTest::newRow("apostrophes are copied unchanged")
            << QList<EditorRow>{{"NAME", " = ", "O'Neil", ""}} << "NAME = 'O'Neil'";
        QTest::newRow("dates and logicals are not quoted")
            << QList<EditorRow>{{"BORN", " > ", "01.01.1990", " NOT "}, {"PAID", " = ", "True", ""}}
            << "BORN > 01.01.1990 NOT PAID = True";
        QTest::newRow("five rows") << QList<EditorRow>{{"ID", " = ", "1", " OR "},
                                                       {"ID", " = ", "2", " OR "},
                                                       {"ID", " = ", "3", " OR "},
                                                       {"ID", " = ", "4", " OR "},
                                                       {"ID", " = ", "5", ""}}
                                   << "ID = 1 OR ID = 2 OR ID = 3 OR ID = 4 OR ID = 5";
    }
    void composedTexts() {
        QFETCH(QList<EditorRow>, rows);
        QFETCH(QString, text);
        OpenPages open;
        QVERIFY(open.load("", "PEOPLE.MEM"));
        auto& [folder, table, pages] = open;
        pages.filter.EditFilter->setText("old text");
        fillRows(pages.filter, rows);
        pages.filter.BtnUpdateFilterClick();
        QCOMPARE(pages.filter.EditFilter->text(), text);
        QVERIFY(table->filter().empty());
    }

    void dbaseCharacterFieldsAreQuotedAndNumbersAreNot() {
        OpenPages open;
        if (!open.load("dbase/dbase4_mdx", "TEST.DBF")) QSKIP("The shared fixtures are not here");
        auto& [folder, table, pages] = open;
        fillRows(pages.filter, {{"TEST1", " = ", "test1", " OR "}, {"TEST2", " > ", "12", ""}});
        pages.filter.BtnUpdateFilterClick();
        QCOMPARE(pages.filter.EditFilter->text(), QStringLiteral("TEST1 = 'test1' OR TEST2 > 12"));
    }

    void enablingAFilterOnADbaseTableSelectsItsRecords() {
        OpenPages open;
        if (!open.load("dbase/dbase4_mdx", "TEST.DBF")) QSKIP("The shared fixtures are not here");
        auto& [folder, table, pages] = open;
        pages.filter.EditFilter->setText("TEST2 > 12");
        pages.enable(true);
        QVERIFY(table->filtered());
        QVERIFY(!pages.filter.EditFilter->isEnabled() && !pages.filter.PanelFilterEditor->isEnabled());
        QCOMPARE(column(*table, "TEST1"), (std::vector<QString>{"test2", "0test3"}));
        pages.enable(false);
        QVERIFY(!table->filtered());
        QVERIFY(pages.filter.EditFilter->isEnabled() && pages.filter.PanelFilterEditor->isEnabled());
        QCOMPARE(table->filter(), std::string("TEST2 > 12"));
        QCOMPARE(column(*table, "TEST1").size(), std::size_t{3});
    }

    void anEmptyFilterShowsEveryRecord() {
        OpenPages open;
        QVERIFY(open.load("", "PEOPLE.MEM"));
        auto& [folder, table, pages] = open;
        pages.filter.BtnUpdateFilterClick();
        pages.enable(true);
        QVERIFY(table->filtered());
        QCOMPARE(column(*table, "ID").size(), std::size_t{3});
    }

    void optionsReachTheTable_data() {
        QTest::addColumn<bool>("ignoreCase");
        QTest::addColumn<bool>("noPartial");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("records");
        QTest::newRow("neither, partial") << false << false << "TEST1 = 'test*'" << 2;
        QTest::newRow("no partial compare") << false << true << "TEST1 = 'test*'" << 0;
        QTest::newRow("case counts") << false << false << "TEST1 = 'TEST1'" << 0;
        QTest::newRow("ignore case") << true << false << "TEST1 = 'TEST1'" << 1;
        QTest::newRow("both") << true << true << "TEST1 = 'TEST*'" << 0;
    }
    void optionsReachTheTable() {
        QFETCH(bool, ignoreCase);
        QFETCH(bool, noPartial);
        QFETCH(QString, filter);
        QFETCH(int, records);
        OpenPages open;
        if (!open.load("dbase/dbase4_mdx", "TEST.DBF")) QSKIP("The shared fixtures are not here");
        auto& [folder, table, pages] = open;
        pages.filter.CheckFiltCase->setChecked(ignoreCase);
        pages.filter.CheckFiltPart->setChecked(noPartial);
        pages.filter.CheckFiltCaseClick();
        QCOMPARE(table->filterOptions().caseInsensitive, ignoreCase);
        QCOMPARE(table->filterOptions().noPartialCompare, noPartial);
        pages.filter.EditFilter->setText(filter);
        pages.enable(true);
        QCOMPARE(int(column(*table, "TEST1").size()), records);
    }

    void optionsGoOffOneAfterTheOtherAndOutliveTheTable() {
        OpenPages open;
        QVERIFY(open.load("", "PEOPLE.MEM"));
        auto& [folder, table, pages] = open;
        pages.filter.CheckFiltCase->click();
        pages.filter.CheckFiltPart->click();
        QVERIFY(table->filterOptions().caseInsensitive && table->filterOptions().noPartialCompare);
        auto another = folder.open("PEOPLE.MEM");
        pages.open(*another, "/data/PEOPLE.MEM");
        QVERIFY(another->filterOptions().caseInsensitive && another->filterOptions().noPartialCompare);
        pages.filter.CheckFiltCase->click();
        QVERIFY(!another->filterOptions().caseInsensitive && another->filterOptions().noPartialCompare);
        pages.filter.CheckFiltPart->click();
        QCOMPARE(another->filterOptions(), FilterOptions{});
    }

    void aRejectedTextIsReportedAndLeavesThePageEditing_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("unknown field") << "NOSUCH = 1";
        QTest::newRow("missing operator") << "NAME'Smith'";
        QTest::newRow("trailing logical operator") << "ID >= 2 OR ";
        QTest::newRow("unmatched quote") << "NAME = 'Smith";
    }
    void aRejectedTextIsReportedAndLeavesThePageEditing() {
        QFETCH(QString, text);
        OpenPages open;
        QVERIFY(open.load("", "PEOPLE.MEM"));
        auto& [folder, table, pages] = open;
        pages.filter.EditFilter->setText("ID > 1");
        pages.enable(true);
        pages.enable(false);
        pages.filter.EditFilter->setText(text);
        pages.filter.CheckFilter->setChecked(true);
        QVERIFY_THROWS_EXCEPTION(EngineError, pages.filter.CheckFilterClick());
        QVERIFY(!pages.filter.CheckFilter->isChecked());
        QVERIFY(pages.filter.EditFilter->isEnabled() && pages.filter.PanelFilterEditor->isEnabled());
        QVERIFY(!table->filtered());
        QCOMPARE(table->filter(), std::string("ID > 1"));
        QCOMPARE(column(*table, "ID").size(), std::size_t{3});
    }

    void eraseStopsFilteringAndClearsTheRows() {
        OpenPages open;
        QVERIFY(open.load("", "PEOPLE.MEM"));
        auto& [folder, table, pages] = open;
        pages.filter.CheckFiltCase->click();
        fillRows(pages.filter, {{"ID", " > ", "1", " AND "}, {"NAME", " <> ", "x", ""}});
        pages.filter.BtnUpdateFilterClick();
        pages.enable(true);
        QCOMPARE(column(*table, "ID").size(), std::size_t{2});

        pages.filter.BtnEraseClick();
        QVERIFY(!pages.filter.CheckFilter->isChecked());
        QVERIFY(!table->filtered());
        QVERIFY(pages.filter.EditFilter->isEnabled() && pages.filter.PanelFilterEditor->isEnabled());
        QVERIFY(pages.filter.EditFilter->text().isEmpty());
        for (int row = 0; row < FilterPage::kRows; ++row) {
            QCOMPARE(pages.filter.ComboBoxFilterField[row]->currentIndex(), -1);
            QVERIFY(pages.filter.EditFieldValue[row]->text().isEmpty());
            QCOMPARE(pages.filter.ComboBoxOp[row]->currentIndex(), 0);
            QCOMPARE(pages.filter.ComboBoxLOp[row]->currentIndex(), 0);
        }
        QVERIFY(pages.filter.CheckFiltCase->isChecked());
        QCOMPARE(table->filter(), std::string("ID > 1 AND NAME <> 'x'"));
        QCOMPARE(column(*table, "ID").size(), std::size_t{3});
    }

    void fieldListsHoldEveryFieldAndNoEmptyItem() {
        OpenPages open;
        QVERIFY(open.load("", "PEOPLE.MEM"));
        auto& [folder, table, pages] = open;
        for (QComboBox* combo : pages.filter.ComboBoxFilterField) {
            QCOMPARE(combo->count(), 5);
            QCOMPARE(combo->itemText(0), QStringLiteral("ID"));
            QCOMPARE(combo->currentIndex(), -1);
        }
        QCOMPARE(pages.filter.ComboBoxOp[0]->count(), 7);
        QCOMPARE(pages.filter.ComboBoxLOp[4]->itemText(3), QStringLiteral(" NOT "));
    }

    void controlsFollowTheRightEdge() {
        FieldsPage fields(kFieldsTitles);
        FilterPage page(*fields.StringGridFields);
        page.resize(395, 300);
        page.show();
        QCOMPARE(page.BtnErase->x(), 395 - 39);
        QCOMPARE(page.EditFilter->width(), 395 - 56);
        QCOMPARE(page.ComboBoxLOp[0]->x(), 324);
        QCOMPARE(page.EditFieldValue[2]->geometry(), QRect(188, 64 + 2 * 32, 125, 21));
        QCOMPARE(page.BtnUpdateFilter->x(), 395 - 89);
    }
};

QTEST_MAIN(FilterPageTest)
#include "FilterPageTest.moc"
