#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "ProfileFile.h"
#include "QueryText.h"
#include "SqlPage.h"
#include "StringHolder.h"
#include "TabulonApplication.h"
#include "support/Files.h"
#include "support/ModalDialog.h"

using tabulon::testing::ModalAnswer;
using tabulon::testing::readFile;
using tabulon::testing::writeFile;

namespace {

const TStringHolder kMessages = MainWindowMessages();

// The SQL page over a store in a folder of its own, with the store's starting content.
struct Page {
    QTemporaryDir folder;
    QString store = folder.filePath("Vendrake.SQL");
    std::unique_ptr<TSqlPage> page;

    explicit Page(const QByteArray& content) {
        if (!content.isEmpty()) {
            writeFile(store, content);
        }
        page = std::make_unique<TSqlPage>(
            store, TQueryMessages{kMessages.message(16), kMessages.message(17), kMessages.message(18)},
            [] { return QString(); });
    }
    // Types at the end of the editor's text; "\n" is the Enter key.
    void type(const QString& text) const {
        page->QueryEdit->moveCursor(QTextCursor::End);
        for (const QChar c : text) {
            if (c == u'\n') {
                QTest::keyClick(page->QueryEdit, Qt::Key_Return);
            } else {
                QTest::keyClicks(page->QueryEdit, QString(c));
            }
        }
    }
    // Chooses item `index` from the name box's drop-down list.
    void pick(int index) const {
        QComboBox* box = page->SavedQueryCombo;
        box->showPopup();
        box->view()->setCurrentIndex(box->model()->index(index, 0));
        QTest::keyClick(box->view(), Qt::Key_Return);
    }
    QString text() const { return page->QueryEdit->toPlainText(); }
    bool modified() const { return page->QueryEdit->document()->isModified(); }
    QByteArray content() const { return readFile(store); }
};

// Answers a save-as dialog with `name`, or cancels it when `name` is empty.
std::function<void(QWidget*)> answerName(const QString& name) {
    return [name](QWidget* dialog) {
        if (name.isEmpty()) {
            dialog->findChild<QPushButton*>("CancelBtn")->click();
            return;
        }
        dialog->findChild<QLineEdit*>("NameEdit")->setText(name);
        dialog->findChild<QPushButton*>("OKBtn")->click();
    };
}

}  // namespace

class QueryStoreTest : public QObject {
    Q_OBJECT
private slots:
    void textRoundTrips_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("loaded");
        QTest::newRow("CR LF") << "a\r\nb"
                               << "a\\nb"
                               << "a\r\nb";
        QTest::newRow("LF") << "a\nb"
                            << "a\\nb"
                            << "a\r\nb";
        QTest::newRow("CR") << "a\rb"
                            << "a\\nb"
                            << "a\r\nb";
        QTest::newRow("LF CR") << "a\n\rb"
                               << "a\\nb"
                               << "a\r\nb";
        QTest::newRow("CR CR, LF LF") << "a\r\rb\n\n"
                                      << "a\\n\\nb\\n\\n"
                                      << "a\r\n\r\nb\r\n\r\n";
        QTest::newRow("backslash-n") << "a\\nb\\"
                                     << "a\\nb\\"
                                     << "a\r\nb\\";
        QTest::newRow("NUL ends it") << QString("a\nb") + QChar(0) + "c"
                                     << "a\\nb"
                                     << "a\r\nb";
        QTest::newRow("4096") << QString(4096, 'x') << QString(4096, 'x') << QString(4096, 'x');
        QTest::newRow("cut at 4096") << QString(4096, '\n') << QString("\\n").repeated(2048)
                                     << QString("\r\n").repeated(2048);
    }
    void textRoundTrips() {
        QFETCH(QString, text);
        QFETCH(QString, stored);
        QFETCH(QString, loaded);
        QCOMPARE(EncodeQueryText(text, "save"), stored);
        QCOMPARE(DecodeQueryText(stored, "load"), loaded);
    }

    void overLongTextsFail() {
        QVERIFY_THROWS_EXCEPTION(TQueryTextTooLarge, EncodeQueryText(QString(4097, 'x'), "save"));
        QVERIFY_THROWS_EXCEPTION(TQueryTextTooLarge, DecodeQueryText(QString(4097, 'x'), "load"));
    }

    void startsWithTheFirstQueryOrQuery1() {
        const Page listed("[B]\nQuery=x\\ny\n[a]\nQuery=z\n");
        QCOMPARE(listed.page->SavedQueryCombo->count(), 2);
        QCOMPARE(listed.page->SavedQueryCombo->itemText(1), QString("a"));
        QCOMPARE(listed.text(), QString("x\ny"));
        QVERIFY(!listed.modified());

        const Page empty("");
        QCOMPARE(empty.page->SavedQueryCombo->currentText(), QString("Query1"));
        QVERIFY(empty.page->BtnSaveQuery->isEnabled());  // no change has happened yet
        empty.type("SELECT 1\n");
        empty.page->BtnSaveQuery->click();  // named: no dialog
        QCOMPARE(empty.content(), QByteArray("[Query1]\nQuery=SELECT 1\\n\n"));
        QVERIFY(!empty.modified());
    }

    // A name typed key by key loads at every key; sections are found without case and keep
    // their place and spelling when saved.
    void typedNameLoadsAndSaveKeepsTheFile() {
        const Page p("[First]\nQuery=1\n[Second]\nQuery=2\n");
        p.page->SavedQueryCombo->lineEdit()->selectAll();
        QTest::keyClicks(p.page->SavedQueryCombo->lineEdit(), "SECOND");
        QCOMPARE(p.text(), QString("2"));
        p.type(" more");
        p.page->BtnSaveQuery->click();
        QCOMPARE(p.content(), QByteArray("[First]\nQuery=1\n[Second]\nQuery=2 more\n"));
    }

    // Choosing B while A is modified asks; the answer decides what is saved and shown.
    void modifiedQueryIsConfirmed_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("yes") << "BtnYes"
                             << "b" << QByteArray("[A]\nQuery=a!\n[B]\nQuery=b\n");
        QTest::newRow("no") << "BtnNo"
                            << "b" << QByteArray("[A]\nQuery=a\n[B]\nQuery=b\n");
        QTest::newRow("cancel") << "BtnCancel"
                                << "a!" << QByteArray("[A]\nQuery=a\n[B]\nQuery=b\n");
    }
    void modifiedQueryIsConfirmed() {
        QFETCH(QString, answer);
        QFETCH(QString, shown);
        QFETCH(QByteArray, stored);
        const Page p("[A]\nQuery=a\n[B]\nQuery=b\n");
        p.type("!");
        ModalAnswer question(ModalAnswer::click(answer));
        p.pick(1);
        QCOMPARE(question.text(), QString("Query A modified, save?"));
        QCOMPARE(p.text(), shown);
        QCOMPARE(p.content(), stored);
        QCOMPARE(p.page->SavedQueryCombo->currentText(), QString("B"));
        QCOMPARE(p.modified(), answer == "BtnCancel");
        if (answer == "BtnCancel") {  // the text still belongs to A
            p.page->BtnSaveQuery->click();
            QCOMPARE(p.content(), QByteArray("[A]\nQuery=a!\n[B]\nQuery=b\n"));
        }
    }

    // Yes on a new query asks its name; cancelled, the chosen query loads all the same.
    void yesOnUnnamedAsksItsName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("cancel") << "" << QByteArray("[A]\nQuery=a\n");
        QTest::newRow("named") << "Mine" << QByteArray("[A]\nQuery=a\n[Mine]\nQuery=n\n");
    }
    void yesOnUnnamedAsksItsName() {
        QFETCH(QString, name);
        QFETCH(QByteArray, stored);
        const Page p("[A]\nQuery=a\n");
        p.page->BtnNewQuery->click();
        QCOMPARE(p.page->SavedQueryCombo->currentText(), QString("Query1"));
        p.type("n");
        std::unique_ptr<ModalAnswer> saveAs;
        ModalAnswer question([&](QWidget* dialog) {
            saveAs = std::make_unique<ModalAnswer>(answerName(name));
            dialog->findChild<QPushButton*>("BtnYes")->click();
        });
        p.pick(0);
        QVERIFY(saveAs && saveAs->seen());
        QCOMPARE(p.text(), QString("a"));
        QCOMPARE(p.content(), stored);
        QCOMPARE(p.page->SavedQueryCombo->count(), name.isEmpty() ? 1 : 2);
        QCOMPARE(p.page->SavedQueryCombo->currentText(), QString("A"));
    }

    void newQueryProposesTheFirstFreeName() {
        const Page p("");
        p.page->BtnNewQuery->click();
        p.page->BtnNewQuery->click();
        QCOMPARE(p.page->QueryManager->currentName(), QString("Query1"));
        p.type("x");
        ModalAnswer saveAs(answerName("query1"));
        p.page->BtnSaveQuery->click();  // unnamed: asks
        QVERIFY(saveAs.seen());
        p.page->BtnNewQuery->click();
        QCOMPARE(p.page->QueryManager->currentName(), QString("Query2"));
        p.page->SavedQueryCombo->addItem("QUERY2");
        QCOMPARE(p.page->QueryManager->NextFreeName(), QString("Query3"));
    }

    void saveAsAnExistingNameOverwritesIt() {
        const Page p("[A]\nQuery=a\n[B]\nQuery=b\n");
        p.type("!");
        ModalAnswer saveAs(answerName("b"));
        p.page->BtnSaveQueryAs->click();
        QCOMPARE(p.content(), QByteArray("[A]\nQuery=a\n[B]\nQuery=a!\n"));
        QCOMPARE(p.page->SavedQueryCombo->count(), 2);
        QCOMPARE(p.page->SavedQueryCombo->currentIndex(), 1);
    }

    void blankTextDisablesRunAndSave() {
        const Page p("[A]\nQuery=a\n");
        const auto check = [&](bool enabled) {
            for (QPushButton* b : {p.page->BtnExecuteQuery, p.page->BtnSaveQuery, p.page->BtnSaveQueryAs}) {
                QCOMPARE(b->isEnabled(), enabled);
            }
            QVERIFY(p.page->BtnNewQuery->isEnabled());
        };
        p.page->QueryEdit->selectAll();
        QTest::keyClick(p.page->QueryEdit, Qt::Key_Backspace);
        check(false);
        p.type(" \t\n");
        check(false);
        p.type("x");
        check(true);
    }

    // An unwritable store keeps every query it holds and the editor keeps its changes.
    void unwritableStoreKeepsItsQueries() {
        const Page p("[A]\nQuery=a\n");
        QFile::setPermissions(p.store, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        p.type("!");
        QVERIFY_THROWS_EXCEPTION(TProfileWriteError, p.page->BtnSaveQuery->click());
        QCOMPARE(p.content(), QByteArray("[A]\nQuery=a\n"));
        QVERIFY(p.modified());
    }

    // A stored query over the limit is reported at start and on loading; the other queries
    // load and save, and the long one stays in the store.
    void overLongStoredQueryIsReported() {
        const QByteArray big = "[Big]\nQuery=" + QByteArray(4097, 'x') + "\n";
        const Page p(big + "[Small]\nQuery=s\n");
        QStringList reports;
        const auto report = [&](QWidget* dialog) {
            reports.append(qobject_cast<QMessageBox*>(dialog)->text());
            dialog->close();
        };
        {
            const ModalAnswer atStart(report);
            QTRY_VERIFY(atStart.seen());
        }
        QCOMPARE(p.text(), QString());
        p.pick(1);
        p.type("!");
        p.page->BtnSaveQuery->click();
        QCOMPARE(p.content(), big + "[Small]\nQuery=s!\n");
        const ModalAnswer onLoad(report);
        p.pick(0);
        QVERIFY(onLoad.seen());
        QCOMPARE(reports, QStringList(2, "String to large to read from an INI file."));
        QCOMPARE(p.text(), QString("s!"));
    }
};

int main(int argc, char** argv) {
    // The program's application: what a handler lets out goes to its error report.
    TTabulonApplication app(argc, argv);
    QueryStoreTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "QueryStoreTest.moc"
