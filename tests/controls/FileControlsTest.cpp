#include <QDir>
#include <QFile>
#include <QListView>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include "DirectoryComboLite.h"
#include "FileListViewLite.h"
#include "FolderKeys.h"
#include "Volumes.h"
#include "support/Files.h"

using tabulon::testing::writeFile;

namespace {

// A combo and a list linked both ways, reading a folder with x.db, y.dbf and a sub-folder.
struct LinkedControls {
    QTemporaryDir dir;
    TDirectoryComboLite combo;
    TFileListViewLite list;

    LinkedControls() {
        QDir(dir.path()).mkpath("sub/deeper");
        writeFile(dir.filePath("x.db"));
        writeFile(dir.filePath("y.dbf"));
        writeFile(dir.filePath("sub/inner.db"));
        list.setMask("*.DB;*.DBF;*.TXT");
        list.setDirCombo(&combo);
        list.setReadEnabled(true);
        combo.SetDirectory(dir.path());
    }
    QString path(const QString& name) const { return QDir::cleanPath(dir.filePath(name)); }
};

}  // namespace

class FileControlsTest : public QObject {
    Q_OBJECT
private slots:
    void comboAndListFollowEachOther() {
        LinkedControls c;
        QCOMPARE(c.list.Directory(), c.path(""));
        QCOMPARE(c.list.ItemCount(), 3);
        QSignalSpy comboChanges(&c.combo, &TDirectoryComboLite::DirectoryChange);
        c.list.SetDirectory(c.path("sub"));
        QCOMPARE(c.combo.Directory(), c.path("sub"));
        QCOMPARE(comboChanges.size(), 1);
        QCOMPARE(comboChanges[0][2].toString(), c.path("sub"));
        c.combo.SetDirectory(c.path(""));
        QCOMPARE(c.list.Directory(), c.path(""));
    }

    void aFolderThatDoesNotExistIsNotTaken() {
        LinkedControls c;
        QSignalSpy changes(&c.combo, &TDirectoryComboLite::DirectoryChange);
        c.combo.SetDirectory(c.path("missing"));
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes[0][1].toString(), c.path(""));
        QCOMPARE(changes[0][2].toString(), c.path(""));
        QCOMPARE(c.combo.Directory(), c.path(""));
    }

    void comboIndentsThePathBelowItsVolume() {
        LinkedControls c;
        c.combo.SetDirectory(c.path("sub/deeper"));
        const QString root = TVolumes::rootOf(c.path("sub/deeper"), TVolumes::mounted());
        int anchor = -1;
        for (int i = 0; i < c.combo.count(); ++i) {
            if (c.combo.entryKey(i) == root) anchor = i;
        }
        QVERIFY(anchor > 0);
        QCOMPARE(c.combo.entryIndent(anchor), 20);
        const int last = c.combo.currentIndex();
        QCOMPARE(c.combo.entryKey(last), c.path("sub/deeper"));
        QCOMPARE(c.combo.entryKey(last - 1), c.path("sub"));
        QCOMPARE(c.combo.entryIndent(anchor + 1), 30);
        QCOMPARE(c.combo.entryIndent(last), 30 + 10 * (last - anchor - 1));
        // Moving up removes the deeper entries again.
        const int countBefore = c.combo.count();
        c.combo.GoUp();
        QCOMPARE(c.combo.count(), countBefore - 1);
        QCOMPARE(c.combo.entryKey(0), QString("DeskTop"));
    }

    void selectsAndOpensEntries() {
        LinkedControls c;
        c.list.SelectFile(c.path("y.dbf"));
        QCOMPARE(c.list.SelectedPath(), c.path("y.dbf"));
        QCOMPARE(c.list.SelectedFileName(), QString("y.dbf"));
        QSignalSpy selected(&c.list, &TFileListViewLite::FileSelect);
        c.list.OpenSelected();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected[0][0].toString(), c.path("y.dbf"));

        c.list.selectRow(0);
        QCOMPARE(c.list.SelectedFileName(), QString());
        c.list.OpenSelected();
        QCOMPARE(c.list.Directory(), c.path("sub"));
        QCOMPARE(c.combo.Directory(), c.path("sub"));

        c.list.SelectFile(c.path("x.db"));
        QCOMPARE(c.list.Directory(), c.path(""));
        QCOMPARE(c.list.SelectedPath(), c.path("x.db"));
    }

    void answersKeys() {
        LinkedControls c;
        c.list.show();
        c.list.selectRow(0);
        QTest::keyClick(c.list.listView(), Qt::Key_Return);
        QCOMPARE(c.list.Directory(), c.path("sub"));
        QTest::keyClick(c.list.listView(), Qt::Key_Backspace);
        QCOMPARE(c.list.Directory(), c.path(""));
        writeFile(c.dir.filePath("new.txt"));
        QCOMPARE(c.list.ItemCount(), 3);
        QTest::keyClick(c.list.listView(), Qt::Key_F5);
        QCOMPARE(c.list.ItemCount(), 4);
        c.combo.SetDirectory("/");
        QTest::keyClick(&c.combo, Qt::Key_Backspace);
        QCOMPARE(c.combo.Directory(), QString("Drives"));
        QCOMPARE(c.list.Directory(), QString("Drives"));
        QVERIFY(c.list.ItemCount() >= 1);
        QCOMPARE(c.list.entry(0).attributes, QString("U"));
    }

    void columnClicksToggleTheDirection() {
        LinkedControls c;
        c.list.ColumnClick(1);
        QCOMPARE(c.list.SortedBy(), sbSize);
        c.list.ColumnClick(1);
        QCOMPARE(c.list.SortedBy(), sbSizeInv);
        c.list.ColumnClick(1);
        QCOMPARE(c.list.SortedBy(), sbSize);
        c.list.ColumnClick(0);
        QCOMPARE(c.list.SortedBy(), sbName);
    }

    void switchesViewStyles() {
        LinkedControls c;
        c.list.show();
        QSignalSpy changes(&c.list, &TFileListViewLite::ViewChange);
        for (TViewIconStyle style : {visReport, visSmallIcon, visIcon, visList}) {
            c.list.selectRow(1);
            c.list.setViewIconStyle(style);
            QCOMPARE(c.list.ViewIconStyle(), style);
            QCOMPARE(c.list.reportView()->isVisible(), style == visReport);
            QCOMPARE(c.list.SelectedPath(), c.path("x.db"));
        }
        QCOMPARE(changes.size(), 4);
    }

    void readsNothingUntilEnabled() {
        QTemporaryDir dir;
        writeFile(dir.filePath("x.db"));
        TFileListViewLite list;
        list.SetDirectory(dir.path());
        QCOMPARE(list.ItemCount(), 0);
        list.setReadEnabled(true);
        list.ReadDirectory();
        QCOMPARE(list.ItemCount(), 1);
    }

    void findsTheListADragCameFrom() {
        LinkedControls c;
        QCOMPARE(TFileListViewLite::fromDragSource(c.list.listView()), &c.list);
        QCOMPARE(TFileListViewLite::fromDragSource(&c.combo), nullptr);
        QCOMPARE(TFileListViewLite::fromDragSource(nullptr), nullptr);
    }
};

QTEST_MAIN(FileControlsTest)
#include "FileControlsTest.moc"
