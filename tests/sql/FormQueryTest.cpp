// Result windows driven as a user drives them: Execute on the SQL page, the statement box, the
// grid and its cell editors, Stop, Copy, Save as CSV, closing; the table files are then read
// back through the engine.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "DBGrid.h"
#include "FormQuery.h"
#include "SqlPage.h"
#include "TabulonApplication.h"
#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "sql/Query.h"
#include "storage/Drivers.h"
#include "support/Files.h"
#include "support/ModalDialog.h"

using tabulon::testing::ModalAnswer;

namespace {

constexpr const char* kEndless =
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT COUNT(*) FROM n";

// A folder with PEOPLE.DB (ID key, NAME) holding `rows` records "Name<i>".
struct Folder {
    QTemporaryDir dir;
    explicit Folder(int rows = 3) {
        using namespace tabulon;
        const auto path = std::filesystem::path(dir.path().toStdString()) / "PEOPLE.DB";
        auto table =
            driverForPath(path).create(path, {{"ID", ftInteger, 0, 0, false, ""}, {"NAME", ftString, 20, 0, false, ""}},
                                       {IndexDef{"", "ID", "", "", ixPrimary | ixUnique, "", true, ""}}, {});
        for (int i = 1; i <= rows; ++i) table->append({Value::integer(i), Value::string("Name" + std::to_string(i))});
    }
    QString path() const { return dir.path(); }
    // The NAME of each record in key order, read by the engine.
    QStringList names() const {
        auto table = tabulon::openTable(std::filesystem::path(dir.path().toStdString()) / "PEOPLE.DB");
        QStringList out;
        tabulon::Record record;
        for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot)
            if (table->readSlot(slot, record)) out << QString::fromStdString(record[1].asString());
        return out;
    }
    // Whether another session can open the table exclusively now.
    bool freeForExclusiveUse() const {
        tabulon::Session session("Checker");
        tabulon::Connection& connection = session.addConnection("Check");
        connection.setParams(tabulon::Connection::folderParams(dir.path().toStdString()));
        connection.connect();
        tabulon::Table table(connection);
        table.setTableName("PEOPLE.DB");
        table.setExclusive(true);
        try {
            table.open();
        } catch (const std::exception&) {
            return false;
        }
        return true;
    }
};

// Runs `sql` and waits for its outcome.
TFormQuery* finished(TFormQuery* window) {
    if (!QTest::qWaitFor([&] { return !window->running() && !window->MemoMessage->toPlainText().isEmpty(); }, 10000))
        qFatal("the query did not end");
    return window;
}

TFormQuery* run(const Folder& folder, const QString& sql, bool live = false) {
    return finished(RunQueryInBackground(QStringLiteral("Query1"), folder.path(), sql, live));
}

QString outcomeOf(TFormQuery* window) { return window->MemoMessage->toPlainText(); }

}  // namespace

class FormQueryTest : public QObject {
    Q_OBJECT
private slots:
    // First, so this process's counter starts at 1 here.
    void executionsAreNumberedInHexadecimal() {
        Folder folder;
        QStringList sessions;
        for (int i = 0; i < 17; ++i) {
            TFormQuery* window = run(folder, QStringLiteral("SELECT * FROM PEOPLE"));
            sessions << window->sessionName();
            window->close();
        }
        QCOMPARE(sessions.first(), QStringLiteral("Session1"));
        QCOMPARE(sessions.at(1), QStringLiteral("Session2"));
        QCOMPARE(sessions.last(), QStringLiteral("Session11"));
        QVERIFY(TFormQuery::openWindows().isEmpty());
    }

    void executeOpensAWindowPerRunWithTheStatementLineByLine() {
        Folder folder;
        QTemporaryDir store;
        TSqlPage page(store.filePath("Vendrake.SQL"), {}, [&] { return folder.path(); });
        page.QueryEdit->setPlainText(QStringLiteral("SELECT NAME\nFROM PEOPLE ORDER BY ID DESC"));
        QTest::mouseClick(page.BtnExecuteQuery, Qt::LeftButton);
        QTest::mouseClick(page.BtnExecuteQuery, Qt::LeftButton);
        QCOMPARE(TFormQuery::openWindows().size(), 2);
        TFormQuery* window = finished(TFormQuery::openWindows().first());
        QCOMPARE(window->windowTitle(), page.QueryManager->currentName());
        QCOMPARE(outcomeOf(window), QStringLiteral("Query opened"));
        QCOMPARE(window->DBGrid1->model()->rowCount(), 3);
        QCOMPARE(window->DBGrid1->model()->index(0, 0).data().toString(), QStringLiteral("Name3"));
        QComboBox* box = window->ComboBoxQuery;
        QCOMPARE(box->count(), 3);
        QCOMPARE(box->itemText(2), QString());
        QCOMPARE(box->currentText(), QStringLiteral("SELECT NAME..."));
        box->showPopup();
        QTest::keyClick(box->view(), Qt::Key_Down);
        QTest::keyClick(box->view(), Qt::Key_Return);
        QCOMPARE(box->currentText(), QStringLiteral("SELECT NAME..."));
        TFormQuery::closeAll();
    }

    void outcomesOfStatementsWithoutRowsAndOfErrors_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QStringList>("names");
        const QStringList unchanged{"Name1", "Name2", "Name3"};
        QTest::newRow("update") << "UPDATE PEOPLE SET NAME = 'X' WHERE ID = 2"
                                << "Query executed! No data to visualize." << QStringList{"Name1", "X", "Name3"};
        QTest::newRow("syntax") << "SELEC * FROM PEOPLE"
                                << "EValueError: " << unchanged;
        QTest::newRow("no table") << "SELECT * FROM NOSUCH"
                                  << "EFileError: Table \"NOSUCH\" not found" << unchanged;
        QTest::newRow("no column") << "UPDATE PEOPLE SET NOPE = 1"
                                   << "EValueError: " << unchanged;
    }
    void outcomesOfStatementsWithoutRowsAndOfErrors() {
        QFETCH(QString, sql);
        QFETCH(QString, outcome);
        QFETCH(QStringList, names);
        Folder folder;
        TFormQuery* window = run(folder, sql);
        QVERIFY2(outcomeOf(window).startsWith(outcome), qPrintable(outcomeOf(window)));
        QVERIFY(window->DBGrid1->model() == nullptr || window->DBGrid1->model()->rowCount() == 0);
        QCOMPARE(folder.names(), names);
        window->close();
    }

    void aFolderOrTableThatCannotBeUsedIsReportedInTheWindow() {
        TFormQuery* window = finished(
            RunQueryInBackground(QStringLiteral("Q"), QStringLiteral("/nonexistent/folder"), "SELECT 1", false));
        QVERIFY2(outcomeOf(window).startsWith("EFileError: "), qPrintable(outcomeOf(window)));
        window->close();
        Folder folder;
        tabulon::Session session("Holder");
        tabulon::Connection& connection = session.addConnection("Hold");
        connection.setParams(tabulon::Connection::folderParams(folder.path().toStdString()));
        connection.connect();
        tabulon::Table holder(connection);
        holder.setTableName("PEOPLE.DB");
        holder.setExclusive(true);
        holder.open();
        window = run(folder, QStringLiteral("DELETE FROM PEOPLE"));
        QVERIFY2(outcomeOf(window).startsWith("ETableBusy: "), qPrintable(outcomeOf(window)));
        holder.close();
        QCOMPARE(folder.names().size(), 3);
        window->close();
    }

    void aLiveResultTakesEditsTypedIntoTheGrid() {
        Folder folder;
        TFormQuery* window = run(folder, QStringLiteral("SELECT ID, NAME FROM PEOPLE"), true);
        TDBGrid* grid = window->DBGrid1;
        QVERIFY(!grid->isReadOnly());
        // F2 opens the cell's editor; Enter hands its text on once events run.
        const auto typeInto = [grid](int row, int column, const QString& text) {
            grid->setCurrentIndex(grid->model()->index(row, column));
            QTest::keyClick(grid, Qt::Key_F2);
            auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->currentIndex()));
            QVERIFY(editor != nullptr);
            editor->selectAll();
            QTest::keyClicks(editor, text);
            QTest::keyClick(editor, Qt::Key_Return);
        };
        QSignalSpy rowsReadAgain(grid->model(), &QAbstractItemModel::modelReset);
        typeInto(1, 1, QStringLiteral("Bea"));
        QTRY_COMPARE(rowsReadAgain.count(), 1);
        QCOMPARE(folder.names(), (QStringList{"Name1", "Bea", "Name3"}));
        QCOMPARE(grid->model()->index(1, 1).data().toString(), QStringLiteral("Bea"));
        // A value the field cannot take is reported and leaves the file alone.
        typeInto(0, 0, QStringLiteral("abc"));
        QTRY_VERIFY2(outcomeOf(window).startsWith("EValueError: "), qPrintable(outcomeOf(window)));
        QCOMPARE(folder.names(), (QStringList{"Name1", "Bea", "Name3"}));
        window->close();
    }

    void aResultReadsItsRowsAsTheyComeIntoViewAndClosingReleasesItsTable() {
        Folder folder(3000);
        TFormQuery* window = run(folder, QStringLiteral("SELECT * FROM PEOPLE"));
        QAbstractItemModel* model = window->DBGrid1->model();
        QVERIFY(model->rowCount() < 3000);
        QTRY_VERIFY(window->StatusLine->text().startsWith("3000 rows"));
        QVERIFY(!folder.freeForExclusiveUse());
        QTest::keyClick(window->DBGrid1, Qt::Key_End, Qt::ControlModifier);
        QTRY_VERIFY(model->rowCount() > tabulon::Query::kFirstRows);
        window->close();
        QVERIFY(folder.freeForExclusiveUse());
    }

    void stopCancelsARunningQueryAndClosingOrExitCancelsToo() {
        Folder folder;
        TFormQuery* window = RunQueryInBackground(QStringLiteral("Q"), folder.path(), kEndless, false);
        QTest::qWait(50);
        QVERIFY(window->BtnStop->isEnabled());
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(window->BtnStop, Qt::LeftButton);
        finished(window);
        QVERIFY(timer.elapsed() < 2000);
        QCOMPARE(outcomeOf(window), QStringLiteral("EUsageError: Query cancelled."));
        QVERIFY(!window->BtnStop->isEnabled());
        window->close();
        // Closing a window whose statement runs, and the program's end with two running.
        RunQueryInBackground(QStringLiteral("Q"), folder.path(), kEndless, false)->close();
        RunQueryInBackground(QStringLiteral("Q"), folder.path(), kEndless, false);
        RunQueryInBackground(QStringLiteral("Q"), folder.path(), kEndless, false);
        QTest::qWait(50);
        TFormQuery::closeAll();
        QVERIFY(TFormQuery::openWindows().isEmpty());
    }

    void selectedCellsCopyAndTheResultSavesAsCsv() {
        Folder folder;
        TFormQuery* window = run(folder, QStringLiteral("SELECT ID, NAME FROM PEOPLE"));
        TDBGrid* grid = window->DBGrid1;
        grid->selectionModel()->select(QItemSelection(grid->model()->index(0, 0), grid->model()->index(1, 1)),
                                       QItemSelectionModel::Select);
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("1\tName1\n2\tName2"));
        QTemporaryDir out;
        const QString csv = out.filePath("people.csv");
        ModalAnswer answer([&](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            files->selectFile(csv);
            QMetaObject::invokeMethod(files, "accept");
        });
        QTest::mouseClick(window->BtnSaveCsv, Qt::LeftButton);
        QVERIFY(answer.seen());
        QCOMPARE(tabulon::testing::readFile(csv), QByteArray("ID,NAME\r\n1,Name1\r\n2,Name2\r\n3,Name3\r\n"));
        window->close();
    }
};

int main(int argc, char** argv) {
    TTabulonApplication app(argc, argv);
    FormQueryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FormQueryTest.moc"
