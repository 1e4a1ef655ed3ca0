#include "FilesByMask.h"

#include <QDir>
#include <QFileInfo>
#include <filesystem>

#include "ops/DesktopTrash.h"

namespace {

// The files `mask` names; a name without wildcards names at most itself.
QFileInfoList matchingFiles(const QString& mask) {
    const QFileInfo info(mask);
    QDir folder(info.absolutePath());
    folder.setNameFilters({info.fileName()});
    folder.setFilter(QDir::Files | QDir::Hidden);
    return folder.entryInfoList();
}

}  // namespace

bool CopyFilesByMask(const QString& source, const QString& target) {
    const QFileInfoList files = matchingFiles(source);
    if (files.isEmpty() || !QFileInfo(target).isDir()) {
        return false;
    }
    for (const QFileInfo& file : files) {
        std::error_code ec;
        std::filesystem::copy_file(file.absoluteFilePath().toStdString(),
                                   (std::filesystem::path(target.toStdString()) / file.fileName().toStdString()),
                                   std::filesystem::copy_options::overwrite_existing, ec);
        if (ec) {
            return false;
        }
    }
    return true;
}

bool DeleteFilesByMask(const QString& source) {
    const QFileInfoList files = matchingFiles(source);
    if (files.isEmpty()) {
        return false;
    }
    try {
        const tabulon::DesktopTrash trash;
        for (const QFileInfo& file : files) {
            trash.moveToTrash(file.absoluteFilePath().toStdString());
        }
    } catch (const std::exception&) {
        return false;
    }
    return true;
}
