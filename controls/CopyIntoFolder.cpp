#include "CopyIntoFolder.h"

#include <filesystem>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "FolderKeys.h"

namespace {

// Copies `source` to `target`; an empty result means done, otherwise it says why not.
QString copyOne(const QFileInfo& source, const QString& target) {
    if (source.isSymLink()) {
        // Copied as the link: following a link to a folder above it would copy without end.
        std::error_code error;
        const auto link = std::filesystem::read_symlink(QFile::encodeName(source.filePath()).toStdString(), error);
        if (!error) {
            std::filesystem::create_symlink(link, QFile::encodeName(target).toStdString(), error);
        }
        return error ? QString::fromStdString(error.message()) : QString();
    }
    if (!source.isReadable()) {
        return QStringLiteral("it cannot be read");
    }
    if (!source.isDir()) {
        QFile file(source.filePath());
        return file.copy(target) ? QString() : file.errorString();
    }
    if (!QDir().mkdir(target)) {
        return QStringLiteral("the folder %1 cannot be made").arg(target);
    }
    const QFileInfoList children =
        QDir(source.filePath()).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& child : children) {
        const QString why = copyOne(child, folderkeys::JoinFolderName(target, child.fileName()));
        if (!why.isEmpty()) {
            return child.filePath() + QStringLiteral(": ") + why;
        }
    }
    return {};
}

}  // namespace

QStringList CopyIntoFolder(const QStringList& sources, const QString& folder) {
    QStringList failures;
    for (const QString& path : sources) {
        const QFileInfo source(path);
        const QString target = folderkeys::JoinFolderName(folder, source.fileName());
        QString why;
        if (!source.exists()) {
            why = QStringLiteral("it does not exist");
        } else if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
            why = QStringLiteral("%1 already exists").arg(target);
        } else if (source.isDir() && (folder + u'/').startsWith(source.absoluteFilePath() + u'/')) {
            why = QStringLiteral("a folder cannot be copied into itself");
        } else {
            why = copyOne(source, target);
        }
        if (!why.isEmpty()) {
            failures << QStringLiteral("Cannot copy %1 into %2: %3.").arg(path, folder, why);
        }
    }
    return failures;
}
