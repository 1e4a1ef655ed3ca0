// The Search page: index lists, choosing an order, the navigator and nearest-key search.
#include <QtTest>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

#include "InspectFolder.h"
#include "SearchPage.h"

using namespace tabulon;
using tabulon::testing::createPeople;
using tabulon::testing::InspectFolder;

namespace {

QStringList items(const QComboBox& combo) {
    QStringList texts;
    for (int i = 0; i < combo.count(); ++i) texts << combo.itemText(i);
    return texts;
}

QString value(const SearchPage& page, int field) {
    const QTableWidgetItem* item = page.StringGridRecord->item(field + 1, 2);
    return item ? item->text() : QString();
}

void type(SearchPage& page, int field, const QString& text) {
    page.StringGridRecord->setItem(field + 1, 2, new QTableWidgetItem(text));
}

void choose(SearchPage& page, const QString& index) {
    const int position = page.ComboIndex->findText(index);
    QVERIFY2(position >= 0, qPrintable(index));
    page.ComboIndex->setCurrentIndex(position);
    page.ComboIndex->activated(position);
}

// People: ID 0, NAME 1, CITY 2. In BYCITYNAME order: Brown/Oslo (2), Adams/Paris (1), smith/Rome (3).
struct PeopleSearch {
    InspectFolder folder;
    std::unique_ptr<Table> table;
    SearchPage page{"None"};

    PeopleSearch() {
        createPeople(folder);
        table = folder.open("PEOPLE.MEM");
        page.TableOpened(*table, "/data/PEOPLE.MEM");
    }
};

}  // namespace

class SearchPageTest : public QObject {
    Q_OBJECT
private slots:
    void aFreshOpeningShowsNoneAndDisabledSearch() {
        PeopleSearch people;
        SearchPage& page = people.page;
        QCOMPARE(items(*page.ComboIndex), (QStringList{"None", "BYCITYNAME"}));
        QCOMPARE(page.IndexKeyTexts(), (QStringList{"", "CITY;NAME"}));
        QCOMPARE(page.ComboIndex->currentIndex(), 0);
        QVERIFY(page.ComboIndex->isEnabled());
        QVERIFY(page.LabelExp->text().isEmpty());
        QVERIFY(!page.BtnGoto->isEnabled() && !page.BtnClear->isEnabled());
        QCOMPARE(page.StringGridRecord->rowCount(), 6);
        QCOMPARE(page.StringGridRecord->item(2, 1)->text(), QStringLiteral("NAME"));
        QCOMPARE(value(page, 1), QStringLiteral("Adams"));
    }

    void realTablesListTheirIndexes_data() {
        QTest::addColumn<QString>("fixtures");
        QTest::addColumn<QString>("tableName");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("keyTexts");
        QTest::newRow("Paradox: secondary indexes, not the primary one")
            << "paradox/paradoxdriver/joins"
            << "C.DB" << QStringList{"None", "A", "B"} << QStringList{"", "A", "B"};
        QTest::newRow("dBase: every production tag")
            << "dbase/dbase4_mdx"
            << "TEST.DBF" << QStringList{"None", "TEST1", "TEST2"} << QStringList{"", "TEST1", "test2"};
    }
    void realTablesListTheirIndexes() {
        QFETCH(QString, fixtures);
        QFETCH(QString, tableName);
        QFETCH(QStringList, names);
        QFETCH(QStringList, keyTexts);
        InspectFolder folder;
        if (!folder.copyFixtures(fixtures.toStdString())) QSKIP("The shared fixtures are not here");
        auto table = folder.open(tableName.toStdString());
        SearchPage page("None");
        page.TableOpened(*table, folder.file(tableName.toStdString()));
        QCOMPARE(items(*page.ComboIndex), names);
        QCOMPARE(page.IndexKeyTexts(), keyTexts);
    }

    void choosingAnIndexReordersAndEnablesSearch() {
        PeopleSearch people;
        choose(people.page, "BYCITYNAME");
        QCOMPARE(people.table->indexName(), std::string("BYCITYNAME"));
        QCOMPARE(people.page.LabelExp->text(), QStringLiteral("CITY;NAME"));
        QVERIFY(people.page.BtnGoto->isEnabled() && people.page.BtnClear->isEnabled());
        QCOMPARE(QString::fromStdString(people.table->fieldByName("NAME").displayText()), QStringLiteral("Brown"));
        choose(people.page, "None");
        QVERIFY(people.table->indexName().empty());
        QVERIFY(!people.page.BtnGoto->isEnabled() && !people.page.BtnClear->isEnabled());
    }

    void choosingNoneAgainDoesNotReopen() {
        PeopleSearch people;
        people.page.NavNext->click();
        QCOMPARE(value(people.page, 0), QStringLiteral("2"));
        choose(people.page, "None");
        QCOMPARE(QString::fromStdString(people.table->fieldByName("ID").displayText()), QStringLiteral("2"));
    }

    void theNavigatorMovesAndRefillsTheGrid() {
        PeopleSearch people;
        people.page.NavLast->click();
        QCOMPARE(value(people.page, 0), QStringLiteral("3"));
        people.page.NavPrior->click();
        QCOMPARE(value(people.page, 0), QStringLiteral("2"));
        people.page.NavFirst->click();
        QCOMPARE(value(people.page, 0), QStringLiteral("1"));
    }

    void goToFindsTheNearestKey_data() {
        QTest::addColumn<QString>("city");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("id");  // outside the key: dropped
        QTest::addColumn<QString>("expectedId");
        QTest::newRow("full key") << "Paris"
                                  << "Adams"
                                  << ""
                                  << "1";
        QTest::newRow("between keys") << "Paris"
                                      << "B"
                                      << ""
                                      << "3";
        QTest::newRow("partial key") << "P"
                                     << ""
                                     << ""
                                     << "1";
        QTest::newRow("first field only, exact") << "Rome"
                                                 << ""
                                                 << ""
                                                 << "3";
        QTest::newRow("before every key") << "A"
                                          << ""
                                          << ""
                                          << "2";
        QTest::newRow("letters outside the key") << "Rome"
                                                 << ""
                                                 << "letters in a number field"
                                                 << "3";
    }
    void goToFindsTheNearestKey() {
        QFETCH(QString, city);
        QFETCH(QString, name);
        QFETCH(QString, id);
        QFETCH(QString, expectedId);
        PeopleSearch people;
        choose(people.page, "BYCITYNAME");
        people.page.BtnClearClick();
        if (!id.isEmpty()) type(people.page, 0, id);
        type(people.page, 2, city);
        type(people.page, 1, name);
        people.page.BtnGotoClick();
        QCOMPARE(value(people.page, 0), expectedId);
    }

    void aNumberKey_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("found");
        QTest::newRow("exact") << "20"
                               << "second";
        QTest::newRow("between") << "12"
                                 << "third";
        QTest::newRow("past the end") << "99"
                                      << "second";
        QTest::newRow("letters do not convert") << "abc"
                                                << "first";
    }
    void aNumberKey() {
        QFETCH(QString, typed);
        QFETCH(QString, found);
        InspectFolder folder;
        folder.create("NUMBERS.MEM",
                      {{"ID", ftInteger, 0, 0, true, "I"},
                       {"N", ftInteger, 0, 0, false, "I"},
                       {"LABEL", ftString, 10, 0, false, "A"}},
                      {IndexDef{"", "ID", "", "", ixPrimary | ixUnique, "", true, ""},
                       IndexDef{"BYN", "N", "", "", 0, "", true, ""}},
                      {{Value::integer(1), Value::integer(10), Value::string("first")},
                       {Value::integer(2), Value::integer(20), Value::string("second")},
                       {Value::integer(3), Value::integer(15), Value::string("third")}});
        auto table = folder.open("NUMBERS.MEM");
        SearchPage page("None");
        page.TableOpened(*table, "/data/NUMBERS.MEM");
        choose(page, "BYN");
        page.NavNext->click();
        page.BtnClearClick();
        type(page, 1, typed);
        page.BtnGotoClick();
        QCOMPARE(value(page, 2), found);
    }

    void goToRightAfterChoosingUsesTheShownRecordsKey() {
        PeopleSearch people;
        choose(people.page, "BYCITYNAME");
        people.page.NavNext->click();  // Adams/Paris
        people.page.BtnGotoClick();
        QCOMPARE(value(people.page, 1), QStringLiteral("Adams"));
    }

    void emptyCellsKeepTheEarlierSearchsValues() {
        PeopleSearch people;
        choose(people.page, "BYCITYNAME");
        people.page.BtnClearClick();
        type(people.page, 2, "Paris");
        type(people.page, 1, "Adams");
        people.page.BtnGotoClick();
        QCOMPARE(value(people.page, 0), QStringLiteral("1"));
        people.page.BtnClearClick();
        type(people.page, 1, "B");  // CITY left empty: Paris from the first search
        people.page.BtnGotoClick();
        QCOMPARE(value(people.page, 0), QStringLiteral("3"));
    }

    void clearEmptiesTheValueColumnOnly() {
        PeopleSearch people;
        people.page.BtnClearClick();
        for (int field = 0; field < 5; ++field) QVERIFY(value(people.page, field).isEmpty());
        QCOMPARE(people.page.StringGridRecord->item(1, 1)->text(), QStringLiteral("ID"));
    }

    void closingEmptiesAndDisablesTheList() {
        PeopleSearch people;
        choose(people.page, "BYCITYNAME");
        people.page.TableClosed();
        QCOMPARE(people.page.ComboIndex->count(), 0);
        QVERIFY(!people.page.ComboIndex->isEnabled());
        QVERIFY(!people.page.BtnGoto->isEnabled());
    }
};

QTEST_MAIN(SearchPageTest)
#include "SearchPageTest.moc"
