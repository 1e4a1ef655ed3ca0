// The grid's model over real dataset tables: the rows it finds, the editing it allows, the
// record indicator, and the item-model rules checked by QAbstractItemModelTester.
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "GridTables.h"
#include "RecordGridModel.h"
#include "core/EngineError.h"
#include "support/FoxProCandidateTable.h"
#include "support/MemoryDriver.h"
#include "support/TempFolder.h"

using namespace tabulon;
using tabulon::testing::TempFolder;

namespace {

// A session, a connection to a temporary folder and one open table in it.
struct OpenTable {
    TempFolder folder;
    Session session{"GridModel"};
    Connection& connection = session.addConnection("Grid");
    std::unique_ptr<Table> table;

    OpenTable() {
        connection.setParams({"PATH=" + folder.path().string(), "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"});
        connection.connect();
    }
    void open(const std::string& name, bool cached, const StorageDriver* driver = nullptr) {
        table = std::make_unique<Table>(connection);
        table->setTableName(name);
        table->setDriver(driver);
        table->setCachedUpdates(cached);
        table->open();
    }
    void openPeople(int count, bool cached) {
        testing::createPeople(folder / "people.dbf", count);
        open("people.dbf", cached);
    }
};

QString cell(const QAbstractItemModel& model, int row, int column) {
    return model.data(model.index(row, column)).toString();
}

const testing::MemoryDriver& memoryDriver() {
    static const testing::MemoryDriver driver;
    return driver;
}

// ID (primary key) and NAME; ids 5, 1, 3 stored in that order.
void createKeyedMemoryTable(const std::filesystem::path& file) {
    const std::vector<FieldDef> fields = {{"ID", ftInteger, 0, 0, true, "I"}, {"NAME", ftString, 10, 0, false, "A"}};
    const std::vector<IndexDef> indexes = {IndexDef{"", "ID", "", "", ixPrimary | ixUnique, "", true, ""}};
    auto table = memoryDriver().create(file, fields, indexes, {});
    for (int id : {5, 1, 3}) table->append({Value::integer(id), Value::string("N" + std::to_string(id))});
}

}  // namespace

class RecordGridModelTest : public QObject {
    Q_OBJECT
private slots:
    void rowsFoundDirectlyInStoredOrder_data() {
        QTest::addColumn<QList<int>>("rowsAsked");
        QTest::newRow("forwards") << QList<int>{0, 1, 2, 3};
        QTest::newRow("last first") << QList<int>{39, 0, 20};
        QTest::newRow("backwards") << QList<int>{30, 29, 28, 5};
    }
    void rowsFoundDirectlyInStoredOrder() {
        QFETCH(QList<int>, rowsAsked);
        OpenTable t;
        t.openPeople(40, true);
        TRecordGridModel model(*t.table);
        QCOMPARE(model.rowCount(), 40);
        QCOMPARE(model.columnCount(), 3);
        for (int row : rowsAsked) {
            QCOMPARE(cell(model, row, 0), QStringLiteral("P%1").arg(row));
            QCOMPARE(cell(model, row, 1), QString::number(20 + row));
        }
    }

    void rowsFoundByWalkingInKeyOrder() {
        OpenTable t;
        createKeyedMemoryTable(t.folder / "KEYED.MEM");
        t.open("KEYED.MEM", true, &memoryDriver());
        TRecordGridModel model(*t.table);
        QCOMPARE(model.rowCount(), 3);
        // Asked out of order, the rows still follow the key.
        QCOMPARE(cell(model, 2, 0), QStringLiteral("5"));
        QCOMPARE(cell(model, 0, 0), QStringLiteral("1"));
        QCOMPARE(cell(model, 1, 1), QStringLiteral("N3"));
    }

    // A FoxPro table's candidate tag with a FOR clause orders the rows only when chosen; then
    // the rows are the records it holds, each once, asked in any order.
    void rowsFollowTheOrderInUse_data() {
        QTest::addColumn<QString>("index");
        QTest::addColumn<QStringList>("names");
        const auto list = [](const std::vector<std::string>& names) {
            QStringList out;
            for (const std::string& name : names) out << QString::fromStdString(name);
            return out;
        };
        QTest::newRow("record order") << QString() << list(testing::kFoxProNames);
        QTest::newRow("candidate tag") << QStringLiteral("ADULTS") << list(testing::kFoxProAdults);
    }
    void rowsFollowTheOrderInUse() {
        QFETCH(QString, index);
        QFETCH(QStringList, names);
        OpenTable t;
        testing::createFoxProCandidateTable(t.folder / "fox.dbf");
        t.table = std::make_unique<Table>(t.connection);
        t.table->setTableName("fox.dbf");
        t.table->setIndexName(index.toStdString());
        t.table->open();
        TRecordGridModel model(*t.table);
        QCOMPARE(model.rowCount(), names.size());
        for (int row = model.rowCount() - 1; row >= 0; --row) QCOMPARE(cell(model, row, 0), names[row]);
    }

    void headersNameFieldsAndMemosShowTheirPresence() {
        OpenTable t;
        t.openPeople(2, true);
        TRecordGridModel model(*t.table);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("NAME"));
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("NOTES"));
        QCOMPARE(cell(model, 0, 2), QStringLiteral("(Memo)"));
        QVERIFY(!(model.flags(model.index(0, 2)) & Qt::ItemIsEditable));
    }

    void memoTextGoesThroughTheValueRoleOnly() {
        OpenTable t;
        t.openPeople(2, true);
        TRecordGridModel model(*t.table);
        const QModelIndex notes = model.index(1, 2);
        QCOMPARE(notes.data(TRecordGridModel::kFieldTypeRole).toInt(), int(ftMemo));
        QVERIFY(!model.setData(notes, QStringLiteral("read-only"), TRecordGridModel::kValueRole));
        model.setEditable(true);
        QVERIFY(!model.setData(notes, QStringLiteral("as a cell"), Qt::EditRole));
        QVERIFY(!model.setData(model.index(1, 0), QStringLiteral("not a memo"), TRecordGridModel::kValueRole));
        QVERIFY(model.setData(notes, QStringLiteral("line one\nline two"), TRecordGridModel::kValueRole));
        QCOMPARE(notes.data(TRecordGridModel::kValueRole).toString(), QStringLiteral("line one\nline two"));
        QCOMPARE(notes.data().toString(), QStringLiteral("(MEMO)"));
    }

    void readOnlyUntilEditable() {
        OpenTable t;
        t.openPeople(3, true);
        TRecordGridModel model(*t.table);
        const QModelIndex name = model.index(1, 0);
        QVERIFY(!(model.flags(name) & Qt::ItemIsEditable));
        QVERIFY(!model.setData(name, QStringLiteral("X")));
        QVERIFY(!model.insertRow(3));
        QVERIFY(!model.removeRow(0));
        model.setEditable(true);
        QVERIFY(model.flags(name) & Qt::ItemIsEditable);
        QVERIFY(model.setData(name, QStringLiteral("P1")));  // an editor closed unchanged
        QCOMPARE(t.table->state(), TableState::Browse);
        QVERIFY(model.setData(name, QStringLiteral("X")));
        QCOMPARE(cell(model, 1, 0), QStringLiteral("X"));
    }

    void recordIndicatorFollowsTheRowAndItsState() {
        OpenTable t;
        t.openPeople(3, true);
        TRecordGridModel model(*t.table);
        model.setEditable(true);
        model.setCurrentRow(1);
        QCOMPARE(model.headerData(1, Qt::Vertical).toString(), QStringLiteral("\u25B6"));
        QCOMPARE(model.headerData(0, Qt::Vertical).toString(), QString());
        model.setData(model.index(1, 0), QStringLiteral("Edited"));
        QCOMPARE(model.headerData(1, Qt::Vertical).toString(), QStringLiteral("I"));
        QCOMPARE(t.table->editBuffer().changedFields(), (std::vector<bool>{true, false, false}));
        model.setCurrentRow(0);  // leaving the row posts it
        QCOMPARE(model.headerData(1, Qt::Vertical).toString(), QString());
        QVERIFY(!model.hasUnpostedRow());
        QVERIFY(t.table->updatesPending());
        QVERIFY(model.insertRow(3));
        QCOMPARE(model.headerData(3, Qt::Vertical).toString(), QStringLiteral("*"));
    }

    void leavingTheGridDropsAnUntouchedInsertOnly() {
        OpenTable t;
        t.openPeople(3, true);
        TRecordGridModel model(*t.table);
        model.setEditable(true);
        QVERIFY(model.insertRow(3));
        QCOMPARE(model.rowCount(), 4);
        model.leaveGrid();
        QCOMPARE(model.rowCount(), 3);
        QVERIFY(!t.table->updatesPending());

        QVERIFY(model.insertRow(3));
        QVERIFY(model.setData(model.index(3, 0), QStringLiteral("New")));
        model.leaveGrid();
        QCOMPARE(model.rowCount(), 4);
        model.postRow();
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(cell(model, 3, 0), QStringLiteral("New"));
        QVERIFY(t.table->updatesPending());
    }

    void removingRowsLeavesTheOthers() {
        OpenTable t;
        t.openPeople(5, true);
        TRecordGridModel model(*t.table);
        model.setEditable(true);
        QVERIFY(model.removeRows(1, 2));
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(cell(model, 0, 0), QStringLiteral("P0"));
        QCOMPARE(cell(model, 1, 0), QStringLiteral("P3"));
        QCOMPARE(cell(model, 2, 0), QStringLiteral("P4"));
        QVERIFY(!model.removeRows(2, 2));  // past the end
    }

    void badValueIsReportedAndRefused() {
        OpenTable t;
        t.openPeople(2, true);
        TRecordGridModel model(*t.table);
        model.setEditable(true);
        QSignalSpy failures(&model, &TRecordGridModel::editFailed);
        QVERIFY(!model.setData(model.index(0, 1), QStringLiteral("not a number")));
        QCOMPARE(failures.count(), 1);
        QVERIFY(failures.at(0).at(0).toString().contains(QStringLiteral("AGE")));
        QCOMPARE(cell(model, 0, 1), QStringLiteral("20"));
    }

    void failingPostKeepsTheRowInEditing() {
        OpenTable t;
        createKeyedMemoryTable(t.folder / "KEYED.MEM");
        t.open("KEYED.MEM", false, &memoryDriver());
        TRecordGridModel model(*t.table);
        model.setEditable(true);
        QSignalSpy failures(&model, &TRecordGridModel::editFailed);
        QVERIFY(model.insertRow(3));
        QVERIFY(model.setData(model.index(3, 0), QStringLiteral("3")));  // a key that exists
        model.setCurrentRow(0);
        QCOMPARE(failures.count(), 1);
        QVERIFY(model.hasUnpostedRow());
        QVERIFY_THROWS_EXCEPTION(tabulon::EngineError, model.postRow());
        QVERIFY(model.setData(model.index(3, 0), QStringLiteral("9")));
        model.postRow();
        QVERIFY(!model.hasUnpostedRow());
        QCOMPARE(testing::MemoryDriver::committedRecords(t.folder / "KEYED.MEM").size(), 4u);
    }

    void deletingTheEditedRowDropsItsChanges() {
        OpenTable t;
        createKeyedMemoryTable(t.folder / "KEYED.MEM");
        t.open("KEYED.MEM", false, &memoryDriver());
        TRecordGridModel model(*t.table);
        model.setEditable(true);
        QSignalSpy failures(&model, &TRecordGridModel::editFailed);
        QVERIFY(model.setData(model.index(0, 0), QStringLiteral("3")));  // a key that exists
        QVERIFY(model.removeRow(0));
        QCOMPARE(failures.count(), 0);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(cell(model, 0, 0), QStringLiteral("3"));
        QCOMPARE(cell(model, 1, 0), QStringLiteral("5"));
        const auto records = testing::MemoryDriver::committedRecords(t.folder / "KEYED.MEM");
        QCOMPARE(std::count_if(records.begin(), records.end(), [](const auto& r) { return r.has_value(); }), 2);
    }

    void passesTheItemModelTester() {
        OpenTable t;
        t.openPeople(25, true);
        TRecordGridModel model(*t.table);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setEditable(true);
        model.setCurrentRow(4);
        QVERIFY(model.setData(model.index(4, 0), QStringLiteral("Four")));
        model.setCurrentRow(5);
        QVERIFY(model.insertRow(25));
        model.leaveGrid();
        QVERIFY(model.insertRow(25));
        QVERIFY(model.setData(model.index(25, 1), QStringLiteral("77")));
        model.postRow();
        QVERIFY(model.removeRows(0, 3));
        QCOMPARE(model.rowCount(), 23);
        t.table->cancelUpdates();
        model.reload();
        QCOMPARE(model.rowCount(), 25);
        model.setEditable(false);
    }
};

QTEST_MAIN(RecordGridModelTest)
#include "RecordGridModelTest.moc"
