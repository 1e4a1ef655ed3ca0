// The dBase header reader on real tables and on headers made byte by byte.
#include <QtTest>

#include "DbfHeaderBytes.h"
#include "TDBFReader.h"
#include "support/TempFolder.h"

using tabulon::TDBFReader;
using namespace tabulon::testing;

namespace {

// A reader of headers written to a folder of its own.
struct CraftedReader {
    TempFolder folder;
    TDBFReader reader;

    bool read(const Bytes& bytes) { return reader.ReadHeader(writeBytes(folder / "CRAFTED.DBF", bytes)); }
};

// A header with the one descriptor `field`.
Bytes oneField(const Bytes& field) { return join({fileHeader(), field, terminatorAndRecord()}); }

QString fixture(const char* relative) { return QStringLiteral(TABULON_FIXTURES "/dbase/") + QLatin1String(relative); }

QString q(const std::string& text) { return QString::fromStdString(text); }

// "NAME TYPENAME SIZE" for every record, name without its zero padding.
QStringList describe(const TDBFReader& reader) {
    QStringList lines;
    for (std::size_t i = 0; i < reader.Count(); ++i) {
        const auto& item = reader.Items(i);
        lines << q(item.Name()).remove(QChar(0)) + ' ' + q(item.TypeName()) + ' ' + q(item.SizeText());
    }
    return lines;
}

}  // namespace

class TDBFReaderTest : public QObject {
    Q_OBJECT
private slots:
    void readsTheFixtureDescriptors_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("first");
        QTest::newRow("dBase III") << fixture("dbase3/dbase3.dbf") << 6
                                   << QStringList{"N_ID NUMERIC 19,5",  "C_CHAR10 CHARACTER 10",
                                                  "N_INT NUMERIC 19,5", "N_DECIMAL NUMERIC 19,5",
                                                  "L_BOOL LOGICAL ",    "D_DATE DATE 8"};
        QTest::newRow("31 fields") << fixture("dbase3/dbase_03.dbf") << 31
                                   << QStringList{"Point_ID CHARACTER 12", "Type CHARACTER 20"};
        QTest::newRow("float") << fixture("dbase3/contain_none_float.dbf") << 5
                               << QStringList{"name CHARACTER 50", "value_f FLOAT 50,3"};
    }
    void readsTheFixtureDescriptors() {
        QFETCH(QString, file);
        QFETCH(int, count);
        QFETCH(QStringList, first);
        if (!QFile::exists(file)) QSKIP("The shared fixtures are not here");
        TDBFReader reader;
        QVERIFY(reader.ReadHeader(file.toStdString()));
        QCOMPARE(int(reader.Count()), count);
        QCOMPARE(describe(reader).mid(0, first.size()), first);
    }

    void levelSevenFilesAreNotRecognised() {
        const QDir folder(fixture("dbase7"));
        const auto tables = folder.entryList({"*.dbf", "*.DBF"}, QDir::Files);
        if (tables.isEmpty()) QSKIP("The shared fixtures are not here");
        TDBFReader reader;
        for (const QString& name : tables) {
            QVERIFY2(!reader.ReadHeader(folder.filePath(name).toStdString()), qPrintable(name));
            QCOMPARE(reader.Count(), std::size_t{0});
        }
    }

    void theTerminatorEndsTheList() {
        CraftedReader crafted;
        QVERIFY(crafted.read(join({fileHeader(), descriptor("NAME", 'C', 30), descriptor("AMOUNT", 'N', 10, 2),
                                   descriptor("PAID", 'L', 1), terminatorAndRecord(42)})));
        const TDBFReader& reader = crafted.reader;
        QCOMPARE(describe(reader), (QStringList{"NAME CHARACTER 30", "AMOUNT NUMERIC 10,2", "PAID LOGICAL "}));
        QCOMPARE(reader.Items(0).Name(), std::string("NAME\0\0\0\0\0\0\0", 11));
        QCOMPARE(reader.Items(1).raw()[16], std::uint8_t{10});
    }

    void tableFlagsTellWhetherAProductionIndexIsNamed() {
        CraftedReader crafted;
        Bytes header = fileHeader();
        for (const std::uint8_t flags : {std::uint8_t{0x01}, std::uint8_t{0x00}}) {
            header[28] = flags;
            QVERIFY(crafted.read(join({header, descriptor("NAME", 'C', 8), terminatorAndRecord()})));
            QCOMPARE(crafted.reader.HasProductionIndex(), flags == 0x01);
        }
    }

    // Without a terminator the list ends at the last slot that ends before the file does.
    void theSlotThatReachesTheEndOfTheFileIsDropped_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("described");
        const auto slotsOf = [](int count, int cut) {
            Bytes bytes = fileHeader();
            for (int i = 0; i < count; ++i) bytes = join({bytes, descriptor("F" + std::to_string(i), 'C', 5)});
            bytes.resize(bytes.size() - cut);
            return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
        };
        QTest::newRow("header only") << slotsOf(0, 0) << QStringList{};
        QTest::newRow("one slot") << slotsOf(1, 0) << QStringList{};
        QTest::newRow("three slots") << slotsOf(3, 0) << QStringList{"F0 CHARACTER 5", "F1 CHARACTER 5"};
        QTest::newRow("a short last slot") << slotsOf(2, 10) << QStringList{"F0 CHARACTER 5"};
    }
    void theSlotThatReachesTheEndOfTheFileIsDropped() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, described);
        CraftedReader crafted;
        QVERIFY(crafted.read(Bytes(bytes.begin(), bytes.end())));
        QCOMPARE(describe(crafted.reader), described);
    }

    void atMost256RecordsAreKept() {
        Bytes bytes = fileHeader(0x03, 0xFFFF);
        for (int i = 0; i < 300; ++i) bytes = join({bytes, descriptor("F" + std::to_string(i), 'N', 4)});
        CraftedReader crafted;
        QVERIFY(crafted.read(join({bytes, terminatorAndRecord()})));
        QCOMPARE(crafted.reader.Count(), std::size_t{256});
        QCOMPARE(describe(crafted.reader).constLast(), QStringLiteral("F255 NUMERIC 4,0"));
    }

    void typeLettersGiveNamesAndSizes_data() {
        QTest::addColumn<char>("letter");
        QTest::addColumn<QString>("typeName");
        QTest::addColumn<QString>("sizeText");
        QTest::newRow("B") << 'B' << "BINARY"
                           << "";
        QTest::newRow("C") << 'C' << "CHARACTER"
                           << "12";
        QTest::newRow("D") << 'D' << "DATE"
                           << "12";
        QTest::newRow("F") << 'F' << "FLOAT"
                           << "12,3";
        QTest::newRow("G") << 'G' << "OLE"
                           << "";
        QTest::newRow("L") << 'L' << "LOGICAL"
                           << "";
        QTest::newRow("M") << 'M' << "MEMO"
                           << "";
        QTest::newRow("N") << 'N' << "NUMERIC"
                           << "12,3";
        QTest::newRow("I") << 'I' << ""
                           << "";
        QTest::newRow("T") << 'T' << ""
                           << "";
        QTest::newRow("lower-case c") << 'c' << ""
                                      << "";
    }
    void typeLettersGiveNamesAndSizes() {
        QFETCH(char, letter);
        QFETCH(QString, typeName);
        QFETCH(QString, sizeText);
        CraftedReader crafted;
        QVERIFY(crafted.read(oneField(descriptor("X", letter, 12, 3))));
        QCOMPARE(crafted.reader.Count(), std::size_t{1});
        QCOMPARE(q(crafted.reader.Items(0).TypeName()), typeName);
        QCOMPARE(q(crafted.reader.Items(0).SizeText()), sizeText);
    }

    void headersItDoesNotRecogniseGiveFalseAndAnEmptyList_data() {
        QTest::addColumn<QByteArray>("bytes");
        const auto asBytes = [](const Bytes& b) {
            return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
        };
        const Bytes field = descriptor("A", 'C', 5);
        const Bytes tail = terminatorAndRecord();
        QTest::newRow("level 7") << asBytes(join({fileHeader(0x04), field, tail}));
        QTest::newRow("Paradox-like version") << asBytes(join({fileHeader(0x00), field, tail}));
        QTest::newRow("month 13") << asBytes(join({[] {
                                                       Bytes h = fileHeader();
                                                       h[2] = 13;
                                                       return h;
                                                   }(),
                                                   field, tail}));
        QTest::newRow("header length 32") << asBytes(join({fileHeader(0x03, 32), field, tail}));
        QTest::newRow("shorter than a header") << asBytes(Bytes(20, 0x03));
        QTest::newRow("empty file") << QByteArray();
    }
    void headersItDoesNotRecogniseGiveFalseAndAnEmptyList() {
        QFETCH(QByteArray, bytes);
        CraftedReader crafted;
        QVERIFY(crafted.read(oneField(descriptor("A", 'C', 5))));
        QCOMPARE(crafted.reader.Count(), std::size_t{1});
        QVERIFY(!crafted.read(Bytes(bytes.begin(), bytes.end())));
        QCOMPARE(crafted.reader.Count(), std::size_t{0});
    }

    void aMissingFileLeavesTheListAsItWas() {
        CraftedReader crafted;
        QVERIFY(crafted.read(oneField(descriptor("A", 'C', 5))));
        QVERIFY(!crafted.reader.ReadHeader(crafted.folder / "MISSING.DBF"));
        QCOMPARE(crafted.reader.Count(), std::size_t{1});
    }

    void positionsPastTheEndGiveTheEmptyRecord() {
        CraftedReader crafted;
        QVERIFY(crafted.read(oneField(descriptor("A", 'N', 5, 1))));
        TDBFReader& reader = crafted.reader;
        for (std::size_t i : {std::size_t{1}, std::size_t{500}}) {
            QVERIFY(reader.Items(i).Name().empty());
            QVERIFY(reader.Items(i).TypeName().empty());
            QVERIFY(reader.Items(i).SizeText().empty());
        }
        reader.Clear();
        QCOMPARE(reader.Count(), std::size_t{0});
        QVERIFY(reader.Items(0).TypeName().empty());
    }
};

QTEST_GUILESS_MAIN(TDBFReaderTest)
#include "TDBFReaderTest.moc"
