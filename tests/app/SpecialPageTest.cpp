// The Special page's commands clicked in the main window over real tables in a temporary
// folder, answering the real dialogs; the files are then read through the engine.
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "DBGrid.h"
#include "DataMod.h"
#include "DatasetTableBrowser.h"
#include "FileListViewLite.h"
#include "FilterPage.h"
#include "FormMain.h"
#include "FormRepair.h"
#include "FrmBatchMove.h"
#include "SpecialPage.h"
#include "TabulonApplication.h"
#include "dataset/Session.h"
#include "io/FaultInjection.h"
#include "storage/Drivers.h"
#include "support/KeyedPeople.h"
#include "support/ModalDialog.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

// Answers the modal dialogs a command shows in turn, the n-th with the button named
// answers[n], and keeps their texts.
class DialogAnswers {
public:
    explicit DialogAnswers(QStringList answers) : answers_(std::move(answers)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || modal == last_ || answers_.isEmpty()) return;
            last_ = modal;
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {  // the default error report
                texts << box->text();
                box->accept();
                return;
            }
            if (auto* label = modal->findChild<QLabel*>(QStringLiteral("LabelMess"))) texts << label->text();
            modal->findChild<QPushButton*>(answers_.takeFirst())->click();
        });
        timer_.start(2);
    }
    QStringList texts;

private:
    QStringList answers_;
    QPointer<QWidget> last_;
    QTimer timer_;
};

const QStringList kYesThenOk = {QStringLiteral("BtnYes"), QStringLiteral("BtnNo")};

// id -> NAME of the live records of a table.
std::map<qint64, QString> namesOf(const fs::path& path) {
    auto table = tabulon::openTable(path);
    std::map<qint64, QString> names;
    tabulon::Record record;
    for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot)
        if (table->readSlot(slot, record))
            names[record[0].convertTo(tabulon::ValueKind::Integer).asInt()] =
                QString::fromStdString(record[1].toText());
    return names;
}

const std::map<qint64, QString> kPeople = {{1, "Adams"}, {2, "Brown"}, {3, "Smith"}, {4, "Clark"}, {5, "Smithers"}};

struct Window {
    tabulon::testing::TempFolder folder;
    tabulon::testing::TempFolder elsewhere;
    QTemporaryDir settings;
    tabulon::Session session{"Special"};
    TFormMain form{settings.filePath("Vendrake.INI"), QString()};
    TDataMod dataMod;
    QString tableName;

    explicit Window(const QString& name) : tableName(name) {
        // The trash of these tests lies in their own folder.
        ::setenv("XDG_DATA_HOME", (folder / "home").c_str(), 1);
        form.setTableBrowser(std::make_unique<TDatasetTableBrowser>(session));
        form.setDataMod(dataMod);
        tabulon::testing::createKeyedPeople(table());
        QFile ini(settings.filePath("Vendrake.INI"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[WorkingParm]\nDataBasePath=" + QByteArray(folder.path().c_str()) + "\n");
        ini.close();
        form.show();  // the page's buttons take clicks only when shown
        form.TableFile = path(tableName);
        form.BtnOpenClick();
        form.PageControl->setCurrentWidget(form.TabSheetSpecial);
    }
    ~Window() { form.BtnCloseClick(); }

    fs::path table() const { return folder / tableName.toStdString(); }
    QString path(const QString& name) const { return QString::fromStdString((folder / name.toStdString()).string()); }
    QString other(const QString& name) const {
        return QString::fromStdString((elsewhere / name.toStdString()).string());
    }
    TSpecialPage& page() { return *form.TabSheetSpecial; }
    bool tableOpen() const { return form.BtnClose->isEnabled(); }
    int gridRows() const { return form.DBGrid->model() == nullptr ? -1 : form.DBGrid->model()->rowCount(); }
    void setFilter(const QString& text) {
        form.TabSheetFilter->EditFilter->setText(text);
        form.TabSheetFilter->CheckFilter->setChecked(true);
        form.TabSheetFilter->CheckFilterClick();
    }
    // Clicks `button`, answering the dialogs with `answers`; returns their texts.
    QStringList click(QAbstractButton* button, const QStringList& answers = kYesThenOk) {
        DialogAnswers dialogs(answers);
        QTest::mouseClick(button, Qt::LeftButton);
        return dialogs.texts;
    }
    // Names of the files left in the folder that are not the table's.
    QStringList strayFiles() const {
        QStringList names;
        for (const auto& entry : fs::directory_iterator(folder.path()))
            if (entry.path().filename().string().rfind("~", 0) == 0)
                names << QString::fromStdString(entry.path().filename().string());
        return names;
    }
};

void tableFormats() {
    QTest::addColumn<QString>("table");
    QTest::newRow("paradox") << QStringLiteral("PEOPLE.DB");
    QTest::newRow("dbase") << QStringLiteral("PEOPLE.DBF");
}

}  // namespace

class SpecialPageTest : public QObject {
    Q_OBJECT
private slots:
    // The commands that change the table's records, each reopening the table it closed.
    void recordCommands_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("update");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("namesAfter");  // ids 1..5; "-" deleted
        const QStringList same = {"Adams", "Brown", "Smith", "Clark", "Smithers"};
        for (const char* table : {"PEOPLE.DB", "PEOPLE.DBF"}) {
            const auto row = [&](const char* label, const QString& command, const QString& filter,
                                 const QString& update, const QString& message, const QStringList& names) {
                QTest::addRow("%s %s", label, table)
                    << QString::fromLatin1(table) << command << filter << update << message << names;
            };
            row("empty", "BtnSpecEmpty", "", "", "Table is Empty!", {"-", "-", "-", "-", "-"});
            row("reorganize", "BtnSpecReorg", "", "", "Table is Reorganized!", same);
            row("pack", "BtnSpecPackTab", "", "", "Table has been Packed!", same);
            row("regenerate", "BtnSpecReindex", "", "", "Table has been Reindexed!", same);
            // The update text keeps the blank before the value and its "=" signs.
            row("update filtered", "BtnSpecUpd", "CITY = 'Rome'", "  NAME = A=B", "Record Updated",
                {"Adams", " A=B", " A=B", "Clark", "Smithers"});
            row("update all", "BtnSpecUpd", "", "NAME=Zed", "Record Updated", {"Zed", "Zed", "Zed", "Zed", "Zed"});
            row("delete filtered", "BtnSpecDel", "CITY = 'Rome'", "", "Record Deleted",
                {"Adams", "-", "-", "Clark", "Smithers"});
            row("update unknown field", "BtnSpecUpd", "", "NOPE = 1", "EValueError", same);
            row("update without =", "BtnSpecUpd", "", "NAME Zed", "Invalid Update Value", same);
            row("update without field", "BtnSpecUpd", "", " = Zed", "Invalid Field Name", same);
        }
    }
    void recordCommands() {
        QFETCH(QString, table);
        QFETCH(QString, command);
        QFETCH(QString, filter);
        QFETCH(QString, update);
        QFETCH(QString, message);
        QFETCH(QStringList, namesAfter);
        Window w(table);
        if (!filter.isEmpty()) w.setFilter(filter);
        w.page().EditSpecUpd->setText(update);
        const QStringList texts = w.click(w.page().findChild<QPushButton*>(command));
        QCOMPARE(texts.value(0), QStringLiteral("Are You Sure?"));
        QVERIFY2(texts.value(1).startsWith(message), qPrintable(texts.value(1)));
        QVERIFY(w.tableOpen());
        QCOMPARE(w.form.PageControl->currentWidget(), &w.page());
        std::map<qint64, QString> expected;
        for (int id = 1; id <= 5; ++id)
            if (namesAfter[id - 1] != "-") expected[id] = namesAfter[id - 1];
        QCOMPARE(namesOf(w.table()), expected);
        w.form.BtnCloseClick();
        QCOMPARE(w.strayFiles(), QStringList());
    }

    void answeringNoChangesNothing() {
        Window w(QStringLiteral("PEOPLE.DB"));
        w.form.BtnEditClick();
        const QStringList texts = w.click(w.page().BtnSpecEmpty, {QStringLiteral("BtnNo")});
        QCOMPARE(texts, QStringList{"Are You Sure?"});
        QCOMPARE(namesOf(w.table()), kPeople);
        QVERIFY(w.tableOpen());
        QVERIFY(w.form.BtnEdit->isEnabled());  // the edits were dropped, the grid browses
    }

    // A table held open elsewhere cannot be opened exclusively: the error goes to the default
    // error report and the table stays closed.
    void busyTableGoesToTheErrorReport() {
        Window w(QStringLiteral("PEOPLE.DBF"));
        auto holder = tabulon::openTable(w.table());
        const QStringList texts = w.click(w.page().BtnSpecReindex);
        QVERIFY2(texts.value(1).startsWith("ETableBusy"), qPrintable(texts.value(1)));
        QVERIFY(!w.tableOpen());
    }

    // Reorganizing interrupted at each of its file operations in turn leaves the table
    // under its own name with all its records, and no scratch table behind.
    void interruptedReorganizeKeepsTheTable_data() { tableFormats(); }
    void interruptedReorganizeKeepsTheTable() {
        QFETCH(QString, table);
        Window w(table);
        w.form.BtnCloseClick();
        tabulon::FaultInjection::skipFlushes(true);
        tabulon::FaultInjection::count();
        QString error;
        QVERIFY(w.dataMod.ReorganizeTable(w.path(table), w.elsewhere.path().c_str(), error));
        const std::uint64_t calls = tabulon::FaultInjection::calls();
        for (std::uint64_t n = 1; n <= calls; ++n) {
            tabulon::FaultInjection::failAt(n);
            const bool done = w.dataMod.ReorganizeTable(w.path(table), w.elsewhere.path().c_str(), error);
            tabulon::FaultInjection::disarm();
            std::map<qint64, QString> names;
            try {
                names = namesOf(w.table());
            } catch (const std::exception& e) {
                QFAIL(qPrintable(QString::number(n) + ": " + error + " / " + e.what()));
            }
            QCOMPARE(names, kPeople);
            QVERIFY2(done || !error.isEmpty(), qPrintable(QString::number(n)));
            QCOMPARE(w.strayFiles(), QStringList());
        }
        tabulon::FaultInjection::skipFlushes(false);
    }

    // The renamed table is selected in the file list, and opened again only when it was open.
    void renameFollowsTheTable_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<bool>("open");
        for (const char* table : {"PEOPLE.DB", "PEOPLE.DBF"}) {
            QTest::addRow("open %s", table) << QString::fromLatin1(table) << true;
            QTest::addRow("closed %s", table) << QString::fromLatin1(table) << false;
        }
    }
    void renameFollowsTheTable() {
        QFETCH(QString, table);
        QFETCH(bool, open);
        Window w(table);
        if (!open) w.form.BtnCloseClick();
        w.page().EditSpecNam->setText(QStringLiteral("/elsewhere/FOLK"));  // a folder is ignored
        QCOMPARE(w.click(w.page().BtnSpecRen).value(1), QStringLiteral("Table is Renamed!"));
        const QString renamed = w.path(QStringLiteral("FOLK.") + QFileInfo(table).suffix());
        QCOMPARE(w.form.TableFile, renamed);
        QCOMPARE(w.form.FileListView->SelectedPath(), renamed);
        QCOMPARE(w.tableOpen(), open);
        QCOMPARE(w.form.windowTitle(), QStringLiteral("Tabulon - ") + renamed);
        QCOMPARE(namesOf(renamed.toStdString()), kPeople);
        QVERIFY(!fs::exists(w.table()));
        // Renaming to its own name is refused, the table as it was.
        w.page().EditSpecNam->setText(QStringLiteral("folk.") + QFileInfo(table).suffix());
        QCOMPARE(w.click(w.page().BtnSpecRen).value(1), QStringLiteral("Source and Target have same Name"));
        QCOMPARE(w.tableOpen(), open);
    }

    // Create, copy and copy empty into another folder; over an existing table only after a Yes,
    // the replaced family going to the trash.
    void makeTableCommands_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("records");
        for (const char* table : {"PEOPLE.DB", "PEOPLE.DBF"}) {
            const auto row = [&](const char* label, const QString& command, const QString& edit, const QString& message,
                                 int records) {
                QTest::addRow("%s %s", label, table)
                    << QString::fromLatin1(table) << command << edit << message << records;
            };
            row("create", "BtnSpecCrt", "EditSpecCreate", "Table Created!", 0);
            row("copy", "BtnSpecCp", "EditSpecCopy", "Table Copied!", 5);
            row("copy empty", "BtnSpecCpEm", "EditSpecCpEm", "Table Copied!", 0);
        }
    }
    void makeTableCommands() {
        QFETCH(QString, table);
        QFETCH(QString, command);
        QFETCH(QString, edit);
        QFETCH(QString, message);
        QFETCH(int, records);
        Window w(table);
        const QString target = w.other(QStringLiteral("NEW.") + QFileInfo(table).suffix());
        w.page().findChild<QLineEdit*>(edit)->setText(target);
        auto* button = w.page().findChild<QPushButton*>(command);
        QCOMPARE(w.click(button, {QStringLiteral("BtnNo")}), QStringList{message});
        QCOMPARE(namesOf(target.toStdString()).size(), std::size_t(records));
        QCOMPARE(namesOf(w.table()), kPeople);
        QVERIFY(w.tableOpen());
        // A second time the existing table is offered for replacing: No keeps it, Yes trashes it.
        for (const auto& file : fs::directory_iterator(w.elsewhere.path())) fs::remove(file.path());
        tabulon::testing::createKeyedPeople(target.toStdString());
        const QStringList refused = w.click(button, {QStringLiteral("BtnNo")});
        QVERIFY(refused.value(0).endsWith("already exists. Replace it? (it goes to the trash)"));
        QCOMPARE(namesOf(target.toStdString()).size(), std::size_t(5));
        QCOMPARE(w.click(button).value(1), message);
        QCOMPARE(namesOf(target.toStdString()).size(), std::size_t(records));
        QVERIFY(fs::exists(w.folder / "home" / "Trash" / "files" / fs::path(target.toStdString()).filename()));
    }

    // The Part's refusals of a copy, each leaving everything as it was.
    void copyRefusals_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("message");
        QTest::newRow("same path, other case") << QString("people.db") << QString("Source and Target have same Name");
        QTest::newRow("same folder") << QString("OTHER.DB") << QString("Can't copy to Source Path");
        QTest::newRow("missing folder") << QString("/no/such/folder/X.DB") << QString("Target Path not Found");
    }
    void copyRefusals() {
        QFETCH(QString, target);
        QFETCH(QString, message);
        Window w(QStringLiteral("PEOPLE.DB"));
        w.page().EditSpecCopy->setText(target.startsWith('/') ? target : w.path(target));
        QCOMPARE(w.click(w.page().BtnSpecCp, {QStringLiteral("BtnNo")}), QStringList{message});
        QVERIFY(!fs::exists(w.folder / "OTHER.DB"));
        QCOMPARE(namesOf(w.table()), kPeople);
    }

    void pickerPutsTheChosenPathInItsEdit() {
        Window w(QStringLiteral("PEOPLE.DB"));
        tabulon::testing::ModalAnswer answer([&](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            files->selectFile(w.path(QStringLiteral("PEOPLE.DB")));
            static_cast<QDialog*>(files)->accept();
        });
        QTest::mouseClick(w.page().BtnSpecOpenCp, Qt::LeftButton);
        QVERIFY(answer.seen());
        QCOMPARE(w.page().EditSpecCopy->text(), w.path(QStringLiteral("PEOPLE.DB")));
    }

    // The text windows open modally on the open table, import asking for its file first; the
    // batch-move window opens with the table closed, which reopens afterwards.
    void toolWindowsOpenFromThePage() {
        Window w(QStringLiteral("PEOPLE.DB"));
        TfrmBatchMove batchMove(nullptr, &w.session);
        w.form.setBatchMove(batchMove);
        const QString text = w.path(QStringLiteral("PEOPLE.TXT"));
        QFile(text).open(QIODevice::WriteOnly);
        QStringList shown;
        // Answers each new modal window in turn: the file dialog with the text file, the
        // others by closing them.
        QPointer<QWidget> last;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || modal == last) return;
            last = modal;
            shown << modal->objectName();
            if (auto* files = qobject_cast<QFileDialog*>(modal)) files->selectFile(text);
            QMetaObject::invokeMethod(modal, qobject_cast<QFileDialog*>(modal) ? "accept" : "reject");
        });
        answer.start(2);
        QTest::mouseClick(w.page().BtnSpecExportText, Qt::LeftButton);
        QTest::mouseClick(w.page().BtnSpecImportText, Qt::LeftButton);
        bool closedMeanwhile = false;
        QObject::connect(&batchMove, &QDialog::finished, [&] { closedMeanwhile = !w.tableOpen(); });
        QTest::mouseClick(w.page().BtnBatMove, Qt::LeftButton);
        QCOMPARE(shown, (QStringList{"FormExportText", "OpenDialog", "FormImportText", "frmBatchMove"}));
        QVERIFY(closedMeanwhile);
        QVERIFY(w.tableOpen());
        QCOMPARE(namesOf(w.table()), kPeople);
        // The verify-and-rebuild window takes the table, which stays closed afterwards.
        TFormRepair repair;
        w.form.setRepair(repair);
        QTest::mouseClick(w.page().BtnVerifyR, Qt::LeftButton);
        QCOMPARE(shown.last(), QStringLiteral("FormRepair"));
        QCOMPARE(QFileInfo(repair.TableFile).fileName(), QStringLiteral("PEOPLE.DB"));
        QCOMPARE(repair.FieldsLB->text(), QString::number(tabulon::openTable(w.table())->fields().size()));
        QVERIFY(!w.tableOpen());
    }

    // Real tables from elsewhere: pack, regenerate and reorganize keep every record.
    void fixtureTables_data() {
        QTest::addColumn<QString>("fixture");
        QTest::newRow("dbase4 mdx") << QString("dbase/dbase4_mdx/TEST.DBF");
        QTest::newRow("dbase deleted") << QString("dbase/deleted/people.dbf");
        QTest::newRow("paradox memo") << QString("paradox/rparadox/mushrooms.db");
    }
    void fixtureTables() {
        QFETCH(QString, fixture);
        const fs::path source = fs::path(TABULON_FIXTURES) / fixture.toStdString();
        if (!fs::exists(source)) QSKIP("fixtures absent");
        Window w(QStringLiteral("PEOPLE.DB"));
        w.form.BtnCloseClick();
        for (const auto& file : fs::directory_iterator(source.parent_path()))
            if (file.path().stem() == source.stem()) fs::copy_file(file.path(), w.folder / file.path().filename());
        const fs::path copy = w.folder / source.filename();
        const std::uint64_t records = tabulon::openTable(copy)->recordCount();
        w.form.TableFile = QString::fromStdString(copy.string());
        w.form.BtnOpenClick();
        for (QPushButton* button : {w.page().BtnSpecPackTab, w.page().BtnSpecReindex, w.page().BtnSpecReorg}) {
            const QStringList texts = w.click(button);
            QVERIFY2(texts.value(1).startsWith("Table"), qPrintable(texts.value(1)));
            QCOMPARE(tabulon::openTable(copy)->recordCount(), records);
        }
    }
};

int main(int argc, char** argv) {
    TTabulonApplication app(argc, argv);
    SpecialPageTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SpecialPageTest.moc"
