// The batch-move window driven as a user drives it: folders and files chosen in its browsers,
// mode, boxes and counts set, Execute clicked, its messages answered; what it did is read back
// from the tables through the engine.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <cstdlib>
#include <fstream>
#include <map>

#include "DirectoryComboLite.h"
#include "FileListViewLite.h"
#include "FrmBatchMove.h"
#include "dataset/Session.h"
#include "io/FaultInjection.h"
#include "io/Transaction.h"
#include "storage/Drivers.h"
#include "support/ModalDialog.h"
#include "support/TempFolder.h"

using namespace tabulon;
using tabulon::testing::ModalAnswer;

namespace {

using Rows = std::map<std::int64_t, std::string>;

// A table of ids `ids` named "<label><id>", keyed on ID (a Paradox primary index, a dBase tag).
void makeTable(const std::filesystem::path& path, const std::vector<int>& ids, const std::string& label) {
    const bool paradox = tableTypeForPath(path) == ttParadox;
    const std::vector<FieldDef> fields = {{"ID", ftInteger, 0, 0, true, ""}, {"NAME", ftString, 20, 0, false, ""}};
    std::vector<IndexDef> indexes = {IndexDef{"BYNAME", "NAME", "", "", 0, "", true, ""}};
    indexes.insert(indexes.begin(), paradox ? IndexDef{"", "ID", "", "", ixPrimary | ixUnique, "", true, ""}
                                            : IndexDef{"ID", "ID", "", "", 0, "", true, ""});
    auto table = driverForPath(path).create(path, fields, indexes, {});
    Transaction transaction(Transaction::newJournalPath(path.parent_path()));  // one write for all
    table->setTransaction(&transaction);
    for (int id : ids) table->append({Value::integer(id), Value::string(label + std::to_string(id))});
    transaction.commit();
    table->setTransaction(nullptr);
}

Rows rowsOf(const std::filesystem::path& path) {
    Rows rows;
    if (!std::filesystem::exists(path)) return rows;
    auto table = openTable(path);
    Record record;
    for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot)
        if (table->readSlot(slot, record)) rows[record[0].convertTo(ValueKind::Integer).asInt()] = record[1].toText();
    return rows;
}

QStringList itemsOf(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    return items;
}

// Answers a message window with its one visible button, keeping the text it showed.
ModalAnswer answerOk() {
    return ModalAnswer([](QWidget* dialog) {
        for (auto* button : dialog->findChildren<QPushButton*>())
            if (button->isVisible()) return button->click();
    });
}

// The window over a folder "in" (source SRC and destination DST of one format) and an empty
// folder "out", its replaced tables going to a trash of its own.
struct Window {
    tabulon::testing::TempFolder folder;
    Session session{"BatchMoveWindow"};
    TfrmBatchMove form{nullptr, &session};
    QString ext;

    explicit Window(const QString& extension, const std::vector<int>& sourceIds = {2, 5}) : ext(extension) {
        ::setenv("XDG_DATA_HOME", (folder / "home").c_str(), 1);
        std::filesystem::create_directories(folder / "in");
        std::filesystem::create_directories(folder / "out");
        makeTable(in("SRC"), sourceIds, "src");
        makeTable(in("DST"), {1, 2}, "old");
        form.PrepareForFolder(QString::fromStdString((folder / "in").string()), QString(), visSmallIcon);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }
    std::filesystem::path in(const std::string& stem) const { return folder / "in" / (stem + ext.toStdString()); }

    // Clicks the entry `fileName` in `list`, as the user picks a table.
    static void pick(TFileListViewLite* list, const QString& fileName) {
        for (int row = 0; row < list->ItemCount(); ++row) {
            if (list->entry(row).caption.compare(fileName, Qt::CaseInsensitive) != 0) continue;
            QListView* view = list->listView();
            const QModelIndex index = view->model()->index(row, 0);
            view->scrollTo(index);
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
            return;
        }
        QFAIL(qPrintable("no entry " + fileName));
    }
    void setMode(const QString& mode) { form.cbMode->setCurrentIndex(form.cbMode->findText(mode)); }
    void setAbort(QCheckBox* box, bool on) {
        if (box->isChecked() != on) QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
    }
    // The pointer goes to Execute first, as a user's does, leaving the hinted control it was on.
    void execute() {
        QTest::mouseMove(form.BtnMove);
        QTest::mouseClick(form.BtnMove, Qt::LeftButton);
    }
};

}  // namespace

class BatchMoveWindowTest : public QObject {
    Q_OBJECT
private slots:
    void creationSetsTheDefaults() {
        Window w(".DB");
        QCOMPARE(w.form.cbMode->currentText(), QStringLiteral("Append"));
        QCOMPARE(w.form.LabelHelp->text(), w.form.MessageHolder.value(8));
        for (QCheckBox* box : {w.form.ckAbortOnKeyViol, w.form.ckAbortOnProblem, w.form.ckTransliterate})
            QVERIFY(box->isChecked());
        QVERIFY(!w.form.edKeyViolTableName->isEnabled());
        QVERIFY(w.form.txtKeyViolTableName->font().italic());
        QCOMPARE(w.form.edRecordCount->maximum(), 2147483647);
        QTest::mouseMove(w.form.ckAbortOnProblem);
        QTRY_COMPARE(w.form.StatusBar->currentMessage(), QStringLiteral("Terminate on data truncation"));
        w.setMode("Delete");
        QCOMPARE(w.form.LabelHelp->text(), w.form.MessageHolder.value(12));
        w.setAbort(w.form.ckAbortOnKeyViol, false);
        QVERIFY(w.form.edKeyViolTableName->isEnabled());
        QVERIFY(!w.form.txtKeyViolTableName->font().italic());
        QVERIFY(w.form.edKeyViolTableName->hasFocus());
    }

    void pickersPutTheChosenPathIntoTheirEdit_data() {
        QTest::addColumn<QString>("box");  // the abort box that enables the picker, if any
        QTest::addColumn<QString>("picker");
        QTest::addColumn<QString>("edit");
        QTest::newRow("key violation") << "ckAbortOnKeyViol"
                                       << "sbKeyViolTbl"
                                       << "edKeyViolTableName";
        QTest::newRow("problem") << "ckAbortOnProblem"
                                 << "sbProbTbl"
                                 << "edProblemTableName";
        QTest::newRow("changed") << ""
                                 << "sbChangeTbl"
                                 << "edChangedTableName";
    }
    void pickersPutTheChosenPathIntoTheirEdit() {
        QFETCH(QString, box);
        QFETCH(QString, picker);
        QFETCH(QString, edit);
        Window w(".DB");
        if (!box.isEmpty()) w.setAbort(w.form.findChild<QCheckBox*>(box), false);
        const QString chosen = QString::fromStdString(w.in("SRC").string());
        const ModalAnswer answer([&](QWidget* dialog) {
            // Typed rather than selected: the dialog lists its folder in the background.
            QLineEdit* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            name->setText(chosen);
            QTest::keyClick(name, Qt::Key_Return);
        });
        QTest::mouseClick(w.form.findChild<QToolButton*>(picker), Qt::LeftButton);
        QVERIFY(answer.seen());
        QCOMPARE(w.form.findChild<QLineEdit*>(edit)->text(), chosen);
    }

    void indexListsFollowTheSelection_data() {
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("paradox") << ".DB"
                                 << "SRC.DB" << QStringList{"<None>", "BYNAME"};
        QTest::newRow("dbase") << ".DBF"
                               << "SRC.DBF" << QStringList{"<None>", "ID", "BYNAME"};
        QTest::newRow("not a table") << ".DB"
                                     << "JUNK.DB" << QStringList{"<None>"};
        QTest::newRow("a folder") << ".DB"
                                  << "sub" << QStringList{"<None>"};
    }
    void indexListsFollowTheSelection() {
        QFETCH(QString, ext);
        QFETCH(QString, file);
        QFETCH(QStringList, items);
        Window w(ext);
        std::ofstream(w.folder / "in" / "JUNK.DB") << "not a table";
        std::filesystem::create_directories(w.folder / "in" / "sub");
        w.form.FileListViewTabSour->ReadDirectory();
        Window::pick(w.form.FileListViewTabSour, file);
        QCOMPARE(itemsOf(w.form.cbSourceIndex), items);
        QCOMPARE(w.form.cbSourceIndex->currentIndex(), 0);
    }

    // Each mode through the window, into the error and changed-records tables it names. The copy
    // has no destination chosen: it creates the source's name in the destination's folder.
    void theFiveModes_data() {
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("destIndex");  // chosen in the destination's index list
        QTest::addColumn<QString>("sideTable");  // the table the row names (key violations or changes)
        QTest::addColumn<Rows>("destination");
        QTest::addColumn<Rows>("side");
        QTest::newRow("append") << ".DB"
                                << "Append"
                                << ""
                                << "KEYVIOL" << Rows{{1, "old1"}, {2, "old2"}, {5, "src5"}} << Rows{{2, "src2"}};
        QTest::newRow("update") << ".DB"
                                << "Update"
                                << ""
                                << "CHANGED" << Rows{{1, "old1"}, {2, "src2"}} << Rows{{2, "old2"}};
        QTest::newRow("append-update dbase")
            << ".DBF"
            << "AppendUpdate"
            << "ID"
            << "CHANGED" << Rows{{1, "old1"}, {2, "src2"}, {5, "src5"}} << Rows{{2, "old2"}};
        QTest::newRow("copy") << ".DB"
                              << "Copy"
                              << ""
                              << "" << Rows{{2, "src2"}, {5, "src5"}} << Rows{};
        QTest::newRow("delete dbase") << ".DBF"
                                      << "Delete"
                                      << "ID"
                                      << "" << Rows{{1, "old1"}} << Rows{};
    }
    void theFiveModes() {
        QFETCH(QString, ext);
        QFETCH(QString, mode);
        QFETCH(QString, destIndex);
        QFETCH(QString, sideTable);
        QFETCH(Rows, destination);
        QFETCH(Rows, side);
        Window w(ext);
        const bool copy = mode == "Copy";
        Window::pick(w.form.FileListViewTabSour, "SRC" + ext);
        if (copy)
            w.form.DirectoryComboDest->SetDirectory(QString::fromStdString((w.folder / "out").string()));
        else
            Window::pick(w.form.FileListViewTabDest, "DST" + ext);
        w.setMode(mode);
        if (!destIndex.isEmpty()) w.form.cbDestIndex->setCurrentIndex(w.form.cbDestIndex->findText(destIndex));
        if (sideTable == "KEYVIOL") {
            w.setAbort(w.form.ckAbortOnKeyViol, false);
            QTest::keyClicks(w.form.edKeyViolTableName, sideTable);
        } else if (!sideTable.isEmpty()) {
            QTest::keyClicks(w.form.edChangedTableName, sideTable);
        }
        w.execute();
        QCOMPARE(w.form.StatusBar->currentMessage(), w.form.MessageHolder.value(0));
        QCOMPARE(rowsOf(copy ? w.folder / "out" / "SRC.DB" : w.in("DST")), destination);
        if (!sideTable.isEmpty()) QCOMPARE(rowsOf(w.folder / "in" / (sideTable.toStdString() + ".DB")), side);
    }

    void missingNamesAreRefused_data() {
        QTest::addColumn<bool>("source");
        QTest::addColumn<bool>("destination");
        QTest::addColumn<QString>("uncheck");  // the abort box unchecked, its table left unnamed
        QTest::addColumn<QString>("text");
        QTest::newRow("source") << false << true << ""
                                << "Source table name is required.";
        QTest::newRow("destination") << true << false << ""
                                     << "Destination table name is required.";
        QTest::newRow("key violation") << true << true << "ckAbortOnKeyViol"
                                       << "Key Violation table name is required.";
        QTest::newRow("problem") << true << true << "ckAbortOnProblem"
                                 << "Problem table name is required.";
    }
    void missingNamesAreRefused() {
        QFETCH(bool, source);
        QFETCH(bool, destination);
        QFETCH(QString, uncheck);
        QFETCH(QString, text);
        Window w(".DB");
        if (source) Window::pick(w.form.FileListViewTabSour, "SRC.DB");
        if (destination) Window::pick(w.form.FileListViewTabDest, "DST.DB");
        if (!uncheck.isEmpty()) w.setAbort(w.form.findChild<QCheckBox*>(uncheck), false);
        const ModalAnswer answer = answerOk();
        w.execute();
        QVERIFY(answer.seen());
        QCOMPARE(answer.text(), text);
        QCOMPARE(rowsOf(w.in("DST")), (Rows{{1, "old1"}, {2, "old2"}}));
    }

    // An injected write failure half-way: with commit count 0 nothing of the move stays, with
    // commit count 1 the records committed before it do.
    void aFailedMoveIsAllOrNothingWithCommitCountZero_data() {
        QTest::addColumn<int>("commitCount");
        QTest::addColumn<bool>("unchanged");
        QTest::newRow("commit count 0") << 0 << true;
        QTest::newRow("commit count 1") << 1 << false;
    }
    void aFailedMoveIsAllOrNothingWithCommitCountZero() {
        QFETCH(int, commitCount);
        QFETCH(bool, unchanged);
        std::vector<int> ids;
        for (int id = 10; id < 40; ++id) ids.push_back(id);
        std::uint64_t calls = 0;
        {
            Window measure(".DB", ids);
            Window::pick(measure.form.FileListViewTabSour, "SRC.DB");
            Window::pick(measure.form.FileListViewTabDest, "DST.DB");
            measure.form.edCommitCount->setValue(commitCount);
            FaultInjection::count();
            measure.execute();
            calls = FaultInjection::calls();
            FaultInjection::disarm();
            QCOMPARE(rowsOf(measure.in("DST")).size(), ids.size() + 2);
        }
        Window w(".DB", ids);
        Window::pick(w.form.FileListViewTabSour, "SRC.DB");
        Window::pick(w.form.FileListViewTabDest, "DST.DB");
        w.form.edCommitCount->setValue(commitCount);
        const ModalAnswer answer = answerOk();
        FaultInjection::failAt(calls / 2);
        w.execute();
        FaultInjection::disarm();
        QVERIFY(answer.text().startsWith(w.form.MessageHolder.value(1)));
        QCOMPARE(w.form.StatusBar->currentMessage(), QStringLiteral("Error!"));
        const Rows after = rowsOf(w.in("DST"));
        QCOMPARE(after == (Rows{{1, "old1"}, {2, "old2"}}), unchanged);
        QVERIFY(after.size() < ids.size() + 2);
    }

    void theWindowHandlesEventsWhileTheMoveRuns() {
        std::vector<int> ids;
        for (int id = 10; id < 1000; ++id) ids.push_back(id);
        Window w(".DB", ids);
        Window::pick(w.form.FileListViewTabSour, "SRC.DB");
        Window::pick(w.form.FileListViewTabDest, "DST.DB");
        bool moving = true;
        int percentSeen = -1;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (const auto* progress = w.form.findChild<QProgressDialog*>("OperationProgress"); progress && moving)
                percentSeen = std::max(percentSeen, progress->value());
        });
        watch.start(0);
        w.form.BtnMove->click();  // no event handling of its own: only the move's can run the timer
        moving = false;
        QVERIFY(percentSeen > 0);
        QCOMPARE(rowsOf(w.in("DST")).size(), ids.size() + 2);
    }
};

QTEST_MAIN(BatchMoveWindowTest)
#include "BatchMoveWindowTest.moc"
