// The restructure window driven as a user does (buttons, clicks and keys in the grid, the file
// and name dialogs, the questions), then the table files read back.
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <optional>

#include "DBGrid.h"
#include "FormGetCap.h"
#include "FormRes.h"
#include "core/EngineError.h"
#include "io/Transaction.h"
#include "storage/Drivers.h"
#include "support/ModalDialog.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;
using namespace tabulon;
using tabulon::testing::ModalAnswer;

namespace {

// ORDERS.DB keyed on ORDERNO and CUST; CUST holds "10", "x7" and "30".
fs::path createOrders(const fs::path& folder, const std::string& name) {
    const auto path = folder / name;
    const bool dbase = tableTypeForPath(path) == ttDBase;
    const FieldDef orderNo =
        dbase ? FieldDef{"ORDERNO", ftFloat, 6, 0, false, "N"} : FieldDef{"ORDERNO", ftInteger, 0, 0, false, ""};
    const std::vector<FieldDef> fields = {orderNo,
                                          {"CUST", ftString, 10, 0, false, ""},
                                          {"AMOUNT", ftFloat, 0, 0, false, ""},
                                          {"NOTE", ftMemo, dbase ? 0 : 10, 0, false, ""}};
    std::vector<IndexDef> indexes = {{"BYAMOUNT", "AMOUNT", "", "", 0, "", true, ""}};
    if (!dbase)
        indexes.insert(indexes.begin(), IndexDef{"", "ORDERNO;CUST", "", "", ixPrimary | ixUnique, "", true, ""});
    auto table = driverForPath(path).create(path, fields, indexes, {});
    const char* const custs[] = {"10", "x7", "30"};
    for (int i = 0; i < 3; ++i)
        table->append({Value::integer(i + 1), Value::string(custs[i]), Value::floating(1.5 * (i + 1)),
                       i == 0 ? Value::string("first") : Value()});
    return path;
}

// Each field's name, and each record's values as text.
std::vector<std::string> namesOf(const fs::path& path) {
    std::vector<std::string> names;
    auto table = openTable(path);
    for (const auto& field : table->fields()) names.push_back(field.name);
    return names;
}

std::vector<std::vector<std::string>> recordsOf(const fs::path& path) {
    auto table = openTable(path);
    std::vector<std::vector<std::string>> records;
    Record record;
    for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot) {
        if (!table->readSlot(slot, record)) continue;
        std::vector<std::string> texts;
        for (const Value& value : record) texts.push_back(value.toText());
        records.push_back(texts);
    }
    return records;
}

// Answers a message box with `button`, keeping its text.
std::function<void(QWidget*)> press(QMessageBox::StandardButton button, QStringList& texts) {
    return [button, &texts](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        QVERIFY(box != nullptr);
        texts << box->text();
        box->button(button)->click();
    };
}

class FormResTest : public QObject {
    Q_OBJECT

    tabulon::testing::TempFolder folder_;
    std::unique_ptr<TFormRes> form_;

    fs::path path(const std::string& name) const { return folder_ / name; }
    TDBGrid* grid() const { return form_->GridResFields; }
    QRect cell(int row, int column) const { return grid()->visualRect(grid()->model()->index(row, column)); }
    QString text(int row, int column) const { return grid()->model()->index(row, column).data().toString(); }
    QStringList column(int c) const {
        QStringList texts;
        for (int row = 0; row < grid()->model()->rowCount(); ++row) texts << text(row, c);
        return texts;
    }
    // Chooses `table` in the file dialog that `button` (Open by default) shows.
    void openTable(const fs::path& table, QToolButton* button = nullptr) {
        ModalAnswer choose([table](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            QVERIFY(files != nullptr);
            files->selectFile(QString::fromStdString(table.string()));
            QMetaObject::invokeMethod(files, "accept");
        });
        QTest::mouseClick(button != nullptr ? button : form_->BtnResOpen, Qt::LeftButton);
        QVERIFY(choose.seen());
    }
    // Clicks the cell (unless it is current: a click there would edit it later), opens its
    // editor with F2 and types `keys` into it, ending with Enter.
    void type(int row, int column, const QString& keys) {
        if (grid()->currentIndex() != grid()->model()->index(row, column))
            QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell(row, column).center());
        QTest::keyClick(grid(), Qt::Key_F2);
        QWidget* editor = grid()->indexWidget(grid()->currentIndex());
        QVERIFY(editor != nullptr);
        // The Type column's editor is a combo box with a line of its own.
        auto* line =
            qobject_cast<QLineEdit*>(editor) ? qobject_cast<QLineEdit*>(editor) : editor->findChild<QLineEdit*>();
        QVERIFY(line != nullptr);
        line->selectAll();
        QTest::keyClicks(line, keys);
        QTest::keyClick(line, Qt::Key_Return);
        QCoreApplication::processEvents();  // the editor is committed and closed queued
    }
    void dragN(int from, int to) {
        QTest::mousePress(grid()->viewport(), Qt::LeftButton, {}, cell(from, 0).center());
        QTest::mouseRelease(grid()->viewport(), Qt::LeftButton, {}, cell(to, 0).center());
    }

private slots:
    void init() {
        ::setenv("XDG_DATA_HOME", (folder_ / "home").c_str(), 1);
        for (const auto& entry : fs::directory_iterator(folder_.path())) fs::remove_all(entry.path());
        form_ = std::make_unique<TFormRes>();
        form_->DatabasePath = QString::fromStdString(folder_.path().string());
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }
    void cleanup() { form_.reset(); }

    void openShowsTheFieldsKeyAndIndexes() {
        createOrders(folder_.path(), "ORDERS.DB");
        openTable(path("ORDERS.DB"));
        QCOMPARE(form_->windowTitle(), QStringLiteral("ORDERS.DB Restructure"));
        QCOMPARE(column(1), QStringList({"ORDERNO", "CUST", "AMOUNT", "NOTE"}));
        QCOMPARE(column(2), QStringList({"I", "A", "N", "M"}));
        QCOMPARE(column(5), QStringList({"*", "*", " ", " "}));
        QCOMPARE(form_->ListResIndexes->count(), 1);
        QVERIFY(form_->BtnResSaveTab->isEnabled() && !form_->BtnResOpen->isEnabled() && form_->CBEmptyTab->isVisible());
        QVERIFY(fs::exists(path("~AuxDef~.DB")));
        QTest::mouseClick(form_->BtnResClose, Qt::LeftButton);
        QVERIFY(!fs::exists(path("~AuxDef~.DB")));
        QCOMPARE(form_->windowTitle(), QStringLiteral("Restructure"));
    }

    // A row is normalised as it is stored: letters of the format, sizes fitted, a new row filled.
    void rowsAreNormalisedAtEveryPost() {
        QTest::mouseClick(form_->BtnResNewDBF, Qt::LeftButton);
        QCOMPARE(form_->windowTitle(), QStringLiteral("Restructure New Table"));
        QTest::keyClick(grid(), Qt::Key_Insert);
        QCOMPARE(column(1), QStringList({"FIELDNAME"}));
        type(0, 1, "custno");
        type(0, 2, "s");
        type(0, 3, "300");
        QCOMPARE(QStringList({text(0, 0), text(0, 1), text(0, 2), text(0, 3)}),
                 QStringList({"0", "CUSTNO", "A", "254"}));
        type(0, 2, "m");
        QCOMPARE(text(0, 3), QStringLiteral("1"));
    }

    // Dragging by the "N" cells: 4 onto 1 gives 0, 4, 1, 2, 3; a drop on itself does nothing.
    void dragAndDropReordersTheFields() {
        QTest::mouseClick(form_->BtnResNewPDX, Qt::LeftButton);
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(grid(), Qt::Key_Insert);
            type(i, 1, QStringLiteral("F%1").arg(i));
        }
        dragN(4, 1);
        QCOMPARE(column(1), QStringList({"F0", "F4", "F1", "F2", "F3"}));
        dragN(1, 4);
        QCOMPARE(column(1), QStringList({"F0", "F1", "F2", "F3", "F4"}));
        dragN(2, 2);
        QCOMPARE(column(0), QStringList({"0", "1", "2", "3", "4"}));
        ModalAnswer yes(ModalAnswer::click(QStringLiteral("BtnYes")));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell(2, 1).center());
        QTest::keyClick(grid(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(column(0), QStringList({"0", "1", "2", "3"}));
        QCOMPARE(column(1), QStringList({"F0", "F1", "F3", "F4"}));
    }

    void doubleClickMarksTheKey() {
        createOrders(folder_.path(), "ORDERS.DB");
        openTable(path("ORDERS.DB"));
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, cell(2, 5).center());
        QCOMPARE(column(5), QStringList({" ", " ", "*", " "}));
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, Qt::ControlModifier, cell(3, 5).center());
        QCOMPARE(column(5), QStringList({" ", " ", "*", "*"}));
        // A key that does not lead is refused, the table untouched.
        QStringList texts;
        ModalAnswer refused(press(QMessageBox::Ok, texts));
        QTest::mouseClick(form_->BtnResSaveTab, Qt::LeftButton);
        QCOMPARE(texts, QStringList({"The key fields must be the first fields of the table!"}));
        QCOMPARE(recordsOf(path("ORDERS.DB")).size(), 3u);
        QVERIFY(form_->BtnResClose->isEnabled());
    }

    // An index gets a field dragged from the grid; selecting another renames it after the field.
    void indexPanelEditsTheDefinitions() {
        createOrders(folder_.path(), "ITEMS.DBF");
        openTable(path("ITEMS.DBF"));
        QVERIFY(!form_->CBIdxC->isVisible());
        QTest::mouseClick(form_->EditResNewName, Qt::LeftButton);
        QTest::keyClicks(form_->EditResNewName, "BYCUST");
        QTest::mouseClick(form_->BtnNewIdx, Qt::LeftButton);
        QCOMPARE(form_->ListResIndexes->count(), 2);
        form_->ListResIndexes->setFocus();
        form_->ListResIndexes->setCurrentRow(1);
        QTest::mousePress(grid()->viewport(), Qt::LeftButton, {}, cell(1, 0).center());
        const QPoint onList = grid()->viewport()->mapFromGlobal(
            form_->ListBoxResIdxFld->mapToGlobal(form_->ListBoxResIdxFld->rect().center()));
        QTest::mouseRelease(grid()->viewport(), Qt::LeftButton, {}, onList);
        QCOMPARE(form_->ListBoxResIdxFld->count(), 1);
        form_->ListResIndexes->setCurrentRow(0);
        QCOMPARE(form_->IdxDefs().Items(1).Fields, QStringLiteral("CUST"));
        // Deleting the field's row takes it out of the definitions.
        ModalAnswer yes(ModalAnswer::click(QStringLiteral("BtnYes")));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell(1, 1).center());
        QTest::keyClick(grid(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(form_->IdxDefs().Items(1).Fields, QString());
    }

    // Save: CUST becomes a number (one value is lost, after a question), NOTE goes, a field
    // arrives; the old family goes to the trash only when the new table has its name.
    void saveConvertsAfterAskingAboutLostValues_data() {
        QTest::addColumn<QString>("table");
        QTest::newRow("Paradox") << "ORDERS.DB";
        QTest::newRow("dBase") << "ORDERS.DBF";
    }
    void saveConvertsAfterAskingAboutLostValues() {
        QFETCH(QString, table);
        const fs::path orders = createOrders(folder_.path(), table.toStdString());
        openTable(orders);
        type(1, 2, "N");
        ModalAnswer yes(ModalAnswer::click(QStringLiteral("BtnYes")));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cell(3, 1).center());
        QTest::keyClick(grid(), Qt::Key_Delete, Qt::ControlModifier);
        QTest::keyClick(grid(), Qt::Key_Insert);
        type(3, 1, "ADDED");
        QStringList texts;
        {
            ModalAnswer no(press(QMessageBox::No, texts));
            QTest::mouseClick(form_->BtnResSaveTab, Qt::LeftButton);
        }
        QVERIFY(texts.value(0).contains(QStringLiteral("CUST: 1 values will be emptied, 0 cut")));
        QCOMPARE(namesOf(orders).size(), 4u);  // declined: nothing changed
        ModalAnswer agree(press(QMessageBox::Yes, texts));
        QTest::mouseClick(form_->BtnResSaveTab, Qt::LeftButton);
        QCOMPARE(namesOf(orders), (std::vector<std::string>{"ORDERNO", "CUST", "AMOUNT", "ADDED"}));
        const auto records = recordsOf(orders);
        QCOMPARE(records.size(), 3u);
        QCOMPARE(QString::fromStdString(records[0][1]), QStringLiteral("10"));
        QCOMPARE(QString::fromStdString(records[1][1]), QString());
        QCOMPARE(QString::fromStdString(records[2][2]), QStringLiteral("4.5"));
        QVERIFY(!form_->BtnResClose->isEnabled());
        QVERIFY(!fs::exists(path("~AuxDef~.DB")));
        QVERIFY(fs::exists(folder_ / "home" / "Trash" / "files" / table.toStdString()));
    }

    // A table in use elsewhere cannot be saved: the error is shown, the structure stays open and
    // the table keeps every record.
    void saveOfABusyTableLeavesItAsItWas() {
        const fs::path orders = createOrders(folder_.path(), "ORDERS.DB");
        openTable(orders);
        type(2, 1, "TOTAL");
        OpenOptions exclusive;
        exclusive.access = AccessMode::ReadWrite;
        exclusive.share = ShareMode::Exclusive;
        auto held = tabulon::openTable(orders, exclusive);
        QStringList texts;
        ModalAnswer error(press(QMessageBox::Ok, texts));
        QTest::mouseClick(form_->BtnResSaveTab, Qt::LeftButton);
        QVERIFY2(texts.value(0).startsWith(QStringLiteral("ETableBusy")), qPrintable(texts.join(QLatin1Char('|'))));
        held.reset();
        QVERIFY(form_->BtnResClose->isEnabled());
        QCOMPARE(recordsOf(orders).size(), 3u);
        QCOMPARE(namesOf(orders)[2], std::string("AMOUNT"));
    }

    // Save As: the same name is refused; an existing table is replaced only when the user agrees.
    void saveAsAsksBeforeReplacingATable() {
        const fs::path orders = createOrders(folder_.path(), "ORDERS.DB");
        createOrders(folder_.path(), "OTHER.DB");
        openTable(orders);
        form_->CBEmptyTab->setChecked(true);
        auto saveAs = [this](const QString& name, QMessageBox::StandardButton answer, QStringList& texts) {
            std::optional<ModalAnswer> then;
            ModalAnswer named([&](QWidget* dialog) {
                auto* caption = qobject_cast<TFormGetCap*>(dialog);
                QVERIFY(caption != nullptr);
                QCOMPARE(caption->EditCaption->text(), QStringLiteral("NewTab.DB"));
                caption->EditCaption->setText(name);
                then.emplace(press(answer, texts));
                caption->BtnOk->click();
            });
            QTest::mouseClick(form_->BtnResSaveAs, Qt::LeftButton);
        };
        QStringList texts;
        saveAs("orders.db", QMessageBox::Ok, texts);
        QCOMPARE(texts, QStringList({"You must select a different name!"}));
        saveAs("OTHER", QMessageBox::No, texts);
        QVERIFY(texts.value(1).contains(QStringLiteral("OTHER.DB exists already")));
        QCOMPARE(recordsOf(path("OTHER.DB")).size(), 3u);
        saveAs("OTHER", QMessageBox::Yes, texts);
        QCOMPARE(recordsOf(path("OTHER.DB")).size(), 0u);  // EmptyTable was checked
        QCOMPARE(recordsOf(orders).size(), 3u);
    }

    // Borrowing from another folder moves the work there; the new table gets the borrowed
    // fields and indexes but none of the records.
    void borrowedStructureMakesAnEmptyTableInItsFolder() {
        const fs::path other = folder_ / "other";
        fs::create_directories(other);
        createOrders(other, "ITEMS.DBF");
        QTest::mouseClick(form_->BtnResNewPDX, Qt::LeftButton);
        QVERIFY(fs::exists(path("~AuxDef~.DB")));
        openTable(other / "ITEMS.DBF", form_->BtnResBorrow);
        QVERIFY(!fs::exists(path("~AuxDef~.DB")));
        QVERIFY(fs::exists(other / "~AuxDef~.DB"));
        QVERIFY(form_->BtnResBorrow->isEnabled() && !form_->BtnResSaveTab->isEnabled());
        QVERIFY(!form_->CBEmptyTab->isVisible());
        ModalAnswer named([](QWidget* dialog) {
            auto* caption = qobject_cast<TFormGetCap*>(dialog);
            QVERIFY(caption != nullptr);
            QCOMPARE(caption->EditCaption->text(), QStringLiteral("NewTab.DBF"));
            caption->EditCaption->setText(QStringLiteral("SALES"));
            caption->BtnOk->click();
        });
        QTest::mouseClick(form_->BtnResSaveAs, Qt::LeftButton);
        QCOMPARE(namesOf(other / "SALES.DBF"), namesOf(other / "ITEMS.DBF"));
        QVERIFY(recordsOf(other / "SALES.DBF").empty());
        QCOMPARE(recordsOf(other / "ITEMS.DBF").size(), 3u);
        auto sales = tabulon::openTable(other / "SALES.DBF");
        QCOMPARE(sales->indexes().size(), 1u);
        QCOMPARE(sales->fields()[0].size, 6);  // a dBase number keeps its width
    }

    // A level this program does not write is named before anything changes; the nearest one it
    // writes is taken only when the user agrees.
    void anUnwrittenLevelIsNamedAndTheNearestOffered() {
        const fs::path fixture = fs::path(TABULON_FIXTURES) / "dbase" / "dbase7" / "test_delete.dbf";
        if (!fs::exists(fixture)) QSKIP("no fixtures");
        const fs::path table = path("LEVEL7.DBF");
        fs::copy_file(fixture, table);
        fs::permissions(table, fs::perms::owner_read | fs::perms::owner_write);
        QStringList texts;
        for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            std::optional<ModalAnswer> question;
            ModalAnswer choose([&](QWidget* dialog) {
                question.emplace(press(answer, texts));
                qobject_cast<QFileDialog*>(dialog)->selectFile(QString::fromStdString(table.string()));
                QMetaObject::invokeMethod(dialog, "accept");
            });
            QTest::mouseClick(form_->BtnResOpen, Qt::LeftButton);
        }
        QCOMPARE(texts.size(), 2);
        QVERIFY2(texts[0].contains(QStringLiteral("dBase 7")) && texts[0].contains(QStringLiteral("dBase IV")),
                 qPrintable(texts[0]));
        QVERIFY(form_->BtnResSaveTab->isEnabled());
        QTest::mouseClick(form_->BtnResSaveTab, Qt::LeftButton);
        QCOMPARE(nearestWrittenLevel(tabulon::openTable(table)->facts()), std::string());
        QCOMPARE(recordsOf(table).size(), 2u);
    }

    void aFolderThatCannotBeWrittenIsRefused() {
        const fs::path locked = folder_ / "locked";
        fs::create_directories(locked);
        fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
        form_->DatabasePath = QString::fromStdString(locked.string());
        QStringList texts;
        ModalAnswer refused(press(QMessageBox::Ok, texts));
        QTest::mouseClick(form_->BtnResNewPDX, Qt::LeftButton);
        fs::permissions(locked, fs::perms::owner_all);
        QVERIFY(texts.value(0).contains(QStringLiteral("cannot be written")));
        QVERIFY(form_->BtnResOpen->isEnabled());
    }
};

}  // namespace

QTEST_MAIN(FormResTest)
#include "FormResTest.moc"
