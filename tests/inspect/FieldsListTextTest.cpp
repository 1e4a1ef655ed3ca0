// The fixed-width text of the field list and how Save appends it.
#include <QtTest>

#include "FieldsListText.h"
#include "core/EngineError.h"
#include "support/TempFolder.h"

using namespace tabulon;
using tabulon::testing::TempFolder;

namespace {

const QStringList kTitles{"", "Field Name", "Data Type", "Size", "Index", "Value"};

QList<QStringList> threeFields() {
    return {kTitles,
            {"0", "ID", "I - Integer", "4", "True", "17"},
            {"1", "CUSTOMER_NAME_X", "A - AlphaNumeric", "40", "False", "Smith"},
            {"2", "PAID", "L - Logical", "", "False", "True"}};
}

QByteArray readAll(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class FieldsListTextTest : public QObject {
    Q_OBJECT
private slots:
    void linesArePaddedToTheColumnWidths_data() {
        QTest::addColumn<QStringList>("row");
        QTest::addColumn<QString>("line");
        QTest::newRow("titles") << kTitles << "     Field Name     Data Type      Size   Index   Value";
        QTest::newRow("short cells") << QStringList{"0", "ID", "I - Integer", "4", "True", "17"}
                                     << "0    ID             I - Integer    4      True    17";
        QTest::newRow("a 15-character name runs into the type")
            << QStringList{"1", "CUSTOMER_NAME_X", "A - AlphaNumeric", "40", "False", "Smith"}
            << "1    CUSTOMER_NAME_XA - AlphaNumeric40     False   Smith";
        QTest::newRow("longer cells are not cut")
            << QStringList{"10000", "A_VERY_LONG_FIELD_NAME", "", "1234567", "12345678", "v"}
            << "10000A_VERY_LONG_FIELD_NAME" + QString(15, ' ') + "1234567" + "12345678" + "v";
        QTest::newRow("the value column is not padded")
            << QStringList{"", "", "", "", "", "x "} << QString(50, ' ') + "x ";
    }
    void linesArePaddedToTheColumnWidths() {
        QFETCH(QStringList, row);
        QFETCH(QString, line);
        const QStringList block = FieldsListBlock("/data/T.DB", {row});
        QCOMPARE(block.size(), 3);
        QCOMPARE(block[2], line);
    }

    void threeFieldsGiveSixLines() {
        const QStringList block = FieldsListBlock("/data/CUSTOMER.DB", threeFields());
        QCOMPARE(block.size(), 6);
        QCOMPARE(block[0], QStringLiteral("/data/CUSTOMER.DB"));
        QCOMPARE(block[1], QString());
        QVERIFY(block[2].startsWith("     Field Name"));
        QVERIFY(block[5].startsWith("2    PAID           L - Logical           False   True"));
    }

    void linesAreEndedByCarriageReturnAndLineFeed() {
        QCOMPARE(JoinCrLfLines({"a", "", "b"}), QStringLiteral("a\r\n\r\nb\r\n"));
    }

    void savingTwiceAppendsAfterThreeEmptyLines() {
        TempFolder folder;
        const QString fileName = QString::fromStdString((folder / "FIELDS.TXT").string());
        const QStringList first = FieldsListBlock("/data/A.DB", threeFields());
        const QStringList second = FieldsListBlock("/data/B.DBF", {kTitles});
        AppendBlockToFile(fileName, first);
        QCOMPARE(readAll(fileName), JoinCrLfLines(first).toLocal8Bit());
        AppendBlockToFile(fileName, second);
        QCOMPARE(readAll(fileName), JoinCrLfLines(first + QStringList{"", "", ""} + second).toLocal8Bit());
    }

    void aFileThatCannotBeWrittenIsReportedByName() {
        TempFolder folder;
        const QString fileName = QString::fromStdString((folder / "NO_SUCH_FOLDER" / "F.TXT").string());
        try {
            AppendBlockToFile(fileName, {"x"});
            QFAIL("writing into a missing folder succeeded");
        } catch (const EngineError& error) {
            QCOMPARE(QString::fromStdString(error.kind()), QStringLiteral("EFileError"));
            QVERIFY(QString::fromStdString(error.message()).contains(fileName));
        }
    }
};

QTEST_GUILESS_MAIN(FieldsListTextTest)
#include "FieldsListTextTest.moc"
