// The main window over the real dataset layer: tables opened in their states, edits posted to
// disk and read back by a second session, cancel leaving the files alone, a failing post
// keeping the cache, and the question about unposted changes.
#include <QBuffer>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <memory>

#include "CellValueDialog.h"
#include "DBGrid.h"
#include "DatasetTableBrowser.h"
#include "FormMain.h"
#include "GridTables.h"
#include "RecordGridModel.h"
#include "SearchPage.h"
#include "support/Files.h"
#include "support/MemoryDriver.h"
#include "support/ModalDialog.h"
#include "support/TempFolder.h"

using tabulon::testing::folderBytes;
using tabulon::testing::ModalAnswer;
using tabulon::testing::namesOnDisk;
using tabulon::testing::TempFolder;

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
    void type(int row, int column, const QString& text) { QVERIFY(grid().setData(grid().index(row, column), text)); }
    // On screen, so that the grid takes clicks and keys as a user gives them. Showing the
    // window connects the saved folder, which closes any table: open one afterwards.
    void showOnScreen() {
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
    }
    // `count` people on screen, in the editing state, with a click on the cell at `row`.
    void editPeopleOnScreen(int count, int row) {
        showOnScreen();
        tabulon::testing::createPeople(file("people.dbf"), count);
        open("people.dbf");
        form.BtnEdit->click();
        clickCell(row, 0);
    }
    void clickCell(int row, int column) {
        const QRect cell = form.DBGrid->visualRect(grid().index(row, column));
        QTest::mouseClick(form.DBGrid->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // Keys go where the focus is, as the keyboard's do: to the grid or to its cell editor.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    void typeKeys(const QString& text) {
        for (const QChar c : text) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
    }
    int visibleEditors() const {
        const QList<QLineEdit*> editors = form.DBGrid->findChildren<QLineEdit*>();
        return static_cast<int>(
            std::count_if(editors.begin(), editors.end(), [](QLineEdit* e) { return e->isVisible(); }));
    }
    QString rowMarker(int row) const { return grid().headerData(row, Qt::Vertical).toString(); }
};

}  // namespace

class DatasetBrowserTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        // What the grid did wrong shows first as Qt's complaints about rows and editors.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("out of range|does not belong to this view")));
    }

    void insertAppendsOneRecordAtTheEnd() {
        Window w;
        w.showOnScreen();
        tabulon::testing::createPeople(w.file("people.dbf"), 16);
        QStringList names = namesOnDisk(w.file("people.dbf"));
        QStringList ages = tabulon::testing::columnOnDisk(w.file("people.dbf"), "AGE");
        w.open("people.dbf");
        w.form.BtnEdit->click();
        w.clickCell(2, 0);
        w.press(Qt::Key_Insert);
        w.form.BtnPost->click();  // nothing typed: nothing posted
        QCOMPARE(namesOnDisk(w.file("people.dbf")), names);

        w.form.BtnEdit->click();
        w.clickCell(2, 0);
        w.press(Qt::Key_F2);
        QCOMPARE(w.visibleEditors(), 1);
        w.press(Qt::Key_Insert);
        QCOMPARE(w.grid().rowCount(), 17);
        QCOMPARE(w.form.DBGrid->currentIndex().row(), 16);
        QCOMPARE(w.rowMarker(16), QStringLiteral("*"));
        QCOMPARE(w.visibleEditors(), 0);
        w.typeKeys(QStringLiteral("New"));
        w.form.BtnPost->click();
        QCOMPARE(namesOnDisk(w.file("people.dbf")), names << QStringLiteral("New"));
        QCOMPARE(tabulon::testing::columnOnDisk(w.file("people.dbf"), "AGE"), ages << QString());
        QCOMPARE(w.form.DBGrid->currentIndex().row(), 16);
        QCOMPARE(w.rowMarker(16), QStringLiteral("\u25B6"));
    }

    void cancelAfterInsertLeavesNoEditorBehind() {
        Window w;
        w.editPeopleOnScreen(3, 1);
        w.typeKeys(QStringLiteral("Zed"));
        w.press(Qt::Key_Insert);
        w.typeKeys(QStringLiteral("Gone"));
        w.form.BtnCancel->click();
        QCOMPARE(w.visibleEditors(), 0);
        QCOMPARE(w.grid().rowCount(), 3);

        w.form.BtnEdit->click();
        w.clickCell(1, 0);
        w.typeKeys(QStringLiteral("Kept"));
        QCOMPARE(w.visibleEditors(), 1);
        w.form.BtnPost->click();  // the editor's text is posted with the rest
        QCOMPARE(w.visibleEditors(), 0);
        QCOMPARE(namesOnDisk(w.file("people.dbf")), QStringList({"P0", "Kept", "P2"}));
    }

    void ctrlDeleteAsksFromEitherState_data() {
        QTest::addColumn<bool>("fromEditor");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("namesAfter");
        QTest::newRow("grid, yes") << false << "BtnYes" << QStringList({"P0", "P2"});
        QTest::newRow("grid, no") << false << "BtnNo" << QStringList({"P0", "P1", "P2"});
        QTest::newRow("editor, yes") << true << "BtnYes" << QStringList({"P0", "P2"});
        QTest::newRow("editor, no keeps the typing") << true << "BtnNo" << QStringList({"P0", "P1x", "P2"});
    }
    void ctrlDeleteAsksFromEitherState() {
        QFETCH(bool, fromEditor);
        QFETCH(QString, button);
        QFETCH(QStringList, namesAfter);
        Window w;
        w.editPeopleOnScreen(3, 1);
        if (fromEditor) {
            w.press(Qt::Key_F2);
            w.press(Qt::Key_End);
            w.typeKeys(QStringLiteral("x"));
            QCOMPARE(w.visibleEditors(), 1);
        }
        {
            ModalAnswer answer(ModalAnswer::click(button));
            w.press(Qt::Key_Delete, Qt::ControlModifier);
            QCOMPARE(answer.text(), QStringLiteral("Delete record?"));
        }
        w.form.BtnPost->click();
        QCOMPARE(namesOnDisk(w.file("people.dbf")), namesAfter);
    }

    void numbersShowAsDecimalsAndColumnsFitTheirFields() {
        Window w;
        w.showOnScreen();
        using tabulon::Value;
        const std::vector<tabulon::FieldDef> fields = {{"ID", tabulon::ftFloat, 9, 0, false, "N"},
                                                       {"PRICE", tabulon::ftFloat, 10, 2, false, "N"},
                                                       {"REMARK", tabulon::ftString, 30, 0, false, "C"}};
        auto table = tabulon::driverFor(tabulon::ttDBase).create(w.file("parts.dbf"), fields, {}, {});
        for (int i = 0; i < 60; ++i) {
            // Short remarks on the first screen, a long one further down.
            const std::string remark = i == 59 ? std::string(30, '8') : "ok";
            table->append({Value::floating(1000000 + i), Value::floating(100000), Value::string(remark)});
        }
        table.reset();
        w.open("parts.dbf");
        QCOMPARE(w.grid().data(w.grid().index(0, 0)).toString(), QStringLiteral("1000000"));
        QCOMPARE(w.grid().data(w.grid().index(0, 1)).toString(), QStringLiteral("100000.00"));
        const int longestRemark = w.form.DBGrid->fontMetrics().horizontalAdvance(QString(30, u'8'));
        QVERIFY(w.form.DBGrid->columnWidth(2) > longestRemark);

        w.form.BtnEdit->click();
        w.clickCell(0, 1);
        w.press(Qt::Key_F2);
        QCOMPARE(w.form.DBGrid->findChild<QLineEdit*>()->text(), QStringLiteral("100000.00"));
        w.press(Qt::Key_Home);
        w.typeKeys(QStringLiteral("2"));
        w.form.BtnPost->click();
        QCOMPARE(tabulon::testing::columnOnDisk(w.file("parts.dbf"), "PRICE").first(), QStringLiteral("2100000.00"));
    }

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

    void onlyTheIndexTheHeaderNamesIsOpened() {
        Window w;
        const std::vector<tabulon::FieldDef> fields = {{"NAME", tabulon::ftString, 12, 0, false, "C"}};
        const tabulon::IndexDef byName{"BYNAME", "NAME", "", "", 0, "", true, ""};
        tabulon::driverFor(tabulon::ttDBase).create(w.file("KEYED.DBF"), fields, {byName}, {});
        tabulon::driverFor(tabulon::ttDBase).create(w.file("PLAIN.DBF"), fields, {}, {});
        // An index file of the plain table's name that its header does not name.
        std::filesystem::copy_file(w.file("KEYED.MDX"), w.file("PLAIN.MDX"));
        w.open("PLAIN.DBF");
        QCOMPARE(w.form.tableState(), TTableState::TableOpen);
        const QComboBox* indexes = w.form.TabSheetSearch->ComboIndex;
        QCOMPARE(indexes->count(), 1);  // "None" only
        w.open("KEYED.DBF");
        QCOMPARE(indexes->count(), 2);
        QCOMPARE(indexes->itemText(1), QStringLiteral("BYNAME"));
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
            bool wholeTextShown = false;
            ModalAnswer answer([&wholeTextShown](QWidget* dialog) {
                const auto* label = dialog->findChild<QLabel*>(QStringLiteral("LabelMess"));
                wholeTextShown = label->height() >= label->heightForWidth(label->width());
                ModalAnswer::click("BtnNo")(dialog);
            });
            QVERIFY(!w.form.BtnPostClick());
            QCOMPARE(answer.text(), QStringLiteral("Unable to Apply Updates!\n"
                                                   "EKeyViolation: Key violation in index '' of KEYED.MEM: (1)."));
            QVERIFY(wholeTextShown);
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
        QCOMPARE(tabulon::testing::columnOnDisk(w.file("people.dbf"), "NOTES"), QStringList({"", "typed\ntext"}));
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
