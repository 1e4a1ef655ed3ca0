#pragma once
// Creations, renames, copies and removals of folder entries, made through the fault-injection
// seam (std::filesystem's calls are not). The forms with `ec` report failures there, as
// std::filesystem does; the others throw EngineError(EFileError) naming the file and the reason.
#include <filesystem>
#include <system_error>

namespace tabulon {

void renameFile(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec);
void renameFile(const std::filesystem::path& from, const std::filesystem::path& to);
// A file that does not exist is no failure.
void removeFile(const std::filesystem::path& path, std::error_code& ec);
void removeFile(const std::filesystem::path& path);
void removeTree(const std::filesystem::path& path, std::error_code& ec);
// Replaces `to` when it exists.
void copyFile(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec);
void copyFile(const std::filesystem::path& from, const std::filesystem::path& to);
void createFolders(const std::filesystem::path& path, std::error_code& ec);

}  // namespace tabulon
