#include "FolderEntries.h"

#include <cerrno>

#include "../core/EngineError.h"
#include "FaultInjection.h"

namespace tabulon {

namespace {
bool injected(IoCall call, std::error_code& ec) {
    if (!FaultInjection::reached(call)) return false;
    ec = std::error_code(errno, std::system_category());
    return true;
}

void throwIf(const std::error_code& ec, const std::string& what) {
    if (ec) throw EngineError(errkind::kFile, "Cannot " + what + ": " + ec.message());
}
}  // namespace

void renameFile(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec) {
    if (!injected(IoCall::Rename, ec)) std::filesystem::rename(from, to, ec);
}

void renameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code ec;
    renameFile(from, to, ec);
    throwIf(ec, "move " + from.string() + " to " + to.string());
}

void removeFile(const std::filesystem::path& path, std::error_code& ec) {
    if (!injected(IoCall::Remove, ec)) std::filesystem::remove(path, ec);
}

void removeFile(const std::filesystem::path& path) {
    std::error_code ec;
    removeFile(path, ec);
    throwIf(ec, "remove " + path.string());
}

void removeTree(const std::filesystem::path& path, std::error_code& ec) {
    if (!injected(IoCall::Remove, ec)) std::filesystem::remove_all(path, ec);
}

void copyFile(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec) {
    if (!injected(IoCall::Create, ec))
        std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
}

void copyFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code ec;
    copyFile(from, to, ec);
    throwIf(ec, "copy " + from.string() + " to " + to.string());
}

void createFolders(const std::filesystem::path& path, std::error_code& ec) {
    if (!injected(IoCall::Create, ec)) std::filesystem::create_directories(path, ec);
}

}  // namespace tabulon
