#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "DesktopEntry.h"
#include "FileEntrySorter.h"
#include "FileListLanguage.h"
#include "FolderKeys.h"
#include "FolderReader.h"
#include "Volumes.h"
#include "support/Files.h"

using tabulon::testing::writeFile;

namespace {

QStringList captions(const std::vector<TFileEntry>& entries) {
    QStringList names;
    for (const TFileEntry& entry : entries) {
        names << entry.caption;
    }
    return names;
}

TFileEntry made(const QString& caption, const QString& attributes, qint64 size) {
    TFileEntry entry;
    entry.caption = caption;
    entry.attributes = attributes;
    entry.sizeBytes = size;
    return entry;
}

}  // namespace

class FolderReaderTest : public QObject {
    Q_OBJECT
private slots:
    void listsFoldersFirstThenFilesByPattern_data() {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<int>("types");
        QTest::addColumn<QStringList>("expected");
        const int all = kAllFileViewTypes;
        QTest::newRow("tables") << "*.DB;*.DBF;*.TXT" << all
                                << QStringList{"A", "B", ".hidden.db", "x.db", "y.dbf", "z.txt"};
        QTest::newRow("every file") << "*.*" << all
                                    << QStringList{"A", "B", ".hidden.db", "w.doc", "x.db", "y.dbf", "z.txt"};
        QTest::newRow("two patterns match twice")
            << "*.db;x*" << all << QStringList{"A", "B", ".hidden.db", "x.db", "x.db"};
        QTest::newRow("hidden left out") << "*.db" << int(flvReadOnly | flvSystem) << QStringList{"A", "B", "x.db"};
    }
    void listsFoldersFirstThenFilesByPattern() {
        QFETCH(QString, mask);
        QFETCH(int, types);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("B");
        QDir(dir.path()).mkdir("A");
        for (const char* name : {"x.db", "y.dbf", "z.txt", "w.doc", ".hidden.db"}) {
            writeFile(dir.filePath(name));
        }
        QCOMPARE(captions(TFolderReader::readFolder(dir.path(), mask, types)), expected);
    }

    void fillsTheColumns() {
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("sub");
        writeFile(dir.filePath("big.db"), QByteArray(1234567, 'x'));
        writeFile(dir.filePath("ro.db"));
        QFile::setPermissions(dir.filePath("ro.db"), QFile::ReadOwner);
        const std::vector<TFileEntry> entries = TFolderReader::readFolder(dir.path(), "*.db", kAllFileViewTypes);
        QCOMPARE(captions(entries), QStringList({"sub", "big.db", "ro.db"}));
        QCOMPARE(entries[0].attributes, QString("d "));
        QCOMPARE(entries[0].size, QString(" "));
        QCOMPARE(entries[1].size, QString("1,234,567"));
        QCOMPARE(entries[1].attributes, QString(" "));
        QCOMPARE(entries[1].nameOnDisk, QString("big.db"));
        QVERIFY(!entries[1].type.isEmpty());
        QVERIFY(!entries[1].date.isEmpty());
        QCOMPARE(entries[2].attributes, QString("r "));
        QVERIFY(entries[1].isFile());
        QVERIFY(!entries[0].isFile());
    }

    void fillsTheDrivesView_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<qint64>("kilobytes");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("type");
        QTest::newRow("fixed") << "ext4" << qint64(1500000) << "1,500 Mb"
                               << "Fixed Unit";
        QTest::newRow("removable not asked") << "removable" << qint64(1500000) << "0 Kb"
                                             << "Removable Unit";
        QTest::newRow("optical not asked") << "optical" << qint64(700000) << "0 Kb"
                                           << "CD-ROM Unit";
        QTest::newRow("network") << "network" << qint64(8000) << "8,000 Kb"
                                 << "Network Unit";
        QTest::newRow("ram") << "ram" << qint64(0) << "0 Kb"
                             << "RAM Disk Unit";
        QTest::newRow("unknown kind") << "" << qint64(20000) << "20 Mb"
                                      << "Unknown";
        QTest::newRow("root gone") << "gone" << qint64(0) << "0 Kb"
                                   << "Not exist";
    }
    void fillsTheDrivesView() {
        QFETCH(QString, kind);
        QFETCH(qint64, kilobytes);
        QFETCH(QString, size);
        QFETCH(QString, type);
        TVolume volume;
        volume.rootPath = "/mnt/x";
        volume.displayName = "x";
        volume.fileSystem = kind.isEmpty() ? QString() : QStringLiteral("ext4");
        volume.bytesTotal = kilobytes * 1024;
        volume.removable = kind == "removable";
        volume.optical = kind == "optical";
        volume.network = kind == "network";
        volume.ram = kind == "ram";
        volume.ready = kind != "gone";
        const TFileEntry entry = TFolderReader::driveEntry(volume, filelanguage::kEnglishBase);
        QCOMPARE(entry.size, size);
        QCOMPARE(entry.type, type);
        QCOMPARE(entry.attributes, QString("U"));
        QCOMPARE(entry.nameOnDisk, QString("/mnt/x"));
    }

    void writesCapacities_data() {
        QTest::addColumn<qint64>("kilobytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fixed drive") << qint64(1500000) << "1,500 Mb";
        QTest::newRow("at the limit") << qint64(10000) << "10,000 Kb";
        QTest::newRow("small") << qint64(720) << "720 Kb";
    }
    void writesCapacities() {
        QFETCH(qint64, kilobytes);
        QFETCH(QString, expected);
        QCOMPARE(TFolderReader::capacityText(kilobytes), expected);
    }

    void sortsObjectsThenFoldersThenFiles() {
        std::vector<TFileEntry> entries{made("b.db", " ", 30), made("Zed", "d ", 0),   made("a.db", " ", 20),
                                        made("Trash", "X", 0), made("alpha", "d ", 0), made("c.db", " ", 10)};
        SortFileEntries(entries, sbName);
        QCOMPARE(captions(entries), QStringList({"Trash", "alpha", "Zed", "a.db", "b.db", "c.db"}));
        SortFileEntries(entries, sbSize);
        QCOMPARE(captions(entries).mid(3), QStringList({"c.db", "a.db", "b.db"}));
        SortFileEntries(entries, sbSizeInv);
        QCOMPARE(captions(entries).mid(3), QStringList({"b.db", "a.db", "c.db"}));
        SortFileEntries(entries, sbNameInv);
        QCOMPARE(captions(entries), QStringList({"Trash", "Zed", "alpha", "c.db", "b.db", "a.db"}));
    }

    void goesUp_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("volumes") << "DRIVES"
                                 << "DeskTop";
        QTest::newRow("network") << "network"
                                 << "DeskTop";
        QTest::newRow("trash") << "Recycled"
                               << "DeskTop";
        QTest::newRow("desktop stays") << "desktop"
                                       << "DeskTop";
        QTest::newRow("folder") << "/srv/data"
                                << "/srv";
        QTest::newRow("root") << "/"
                              << "Drives";
    }
    void goesUp() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QCOMPARE(folderkeys::UpFrom(from), to);
    }

    void comparesSpecialKeysWithoutCaseAndFoldersExactly() {
        QVERIFY(folderkeys::SameKey("DRIVES", "Drives"));
        QVERIFY(!folderkeys::SameKey("/data", "/Data"));
        QCOMPARE(folderkeys::Canonical("\\\\"), QString("NetWork"));
        QCOMPARE(folderkeys::JoinFolderName("/", "x.db"), QString("/x.db"));
        QCOMPARE(folderkeys::JoinFolderName("/a", "x.db"), QString("/a/x.db"));
        QCOMPARE(folderkeys::JoinFolderName("", "x.db"), QString());
    }

    void readsTheSpecialViews() {
        QTemporaryDir trash;
        QDir(trash.path()).mkpath("files");
        QDir(trash.path()).mkpath("info");
        writeFile(trash.filePath("files/orders.2.db"), QByteArray(5, 'x'));
        writeFile(trash.filePath("info/orders.2.db.trashinfo"),
                  "[Trash Info]\nPath=/home/u/my%20orders.db\nDeletionDate=2026-01-01T10:00:00\n");
        const std::vector<TFileEntry> trashed = TFolderReader::readTrash(trash.path(), 1600);
        QCOMPARE(trashed.size(), size_t(1));
        QCOMPARE(trashed[0].caption, QString("my orders.db"));
        QCOMPARE(trashed[0].attributes, QString("Cancellato"));
        QVERIFY(trashed[0].isFile());

        const std::vector<TFileEntry> drives = TFolderReader::readDrives(filelanguage::kEnglishBase);
        QVERIFY(std::any_of(drives.begin(), drives.end(), [](const TFileEntry& e) {
            return e.nameOnDisk == "/" && e.attributes == "U" && e.size.endsWith(" Mb");
        }));

        const std::vector<TFileEntry> offline = TFolderReader::readNetwork(false, 700);
        QCOMPARE(captions(offline), QStringList{"Gesamtes Netzwerk"});
        QCOMPARE(offline[0].attributes, QString("N"));

        QTemporaryDir desktop;
        writeFile(desktop.filePath("notes.txt"));
        QFile::link(trash.path(), desktop.filePath("link"));
        writeFile(desktop.filePath("orders.desktop"),
                  "[Desktop Entry]\nType=Link\nName=Orders\nURL=file://" + trash.path().toUtf8() + "/files\n");
        const std::vector<TFileEntry> objects = TFolderReader::readDesktop(desktop.path());
        QCOMPARE(captions(objects), QStringList({"Computer", "Network", "Trash", "link", "notes.txt", "Orders"}));
        QCOMPARE(objects[5].attributes, QString("L"));
        QCOMPARE(objects[5].linkTarget, trash.path() + "/files");
        QCOMPARE(objects[0].nameOnDisk, QString("Drives"));
        QCOMPARE(objects[3].attributes, QString("L"));
        QCOMPARE(objects[3].linkTarget, trash.path());
        QCOMPARE(objects[4].nameOnDisk, desktop.filePath("notes.txt"));
    }

    void startsADesktopEntryWithThePath_data() {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("command");
        const QString x = "/d/x.db";
        QTest::newRow("file code") << "viewer --open %f" << x << QStringList{"viewer", "--open", x};
        QTest::newRow("url list code") << "viewer %U" << x << QStringList{"viewer", x};
        QTest::newRow("no code appends") << "viewer -r" << x << QStringList{"viewer", "-r", x};
        QTest::newRow("other codes dropped") << "viewer %i %c %F" << x << QStringList{"viewer", x};
        QTest::newRow("quoted words") << "\"my viewer\" 100%% %f" << x << QStringList{"my viewer", "100%", x};
        QTest::newRow("program alone") << "viewer %f -r"
                                       << "" << QStringList{"viewer", "-r"};
        QTest::newRow("nothing to start") << "" << x << QStringList{};
    }
    void startsADesktopEntryWithThePath() {
        QFETCH(QString, exec);
        QFETCH(QString, path);
        QFETCH(QStringList, command);
        TDesktopEntry entry;
        entry.type = "Application";
        entry.exec = exec;
        QCOMPARE(entry.commandFor(path), command);
    }

    void findsTheVolumeOfAPath() {
        QList<TVolume> volumes;
        for (const char* root : {"/", "/home", "/home/u/net"}) {
            TVolume volume;
            volume.rootPath = root;
            volumes << volume;
        }
        QCOMPARE(TVolumes::rootOf("/home/u/net/x", volumes), QString("/home/u/net"));
        QCOMPARE(TVolumes::rootOf("/home/u", volumes), QString("/home"));
        QCOMPARE(TVolumes::rootOf("/homework", volumes), QString("/"));
    }
};

QTEST_MAIN(FolderReaderTest)
#include "FolderReaderTest.moc"
