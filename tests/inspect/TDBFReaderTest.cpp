// The dBase header reader on real tables and on headers made byte by byte.
#include <QtTest>

#include <fstream>
#include <vector>

#include "TDBFReader.h"
#include "support/TempFolder.h"

using tabulon::TDBFReader;
using tabulon::testing::TempFolder;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes fileHeader(std::uint8_t version = 0x03, unsigned headerLength = 0x61) {
    Bytes header(32, 0);
    header[0] = version;
    header[1] = 95;  // year, month, day
    header[2] = 7;
    header[3] = 14;
    header[8] = static_cast<std::uint8_t>(headerLength & 0xFF);
    header[9] = static_cast<std::uint8_t>(headerLength >> 8);
    return header;
}

Bytes descriptor(const std::string& name, char type, int length, int decimals = 0) {
    Bytes slot(32, 0);
    std::copy(name.begin(), name.end(), slot.begin());
    slot[11] = static_cast<std::uint8_t>(type);
    slot[16] = static_cast<std::uint8_t>(length);
    slot[17] = static_cast<std::uint8_t>(decimals);
    return slot;
}

// The terminator, a record of `recordLength` blanks and the end-of-file mark.
Bytes terminatorAndRecord(int recordLength = 8) {
    Bytes tail{0x0D};
    tail.insert(tail.end(), static_cast<std::size_t>(recordLength), ' ');
    tail.push_back(0x1A);
    return tail;
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::filesystem::path writeFile(const TempFolder& folder, const Bytes& bytes) {
    const auto path = folder / "CRAFTED.DBF";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

QString fixture(const char* relative) {
    return QStringLiteral(TABULON_FIXTURES "/dbase/") + QLatin1String(relative);
}

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
                                   << QStringList{"N_ID NUMERIC 19,5", "C_CHAR10 CHARACTER 10",
                                                  "N_INT NUMERIC 19,5", "N_DECIMAL NUMERIC 19,5",
                                                  "L_BOOL LOGICAL ", "D_DATE DATE 8"};
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
        TempFolder folder;
        const auto path = writeFile(folder, join({fileHeader(), descriptor("NAME", 'C', 30),
                                                  descriptor("AMOUNT", 'N', 10, 2), descriptor("PAID", 'L', 1),
                                                  terminatorAndRecord(42)}));
        TDBFReader reader;
        QVERIFY(reader.ReadHeader(path));
        QCOMPARE(describe(reader),
                 (QStringList{"NAME CHARACTER 30", "AMOUNT NUMERIC 10,2", "PAID LOGICAL "}));
        QCOMPARE(reader.Items(0).Name(), std::string("NAME\0\0\0\0\0\0\0", 11));
        QCOMPARE(reader.Items(1).raw()[16], std::uint8_t{10});
    }

    void tableFlagsTellWhetherAProductionIndexIsNamed() {
        TempFolder folder;
        Bytes header = fileHeader();
        TDBFReader reader;
        for (const std::uint8_t flags : {std::uint8_t{0x01}, std::uint8_t{0x00}}) {
            header[28] = flags;
            const Bytes bytes = join({header, descriptor("NAME", 'C', 8), terminatorAndRecord()});
            QVERIFY(reader.ReadHeader(writeFile(folder, bytes)));
            QCOMPARE(reader.HasProductionIndex(), flags == 0x01);
        }
    }

    void theSlotThatReachesTheEndOfTheFileIsDropped_data() {
        QTest::addColumn<int>("slotCount");
        QTest::addColumn<int>("expected");
        QTest::newRow("header only") << 0 << 0;
        QTest::newRow("one slot") << 1 << 0;
        QTest::newRow("three slots") << 3 << 2;
    }
    void theSlotThatReachesTheEndOfTheFileIsDropped() {
        QFETCH(int, slotCount);
        QFETCH(int, expected);
        Bytes bytes = fileHeader();
        for (int i = 0; i < slotCount; ++i) bytes = join({bytes, descriptor("F" + std::to_string(i), 'C', 5)});
        TempFolder folder;
        TDBFReader reader;
        QVERIFY(reader.ReadHeader(writeFile(folder, bytes)));
        QCOMPARE(int(reader.Count()), expected);
    }

    void aShortLastSlotEndsTheListWithoutError() {
        Bytes bytes = join({fileHeader(), descriptor("A", 'C', 5), descriptor("B", 'C', 5)});
        bytes.resize(bytes.size() - 10);
        TempFolder folder;
        TDBFReader reader;
        QVERIFY(reader.ReadHeader(writeFile(folder, bytes)));
        QCOMPARE(describe(reader), QStringList{"A CHARACTER 5"});
    }

    void atMost256RecordsAreKept() {
        Bytes bytes = fileHeader(0x03, 0xFFFF);
        for (int i = 0; i < 300; ++i) bytes = join({bytes, descriptor("F" + std::to_string(i), 'N', 4)});
        bytes = join({bytes, terminatorAndRecord()});
        TempFolder folder;
        TDBFReader reader;
        QVERIFY(reader.ReadHeader(writeFile(folder, bytes)));
        QCOMPARE(reader.Count(), std::size_t{256});
        QCOMPARE(describe(reader).constLast(), QStringLiteral("F255 NUMERIC 4,0"));
    }

    void typeLettersGiveNamesAndSizes_data() {
        QTest::addColumn<char>("letter");
        QTest::addColumn<QString>("typeName");
        QTest::addColumn<QString>("sizeText");
        QTest::newRow("B") << 'B' << "BINARY" << "";
        QTest::newRow("C") << 'C' << "CHARACTER" << "12";
        QTest::newRow("D") << 'D' << "DATE" << "12";
        QTest::newRow("F") << 'F' << "FLOAT" << "12,3";
        QTest::newRow("G") << 'G' << "OLE" << "";
        QTest::newRow("L") << 'L' << "LOGICAL" << "";
        QTest::newRow("M") << 'M' << "MEMO" << "";
        QTest::newRow("N") << 'N' << "NUMERIC" << "12,3";
        QTest::newRow("I") << 'I' << "" << "";
        QTest::newRow("T") << 'T' << "" << "";
        QTest::newRow("lower-case c") << 'c' << "" << "";
    }
    void typeLettersGiveNamesAndSizes() {
        QFETCH(char, letter);
        QFETCH(QString, typeName);
        QFETCH(QString, sizeText);
        TempFolder folder;
        TDBFReader reader;
        QVERIFY(reader.ReadHeader(
            writeFile(folder, join({fileHeader(), descriptor("X", letter, 12, 3), terminatorAndRecord()}))));
        QCOMPARE(reader.Count(), std::size_t{1});
        QCOMPARE(q(reader.Items(0).TypeName()), typeName);
        QCOMPARE(q(reader.Items(0).SizeText()), sizeText);
    }

    void headersItDoesNotRecogniseGiveFalseAndAnEmptyList_data() {
        QTest::addColumn<QByteArray>("bytes");
        const auto asBytes = [](const Bytes& b) { return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())); };
        const Bytes field = descriptor("A", 'C', 5);
        const Bytes tail = terminatorAndRecord();
        QTest::newRow("level 7") << asBytes(join({fileHeader(0x04), field, tail}));
        QTest::newRow("Paradox-like version") << asBytes(join({fileHeader(0x00), field, tail}));
        QTest::newRow("month 13") << asBytes(join({[] { Bytes h = fileHeader(); h[2] = 13; return h; }(), field, tail}));
        QTest::newRow("header length 32") << asBytes(join({fileHeader(0x03, 32), field, tail}));
        QTest::newRow("shorter than a header") << asBytes(Bytes(20, 0x03));
        QTest::newRow("empty file") << QByteArray();
    }
    void headersItDoesNotRecogniseGiveFalseAndAnEmptyList() {
        QFETCH(QByteArray, bytes);
        TempFolder folder;
        TDBFReader reader;
        const auto good = writeFile(folder, join({fileHeader(), descriptor("A", 'C', 5), terminatorAndRecord()}));
        QVERIFY(reader.ReadHeader(good));
        QCOMPARE(reader.Count(), std::size_t{1});
        const auto bad = folder / "BAD.DBF";
        std::ofstream(bad, std::ios::binary).write(bytes.constData(), bytes.size());
        QVERIFY(!reader.ReadHeader(bad));
        QCOMPARE(reader.Count(), std::size_t{0});
    }

    void aMissingFileLeavesTheListAsItWas() {
        TempFolder folder;
        TDBFReader reader;
        QVERIFY(reader.ReadHeader(writeFile(folder, join({fileHeader(), descriptor("A", 'C', 5), terminatorAndRecord()}))));
        QVERIFY(!reader.ReadHeader(folder / "MISSING.DBF"));
        QCOMPARE(reader.Count(), std::size_t{1});
    }

    void positionsPastTheEndGiveTheEmptyRecord() {
        TempFolder folder;
        TDBFReader reader;
        QVERIFY(reader.ReadHeader(writeFile(folder, join({fileHeader(), descriptor("A", 'N', 5, 1), terminatorAndRecord()}))));
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
