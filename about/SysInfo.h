#pragma once
// Facts about the computer for the about box, gathered once at construction from the kernel and
// the system's files: the host and the user's full name for organisation and owner, the
// distribution and kernel version, the processor model, memory and swap, the root volume's size
// and the program's version. A fact that cannot be read is "Failure" (organisation and owner) or
// empty (the others). Interface thread only; no throws.
#include <QMap>
#include <QString>

struct TSysInfoSources {
    QString procFolder;     // normally "/proc"
    QString osReleaseFile;  // normally "/etc/os-release"
    QString kernelRelease;  // e.g. "6.1.0-18-amd64"
    QString userFullName;
    QString hostName;
    QString rootPath;  // the volume whose size is reported
    QString fileVersion;

    static TSysInfoSources system();
};

class TSysInfo {
public:
    explicit TSysInfo(const TSysInfoSources& sources = TSysInfoSources::system());

    QString Organisation;
    QString Owner;
    QString CPU;
    QString OperatingSystem;
    QString WinVersion;
    QString Build;
    QString TotalMemory;
    QString AvailMemory;
    QString SwapMemory;
    QString AvailSwapMemory;
    QString DriveC;
    QString FileVersion;

    // "key: value" lines such as /proc/meminfo and /proc/cpuinfo, the first value of each key.
    static QMap<QString, QString> parseColonLines(const QString& text);
    // KEY=value lines of os-release, quotes removed.
    static QMap<QString, QString> parseOsRelease(const QString& text);
};
