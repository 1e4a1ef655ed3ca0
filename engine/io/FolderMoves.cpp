#include "FolderMoves.h"

#include <unistd.h>

#include <atomic>
#include <optional>

#include "../core/EngineError.h"
#include "File.h"
#include "FolderEntries.h"

namespace tabulon {

namespace {

constexpr const char* kEnd = "end";

// One move per line, source and target separated by a tab; an end line closes the list, so
// a manifest cut short by damage is told apart from a whole one and left alone.
std::string encode(const std::vector<FolderMoves::Move>& moves) {
    std::string text;
    for (const auto& [from, to] : moves) text += from + "\t" + to + "\n";
    return text + kEnd + "\n";
}

// A name that could reach outside the folder is damage (or mischief): the list is not run.
bool insideFolder(const std::string& name) {
    const std::filesystem::path path(name);
    if (path.is_absolute()) return false;
    for (const auto& part : path)
        if (part == "..") return false;
    return true;
}

std::optional<std::vector<FolderMoves::Move>> decode(const std::string& text) {
    std::vector<FolderMoves::Move> moves;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) return std::nullopt;
        const std::string line = text.substr(start, end - start);
        if (line == kEnd) return moves;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0 || tab + 1 == line.size()) return std::nullopt;
        moves.emplace_back(line.substr(0, tab), line.substr(tab + 1));
        if (!insideFolder(moves.back().first) || !insideFolder(moves.back().second)) return std::nullopt;
        start = end + 1;
    }
    return std::nullopt;
}

void replay(const std::filesystem::path& folder, const std::vector<FolderMoves::Move>& moves) {
    for (const auto& [fromName, toName] : moves) {
        const std::filesystem::path from = folder / fromName, to = folder / toName;
        std::error_code ec;
        if (std::filesystem::exists(to, ec) || !std::filesystem::exists(from, ec)) continue;
        renameFile(from, to);
    }
    syncFolder(folder);
    for (const auto& [fromName, toName] : moves) {
        const auto parent = (folder / toName).parent_path();
        if (parent != folder) syncFolder(parent);
    }
}

std::string readAll(const File& file) {
    const std::uint64_t size = file.size();
    // A manifest names a family's files: a huge one is damage, not a list to load.
    if (size > (1u << 20)) return {};
    std::string text(static_cast<std::size_t>(size), '\0');
    text.resize(file.readAt(0, text.data(), text.size()));
    return text;
}

}  // namespace

void FolderMoves::run(const std::filesystem::path& folder, const std::vector<Move>& moves) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path path =
        folder / ("~tabulon-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + kManifestExtension);
    const std::filesystem::path unfinished = path.string() + ".new";
    const std::string text = encode(moves);
    File manifest = File::create(unfinished);
    manifest.lock(ShareMode::Exclusive);  // recovery leaves a list alone while we run it
    manifest.writeAt(0, text.data(), text.size());
    manifest.sync();
    std::error_code ec;
    renameFile(unfinished, path, ec);
    if (ec) {
        removeFile(unfinished, ec);
        throw EngineError(errkind::kFile, "Cannot write " + path.string() + ": " + ec.message());
    }
    try {
        syncFolder(folder);
    } catch (const EngineError&) {
        // Not known to be durable, the list is not decided: nothing moves.
        removeFile(path, ec);
        throw;
    }
    replay(folder, moves);
    removeFile(path);
    syncFolder(folder);
}

void FolderMoves::recoverFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::vector<std::filesystem::path> manifests;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const auto& path = entry.path();
        if (path.extension() == kManifestExtension)
            manifests.push_back(path);
        else if (path.extension() == ".new" && path.stem().extension() == kManifestExtension)
            manifests.push_back(path);  // died while writing it: nothing was moved yet
    }
    for (const auto& path : manifests) {
        std::optional<File> manifest;
        try {
            manifest = File::open(path, AccessMode::ReadWrite);
        } catch (const EngineError&) {
            continue;  // finished and removed since the listing
        }
        if (!manifest->tryLock(ShareMode::Exclusive)) continue;
        if (path.extension() == ".new") {
            removeFile(path, ec);
            continue;
        }
        const auto moves = decode(readAll(*manifest));
        if (!moves) continue;
        replay(folder, *moves);
        removeFile(path);
        syncFolder(folder);
    }
}

}  // namespace tabulon
