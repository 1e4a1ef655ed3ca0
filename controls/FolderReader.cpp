#include "FolderReader.h"

#include <QDir>
#include <QFileIconProvider>
#include <QHash>
#include <QLocale>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include "DesktopEntry.h"
#include "FileListLanguage.h"
#include "FileViewTypes.h"
#include "FolderKeys.h"
#include "Volumes.h"
#include "WritablePath.h"

namespace {

QFileIconProvider& icons() {
    static QFileIconProvider provider;
    return provider;
}

QString grouped(qint64 number) {
    QString separator = QLocale().groupSeparator();
    if (separator.isEmpty()) {
        separator = QStringLiteral(",");
    }
    QString digits = QString::number(number);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) {
        digits.insert(at, separator);
    }
    return digits;
}

QMimeType mimeTypeOf(const QFileInfo& info) {
    static const QMimeDatabase mimes;
    return mimes.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
}

QString typeName(const QFileInfo& info, const QMimeType& mime) {
    if (mime.isValid() && !mime.isDefault() && !mime.comment().isEmpty()) {
        return mime.comment();
    }
    return QStringLiteral("File ") + info.suffix().toUpper();
}

QString typeName(const QFileInfo& info) { return typeName(info, mimeTypeOf(info)); }

// Plain files of one type share their icon and type name; asking the icon theme for each of
// thousands of files would dominate reading a folder. The type, not the extension, is the key:
// some names ("CMakeLists.txt", "Makefile") have a type of their own.
struct TFileKind {
    QIcon icon;
    QString type;
};

const TFileKind& fileKind(const QFileInfo& info) {
    static QHash<QString, TFileKind> kinds;
    const QMimeType mime = mimeTypeOf(info);
    const QString key = mime.name() + u'|' + info.suffix();
    auto found = kinds.constFind(key);
    if (found == kinds.constEnd()) {
        found = kinds.insert(key, TFileKind{icons().icon(info), typeName(info, mime)});
    }
    return *found;
}

bool isSystemFile(const QFileInfo& info) {
    // Devices, pipes and sockets are the system's own objects here.
    return info.exists() && !info.isDir() && !info.isFile();
}

int attributesOf(const QFileInfo& info) {
    int attributes = 0;
    if (!IsWritablePath(info)) {
        attributes |= flvReadOnly;
    }
    if (info.isHidden()) {
        attributes |= flvHidden;
    }
    if (isSystemFile(info)) {
        attributes |= flvSystem;
    }
    return attributes;
}

QRegularExpression patternFor(const QString& pattern) {
    return QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern),
                              QRegularExpression::CaseInsensitiveOption);
}

QString volumeTypeText(const TVolume& volume, int base) {
    using namespace filelanguage;
    int offset = txFixed;
    if (volume.fileSystem.isEmpty()) offset = txUnknown;
    if (volume.ram) offset = txRamDisk;
    if (volume.removable) offset = txRemovable;
    if (volume.optical) offset = txCdRom;
    if (volume.network) offset = txNetwork;
    if (!volume.ready) offset = txNotExist;
    return Text(base, offset);
}

TFileEntry specialEntry(const QString& caption, QFileIconProvider::IconType icon, const QString& key,
                        const QString& code) {
    TFileEntry entry;
    entry.caption = caption;
    entry.icon = icons().icon(icon);
    entry.size = QStringLiteral(" ");
    entry.attributes = code;
    entry.nameOnDisk = key;
    return entry;
}

// The original path a trashed file's description holds ("Path=" with percent-encoding).
QString trashedOriginalPath(const QString& infoFile) {
    QFile file(infoFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(4096).trimmed();
        if (line.startsWith("Path=")) {
            return QUrl::fromPercentEncoding(line.mid(5));
        }
    }
    return {};
}

}  // namespace

QString TFolderReader::attributeCode(const QFileInfo& info) {
    QString code;
    if (info.isDir()) code += u'd';
    if (!IsWritablePath(info)) code += u'r';
    if (info.isHidden()) code += u'h';
    if (isSystemFile(info)) code += u's';
    return code + u' ';
}

QString TFolderReader::sizeText(qint64 bytes) { return bytes == 0 ? QStringLiteral(" ") : grouped(bytes); }

QString TFolderReader::capacityText(qint64 kilobytes) {
    if (kilobytes > 10000) {
        return grouped(kilobytes / 1000) + QStringLiteral(" Mb");
    }
    return grouped(kilobytes) + QStringLiteral(" Kb");
}

TFileEntry TFolderReader::entryFor(const QFileInfo& info) {
    TFileEntry entry;
    entry.caption = info.fileName();
    const bool executable =
        info.permission(QFile::ExeOwner) || info.permission(QFile::ExeGroup) || info.permission(QFile::ExeOther);
    const bool plainFile = info.isFile() && !info.isSymLink() && !executable;
    const TFileKind* kind = plainFile ? &fileKind(info) : nullptr;
    entry.icon = kind ? kind->icon : icons().icon(info);
    entry.sizeBytes = info.isDir() ? 0 : info.size();
    entry.size = sizeText(entry.sizeBytes);
    entry.type = kind ? kind->type : typeName(info);
    entry.modified = info.lastModified().toLocalTime();
    entry.date = QLocale().toString(entry.modified, QLocale::ShortFormat);
    entry.attributes = attributeCode(info);
    entry.nameOnDisk = info.fileName();
    return entry;
}

std::vector<TFileEntry> TFolderReader::readFolder(const QString& folder, const QString& mask, int allowedTypes) {
    std::vector<TFileEntry> entries;
    const QDir dir(folder);
    const QFileInfoList all = dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                QDir::Name | QDir::IgnoreCase);
    const auto allowed = [allowedTypes](const QFileInfo& info) { return (attributesOf(info) & ~allowedTypes) == 0; };
    for (const QFileInfo& info : all) {
        if (info.isDir() && allowed(info)) {
            entries.push_back(entryFor(info));
        }
    }
    for (const QString& pattern : mask.split(u';', Qt::SkipEmptyParts)) {
        const QRegularExpression matcher = patternFor(pattern.trimmed());
        for (const QFileInfo& info : all) {
            if (!info.isDir() && matcher.match(info.fileName()).hasMatch() && allowed(info)) {
                entries.push_back(entryFor(info));
            }
        }
    }
    return entries;
}

TFileEntry TFolderReader::driveEntry(const TVolume& volume, int stringBase) {
    TFileEntry entry =
        specialEntry(volume.displayName, volume.network ? QFileIconProvider::Network : QFileIconProvider::Drive,
                     volume.rootPath, QStringLiteral("U"));
    // Removable and optical media are not woken up to ask for their size.
    const bool asked = !volume.removable && !volume.optical;
    const qint64 kilobytes = asked ? (volume.bytesTotal + 512) / 1024 : 0;
    entry.size = kilobytes == 0 ? QStringLiteral("0 Kb") : capacityText(kilobytes);
    entry.sizeBytes = asked ? volume.bytesTotal : 0;
    entry.type = volumeTypeText(volume, stringBase);
    return entry;
}

std::vector<TFileEntry> TFolderReader::readDrives(int stringBase) {
    std::vector<TFileEntry> entries;
    for (const TVolume& volume : TVolumes::mounted()) {
        entries.push_back(driveEntry(volume, stringBase));
    }
    return entries;
}

std::vector<TFileEntry> TFolderReader::readDesktop(const QString& desktopFolder) {
    std::vector<TFileEntry> entries{
        specialEntry(QStringLiteral("Computer"), QFileIconProvider::Computer, folderkeys::kDrives, QStringLiteral("X")),
        specialEntry(QStringLiteral("Network"), QFileIconProvider::Network, folderkeys::kNetwork, QStringLiteral("X")),
        specialEntry(QStringLiteral("Trash"), QFileIconProvider::Trashcan, folderkeys::kRecycled, QStringLiteral("X"))};
    if (desktopFolder.isEmpty() || !QFileInfo(desktopFolder).isDir()) {
        return entries;
    }
    for (const QFileInfo& info :
         QDir(desktopFolder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        TFileEntry entry = entryFor(info);
        // Entries stand in the desktop view by their full path.
        entry.nameOnDisk = info.absoluteFilePath();
        if (info.isSymLink()) {
            entry.attributes = QStringLiteral("L");
            entry.linkTarget = info.symLinkTarget();
        } else if (info.suffix() == QStringLiteral("desktop")) {
            if (const std::optional<TDesktopEntry> link = TDesktopEntry::read(info.filePath())) {
                entry.attributes = QStringLiteral("L");
                entry.linkTarget = link->target();
                entry.caption = link->name.isEmpty() ? info.completeBaseName() : link->name;
            }
        }
        entries.push_back(entry);
    }
    return entries;
}

std::vector<TFileEntry> TFolderReader::readNetwork(bool networkEnabled, int stringBase) {
    std::vector<TFileEntry> entries{specialEntry(filelanguage::Text(stringBase, filelanguage::txAllTheNetwork),
                                                 QFileIconProvider::Network, QString(), QStringLiteral("N"))};
    if (!networkEnabled) {
        return entries;
    }
    entries.front().nameOnDisk = folderkeys::kNetwork;
    for (const TVolume& volume : TVolumes::networkMounts()) {
        TFileEntry entry = entryFor(QFileInfo(volume.rootPath));
        entry.caption = volume.displayName;
        entry.nameOnDisk = volume.rootPath;
        entries.push_back(entry);
    }
    return entries;
}

std::vector<TFileEntry> TFolderReader::readTrash(const QString& trashFolder, int stringBase) {
    std::vector<TFileEntry> entries;
    const QString files = folderkeys::JoinFolderName(trashFolder, QStringLiteral("files"));
    if (files.isEmpty() || !QFileInfo(files).isDir()) {
        return entries;
    }
    for (const QFileInfo& info : QDir(files).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                                           QDir::Name | QDir::IgnoreCase)) {
        TFileEntry entry = entryFor(info);
        entry.nameOnDisk = info.absoluteFilePath();
        entry.attributes = filelanguage::Text(stringBase, filelanguage::txDeleted);
        const QString original = trashedOriginalPath(folderkeys::JoinFolderName(
            trashFolder, QStringLiteral("info/") + info.fileName() + QStringLiteral(".trashinfo")));
        if (!original.isEmpty()) {
            entry.caption = QFileInfo(original).fileName();
        }
        entries.push_back(entry);
    }
    return entries;
}

QString TFolderReader::desktopFolder() { return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation); }

QString TFolderReader::trashFolder() {
    return folderkeys::JoinFolderName(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                                      QStringLiteral("Trash"));
}
