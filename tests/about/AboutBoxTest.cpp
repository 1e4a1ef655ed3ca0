#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "AboutBox.h"
#include "SysInfo.h"
#include "support/Files.h"

using tabulon::testing::writeFile;

namespace {

// A /proc and os-release as a machine with 131072 KB of memory would show them.
struct FakeSystem {
    QTemporaryDir dir;
    TSysInfoSources sources;

    FakeSystem() {
        QDir(dir.path()).mkdir("proc");
        writeFile(dir.filePath("proc/meminfo"),
                  "MemTotal:         131072 kB\nMemFree:           20000 kB\n"
                  "MemAvailable:      65536 kB\nSwapTotal:        100000 kB\nSwapFree:          60000 kB\n");
        writeFile(dir.filePath("proc/cpuinfo"),
                  "processor\t: 0\nmodel name\t: Example CPU 9000 @ 3.00GHz\n\n"
                  "processor\t: 1\nmodel name\t: Example CPU 9000 @ 3.00GHz\n");
        writeFile(dir.filePath("os-release"),
                  "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n");
        sources = {dir.filePath("proc"),
                   dir.filePath("os-release"),
                   "6.1.0-18-amd64",
                   "Ada Lovelace",
                   "analytical",
                   "/",
                   "1.0.0.0"};
    }
};

}  // namespace

class AboutBoxTest : public QObject {
    Q_OBJECT
private slots:
    void gathersTheFactsOfTheSystem() {
        FakeSystem system;
        const TSysInfo info(system.sources);
        QCOMPARE(info.Organisation, QString("analytical"));
        QCOMPARE(info.Owner, QString("Ada Lovelace"));
        QCOMPARE(info.CPU, QString("Example CPU 9000 @ 3.00GHz"));
        QCOMPARE(info.OperatingSystem, QString("Debian GNU/Linux 12 (bookworm)"));
        QCOMPARE(info.WinVersion, QString("6.1"));
        QCOMPARE(info.Build, QString("0"));
        QCOMPARE(info.TotalMemory, QString("131072 KB"));
        QCOMPARE(info.AvailMemory, QString("65536 KB"));
        QCOMPARE(info.SwapMemory, QString("40000 KB"));
        QCOMPARE(info.AvailSwapMemory, QString("60000 KB"));
        QVERIFY(info.DriveC.endsWith(" MB"));
        QCOMPARE(info.FileVersion, QString("1.0.0.0"));
    }

    void unreadableFactsAreFailureOrEmpty() {
        QTemporaryDir empty;
        const TSysInfo info(
            {empty.filePath("proc"), empty.filePath("os-release"), "", "", "", empty.filePath("nowhere"), ""});
        QCOMPARE(info.Organisation, QString("Failure"));
        QCOMPARE(info.Owner, QString("Failure"));
        QCOMPARE(info.CPU, QString());
        QCOMPARE(info.OperatingSystem, QString("Linux"));
        QCOMPARE(info.WinVersion, QString());
        QCOMPARE(info.TotalMemory, QString());
        QCOMPARE(info.SwapMemory, QString());
        QCOMPARE(info.DriveC, QString());
    }

    void parsesOsRelease_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::newRow("double quotes") << "PRETTY_NAME=\"Fedora Linux 40\""
                                       << "Fedora Linux 40";
        QTest::newRow("single quotes") << "PRETTY_NAME='Arch Linux'"
                                       << "Arch Linux";
        QTest::newRow("bare") << "PRETTY_NAME=Alpine"
                              << "Alpine";
        QTest::newRow("comment ignored") << "#PRETTY_NAME=x\nPRETTY_NAME=y"
                                         << "y";
    }
    void parsesOsRelease() {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QCOMPARE(TSysInfo::parseOsRelease(text).value("PRETTY_NAME"), name);
    }

    void showsTheFactsInItsLabels() {
        FakeSystem system;
        TAboutBox box(nullptr, system.sources);
        box.show();
        QCOMPARE(box.windowTitle(), QString("About Tabulon"));
        QVERIFY(box.width() >= 318);
        QCOMPARE(box.Label16->text(), QString("Tabulon 1.0"));
        QCOMPARE(box.LabelFileVers->text(), QString("File Version: 1.0.0.0"));
        QCOMPARE(box.LabelSociety->text(), QString("analytical"));
        QCOMPARE(box.LabelOwner->text(), QString("Ada Lovelace"));
        QCOMPARE(box.LabelSystem->text(), QString("Debian GNU/Linux 12 (bookworm) - V. 6.1 build 0"));
        QCOMPARE(box.LabelCPU->text(), QString("Example CPU 9000 @ 3.00GHz"));
        QCOMPARE(box.LabelRAM->text(), QString("131072 KB"));
        QCOMPARE(box.LabelAvail->text(), QString("65536 KB"));
        QCOMPARE(box.LabelSwap->text(), QString("40000 KB"));
        QVERIFY(box.BtnOk->isDefault());
        box.BtnOk->click();
        QVERIFY(!box.isVisible());
        QCOMPARE(box.result(), int(QDialog::Accepted));
    }

    void readsTheRealSystem() {
        const TSysInfo info;
        QVERIFY(info.TotalMemory.endsWith(" KB"));
        QVERIFY(!info.WinVersion.isEmpty());
        QCOMPARE(info.FileVersion, QString("1.0.0.0"));
    }
};

QTEST_MAIN(AboutBoxTest)
#include "AboutBoxTest.moc"
