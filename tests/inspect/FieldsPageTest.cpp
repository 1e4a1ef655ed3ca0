// The Fields page: filling the grid from a dataset table, copying and printing it.
#include <QtTest>

#include <QClipboard>
#include <QGuiApplication>
#include <QPrinter>
#include <QTableWidget>
#include <QToolButton>

#include "DbfHeaderBytes.h"
#include "FieldTypeText.h"
#include "FieldsListText.h"
#include "FieldsPage.h"
#include "InspectFolder.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {

QStringList column(const FieldsPage& page, int columnIndex) {
    QStringList cells;
    for (const QStringList& row : page.GridRows().mid(1)) cells << row[columnIndex];
    return cells;
}

// The Fields page filled from the people memory table, ordered by `index`.
struct PeopleFields {
    InspectFolder folder;
    std::unique_ptr<Table> table;
    FieldsPage page{kFieldsTitles};

    explicit PeopleFields(const std::string& index = {}) {
        createPeople(folder);
        table = folder.open("PEOPLE.MEM", index);
        page.Fill(*table, "/data/PEOPLE.MEM");
    }
};

int pdfPageCount(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QString text = QString::fromLatin1(file.readAll());
    return int(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?![s\\w])"))));
}

}  // namespace

class FieldsPageTest : public QObject {
    Q_OBJECT
private slots:
    void sizeTexts_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("text");
        QTest::newRow("boolean") << int(ftBoolean) << 1 << "";
        QTest::newRow("string") << int(ftString) << 30 << "30";
        QTest::newRow("memo keeps its declared size") << int(ftMemo) << 10 << "10";
        QTest::newRow("memo without a size") << int(ftMemo) << 0 << "0";
        QTest::newRow("integer") << int(ftInteger) << 0 << "4";
        QTest::newRow("small integer") << int(ftSmallint) << 0 << "2";
        QTest::newRow("word") << int(ftWord) << 0 << "2";
        QTest::newRow("auto-increment") << int(ftAutoInc) << 0 << "4";
        QTest::newRow("time") << int(ftTime) << 0 << "4";
        QTest::newRow("float") << int(ftFloat) << 0 << "8";
        QTest::newRow("currency") << int(ftCurrency) << 0 << "8";
        QTest::newRow("date-time") << int(ftDateTime) << 0 << "8";
        QTest::newRow("BCD without digits") << int(ftBCD) << 0 << "34";
        QTest::newRow("graphic") << int(ftGraphic) << 0 << "0";
    }
    void sizeTexts() {
        QFETCH(int, type);
        QFETCH(int, size);
        QFETCH(QString, text);
        FieldDef field{"F", static_cast<FieldType>(type), size, 0, false, ""};
        QCOMPARE(QString::fromStdString(FieldSizeText(field)), text);
    }

    void typeNamesFollowTheCodes_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("name");
        QTest::newRow("unknown") << int(ftUnknown) << "Unknown Type";
        QTest::newRow("string") << int(ftString) << "A - AlphaNumeric";
        QTest::newRow("BCD") << int(ftBCD) << "# - BCD Integer";
        QTest::newRow("date-time") << int(ftDateTime) << "@ - Timestamp";
        QTest::newRow("typed binary") << int(ftTypedBinary) << "J - Typed Bin.";
        QTest::newRow("outside the list") << int(ftCursor) << "Unknown Type";
        QTest::newRow("negative") << -1 << "Unknown Type";
    }
    void typeNamesFollowTheCodes() {
        QFETCH(int, type);
        QFETCH(QString, name);
        QCOMPARE(QString::fromStdString(FieldTypeDisplayName(static_cast<FieldType>(type))), name);
    }

    void aFreshPageHasTitlesAnEmptyRowAndDisabledButtons() {
        FieldsPage page(kFieldsTitles);
        const auto rows = page.GridRows();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0], QStringList{""} + kFieldsTitles);
        QCOMPARE(rows[1], QStringList(6, QString()));
        QVERIFY(!page.BtnCopy->isEnabled() && !page.BtnSave->isEnabled() && !page.BtnPrint->isEnabled());
        page.SetButtonsEnabled(true);
        QVERIFY(page.BtnCopy->isEnabled() && page.BtnSave->isEnabled() && page.BtnPrint->isEnabled());
    }

    void fillListsEveryFieldOfTheTable() {
        PeopleFields people;
        auto& [folder, table, page] = people;
        QCOMPARE(page.StringGridFields->rowCount(), 6);
        QCOMPARE(column(page, 0), (QStringList{"0", "1", "2", "3", "4"}));
        QCOMPARE(column(page, 1), (QStringList{"ID", "NAME", "CITY", "PAID", "BORN"}));
        QCOMPARE(column(page, 2),
                 (QStringList{"I - Integer", "A - AlphaNumeric", "A - AlphaNumeric", "L - Logical", "D - Date"}));
        QCOMPARE(column(page, 3), (QStringList{"4", "20", "12", "", "4"}));
        QCOMPARE(column(page, 4), (QStringList{"True", "False", "False", "False", "False"}));
        QCOMPARE(column(page, 5).mid(0, 3), (QStringList{"1", "Adams", "Paris"}));
    }

    void theIndexColumnShowsTheFieldsOfTheOrderInForce() {
        PeopleFields people("BYCITYNAME");
        auto& page = people.page;
        QCOMPARE(column(page, 4), (QStringList{"False", "True", "True", "False", "False"}));
        QCOMPARE(column(page, 5).mid(0, 3), (QStringList{"2", "Brown", "Oslo"}));
    }

    void aDbaseHeaderBesideTheTableLendsItsTypes_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QStringList>("types");
        QTest::addColumn<QStringList>("sizes");
        const Bytes lent = join({fileHeader(0x03, 0x7F), descriptor("ID", 'N', 10), descriptor("NAME", 'C', 20),
                                 descriptor("CITY", 'I', 4), terminatorAndRecord(5)});
        QTest::newRow("to the first fields")
            << "PEOPLE.dbf" << QByteArray(reinterpret_cast<const char*>(lent.data()), qsizetype(lent.size()))
            << QStringList{"NUMERIC", "CHARACTER", "", "L - Logical", "D - Date"}
            << QStringList{"10,0", "20", "", "", "4"};
        QTest::newRow("unrecognised: the dataset's names")
            << "PEOPLE.DBF" << QByteArray(64, 'x')
            << QStringList{"I - Integer", "A - AlphaNumeric", "A - AlphaNumeric", "L - Logical", "D - Date"}
            << QStringList{"4", "20", "12", "", "4"};
    }
    void aDbaseHeaderBesideTheTableLendsItsTypes() {
        QFETCH(QString, file);
        QFETCH(QByteArray, header);
        QFETCH(QStringList, types);
        QFETCH(QStringList, sizes);
        InspectFolder folder;
        createPeople(folder);
        writeBytes(folder / file.toStdString(), Bytes(header.begin(), header.end()));
        auto table = folder.open("PEOPLE.MEM");
        FieldsPage page(kFieldsTitles);
        page.Fill(*table, folder.file(file.toStdString()));
        QCOMPARE(column(page, 2), types);
        QCOMPARE(column(page, 3), sizes);
    }

    void aRealDbaseTableShowsItsHeaderTypesAndNoIndex() {
        InspectFolder folder;
        if (!folder.copyFixtures("dbase/dbase3")) QSKIP("The shared fixtures are not here");
        auto table = folder.open("dbase3.dbf");
        FieldsPage page(kFieldsTitles);
        page.Fill(*table, folder.file("dbase3.dbf"));
        QCOMPARE(column(page, 1), (QStringList{"N_ID", "C_CHAR10", "N_INT", "N_DECIMAL", "L_BOOL", "D_DATE"}));
        QCOMPARE(column(page, 2), (QStringList{"NUMERIC", "CHARACTER", "NUMERIC", "NUMERIC", "LOGICAL", "DATE"}));
        QCOMPARE(column(page, 3), (QStringList{"19,5", "10", "19,5", "19,5", "", "8"}));
        QCOMPARE(column(page, 4), QStringList(6, "False"));
    }

    void clearLeavesTheTitlesAndOneEmptyRow() {
        PeopleFields people;
        auto& [folder, table, page] = people;
        page.Clear();
        const auto rows = page.GridRows();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0][1], QStringLiteral("Field Name"));
        QCOMPARE(rows[1], QStringList(6, QString()));
    }

    void copyPutsTheBlockOnTheClipboard() {
        PeopleFields people;
        auto& [folder, table, page] = people;
        page.BtnCopyClick();
        const QString text = QGuiApplication::clipboard()->text();
        QVERIFY(text.endsWith("\r\n"));
        const QStringList lines = text.split("\r\n");
        QCOMPARE(lines.size(), 8 + 1);  // path, empty line, titles, five fields; then the final ending
        QCOMPARE(lines[0], QStringLiteral("/data/PEOPLE.MEM"));
        QCOMPARE(lines[3], QStringLiteral("0    ID             I - Integer    4      True    1"));
    }

    void saveAppendsToTheChosenFile() {
        PeopleFields people;
        auto& [folder, table, page] = people;
        const QString fileName = QString::fromStdString((folder / "LIST.TXT").string());
        page.SaveTo(fileName);
        page.SaveTo(fileName);
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList block = page.ListBlock();
        QCOMPARE(QString::fromLocal8Bit(file.readAll()), JoinCrLfLines(block + QStringList(3, QString()) + block));
    }

    void printingALongListBreaksPagesAsTheLayoutImplies() {
        InspectFolder folder;
        std::vector<FieldDef> fields;
        for (int i = 0; i < 150; ++i) fields.push_back({"FIELD" + std::to_string(i), ftInteger, 0, 0, false, "I"});
        folder.create("WIDE.MEM", fields, {}, {});
        auto table = folder.open("WIDE.MEM");
        FieldsPage page(kFieldsTitles);
        page.Fill(*table, "/data/WIDE.MEM");

        const QString pdf = QString::fromStdString((folder / "FIELDS.PDF").string());
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setResolution(300);
        page.PrintTo(printer);

        // Title line at 100 + 1.1 row heights, then one row height per field, in printer pixels;
        // a line that leaves y below the page height less 200 starts a new page at 200.
        const double scale = 300.0 / page.logicalDpiY();
        int y = qRound(100 * scale) + qRound(1.1 * scale * 18);
        int pages = 1;
        for (int row = 0; row < 150; ++row) {
            y += qRound(scale * 18);
            if (printer.height() - 200 < y) {
                ++pages;
                y = 200;
            }
        }
        QVERIFY(pages >= 3);
        QCOMPARE(pdfPageCount(pdf), pages);
    }
};

QTEST_MAIN(FieldsPageTest)
#include "FieldsPageTest.moc"
