#include <QDir>
#include <QFile>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "DBGrid.h"
#include "DirectoryComboLite.h"
#include "FakeTableBrowser.h"
#include "FileListViewLite.h"
#include "FormMain.h"
#include "SpecialPage.h"
#include "SqlPage.h"
#include "TableShortcutList.h"
#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "support/Files.h"
#include "support/ModalDialog.h"

using tabulon::testing::ModalAnswer;
using tabulon::testing::writeFile;

namespace {

// A dBase header without fields whose table flags do or do not name a production index.
QByteArray dbaseHeader(bool productionIndex) {
    QByteArray header(32, '\0');
    header[0] = 0x03;
    header[8] = 33;
    header[28] = productionIndex ? 0x01 : 0x00;
    return header + '\x0D';
}

// A main window over a folder of tables, with the fake dataset layer in place.
struct Window {
    QTemporaryDir tables;
    QTemporaryDir other;
    QTemporaryDir settings;
    std::unique_ptr<TFormMain> form;
    FakeTableBrowser* fake = nullptr;

    explicit Window(const QString& firstArgument = QString()) {
        for (const char* name : {"x.db", "y.MDX", "v.MDX", "z.txt", "w.db"}) {
            writeFile(tables.filePath(name));
        }
        writeFile(tables.filePath("y.dbf"), dbaseHeader(true));
        writeFile(tables.filePath("v.dbf"), dbaseHeader(false));  // its v.MDX is left from before
        writeFile(other.filePath("o.db"));
        writeFile(settings.filePath("Vendrake.INI"), "[WorkingParm]\nDataBasePath=" + tables.path().toUtf8() + "\n");
        form = std::make_unique<TFormMain>(settings.filePath("Vendrake.INI"), firstArgument);
        auto browser = std::make_unique<FakeTableBrowser>();
        fake = browser.get();
        fake->openableCached = {"x.db", "y.dbf", "v.dbf", "z.txt", "o.db"};
        const tabulon::TableCapabilities dbase{
            .write = true, .transactions = true, .indexes = true, .indexFiles = true};
        fake->capabilitiesOf = {{"y.dbf", dbase}, {"v.dbf", dbase}, {"z.txt", {}}};
        form->setTableBrowser(std::move(browser));
        form->show();
    }
    ~Window() {
        if (form->isVisible()) {
            fake->pending = false;
            form->close();
        }
    }
    QString path(const char* name) const { return tables.filePath(QString::fromLatin1(name)); }
    void open(const char* name) { form->FileListViewFileSelect(path(name)); }
    bool pageShown(QWidget* page) const { return form->PageControl->isTabVisible(form->PageControl->indexOf(page)); }
    QStringList visiblePages() const {
        QStringList pages;
        for (int i = 0; i < form->PageControl->count(); ++i) {
            if (form->PageControl->isTabVisible(i)) pages << form->PageControl->tabText(i);
        }
        return pages;
    }
    QString status() const { return form->statusBar()->currentMessage(); }
};

}  // namespace

class FormMainTest : public QObject {
    Q_OBJECT
private slots:
    void controlStateTable_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("cached");
        QTest::addColumn<bool>("fileExists");
        // open close edit post cancel refresh editable fields filter/search special table file
        QTest::addColumn<QString>("expected");
        QTest::newRow("no table, file selected") << int(TTableState::NoTable) << false << true << "100000000101";
        QTest::newRow("no table, nothing selected") << int(TTableState::NoTable) << false << false << "100000000100";
        QTest::newRow("table open") << int(TTableState::TableOpen) << true << true << "011001011111";
        QTest::newRow("text table open") << int(TTableState::TextTableOpen) << false << true << "010000000001";
        QTest::newRow("editing, cached") << int(TTableState::Editing) << true << true << "010111110111";
        QTest::newRow("editing, uncached") << int(TTableState::Editing) << false << true << "010101110111";
    }
    void controlStateTable() {
        QFETCH(int, state);
        QFETCH(bool, cached);
        QFETCH(bool, fileExists);
        QFETCH(QString, expected);
        const TControlState c = ControlStateFor(static_cast<TTableState>(state), cached, fileExists);
        QString got;
        for (bool flag : {c.open, c.close, c.edit, c.post, c.cancel, c.refresh, c.gridEditable, c.fieldsPage,
                          c.filterAndSearchPages, c.specialPage, c.tableBoundSpecial, c.fileBoundSpecial}) {
            got += flag ? u'1' : u'0';
        }
        QCOMPARE(got, expected);
    }

    void startsWithoutATable() {
        Window w;
        QCOMPARE(w.form->windowTitle(), QString("Tabulon V 1.0"));
        QCOMPARE(w.visiblePages(), QStringList({"Data", "SQL", "Special"}));
        QCOMPARE(w.form->PageControl->count(), 6);
        QVERIFY(w.form->BtnOpen->isEnabled());
        QVERIFY(!w.form->BtnClose->isEnabled());
        QCOMPARE(w.form->DatabasePath, QDir::cleanPath(w.tables.path()));
        QCOMPARE(w.fake->folder, w.form->DatabasePath);
        QVERIFY(w.form->PanelCli->isEnabled());
        QCOMPARE(w.status(), w.form->DatabasePath);
        QVERIFY(w.form->TabSheetSpecial->BtnBatMove->isEnabled());
        QVERIFY(!w.form->TabSheetSpecial->BtnSpecCrt->isEnabled());
        QCOMPARE(w.form->BtnOpen->statusTip(), QString("Open Table"));
        QCOMPARE(w.form->BtnOpen->toolTip(), QString());
    }

    void opensEachKindOfTable_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("state");
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<QStringList>("indexFiles");
        const QStringList allPages = {"Data", "Fields", "Filter", "Search", "SQL", "Special"};
        const int open = int(TTableState::TableOpen);
        QTest::newRow("Paradox") << "x.db" << open << allPages << QStringList();
        QTest::newRow("dBase") << "y.dbf" << open << allPages << QStringList{"y.MDX"};
        QTest::newRow("dBase, header names no index") << "v.dbf" << open << allPages << QStringList();
        QTest::newRow("text") << "z.txt" << int(TTableState::TextTableOpen) << QStringList({"Data", "SQL"})
                              << QStringList();
    }
    void opensEachKindOfTable() {
        QFETCH(QString, name);
        QFETCH(int, state);
        QFETCH(QStringList, pages);
        QFETCH(QStringList, indexFiles);
        Window w;
        w.form->PageControl->setCurrentWidget(w.form->TabSheetSQL);
        w.open(name.toLatin1());
        QCOMPARE(int(w.form->tableState()), state);
        QCOMPARE(w.visiblePages(), pages);
        QCOMPARE(w.form->PageControl->currentWidget(), w.form->TabSheetData);
        QCOMPARE(w.form->windowTitle(), "Tabulon - " + w.path(name.toLatin1()));
        QCOMPARE(w.status(), w.path(name.toLatin1()));
        QCOMPARE(w.form->DBGrid->model(), w.fake->model());
        QCOMPARE(w.form->controlState(), ControlStateFor(static_cast<TTableState>(state), true, true));
        QCOMPARE(w.fake->indexFiles, indexFiles);
    }

    void editPostCancelRefreshAndClose() {
        Window w;
        w.open("x.db");
        w.form->BtnEditClick();
        QCOMPARE(w.form->tableState(), TTableState::Editing);
        QVERIFY(w.fake->editing);
        QVERIFY(w.form->BtnCancel->isEnabled());
        QVERIFY(!w.form->DBGrid->isReadOnly());
        QCOMPARE(w.visiblePages(), QStringList({"Data", "Fields", "SQL", "Special"}));
        w.fake->pending = true;
        QVERIFY(w.form->BtnPostClick());
        QCOMPARE(w.fake->applied, 1);
        QCOMPARE(w.form->tableState(), TTableState::TableOpen);
        QVERIFY(!w.fake->editing);
        QVERIFY(w.form->DBGrid->isReadOnly());

        w.form->BtnEditClick();
        w.fake->pending = true;
        w.form->BtnCancelClick();
        QCOMPARE(w.fake->cancelled, 1);
        QCOMPARE(w.fake->applied, 1);
        QCOMPARE(w.form->tableState(), TTableState::TableOpen);

        w.form->BtnEditClick();
        const int refreshedBefore = w.fake->refreshed;
        w.form->BtnRefreshClick();
        QCOMPARE(w.fake->refreshed, refreshedBefore + 1);
        QCOMPARE(w.form->tableState(), TTableState::TableOpen);

        w.form->BtnEditClick();
        w.form->BtnCloseClick();
        QCOMPARE(w.form->tableState(), TTableState::NoTable);
        QVERIFY(!w.fake->isOpen());
        QVERIFY(!w.form->BtnPost->isEnabled());
        QVERIFY(w.form->DBGrid->isReadOnly());
        QCOMPARE(w.visiblePages(), QStringList({"Data", "SQL", "Special"}));
        QCOMPARE(w.form->windowTitle(), "Tabulon - " + w.path("x.db"));
        QVERIFY(w.form->TabSheetSpecial->BtnSpecEmpty->isEnabled());
        QVERIFY(!w.form->TabSheetSpecial->BtnSpecCrt->isEnabled());
    }

    void folderChangeAndAnotherFileCloseTheTable() {
        Window w;
        w.open("x.db");
        w.form->DirectoryCombo->SetDirectory(w.other.path());
        QCOMPARE(w.form->tableState(), TTableState::NoTable);
        QCOMPARE(w.form->DatabasePath, QDir::cleanPath(w.other.path()));
        QCOMPARE(w.status(), w.form->DatabasePath);
        QCOMPARE(w.fake->folder, w.form->DatabasePath);

        w.form->FileListViewFileSelect(w.other.filePath("o.db"));
        QCOMPARE(w.form->tableState(), TTableState::TableOpen);
        w.open("y.dbf");
        QCOMPARE(w.form->TableFile, w.path("y.dbf"));
        QCOMPARE(w.form->DatabasePath, QDir::cleanPath(w.tables.path()));
        QCOMPARE(w.form->tableState(), TTableState::TableOpen);
    }

    void selectingFilesFollowsOnlyWithoutATable() {
        Window w;
        w.form->FileListView->SelectFile(w.path("w.db"));
        QCOMPARE(w.form->TableFile, w.path("w.db"));
        QCOMPARE(w.form->windowTitle(), "Tabulon - " + w.path("w.db"));
        QVERIFY(w.form->TabSheetSpecial->BtnSpecRen->isEnabled());
        QFile::remove(w.path("w.db"));
        w.form->FileListViewChange();
        QCOMPARE(w.form->windowTitle(), QString("Tabulon V 1.0"));
        QVERIFY(!w.form->TabSheetSpecial->BtnSpecRen->isEnabled());

        w.open("x.db");
        w.form->FileListView->SelectFile(w.path("y.dbf"));
        QCOMPARE(w.form->TableFile, w.path("x.db"));
        QCOMPARE(w.form->windowTitle(), "Tabulon - " + w.path("x.db"));
    }

    void tableThatOpensOnlyWithoutCacheIsReported() {
        Window w;
        w.fake->openableCached.remove("x.db");
        w.fake->openableUncached.insert("x.db");
        ModalAnswer answer(ModalAnswer::click("BtnNo"));
        w.open("x.db");
        QVERIFY(answer.seen());
        QCOMPARE(answer.text(), QString("Table non Indexed. Opened without Cached Updates!"));
        QCOMPARE(w.form->tableState(), TTableState::TableOpen);
        QCOMPARE(w.status(), w.path("x.db"));
        w.form->BtnEditClick();
        QVERIFY(!w.form->BtnCancel->isEnabled());
    }

    void tableThatCannotOpenLeavesNoTable() {
        Window w;
        w.open("w.db");
        QCOMPARE(w.form->tableState(), TTableState::NoTable);
        QCOMPARE(w.status(), QString("ERROR: Unable to open Table!"));
        w.form->TableFile = w.tables.filePath("noextension");
        w.form->BtnOpenClick();
        QCOMPARE(w.form->tableState(), TTableState::NoTable);
    }

    void failingPageFillingClosesWithError() {
        Window w;
        // A table the pages cannot read: it never opened.
        tabulon::Session session("Unreadable");
        tabulon::Table unreadable(session.addConnection("Folder"));
        w.fake->pageTable = &unreadable;
        ModalAnswer answer(ModalAnswer::click("BtnNo"));
        w.open("x.db");
        // The fixed message comes with what failed and why.
        QVERIFY2(answer.text().startsWith("Error!\nEUsageError: "), qPrintable(answer.text()));
        QCOMPARE(w.form->tableState(), TTableState::NoTable);
    }

    void failingPostKeepsTheChanges() {
        Window w;
        w.open("x.db");
        w.form->BtnEditClick();
        w.fake->pending = true;
        w.fake->applyFails = true;
        ModalAnswer answer(ModalAnswer::click("BtnNo"));
        QVERIFY(!w.form->BtnPostClick());
        QCOMPARE(answer.text(), QString("Unable to Apply Updates!\nEKeyViolation: Key violation in orders.db"));
        QCOMPARE(w.form->tableState(), TTableState::Editing);
        QVERIFY(w.fake->pending);
        QCOMPARE(w.fake->cancelled, 0);
        QVERIFY(w.form->BtnPost->isEnabled());
    }

    void pendingChangesAreAskedAbout_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("applied");
        QTest::addColumn<int>("cancelled");
        QTest::addColumn<bool>("moved");
        QTest::newRow("yes posts") << "BtnYes" << 1 << 0 << true;
        QTest::newRow("no drops") << "BtnNo" << 0 << 1 << true;
        QTest::newRow("cancel keeps all") << "BtnCancel" << 0 << 0 << false;
    }
    void pendingChangesAreAskedAbout() {
        QFETCH(QString, button);
        QFETCH(int, applied);
        QFETCH(int, cancelled);
        QFETCH(bool, moved);
        Window w;
        w.open("x.db");
        w.form->BtnEditClick();
        w.fake->pending = true;
        ModalAnswer answer(ModalAnswer::click(button));
        w.form->DirectoryCombo->SetDirectory(w.other.path());
        QVERIFY(answer.seen());
        QCOMPARE(w.fake->applied, applied);
        QCOMPARE(w.fake->cancelled, cancelled);
        const QString expectedFolder = QDir::cleanPath(moved ? w.other.path() : w.tables.path());
        QCOMPARE(w.form->DirectoryCombo->Directory(), expectedFolder);
        QCOMPARE(w.form->FileListView->Directory(), expectedFolder);
        QCOMPARE(w.form->tableState(), moved ? TTableState::NoTable : TTableState::Editing);
    }

    void closingTheWindowAsksAndCancelKeepsItOpen() {
        Window w;
        w.open("x.db");
        w.form->BtnEditClick();
        w.fake->pending = true;
        {
            ModalAnswer answer(ModalAnswer::click("BtnCancel"));
            QVERIFY(!w.form->close());
            QVERIFY(answer.seen());
            QVERIFY(w.form->isVisible());
        }
        w.fake->pending = false;
        QVERIFY(w.form->close());
    }

    void noQuestionWithoutPendingChanges() {
        Window w;
        w.open("x.db");
        w.form->BtnEditClick();
        ModalAnswer answer(ModalAnswer::click("BtnCancel"));
        w.open("y.dbf");
        QVERIFY(!answer.seen());
        QCOMPARE(w.form->TableFile, w.path("y.dbf"));
    }

    void viewButtonsSetTheListStyle() {
        Window w;
        const QList<QPair<QToolButton*, TViewIconStyle>> buttons = {{w.form->BtnReport, visReport},
                                                                    {w.form->BtnSmall, visSmallIcon},
                                                                    {w.form->BtnBig, visIcon},
                                                                    {w.form->BtnList, visList}};
        for (const auto& [button, style] : buttons) {
            button->click();
            QCOMPARE(w.form->FileListView->ViewIconStyle(), style);
        }
    }

    void statusBarShowsHints() {
        Window w;
        QStatusTipEvent tip(w.form->BtnPost->statusTip());
        QApplication::sendEvent(w.form.get(), &tip);
        QCOMPARE(w.status(), QString("Post Changes"));
        QStatusTipEvent none(QString{});
        QApplication::sendEvent(w.form.get(), &none);
        QCOMPARE(w.status(), QString());
    }

    void firstArgumentOpensItsTable() {
        QTemporaryDir dir;
        writeFile(dir.filePath("start.db"));
        Window w(dir.filePath("start.db"));
        QCOMPARE(w.form->DatabasePath, QDir::cleanPath(dir.path()));
        QCOMPARE(w.form->TableFile, dir.filePath("start.db"));
        QCOMPARE(w.form->tableState(), TTableState::NoTable);  // the fake does not know start.db
        QCOMPARE(w.status(), QString("ERROR: Unable to open Table!"));

        Window missing(dir.filePath("gone.db"));
        QCOMPARE(missing.form->DatabasePath, QDir::cleanPath(dir.path()));
        QCOMPARE(missing.form->tableState(), TTableState::NoTable);
        QCOMPARE(missing.status(), missing.form->DatabasePath);
    }
};

QTEST_MAIN(FormMainTest)
#include "FormMainTest.moc"
