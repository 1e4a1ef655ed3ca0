#include "DesktopTrash.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "../core/EngineError.h"
#include "../io/FaultInjection.h"
#include "../io/File.h"
#include "../io/FolderEntries.h"

namespace tabulon {

namespace {

std::filesystem::path userTrashFolder() {
    if (const char* dataHome = std::getenv("XDG_DATA_HOME"); dataHome != nullptr && *dataHome == '/')
        return std::filesystem::path(dataHome) / "Trash";
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0')
        throw EngineError(errkind::kFile, "Cannot find the trash: neither XDG_DATA_HOME nor HOME is set");
    return std::filesystem::path(home) / ".local" / "share" / "Trash";
}

// Path=, percent-encoded as a URL path (as the freedesktop.org trash layout requires).
std::string encodedPath(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/-_.~", c) != nullptr) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string localTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
    return text;
}

// Writes and flushes the whole of `text`.
void writeAll(int fd, const std::string& text, const std::filesystem::path& path) {
    if (FaultInjection::reached(IoCall::Write) ||
        ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        throw EngineError(errkind::kFile, "Cannot write " + path.string() + ": " + std::strerror(errno));
    if (FaultInjection::reached(IoCall::Sync) || (!FaultInjection::flushSkipped() && ::fsync(fd) != 0))
        throw EngineError(errkind::kFile, "Cannot flush " + path.string() + ": " + std::strerror(errno));
}

}  // namespace

DesktopTrash::DesktopTrash() : folder_(userTrashFolder()) {}

DesktopTrash::DesktopTrash(std::filesystem::path trashFolder) : folder_(std::move(trashFolder)) {}

std::filesystem::path DesktopTrash::moveToTrash(const std::filesystem::path& file) const {
    const std::filesystem::path source = std::filesystem::absolute(file);
    const std::filesystem::path files = folder_ / "files";
    const std::filesystem::path info = folder_ / "info";
    std::error_code ec;
    createFolders(files, ec);
    if (!ec) createFolders(info, ec);
    if (ec)
        throw EngineError(errkind::kFile, "Cannot create the trash folder " + folder_.string() + ": " + ec.message());

    // The .trashinfo file is created exclusively first: it reserves the name against other
    // processes trashing a file of the same name at the same time.
    const std::string stem = source.filename().string();
    for (int attempt = 1;; ++attempt) {
        const std::string name = attempt == 1 ? stem : stem + "." + std::to_string(attempt);
        const std::filesystem::path infoPath = info / (name + ".trashinfo");
        const std::filesystem::path target = files / name;
        const int fd = FaultInjection::reached(IoCall::Create)
                           ? -1
                           : ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST && attempt < 10000) continue;
            throw EngineError(errkind::kFile,
                              "Cannot move " + source.string() + " to the trash: " + std::strerror(errno));
        }
        if (std::filesystem::exists(target, ec)) {
            ::close(fd);
            removeFile(infoPath, ec);
            continue;
        }
        try {
            writeAll(fd,
                     "[Trash Info]\nPath=" + encodedPath(source.string()) + "\nDeletionDate=" + localTimeNow() + "\n",
                     infoPath);
            ::close(fd);
        } catch (...) {
            ::close(fd);
            removeFile(infoPath, ec);
            throw;
        }
        renameFile(source, target, ec);
        if (ec == std::errc::cross_device_link) {
            // A trash on another file system: copy, then remove the original.
            copyFile(source, target, ec);
            if (!ec) removeFile(source, ec);
        }
        if (ec) {
            std::error_code ignored;
            removeFile(infoPath, ignored);
            throw EngineError(errkind::kFile, "Cannot move " + source.string() + " to the trash: " + ec.message());
        }
        syncFolder(source.parent_path());
        syncFolder(files);
        return target;
    }
}

}  // namespace tabulon
