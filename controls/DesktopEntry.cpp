#include "DesktopEntry.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

std::optional<TDesktopEntry> TDesktopEntry::read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return std::nullopt;
    }
    TDesktopEntry entry;
    bool inGroup = false;
    bool seen = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine(64 * 1024)).trimmed();
        if (line.startsWith(u'[')) {
            inGroup = line == QStringLiteral("[Desktop Entry]");
            seen = seen || inGroup;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inGroup || equals <= 0) {
            continue;
        }
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QStringLiteral("Name")) entry.name = value;
        if (key == QStringLiteral("Type")) entry.type = value;
        if (key == QStringLiteral("Exec")) entry.exec = value;
        if (key == QStringLiteral("URL")) entry.url = value;
    }
    if (!seen) {
        return std::nullopt;
    }
    return entry;
}

QString TDesktopEntry::target() const {
    if (type == QStringLiteral("Link")) {
        const QUrl link(url);
        return link.isLocalFile() ? link.toLocalFile() : (link.scheme().isEmpty() ? url : QString());
    }
    if (type == QStringLiteral("Application")) {
        const QStringList words = QProcess::splitCommand(exec);
        return words.isEmpty() ? QString() : QStandardPaths::findExecutable(words.first());
    }
    return {};
}

QStringList TDesktopEntry::commandFor(const QString& path) const {
    QStringList command;
    bool placed = false;
    for (const QString& word : QProcess::splitCommand(exec)) {
        static const QStringList kFileCodes = {"%f", "%F", "%u", "%U"};
        if (kFileCodes.contains(word)) {
            if (!path.isEmpty()) {
                command << path;
            }
            placed = true;
        } else if (word.size() == 2 && word.startsWith(u'%') && word != QStringLiteral("%%")) {
            continue;  // icon, name and other codes carry nothing here
        } else {
            command << QString(word).replace(QStringLiteral("%%"), QStringLiteral("%"));
        }
    }
    if (!command.isEmpty() && !placed && !path.isEmpty()) {
        command << path;
    }
    return command;
}
