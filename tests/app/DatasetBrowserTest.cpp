// The main window over the real dataset layer: tables opened in their states, edits posted to
// disk and read back by a second session, cancel leaving the files alone, a failing post
// keeping the cache, and the question about unposted changes.
#include <QBuffer>
#include <QImage>
#include <QPlainTextEdit>
#include <QTableView>
#include <QToolButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "CellValueDialog.h"
#include "DatasetTableBrowser.h"
#include "RecordGridModel.h"
#include "FormMain.h"
#include "GridTables.h"
#include "support/Files.h"
#include "support/MemoryDriver.h"
#include "support/ModalDialog.h"
#include "support/TempFolder.h"

using tabulon::testing::ModalAnswer;
using tabulon::testing::TempFolder;
using tabulon::testing::folderBytes;
using tabulon::testing::namesOnDisk;

namespace {

const tabulon::testing::MemoryDriver& memoryDriver() {
    static const tabulon::testing::MemoryDriver driver;
    return driver;
}

// The main window with the dataset layer of a session of its own, over a folder of tables.
struct Window {
    TempFolder folder;
    QTemporaryDir settings;
    tabulon::Session session{"Window"};
    TFormMain form{settings.filePath("Vendrake.INI"), QString()};

    explicit Window(const tabulon::StorageDriver* driver = nullptr) {
        form.setTableBrowser(std::make_unique<TDatasetTableBrowser>(session, driver));
    }
    ~Window() { form.BtnCloseClick(); }
    std::filesystem::path file(const std::string& name) const { return folder / name; }
    void open(const std::string& name) {
        form.TableFile = QString::fromStdString(file(name).string());
        form.BtnOpenClick();
    }
    QAbstractItemModel& grid() const { return *form.DBGrid->model(); }
    void type(int row, int column, const QString& text) {
        QVERIFY(grid().setData(grid().index(row, column), text));
    }
};

}  // namespace

class DatasetBrowserTest : public QObject {
    Q_OBJECT
private slots:
    void tablesOpenInTheirStates() {
        Window w;
        tabulon::testing::createPeople(w.file("people.dbf"), 4);
        tabulon::testing::writeFile(QString::fromStdString(w.file("notes.txt").string()), "NAME,AGE\nAnn,3\nBob,4\n");
        w.open("people.dbf");
        QCOMPARE(w.form.tableState(), TTableState::TableOpen);
        QCOMPARE(w.grid().rowCount(), 4);
        QVERIFY(!(w.grid().flags(w.grid().index(0, 0)) & Qt::ItemIsEditable));
        w.form.BtnEditClick();
        QVERIFY(w.grid().flags(w.grid().index(0, 0)) & Qt::ItemIsEditable);
        w.form.BtnCloseClick();
        QCOMPARE(w.form.tableState(), TTableState::NoTable);
        QVERIFY(w.form.DBGrid->model() == nullptr);
        w.open("notes.txt");
        QCOMPARE(w.form.tableState(), TTableState::TextTableOpen);
        QCOMPARE(w.grid().rowCount(), 2);
        QCOMPARE(w.grid().data(w.grid().index(1, 0)).toString(), QStringLiteral("Bob"));
    }

    void missingTableLeavesNoTable() {
        Window w;
        tabulon::testing::createPeople(w.file("people.dbf"), 1);
        w.open("absent.dbf");
        QCOMPARE(w.form.tableState(), TTableState::NoTable);
    }

    void editPostRoundTripsOnDisk() {
        Window w;
        tabulon::testing::createPeople(w.file("people.dbf"), 5);
        w.open("people.dbf");
        w.form.BtnEditClick();
        w.type(1, 0, QStringLiteral("Zed"));
        QVERIFY(w.grid().insertRow(5));
        w.type(5, 0, QStringLiteral("New"));
        QVERIFY(w.grid().removeRow(0));
        QCOMPARE(namesOnDisk(w.file("people.dbf")), QStringList({"P0", "P1", "P2", "P3", "P4"}));
        QVERIFY(w.form.BtnPostClick());
        QCOMPARE(w.form.tableState(), TTableState::TableOpen);
        QCOMPARE(namesOnDisk(w.file("people.dbf")), QStringList({"Zed", "P2", "P3", "P4", "New"}));
        QCOMPARE(w.grid().rowCount(), 5);
        QCOMPARE(w.grid().data(w.grid().index(4, 0)).toString(), QStringLiteral("New"));
    }

    void cancelLeavesTheFilesUntouched() {
        Window w;
        tabulon::testing::createPeople(w.file("people.dbf"), 3);
        const std::string before = folderBytes(w.folder.path());
        w.open("people.dbf");
        w.form.BtnEditClick();
        w.type(0, 0, QStringLiteral("Gone"));
        QVERIFY(w.grid().insertRow(3));
        w.type(3, 1, QStringLiteral("44"));
        QVERIFY(w.grid().removeRow(1));
        w.form.BtnCancelClick();
        QCOMPARE(w.form.tableState(), TTableState::TableOpen);
        QCOMPARE(w.grid().rowCount(), 3);
        QCOMPARE(w.grid().data(w.grid().index(0, 0)).toString(), QStringLiteral("P0"));
        w.form.BtnCloseClick();
        QCOMPARE(folderBytes(w.folder.path()), before);
    }

    void withoutCachedUpdatesLeavingARowWritesIt() {
        TempFolder folder;
        tabulon::testing::createPeople(folder / "people.dbf", 2);
        tabulon::Session session("Plain");
        TDatasetTableBrowser browser(session);
        browser.connectTo(QString::fromStdString(folder.path().string()));
        QVERIFY(browser.open(QStringLiteral("people.dbf"), false));
        QVERIFY(!browser.cachedUpdates());
        browser.setEditing(true);
        QAbstractItemModel& grid = *browser.model();
        QVERIFY(grid.setData(grid.index(0, 0), QStringLiteral("Now")));
        QVERIFY(browser.hasPendingChanges());
        browser.currentRowChanged(1);
        QVERIFY(!browser.hasPendingChanges());
        QCOMPARE(namesOnDisk(folder / "people.dbf"), QStringList({"Now", "P1"}));
    }

    void failingPostKeepsTheCache() {
        Window w(&memoryDriver());
        const std::vector<tabulon::FieldDef> fields = {{"ID", tabulon::ftInteger, 0, 0, true, "I"}};
        const std::vector<tabulon::IndexDef> indexes = {
            tabulon::IndexDef{"", "ID", "", "", tabulon::ixPrimary | tabulon::ixUnique, "", true, ""}};
        auto table = memoryDriver().create(w.file("KEYED.MEM"), fields, indexes, {});
        table->append({tabulon::Value::integer(1)});
        table.reset();
        w.open("KEYED.MEM");
        w.form.BtnEditClick();
        QVERIFY(w.grid().insertRow(1));
        w.type(1, 0, QStringLiteral("1"));  // the key exists
        {
            ModalAnswer answer(ModalAnswer::click("BtnNo"));
            QVERIFY(!w.form.BtnPostClick());
            QCOMPARE(answer.text(), QStringLiteral("Unable to Apply Updates!"));
        }
        QCOMPARE(w.form.tableState(), TTableState::Editing);
        QCOMPARE(tabulon::testing::MemoryDriver::committedRecords(w.file("KEYED.MEM")).size(), 1u);
        QCOMPARE(w.grid().rowCount(), 2);
        w.type(1, 0, QStringLiteral("2"));
        QVERIFY(w.form.BtnPostClick());
        QCOMPARE(tabulon::testing::MemoryDriver::committedRecords(w.file("KEYED.MEM")).size(), 2u);
    }

    void memoEditedInItsEditorReachesTheDisk() {
        Window w;
        tabulon::testing::createPeople(w.file("people.dbf"), 2);
        w.open("people.dbf");
        w.form.BtnEditClick();
        ModalAnswer typing([](QWidget* dialog) {
            dialog->findChild<QPlainTextEdit*>(QStringLiteral("Editor"))->setPlainText(QStringLiteral("typed\ntext"));
            static_cast<QDialog*>(dialog)->accept();
        });
        w.form.showCellValue(w.grid().index(1, 2));
        QVERIFY(typing.seen());
        QVERIFY(w.form.BtnPostClick());
        QCOMPARE(tabulon::testing::columnOnDisk(w.file("people.dbf"), "NOTES"),
                 QStringList({"", "typed\ntext"}));
    }

    void memoViewedWhileReadOnlyIsNotChanged() {
        Window w;
        tabulon::testing::createPeople(w.file("people.dbf"), 1);
        w.open("people.dbf");
        bool readOnly = false;
        ModalAnswer viewing([&readOnly](QWidget* dialog) {
            readOnly = dialog->findChild<QPlainTextEdit*>(QStringLiteral("Editor"))->isReadOnly();
            static_cast<QDialog*>(dialog)->accept();
        });
        w.form.showCellValue(w.grid().index(0, 2));
        QVERIFY(viewing.seen());
        QVERIFY(readOnly);
        QVERIFY(!w.form.DBGrid->model()->data(w.grid().index(0, 2), TRecordGridModel::kValueRole).toBool());
    }

    void graphicsShowAsPicturesWhenTheyAreOne_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("picture");
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        QTest::newRow("png") << png << true;
        QTest::newRow("not a picture") << QByteArray("\x01\x02garbage", 9) << false;
    }
    void graphicsShowAsPicturesWhenTheyAreOne() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, picture);
        TCellValueDialog dialog(QStringLiteral("PHOTO"), TCellValueDialog::Kind::Graphic, bytes, true);
        QCOMPARE(dialog.showsPicture(), picture);
        if (picture) {
            QCOMPARE(dialog.Picture->pixmap().size(), QSize(4, 3));
        } else {
            QVERIFY(dialog.Editor->isReadOnly());
            QVERIFY(dialog.memoText().startsWith(QStringLiteral("9 bytes")));
            QVERIFY(dialog.memoText().contains(QStringLiteral("01 02 67")));
        }
    }

    void unpostedChangesAreAskedAbout_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("namesAfter");
        QTest::addColumn<int>("stateAfter");
        QTest::newRow("yes posts") << "BtnYes" << QStringList({"Yes", "P1"}) << int(TTableState::NoTable);
        QTest::newRow("no drops") << "BtnNo" << QStringList({"P0", "P1"}) << int(TTableState::NoTable);
        QTest::newRow("cancel keeps") << "BtnCancel" << QStringList({"P0", "P1"}) << int(TTableState::Editing);
    }
    void unpostedChangesAreAskedAbout() {
        QFETCH(QString, button);
        QFETCH(QStringList, namesAfter);
        QFETCH(int, stateAfter);
        Window w;
        tabulon::testing::createPeople(w.file("people.dbf"), 2);
        w.open("people.dbf");
        w.form.BtnEditClick();
        w.type(0, 0, QStringLiteral("Yes"));
        ModalAnswer answer(ModalAnswer::click(button));
        w.form.BtnClose->click();
        QVERIFY(answer.seen());
        QCOMPARE(int(w.form.tableState()), stateAfter);
        QCOMPARE(namesOnDisk(w.file("people.dbf")), namesAfter);
    }
};

QTEST_MAIN(DatasetBrowserTest)
#include "DatasetBrowserTest.moc"
