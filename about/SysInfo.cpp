#include "SysInfo.h"

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <QFile>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QSysInfo>

namespace {

const QString kFailure = QStringLiteral("Failure");

QString readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    return QString::fromUtf8(file.read(1 << 20));  // these files are small; cap what is read
}

QString orFailure(const QString& text) { return text.trimmed().isEmpty() ? kFailure : text.trimmed(); }

// A meminfo figure such as "8040796 kB" as "%d KB"; empty when it is missing.
QString kilobytes(const QMap<QString, QString>& info, const QString& key) {
    bool ok = false;
    const qlonglong value = info.value(key).section(u' ', 0, 0).toLongLong(&ok);
    return ok ? QStringLiteral("%1 KB").arg(value) : QString();
}

QString accountFullName() {
    const passwd* user = ::getpwuid(::getuid());
    if (user == nullptr) {
        return {};
    }
    // The full name is the first comma-separated field of the account's comment.
    const QString gecos = QString::fromLocal8Bit(user->pw_gecos ? user->pw_gecos : "").section(u',', 0, 0);
    return gecos.isEmpty() ? QString::fromLocal8Bit(user->pw_name) : gecos;
}

}  // namespace

TSysInfoSources TSysInfoSources::system() {
    utsname names{};
    const QString release = ::uname(&names) == 0 ? QString::fromLatin1(names.release) : QString();
    const QString osRelease = QFile::exists(QStringLiteral("/etc/os-release")) ? QStringLiteral("/etc/os-release")
                                                                               : QStringLiteral("/usr/lib/os-release");
    return {QStringLiteral("/proc"),
            osRelease,
            release,
            accountFullName(),
            QSysInfo::machineHostName(),
            QStringLiteral("/"),
            QStringLiteral(TABULON_FILE_VERSION)};
}

QMap<QString, QString> TSysInfo::parseColonLines(const QString& text) {
    QMap<QString, QString> values;
    for (const QString& line : text.split(u'\n')) {
        const qsizetype colon = line.indexOf(u':');
        if (colon > 0) {
            const QString key = line.left(colon).trimmed();
            if (!values.contains(key)) {
                values.insert(key, line.mid(colon + 1).trimmed());
            }
        }
    }
    return values;
}

QMap<QString, QString> TSysInfo::parseOsRelease(const QString& text) {
    QMap<QString, QString> values;
    for (const QString& line : text.split(u'\n')) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && !line.startsWith(u'#')) {
            QString value = line.mid(equals + 1).trimmed();
            if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
                value.back() == value.front()) {
                value = value.mid(1, value.size() - 2);
            }
            values.insert(line.left(equals).trimmed(), value);
        }
    }
    return values;
}

TSysInfo::TSysInfo(const TSysInfoSources& sources) {
    Organisation = orFailure(sources.hostName);
    Owner = orFailure(sources.userFullName);

    CPU =
        parseColonLines(readText(sources.procFolder + QStringLiteral("/cpuinfo"))).value(QStringLiteral("model name"));

    const QMap<QString, QString> os = parseOsRelease(readText(sources.osReleaseFile));
    OperatingSystem =
        os.value(QStringLiteral("PRETTY_NAME"), os.value(QStringLiteral("NAME"), QStringLiteral("Linux")));
    static const QRegularExpression version(QStringLiteral("^(\\d+)\\.(\\d+)(?:\\.(\\d+))?"));
    const QRegularExpressionMatch kernel = version.match(sources.kernelRelease);
    if (kernel.hasMatch()) {
        WinVersion = QStringLiteral("%1.%2").arg(kernel.captured(1).toInt()).arg(kernel.captured(2).toInt());
        Build = QString::number(kernel.captured(3).toInt());
    }

    const QMap<QString, QString> memory = parseColonLines(readText(sources.procFolder + QStringLiteral("/meminfo")));
    TotalMemory = kilobytes(memory, QStringLiteral("MemTotal"));
    AvailMemory = kilobytes(memory, memory.contains(QStringLiteral("MemAvailable")) ? QStringLiteral("MemAvailable")
                                                                                    : QStringLiteral("MemFree"));
    bool totalOk = false;
    bool freeOk = false;
    const qlonglong swapTotal = memory.value(QStringLiteral("SwapTotal")).section(u' ', 0, 0).toLongLong(&totalOk);
    const qlonglong swapFree = memory.value(QStringLiteral("SwapFree")).section(u' ', 0, 0).toLongLong(&freeOk);
    if (totalOk && freeOk) {
        SwapMemory = QStringLiteral("%1 KB").arg(swapTotal - swapFree);
    }
    AvailSwapMemory = kilobytes(memory, QStringLiteral("SwapFree"));

    const QStorageInfo root(sources.rootPath);
    if (root.isValid() && root.isReady() && root.bytesTotal() > 0) {
        DriveC = QStringLiteral("%1 MB").arg((root.bytesTotal() + (1 << 19)) >> 20);
    }
    FileVersion = sources.fileVersion;
}
