#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "ProfileFile.h"
#include "RegistrySetting.h"
#include "SettingsLocation.h"
#include "support/Files.h"

using tabulon::testing::readFile;
using tabulon::testing::writeFile;

namespace {

QString writeIni(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
    const QString path = dir.filePath(name);
    writeFile(path, text);
    return path;
}

}  // namespace

class ProfileFileTest : public QObject {
    Q_OBJECT
private slots:
    void readsValuesWithoutRegardToCase_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("exact") << "WorkingParm"
                               << "DataBasePath"
                               << "/data";
        QTest::newRow("other case") << "WORKINGPARM"
                                    << "databasepath"
                                    << "/data";
        QTest::newRow("blanks trimmed") << "Other"
                                        << "Padded"
                                        << "x y";
        QTest::newRow("quotes removed") << "Other"
                                        << "Quoted"
                                        << " q ";
        QTest::newRow("value holding =") << "Other"
                                         << "Eq"
                                         << "a=b";
        QTest::newRow("missing key") << "Other"
                                     << "Nope"
                                     << "default";
        QTest::newRow("missing section") << "Nope"
                                         << "Eq"
                                         << "default";
    }
    void readsValuesWithoutRegardToCase() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = writeIni(dir, "a.ini",
                                      "[WorkingParm]\nDataBasePath=/data\n"
                                      "[Other]\n  Padded  =  x y  \nQuoted=\" q \"\nEq=a=b\n");
        QCOMPARE(TProfileFile(path).readString(section, key, "default"), expected);
    }

    void readsLinesEndedEitherWay() {
        QTemporaryDir dir;
        const QString path = writeIni(dir, "crlf.ini", "[S]\r\nfirst=1\r\nsecond=2\n");
        const TProfileFile file(path);
        QCOMPARE(file.readKeyNames("S"), QStringList({"first", "second"}));
        QCOMPARE(file.readString("S", "first", ""), QString("1"));
    }

    void missingFileReadsAsEmpty() {
        QTemporaryDir dir;
        const TProfileFile file(dir.filePath("none.ini"));
        QCOMPARE(file.readString("WorkingParm", "DataBasePath", "/"), QString("/"));
        QVERIFY(file.readKeyNames("PredefinedTable").isEmpty());
    }

    void keepsKeyOrderAndRewritesFirstKeyOfAName() {
        QTemporaryDir dir;
        const QString path = dir.filePath("b.ini");
        TProfileFile file(path);
        file.writeString("PredefinedTable", "zeta", "/z");
        file.writeString("PredefinedTable", "alpha", "/a");
        file.writeString("PredefinedTable", "ALPHA", "/a2");
        file.writeString("WorkingParm", "DataBasePath", "/w");
        QCOMPARE(readFile(path), QByteArray("[PredefinedTable]\nzeta=/z\nalpha=/a2\n"
                                            "[WorkingParm]\nDataBasePath=/w\n"));
        const TProfileFile reread(path);
        QCOMPARE(reread.readKeyNames("predefinedtable"), QStringList({"zeta", "alpha"}));
        QCOMPARE(reread.readSectionNames(), QStringList({"PredefinedTable", "WorkingParm"}));
    }

    void erasesASectionAndKeepsTheRest() {
        QTemporaryDir dir;
        const QString path = writeIni(dir, "c.ini", "; kept\n[A]\nk=1\n[PredefinedTable]\nx=/x\n[B]\nk=2\n");
        TProfileFile file(path);
        file.eraseSection("PREDEFINEDTABLE");
        QCOMPARE(readFile(path), QByteArray("; kept\n[A]\nk=1\n[B]\nk=2\n"));
    }

    void captionsWithSyntaxCharactersDoNotSurvive_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("keysReadBack");
        QTest::newRow("equals sign") << "a=b" << QStringList{"a", "after"};
        QTest::newRow("opening bracket") << "[odd" << QStringList{};
        QTest::newRow("plain") << "data.sales.orders" << QStringList{"data.sales.orders", "after"};
    }
    void captionsWithSyntaxCharactersDoNotSurvive() {
        QFETCH(QString, caption);
        QFETCH(QStringList, keysReadBack);
        QTemporaryDir dir;
        const QString path = dir.filePath("d.ini");
        TProfileFile file(path);
        file.writeString("PredefinedTable", caption, "/t.db");
        file.writeString("PredefinedTable", "after", "/u.db");
        QCOMPARE(TProfileFile(path).readKeyNames("PredefinedTable"), keysReadBack);
    }

    void cutsValuesAndKeyListsAtTheirBuffers() {
        QTemporaryDir dir;
        const QString path = dir.filePath("e.ini");
        TProfileFile file(path);
        file.writeString("S", "long", QString(2000, u'v'));
        QCOMPARE(TProfileFile(path).readString("S", "long", "").size(), 1023);
        QCOMPARE(TProfileFile(path).readString("S", "missing", "abcdef", 4), QString("abc"));

        // 1100 keys of seven characters plus separators overflow 8192 characters.
        QByteArray many = "[Keys]\n";
        for (int i = 0; i < 1100; ++i) {
            many += QString("k%1=v\n").arg(i, 6, 10, QChar(u'0')).toLatin1();
        }
        const QString manyPath = writeIni(dir, "many.ini", many);
        const QStringList keys = TProfileFile(manyPath).readKeyNames("Keys");
        QCOMPARE(keys.size(), 1024);  // 1023 whole names and one cut name in 8190 characters
        QCOMPARE(keys.at(1022), QString("k001022"));
        QCOMPARE(keys.last(), QString("k00102"));
        QCOMPARE(TProfileFile(manyPath).readKeyNames("Keys", 20), QStringList({"k000000", "k000001", "k0"}));
    }

    void refusesToWriteAReadOnlyFile() {
        QTemporaryDir dir;
        const QString path = writeIni(dir, "f.ini", "[WorkingParm]\nDataBasePath=/old\n");
        QFile::setPermissions(path, QFile::ReadOwner);
        TProfileFile file(path);
        try {
            file.writeString("WorkingParm", "DataBasePath", "/new");
            QFAIL("a read-only file was written");
        } catch (const TProfileWriteError& error) {
            QCOMPARE(QString(error.what()), "Unable to write to " + path);
        }
        QCOMPARE(readFile(path), QByteArray("[WorkingParm]\nDataBasePath=/old\n"));
    }

    void neverReplacesWhatItCouldNotRead() {
        QTemporaryDir dir;
        const QByteArray huge = "[A]\nk=a\n;" + QByteArray(16 << 20, ' ') + "\n[B]\nk=b\n";
        const QString path = writeIni(dir, "huge.ini", huge);
        QVERIFY_THROWS_EXCEPTION(TProfileWriteError, TProfileFile(path).writeString("A", "k", "new"));
        QCOMPARE(QFileInfo(path).size(), huge.size());
    }

    void refusesToWriteIntoAMissingFolder() {
        QTemporaryDir dir;
        TProfileFile file(dir.filePath("gone/g.ini"));
        QVERIFY_THROWS_EXCEPTION(TProfileWriteError, file.writeString("S", "k", "v"));
    }

    void settingsLiveBesideAWritableExecutable() {
        QTemporaryDir exe;
        QTemporaryDir config;
        QCOMPARE(TSettingsLocation::settingsFilePath(exe.path(), config.path()), exe.filePath("Vendrake.INI"));
        QFile::setPermissions(exe.path(), QFile::ReadOwner | QFile::ExeOwner);
        QCOMPARE(TSettingsLocation::settingsFilePath(exe.path(), config.filePath("tabulon")),
                 config.filePath("tabulon/Vendrake.INI"));
        QVERIFY(QFileInfo(config.filePath("tabulon")).isDir());
        QFile::setPermissions(exe.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void anInstalledProgramKeepsSettingsPerUserAndHelpInItsDataFolder() {
        QTemporaryDir prefix;
        QTemporaryDir config;
        QDir(prefix.path()).mkpath("bin");
        const QString bin = prefix.filePath("bin");
        QCOMPARE(TSettingsLocation::helpFolder(bin), bin);
        QDir(prefix.path()).mkpath("share/tabulon/help");
        QCOMPARE(TSettingsLocation::helpFolder(bin), prefix.filePath("share/tabulon/help"));
        QCOMPARE(TSettingsLocation::settingsFilePath(bin, config.path()), config.filePath("Vendrake.INI"));
    }

    void readsThePerUserSettings() {
        QTemporaryDir config;
        writeIni(config, "registry.ini",
                 "[Software\\Corvalen\\Kilnwatch V 1.0\\Application Settings]\n"
                 "HelpTML Path=/usr/bin/viewer\n");
        QCOMPARE(ReadRegistrySetting("Application Settings", "HelpTML Path", config.path()),
                 QString("/usr/bin/viewer"));
        QCOMPARE(ReadRegistrySetting("Other", "HelpTML Path", config.path()), QString());
        QTemporaryDir empty;
        QCOMPARE(ReadRegistrySetting("Application Settings", "HelpTML Path", empty.path()), QString());
    }
};

QTEST_GUILESS_MAIN(ProfileFileTest)
#include "ProfileFileTest.moc"
