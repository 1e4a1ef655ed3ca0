// The import and export windows driven as a user does, on a dBase table of a temporary folder;
// the table and the text files are read back afterwards.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <fstream>

#include "FormExportText.h"
#include "FormImportText.h"
#include "TextFormatChoice.h"
#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "storage/Drivers.h"
#include "support/ModalDialog.h"
#include "support/TempFolder.h"

using namespace tabulon;
using tabulon::testing::ModalAnswer;

namespace {

// ITEMS.DBF (NAME, QTY) with two records, open through a connection to its folder.
struct Items {
    testing::TempFolder folder;
    Session session{"windows"};
    Table* table = nullptr;
    std::unique_ptr<Table> owned;

    Items() {
        auto file = driverFor(ttDBase).create(
            folder / "ITEMS.DBF", {{"NAME", ftString, 10, 0, false, ""}, {"QTY", ftInteger, 5, 0, false, ""}}, {}, {});
        file->append({Value::string("O'Brien"), Value::integer(5)});
        file->append({Value::string("b"), Value()});
        file.reset();
        Connection& connection = session.addConnection("Folder");
        connection.setParams(Connection::folderParams(folder.path().string()));
        connection.connect();
        owned = std::make_unique<Table>(connection);
        owned->setTableName("ITEMS.DBF");
        owned->open();
        table = owned.get();
    }
    QString file(const char* name) const { return QString::fromStdString((folder / name).string()); }
    void write(const char* name, const std::string& text) const {
        std::ofstream(folder / name, std::ios::binary) << text;
    }
    std::string read(const char* name) const {
        std::ifstream in(folder / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    QStringList records() const {
        QStringList out;
        auto storage = openTable(folder / "ITEMS.DBF");
        Record record;
        for (std::uint64_t slot = 0; slot < storage->slotCount(); ++slot)
            if (storage->readSlot(slot, record))
                out << QString::fromStdString(record[0].toText() + "|" +
                                              record[1].convertTo(ValueKind::Integer).toText());
        return out;
    }
};

// Answers the save dialog by typing `path` as the file name and saving; `unchecked` saves as the
// dialog would without its checks, for a folder that does not exist.
std::function<void(QWidget*)> saveAs(const QString& path, bool unchecked = false) {
    return [path, unchecked](QWidget* dialog) {
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        auto* asDialog = static_cast<QDialog*>(qobject_cast<QFileDialog*>(dialog));
        unchecked ? asDialog->done(QDialog::Accepted) : asDialog->accept();
    };
}

void select(QListWidget* list, int row) {
    list->setCurrentRow(row);
    list->item(row)->setSelected(true);
}

QStringList itemTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}

}  // namespace

class TextWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void exportWritesTheCheckedFieldsInTheListOrder() {
        Items items;
        TFormExportText window(*items.table);
        window.show();
        QCOMPARE(itemTexts(window.CheckListFields), QStringList({"NAME", "QTY"}));
        window.BtnMoveUp->click();  // nothing selected: nothing moves
        select(window.CheckListFields, 0);
        window.BtnMoveUp->click();  // the first cannot go up
        QCOMPARE(itemTexts(window.CheckListFields), QStringList({"NAME", "QTY"}));
        window.BtnMoveDn->click();
        QCOMPARE(itemTexts(window.CheckListFields), QStringList({"QTY", "NAME"}));
        QTest::keyClicks(window.EditSep, "^t");
        QTest::mouseClick(window.CBQuoted, Qt::LeftButton, {}, QPoint(4, window.CBQuoted->height() / 2));
        ModalAnswer target(saveAs(items.file("OUT.TXT")));
        window.BtnOk->click();
        QVERIFY(target.seen());
        QCOMPARE(items.read("OUT.TXT"), std::string("5\t'O'Brien'\r\n\t'b'\r\n"));
        QCOMPARE(window.ProgressBar->value(), window.ProgressBar->maximum());

        window.CheckListFields->item(0)->setCheckState(Qt::Unchecked);
        window.FormatChoice->ComboFormat->setCurrentIndex(1);
        window.FormatChoice->CBHeader->setChecked(true);
        window.EditSep->clear();
        ModalAnswer csv(saveAs(items.file("OUT.CSV")));
        window.BtnOk->click();
        QCOMPARE(QString::fromStdString(items.read("OUT.CSV")), QString("NAME\r\nO'Brien\r\nb\r\n"));
    }

    void failedExportIsReportedAndWritesNothing() {
        Items items;
        TFormExportText window(*items.table);
        window.show();
        std::unique_ptr<ModalAnswer> report;
        ModalAnswer target([&](QWidget* dialog) {
            report = std::make_unique<ModalAnswer>(ModalAnswer::click("BtnNo"));
            saveAs(items.file("missing/OUT.TXT"), true)(dialog);
        });
        window.BtnOk->click();
        QVERIFY(report && report->seen());
        QVERIFY2(report->text().contains("missing/OUT.TXT"), qPrintable(report->text()));
        QVERIFY(!std::filesystem::exists(items.folder / "missing"));
    }

    void emptyFileDisablesParseAndOk() {
        Items items;
        items.write("EMPTY.TXT", "");
        TFormImportText window(items.file("EMPTY.TXT"), *items.table);
        window.show();
        QVERIFY(!window.BtnParse->isEnabled());
        QVERIFY(!window.BtnOk->isEnabled());
    }

    // A line the table refuses stops the import; Yes keeps what came before, No rolls it back.
    void refusedLineStopsAndTheUserKeepsOrRollsBack_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("records");
        QTest::newRow("keep") << "BtnYes" << QStringList({"O'Brien|5", "b|", "|7", "x|8"});
        QTest::newRow("roll back") << "BtnNo" << QStringList({"O'Brien|5", "b|"});
    }
    void refusedLineStopsAndTheUserKeepsOrRollsBack() {
        QFETCH(QString, answer);
        QFETCH(QStringList, records);
        Items items;
        items.write("IN.TXT", "skip;;7\r\nskip;x;8\r\nskip;y;many\r\nskip;z;9\r\n");
        TFormImportText window(items.file("IN.TXT"), *items.table);
        window.show();
        QTest::keyClicks(window.EditSep, ";");
        window.BtnParse->click();
        QCOMPARE(itemTexts(window.CheckListTextF), QStringList({"skip", "", "7"}));
        window.BtnSel->click();
        window.CheckListTextF->item(0)->setCheckState(Qt::Unchecked);
        std::unique_ptr<ModalAnswer> outcome;
        ModalAnswer question([&](QWidget* dialog) {
            outcome = std::make_unique<ModalAnswer>(ModalAnswer::click("BtnNo"));
            dialog->findChild<QPushButton*>(answer)->click();
        });
        window.BtnOk->click();
        QVERIFY2(question.text().contains("Line 3") && question.text().contains("QTY"), qPrintable(question.text()));
        QVERIFY(question.text().contains("Keep the 2 records"));
        QVERIFY(outcome && outcome->seen());
        QCOMPARE(items.records(), records);
        QCOMPARE(window.result(), int(QDialog::Accepted));
    }

    void headerLinePairsFieldsByName() {
        Items items;
        items.write("IN.CSV", "QTY,NAME\r\n3,\"a,b\"\r\n");
        TFormImportText window(items.file("IN.CSV"), *items.table);
        window.show();
        window.FormatChoice->ComboFormat->setCurrentIndex(1);
        window.FormatChoice->CBHeader->setChecked(true);
        window.BtnParse->click();
        QCOMPARE(itemTexts(window.CheckListFields), QStringList({"QTY", "NAME"}));
        window.BtnOk->click();
        QCOMPARE(items.records().last(), QString("a,b|3"));
    }
};

QTEST_MAIN(TextWindowsTest)
#include "TextWindowsTest.moc"
