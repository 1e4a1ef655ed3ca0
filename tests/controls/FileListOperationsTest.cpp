#include <unistd.h>

#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>
#include <memory>

#include "FileListLitePopup.h"
#include "FileListViewLite.h"
#include "FileNameEditLite.h"
#include "ShellChangeNotifyThread.h"
#include "support/Files.h"
#include "support/ModalDialog.h"

using tabulon::testing::ModalAnswer;
using tabulon::testing::writeFile;

namespace {

// A shown English list over a folder of its own, with the trash and the settings folder kept
// in a home of its own.
struct ShownList {
    QTemporaryDir home;
    QTemporaryDir dir;
    TFileListViewLite list;

    explicit ShownList(const QStringList& files = {"orders.db", "people.db"},
                       const QString& folderTemplate = QDir::tempPath() + "/list-XXXXXX")
        : dir(folderTemplate) {
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath("data")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
        for (const QString& file : files) {
            writeFile(dir.filePath(file), "x");
        }
        list.setLanguage(lnEnglish);
        list.setReadEnabled(true);
        list.SetDirectory(dir.path());
        list.resize(400, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
    }
    int rowOf(const QString& caption) const {
        for (int row = 0; row < list.ItemCount(); ++row) {
            if (list.entry(row).caption == caption) return row;
        }
        return -1;
    }
    void select(const QString& caption) { list.selectRow(rowOf(caption)); }
    QLineEdit* editor() const { return list.listView()->findChild<QLineEdit*>(); }
    QStringList onDisk() const { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot); }
    QStringList inTrash() const { return QDir(home.filePath("data/Trash/files")).entryList(QDir::Files); }
};

}  // namespace

class FileListOperationsTest : public QObject {
    Q_OBJECT
private slots:
    void namesANewFolderAfterThoseThere_data() {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first") << QStringList{} << int(lnEnglish) << "New folder";
        QTest::newRow("second") << QStringList{"New folder"} << int(lnEnglish) << "New folder 2";
        QTest::newRow("third") << QStringList{"New folder", "New folder 2"} << int(lnEnglish) << "New folder 3";
        QTest::newRow("German") << QStringList{} << int(lnGerman) << "Neues Verzeichnis";
    }
    void namesANewFolderAfterThoseThere() {
        QFETCH(QStringList, existing);
        QFETCH(int, language);
        QFETCH(QString, expected);
        ShownList s;
        for (const QString& name : existing) QDir(s.dir.path()).mkdir(name);
        s.list.setLanguage(static_cast<TLanguage>(language));
        s.list.NewFolder();
        QVERIFY(s.editor() != nullptr);
        QTest::keyClick(s.editor(), Qt::Key_Escape);
        QTRY_VERIFY(s.editor() == nullptr);
        QVERIFY(QFileInfo(s.dir.filePath(expected)).isDir());
        QCOMPARE(s.list.entry(s.list.selectedRow()).caption, expected);
    }

    void renamesByEditingTheCaption_data() {
        QTest::addColumn<QString>("typed");  // replaces the selected part: the name without its extension
        QTest::addColumn<bool>("clearAll");
        QTest::addColumn<QStringList>("onDisk");
        QTest::addColumn<QString>("message");
        QTest::newRow("extension kept") << "sales" << false << QStringList{"people.db", "sales.db"} << "";
        QTest::newRow("empty restores") << "" << true << QStringList{"orders.db", "people.db"} << "";
        QTest::newRow("onto an existing name")
            << "people" << false << QStringList{"orders.db", "people.db"} << "people.db already exists";
        QTest::newRow("refused name") << "a/b" << false << QStringList{"orders.db", "people.db"}
                                      << "a name cannot hold /";
    }
    void renamesByEditingTheCaption() {
        QFETCH(QString, typed);
        QFETCH(bool, clearAll);
        QFETCH(QStringList, onDisk);
        QFETCH(QString, message);
        ShownList s;
        s.select("orders.db");
        s.list.popupMenu()->Prepare();
        s.list.popupMenu()->item("ItemOpRename")->trigger();
        QVERIFY(s.editor() != nullptr);
        if (clearAll) {
            QTest::keyClick(s.editor(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(s.editor(), Qt::Key_Delete);
        }
        QTest::keyClicks(s.editor(), typed);
        ModalAnswer report(ModalAnswer::click("BtnNo"));
        QTest::keyClick(s.editor(), Qt::Key_Return);
        QTRY_VERIFY(s.editor() == nullptr);
        QCOMPARE(report.seen(), !message.isEmpty());
        QVERIFY2(report.text().contains(message), qPrintable(report.text()));
        QCOMPARE(s.onDisk(), onDisk);
        QVERIFY(s.rowOf(onDisk.contains("sales.db") ? "sales.db" : "orders.db") >= 0);
        QCOMPARE(s.list.ItemCount(), 2);
    }

    void deletesToTheTrashAfterAsking_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("onDisk");
        QTest::addColumn<QStringList>("inTrash");
        QTest::newRow("yes") << "BtnYes" << QStringList{"people.db"} << QStringList{"orders.db"};
        QTest::newRow("no") << "BtnNo" << QStringList{"orders.db", "people.db"} << QStringList{};
    }
    void deletesToTheTrashAfterAsking() {
        QFETCH(QString, answer);
        QFETCH(QStringList, onDisk);
        QFETCH(QStringList, inTrash);
        ShownList s;
        s.select("orders.db");
        QSignalSpy reads(&s.list, &TFileListViewLite::AfterRead);
        ModalAnswer question(ModalAnswer::click(answer));
        QTest::keyClick(s.list.listView(), Qt::Key_Delete);
        QVERIFY(question.text().contains("orders.db"));
        QCOMPARE(s.onDisk(), onDisk);
        QCOMPARE(s.inTrash(), inTrash);
        QCOMPARE(s.list.ItemCount(), onDisk.size());
        // The watcher must not report the list's own deletion as a change of its own.
        QTest::qWait(3 * TShellChangeNotifyThread::kSettleMs);
        QCOMPARE(reads.size(), inTrash.size());
    }

    void deletesToATrashOnAnotherFileSystem_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("moved");
        QTest::newRow("file is copied over, then removed") << "orders.db" << true;
        QTest::newRow("folder is refused and kept") << "sub" << false;
    }
    void deletesToATrashOnAnotherFileSystem() {
        QFETCH(QString, name);
        QFETCH(bool, moved);
        const QString shm = QStringLiteral("/dev/shm");
        if (!QFileInfo(shm).isWritable() || QStorageInfo(shm).device() == QStorageInfo(QDir::tempPath()).device()) {
            QSKIP("no second file system to hand");
        }
        ShownList s({"orders.db"}, shm + "/list-XXXXXX");
        QDir(s.dir.path()).mkpath("sub/inner");
        s.list.ReadDirectory();
        s.select(name);
        // The report that may follow is answered only once the question is gone.
        std::unique_ptr<ModalAnswer> report;
        ModalAnswer question([&report](QWidget* dialog) {
            report = std::make_unique<ModalAnswer>(ModalAnswer::click("BtnNo"));
            ModalAnswer::click("BtnYes")(dialog);
        });
        s.list.DeleteSelected();
        QCOMPARE(QFileInfo::exists(s.dir.filePath(name)), !moved);
        QCOMPARE(s.inTrash().contains(name), moved);
        QCOMPARE(report && report->seen(), !moved);
    }

    void popupShowsTheItemsForTheSelection() {
        ShownList s;
        TFileListLitePopup* popup = s.list.popupMenu();
        s.list.setViewIconStyle(visReport);
        s.list.ColumnClick(1);
        s.list.ColumnClick(1);
        popup->Prepare();
        const QStringList entryItems{"SubMenuOpen", "SubMenuSend", "ItemOpRename", "ItemOpDelete"};
        const QStringList folderItems{"SubMenuView", "SubMenuSort", "ItemOpFolder"};
        for (const QString& name : entryItems) QVERIFY2(!popup->item(name)->isVisible(), qPrintable(name));
        for (const QString& name : folderItems) QVERIFY2(popup->item(name)->isVisible(), qPrintable(name));
        QVERIFY(popup->item("ItemViewRepr")->isChecked() && !popup->item("ItemViewList")->isChecked());
        QVERIFY(popup->item("ItemSortSize")->isChecked() && !popup->item("ItemSortName")->isChecked());
        s.select("people.db");
        popup->Prepare();
        for (const QString& name : entryItems) QVERIFY2(popup->item(name)->isVisible(), qPrintable(name));
        for (const QString& name : folderItems) QVERIFY2(!popup->item(name)->isVisible(), qPrintable(name));
        popup->item("ItemViewIcon")->trigger();
        QCOMPARE(s.list.ViewIconStyle(), visIcon);
        popup->item("ItemSortType")->trigger();
        QCOMPARE(s.list.SortedBy(), sbType);
        s.list.SetDirectory("Drives");
        popup->Prepare();
        QVERIFY(!popup->item("ItemOpFolder")->isEnabled());
    }

    void aLanguageChangeRebuildsMenuAndHeads() {
        ShownList s;
        QSignalSpy changes(&s.list, &TFileListViewLite::DirectoryChange);
        s.list.setLanguage(lnItalian);
        QCOMPARE(s.list.popupMenu()->item("ItemOpRename")->text(), QString("Ri&nomina"));
        QCOMPARE(s.list.popupMenu()->item("SubMenuSort")->text(), QString("&Disponi icone"));
        const QAbstractItemModel* model = s.list.reportView()->model();
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QString("Nome"));
        QCOMPARE(model->headerData(3, Qt::Horizontal).toString(), QString("Modificato"));
        QCOMPARE(changes.size(), 1);
    }

    void sendsToAFolderOfTheSendToFolder() {
        ShownList s;
        QTemporaryDir backup;
        QDir().mkpath(TFileListLitePopup::sendToFolder());
        QFile::link(backup.path(), TFileListLitePopup::sendToFolder() + "/Backup");
        s.select("orders.db");
        s.list.popupMenu()->Prepare();
        QAction* item = s.list.popupMenu()->item("SendTo0");
        QVERIFY(item != nullptr);
        QCOMPARE(item->text(), QString("Backup"));
        item->trigger();
        QCOMPARE(tabulon::testing::readFile(backup.filePath("orders.db")), QByteArray("x"));
    }

    void copiesDroppedFilesIntoTheFolderUnderThePoint() {
        ShownList s;
        QDir(s.dir.path()).mkdir("inbox");
        s.list.ReadDirectory();
        QTemporaryDir elsewhere;
        writeFile(elsewhere.filePath("new.dbf"), "y");
        QDir(elsewhere.path()).mkdir("set");
        QVERIFY(QFile::link("..", elsewhere.filePath("set/up")));  // a loop, were it followed
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(elsewhere.filePath("new.dbf")),
                      QUrl::fromLocalFile(elsewhere.filePath("gone.db")),
                      QUrl::fromLocalFile(elsewhere.filePath("set"))});
        QSignalSpy drops(&s.list, &TFileListViewLite::FileDrop);
        QWidget* viewport = s.list.listView()->viewport();
        const QPoint point =
            s.list.listView()->visualRect(s.list.listView()->model()->index(s.rowOf("inbox"), 0)).center();
        ModalAnswer report(ModalAnswer::click("BtnNo"));
        // A drop reaches only the widget that took the drag when it entered.
        QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &drop);
        QCOMPARE(tabulon::testing::readFile(s.dir.filePath("inbox/new.dbf")), QByteArray("y"));
        QCOMPARE(QFileInfo(s.dir.filePath("inbox/set/up")).symLinkTarget(), s.dir.filePath("inbox"));
        QVERIFY2(report.text().contains("gone.db") && report.text().contains("does not exist"),
                 qPrintable(report.text()));
        QCOMPARE(drops.size(), 1);
        QCOMPARE(drops[0][0].toStringList().size(), 3);
    }

    void theFileNameEditSetsTheMask() {
        ShownList s({"orders.db", "notes.txt"});
        TFileNameEditLite edit;
        edit.setFileList(&s.list);
        s.select("notes.txt");
        QCOMPARE(edit.text(), QString("notes.txt"));
        edit.clear();
        QTest::keyClicks(&edit, "*.txt");
        QTest::keyClick(&edit, Qt::Key_Return);
        QCOMPARE(s.list.Mask(), QString("*.txt"));
        QCOMPARE(s.list.ItemCount(), 1);
    }

    void showsChangesOnDiskOnlyWithAutoUpdate_data() {
        QTest::addColumn<bool>("autoUpdate");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }
    void showsChangesOnDiskOnlyWithAutoUpdate() {
        QFETCH(bool, autoUpdate);
        ShownList s;
        s.list.setAutoUpdate(autoUpdate);
        s.select("people.db");
        writeFile(s.dir.filePath("fresh.db"));
        if (autoUpdate) {
            QTRY_COMPARE_WITH_TIMEOUT(s.list.ItemCount(), 3, 10000);
            QCOMPARE(s.list.SelectedFileName(), QString("people.db"));
        } else {
            QTest::qWait(3 * TShellChangeNotifyThread::kSettleMs);
            QCOMPARE(s.list.ItemCount(), 2);
        }
    }

    void keepsACaptionBeingEditedThroughChangesOnDisk() {
        ShownList s;
        s.select("orders.db");
        s.list.StartRename();
        QLineEdit* editor = s.editor();
        QVERIFY(editor != nullptr);
        writeFile(s.dir.filePath("fresh.db"));
        QTest::qWait(3 * TShellChangeNotifyThread::kSettleMs);
        QCOMPARE(s.editor(), editor);
        QTest::keyClicks(editor, "sales");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(s.editor() == nullptr);
        QCOMPARE(s.onDisk(), QStringList({"fresh.db", "people.db", "sales.db"}));
        QCOMPARE(s.list.ItemCount(), 3);
    }

    void saysWhenAFolderCannotBeRead() {
        if (geteuid() == 0) QSKIP("the superuser reads every folder");
        ShownList s;
        QDir(s.dir.path()).mkdir("locked");
        QFile::setPermissions(s.dir.filePath("locked"), QFile::WriteOwner);
        ModalAnswer report(ModalAnswer::click("BtnNo"));
        s.list.SetDirectory(s.dir.filePath("locked"));
        QVERIFY2(report.text().contains("you may not read it"), qPrintable(report.text()));
        QCOMPARE(s.list.Directory(), QDir::cleanPath(s.dir.path()));
        QFile::setPermissions(s.dir.filePath("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void leavesAFolderThatVanishes() {
        ShownList s;
        QDir(s.dir.path()).mkpath("sub/deeper");
        s.list.SetDirectory(s.dir.filePath("sub/deeper"));
        QSignalSpy changes(&s.list, &TFileListViewLite::DirectoryChange);
        ModalAnswer report(ModalAnswer::click("BtnNo"));
        QDir(s.dir.filePath("sub")).removeRecursively();
        QTRY_VERIFY_WITH_TIMEOUT(report.seen(), 10000);
        QCOMPARE(s.list.Directory(), QDir::cleanPath(s.dir.path()));
        QVERIFY2(report.text().contains("no longer exists"), qPrintable(report.text()));
        QCOMPARE(changes.size(), 1);
    }
};

QTEST_MAIN(FileListOperationsTest)
#include "FileListOperationsTest.moc"
