#include "TrashMover.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>

#include "../core/EngineError.h"

namespace tabulon {
namespace {

std::filesystem::path trashFolder() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) return std::filesystem::path(data) / "Trash";
    const char* home = std::getenv("HOME");
    if (!home || !*home) throw EngineError(errkind::kFile, "No home folder for the trash");
    return std::filesystem::path(home) / ".local/share/Trash";
}

// The path as a trashinfo file writes it: percent-encoded bytes outside the safe set.
std::string encodedPath(const std::string& path) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::string_view("/-_.~").find(static_cast<char>(c)) != std::string_view::npos) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

}  // namespace

void moveToTrash(const std::filesystem::path& file) {
    const std::filesystem::path trash = trashFolder();
    const std::filesystem::path original = std::filesystem::absolute(file);
    std::error_code ec;
    std::filesystem::create_directories(trash / "files", ec);
    std::filesystem::create_directories(trash / "info", ec);
    const std::string base = original.filename().string();
    for (int attempt = 1; attempt < 10000; ++attempt) {
        const std::string name = attempt == 1 ? base : base + "." + std::to_string(attempt);
        const std::filesystem::path info = trash / "info" / (name + ".trashinfo");
        // Creating the info file first claims the name against other movers.
        std::FILE* claim = std::fopen(info.c_str(), "wx");
        if (!claim) continue;
        char when[32];
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%S", &local);
        std::fprintf(claim, "[Trash Info]\nPath=%s\nDeletionDate=%s\n", encodedPath(original.string()).c_str(), when);
        std::fclose(claim);
        const std::filesystem::path target = trash / "files" / name;
        std::filesystem::rename(original, target, ec);
        if (ec == std::errc::cross_device_link) {
            // The trash lies on another disk: copy, then remove the original.
            ec.clear();
            std::filesystem::copy_file(original, target, ec);
            if (!ec) std::filesystem::remove(original, ec);
        }
        if (ec) {
            std::filesystem::remove(info);
            throw EngineError(errkind::kFile, "Cannot move " + original.string() + " to the trash: " + ec.message());
        }
        return;
    }
    throw EngineError(errkind::kFile, "No free name in the trash for " + original.string());
}

}  // namespace tabulon
