// The string, path and file helpers the table commands share.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "FilesByMask.h"
#include "StringParser.h"
#include "TablePaths.h"
#include "support/Files.h"

using tabulon::testing::writeFile;

class HelpersTest : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QStringList>("tokens");
        QTest::newRow("empty pieces give none, blank ones an empty token") << "a; ;b;;c"
                                                                           << ";" << QStringList{"a", "", "b", "c"};
        QTest::newRow("leading and trailing separators") << ";a;"
                                                         << ";" << QStringList{"a"};
        QTest::newRow("no separator") << " a b\t"
                                      << ";" << QStringList{"a b"};
        QTest::newRow("nothing") << ""
                                 << ";" << QStringList{};
        QTest::newRow("letter case counts") << "aXbxc"
                                            << "x" << QStringList{"aXb", "c"};
        QTest::newRow("tab separator") << "1\t2"
                                       << "\t" << QStringList{"1", "2"};
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QFETCH(QStringList, tokens);
        TStringParser parser;
        parser.Tokens << "left over";
        parser.Parse(text, separator);
        QCOMPARE(parser.Tokens, tokens);
    }

    void join() {
        TStringParser parser;
        QCOMPARE(parser.Join(", "), QString());
        parser.Tokens = {"a", "b"};
        QCOMPARE(parser.Join(", "), QStringLiteral("a, b"));
    }

    void shortenPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<QString>("shortened");
        QTest::newRow("fits") << "/data/t.db" << 10 << "/data/t.db";
        QTest::newRow("folders cut, name whole") << "/data/tables/orders.db" << 20 << "/data/t.../orders.db";
        QTest::newRow("room for no folder") << "/data/tables/orders.db" << 5 << "/.../orders.db";
        QTest::newRow("file under the root") << "/orders.db" << 4 << "/orders.db";
    }
    void shortenPath() {
        QFETCH(QString, path);
        QFETCH(int, maximum);
        QFETCH(QString, shortened);
        QCOMPARE(ShortenPath(path, maximum), shortened);
    }

    // In a given folder; the system's temporary folder is the same code with another folder.
    void tempTableNamesCountUpFromZero() {
        QTemporaryDir folder;
        QString in = folder.path();
        QString name;
        QVERIFY(MakeTempTableName(in, name, QStringLiteral("~Table"), QStringLiteral(".DB")));
        QCOMPARE(name, folder.filePath("~~Tab0.DB"));
        writeFile(name);
        writeFile(folder.filePath("~~Tab1.DB"));
        QVERIFY(MakeTempTableName(in, name, QStringLiteral("~Tab"), QStringLiteral("DB")));
        QCOMPARE(name, folder.filePath("~~Tab2.DB"));
        QCOMPARE(in, folder.path());
        QString missing = folder.filePath("no-such-folder");
        QString unchanged = QStringLiteral("kept");
        QVERIFY(!MakeTempTableName(missing, unchanged, QStringLiteral("~Tab"), QStringLiteral("DB")));
        QCOMPARE(unchanged, QStringLiteral("kept"));
    }

    void filesByMask() {
        QTemporaryDir source;
        QTemporaryDir target;
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", home.path().toUtf8());
        for (const char* name : {"T.DB", "t.px", "TX.DB", "U.DB"}) writeFile(source.filePath(name), name);
        writeFile(target.filePath("T.DB"), "old");
        QVERIFY(CopyFilesByMask(source.filePath("T.*"), target.path()));
        QCOMPARE(QDir(target.path()).entryList(QDir::Files), QStringList({"T.DB", "t.px"}));
        QCOMPARE(tabulon::testing::readFile(target.filePath("T.DB")), QByteArray("T.DB"));  // replaced
        QVERIFY(!CopyFilesByMask(source.filePath("NONE.*"), target.path()));
        QVERIFY(!CopyFilesByMask(source.filePath("T.*"), target.filePath("missing")));
        QVERIFY(DeleteFilesByMask(target.filePath("t.*")));
        QVERIFY(QDir(target.path()).entryList(QDir::Files).isEmpty());
        QCOMPARE(QDir(home.filePath("Trash/files")).entryList(QDir::Files), QStringList({"T.DB", "t.px"}));
        QVERIFY(!DeleteFilesByMask(target.filePath("t.*")));
    }
};

QTEST_GUILESS_MAIN(HelpersTest)
#include "HelpersTest.moc"
