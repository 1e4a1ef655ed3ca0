#pragma once
// A list of renames inside one folder that happens as a unit: a process killed in the middle
// leaves a manifest, and the next recoverFolder() (run by every table open) finishes the list.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tabulon {

// Names are relative to the folder and may lie in its subfolders ("swap/new/T.DB"). Each move
// needs its target free; a replay skips a move whose source is gone and whose target exists,
// so replaying a list at any point of its run ends in the same state. Throws EngineError
// (EFileError) naming the file; the manifest then stays for recovery. Any thread; processes
// coordinate through the manifest's lock.
class FolderMoves {
public:
    using Move = std::pair<std::string, std::string>;  // from, to

    static constexpr const char* kManifestExtension = ".tmoves";

    // Writes the manifest (from then on the moves are decided), makes the moves, removes it.
    static void run(const std::filesystem::path& folder, const std::vector<Move>& moves);
    // Finishes the lists of manifests that no running process holds.
    static void recoverFolder(const std::filesystem::path& folder);
};

}  // namespace tabulon
