#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "DirectoryComboLite.h"
#include "FakeTableBrowser.h"
#include "FileListViewLite.h"
#include "FormMain.h"
#include "TableShortcutList.h"
#include "support/Files.h"
#include "support/ModalDialog.h"

using tabulon::testing::ModalAnswer;
using tabulon::testing::readFile;
using tabulon::testing::writeFile;

namespace {

// Shows a main window on `ini`, lets `change` act on it, and closes it.
void runWindow(const QString& ini, const std::function<void(TFormMain&)>& change) {
    TFormMain form(ini, QString());
    form.show();
    change(form);
    form.close();
}

}  // namespace

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void writesAndReadsBackFolderAndShortcuts() {
        QTemporaryDir dir;
        const QString ini = dir.filePath("Vendrake.INI");
        const QString folder = QDir::cleanPath(dir.path());
        runWindow(ini, [&](TFormMain& form) {
            form.DirectoryCombo->SetDirectory(folder);
            form.ListTabDef->addShortcut("zeta", "/z/zeta.db");
            form.ListTabDef->addShortcut("alpha", "/a/alpha.db");
            form.ListTabDef->addShortcut("mid", "/m/mid.dbf");
        });
        QCOMPARE(readFile(ini), "[WorkingParm]\nDataBasePath=" + folder.toUtf8() +
                                    "\n[PredefinedTable]\nzeta=/z/zeta.db\nalpha=/a/alpha.db\n"
                                    "mid=/m/mid.dbf\n");
        runWindow(ini, [&](TFormMain& form) {
            QCOMPARE(form.DirectoryCombo->Directory(), folder);
            QCOMPARE(form.DatabasePath, folder);
            QCOMPARE(form.ListTabDef->captions(), QStringList({"zeta", "alpha", "mid"}));
            QCOMPARE(form.ListTabDef->PredefinedPaths, QStringList({"/z/zeta.db", "/a/alpha.db", "/m/mid.dbf"}));
        });
    }

    void duplicateAndOddCaptionsFollowTheProfileSyntax() {
        QTemporaryDir dir;
        const QString ini = dir.filePath("Vendrake.INI");
        runWindow(ini, [&](TFormMain& form) {
            form.DirectoryCombo->SetDirectory(dir.path());
            form.ListTabDef->addShortcut("same", "/1/a.db");
            form.ListTabDef->addShortcut("SAME", "/2/a.db");
            form.ListTabDef->addShortcut("a=b", "/3/c.db");
        });
        runWindow(ini, [&](TFormMain& form) {
            QCOMPARE(form.ListTabDef->captions(), QStringList({"same", "a"}));
            QCOMPARE(form.ListTabDef->PredefinedPaths, QStringList({"/2/a.db", "b=/3/c.db"}));
        });
    }

    void missingFileGivesTheDefaults() {
        QTemporaryDir dir;
        runWindow(dir.filePath("Vendrake.INI"), [&](TFormMain& form) {
            QCOMPARE(form.DirectoryCombo->Directory(), QDir::cleanPath(QDir::homePath()));
            QCOMPARE(form.ListTabDef->count(), 0);
        });
    }

    void missingSavedFolderKeepsTheCurrentOne() {
        QTemporaryDir dir;
        const QString ini = dir.filePath("Vendrake.INI");
        writeFile(ini, "[WorkingParm]\nDataBasePath=" + dir.filePath("gone").toUtf8() + "\n");
        runWindow(ini, [&](TFormMain& form) {
            QCOMPARE(form.DirectoryCombo->Directory(), QDir::cleanPath(QDir::currentPath()));
            QCOMPARE(form.DatabasePath, form.DirectoryCombo->Directory());
        });
    }

    void readOnlyFileIsReportedAndTheWindowStillCloses() {
        QTemporaryDir dir;
        const QString ini = dir.filePath("Vendrake.INI");
        const QByteArray before = "[WorkingParm]\nDataBasePath=" + dir.path().toUtf8() + "\n";
        writeFile(ini, before);
        QFile::setPermissions(ini, QFile::ReadOwner);
        TFormMain form(ini, QString());
        form.show();
        form.ListTabDef->addShortcut("t", "/t.db");
        QString reported;
        ModalAnswer answer([&](QWidget* box) {
            reported = static_cast<QMessageBox*>(box)->text();
            QCOMPARE(box->windowTitle(), QString("Tabulon V 1.0"));
            static_cast<QMessageBox*>(box)->accept();
        });
        QVERIFY(form.close());
        QVERIFY(answer.seen());
        QCOMPARE(reported, "Unable to write to " + ini + ".");
        QCOMPARE(readFile(ini), before);
    }

    void captionsOfShortcuts_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("caption");
        QTest::newRow("two folders deep") << "/data/sales/orders.db"
                                          << "data.sales.orders";
        QTest::newRow("in the root") << "/orders.db"
                                     << "..orders";
        QTest::newRow("one folder deep") << "/data/orders.db"
                                         << ".data.orders";
        QTest::newRow("deeper") << "/home/u/data/sales/orders.dbf"
                                << "data.sales.orders";
        QTest::newRow("two dots in the name") << "/a/b/my.table.db"
                                              << "a.b.my.table";
    }
    void captionsOfShortcuts() {
        QFETCH(QString, path);
        QFETCH(QString, caption);
        QCOMPARE(TTableShortcutList::ShortcutCaption(path), caption);
    }

    void dropsComeOnlyFromFileLists() {
        QTemporaryDir dir;
        writeFile(dir.filePath("t.db"), "");
        TFileListViewLite files;
        files.setReadEnabled(true);
        files.SelectFile(dir.filePath("t.db"));
        TTableShortcutList list;
        QVERIFY(TTableShortcutList::acceptsDragFrom(files.listView()));
        QVERIFY(!TTableShortcutList::acceptsDragFrom(&list));
        list.addFrom(files);
        list.addFrom(files);
        QCOMPARE(list.count(), 2);
        QCOMPARE(list.item(0)->text(), list.item(1)->text());
        QCOMPARE(list.PredefinedPaths, QStringList({dir.filePath("t.db"), dir.filePath("t.db")}));
        QCOMPARE(list.currentRow(), 1);
    }

    void deleteKeepsCaptionsAndPathsPaired() {
        TTableShortcutList list;
        list.addShortcut("a", "/a.db");
        list.addShortcut("b", "/b.db");
        list.addShortcut("c", "/c.db");
        list.setCurrentRow(1);
        list.PopItemDeleteClick();
        QCOMPARE(list.captions(), QStringList({"a", "c"}));
        QCOMPARE(list.PredefinedPaths, QStringList({"/a.db", "/c.db"}));
        list.clearSelection();
        list.PopItemDeleteClick();
        QCOMPARE(list.count(), 2);
        list.PopItemClearClick();
        QCOMPARE(list.count(), 0);
        QVERIFY(list.PredefinedPaths.isEmpty());
        list.PopItemDeleteClick();  // nothing to delete: nothing happens
        QCOMPARE(list.count(), 0);
    }

    void captionDialogRenames_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ok") << "Customers"
                            << "BtnOk"
                            << "Customers";
        QTest::newRow("empty becomes NoName") << ""
                                              << "BtnOk"
                                              << "NoName";
        QTest::newRow("blanks stay") << "   "
                                     << "BtnOk"
                                     << "   ";
        QTest::newRow("cancel keeps") << "other"
                                      << "BtnCancel"
                                      << "old";
    }
    void captionDialogRenames() {
        QFETCH(QString, typed);
        QFETCH(QString, button);
        QFETCH(QString, expected);
        TTableShortcutList list;
        list.addShortcut("old", "/old.db");
        QString shown;
        ModalAnswer answer([&](QWidget* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>("EditCaption");
            shown = edit->text();
            edit->setText(typed);
            QTest::keyClick(edit, Qt::Key_Return);  // Enter does not close the dialog
            ModalAnswer::click(button)(dialog);
        });
        list.PopItemCaptionClick();
        QVERIFY(answer.seen());
        QCOMPARE(shown, QString("old"));
        QCOMPARE(list.item(0)->text(), expected);
        QCOMPARE(list.PredefinedPaths, QStringList{"/old.db"});
    }

    void clickSelectsOnlyWithoutATable() {
        QTemporaryDir dir;
        writeFile(dir.filePath("open.db"), "");
        TFormMain form(dir.filePath("Vendrake.INI"), QString());
        auto browser = std::make_unique<FakeTableBrowser>();
        browser->openableCached = {"open.db"};
        form.setTableBrowser(std::move(browser));
        form.show();
        form.ListTabDef->addShortcut("a", "/a/a.db");
        form.ListTabDef->addShortcut("b", "/b/b.db");
        form.ListTabDef->setCurrentRow(0);
        QCOMPARE(form.TableFile, QString("/a/a.db"));
        QCOMPARE(form.statusBar()->currentMessage(), QString("/a/a.db"));
        form.FileListViewFileSelect(dir.filePath("open.db"));
        QCOMPARE(form.tableState(), TTableState::TableOpen);
        form.ListTabDef->setCurrentRow(1);
        QCOMPARE(form.TableFile, dir.filePath("open.db"));
        form.close();
    }

    void doubleClickMovesToTheShortcutsFolder() {
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("sub");
        writeFile(dir.filePath("sub/s.db"), "");
        TFormMain form(dir.filePath("Vendrake.INI"), QString());
        form.show();
        form.ListTabDef->addShortcut("s", dir.filePath("sub/s.db"));
        form.ListTabDefDblClick();
        QCOMPARE(form.DirectoryCombo->Directory(), QDir::cleanPath(dir.filePath("sub")));
        QCOMPARE(form.TableFile, dir.filePath("sub/s.db"));
        QCOMPARE(form.statusBar()->currentMessage(), QString("ERROR: Unable to open Table!"));
        form.close();
    }
};

QTEST_MAIN(SettingsTest)
#include "SettingsTest.moc"
