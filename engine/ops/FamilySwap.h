#pragma once
// Replaces a table's family of files by a new family built beside it, so that a process killed
// at any instant leaves either the old family or the new one complete.
#include <filesystem>
#include <string>
#include <vector>

#include "../io/File.h"
#include "DesktopTrash.h"

namespace tabulon {

// The new family is built in a hidden staging folder of the table's folder (same file system,
// so each move is a rename). commit() syncs it and hands FolderMoves one list: the leaving
// files into the staging folder's old/, the new ones into the folder. From the instant that
// list is written the swap is decided, and any table open finishes it; before it, the staging
// folder is just discarded. The leaving files then go to the trash.
// Throws EngineError(EFileError) naming the file that failed. One thread; the caller holds the
// table's exclusive lock.
class FamilySwap {
public:
    // `folder` is the table's folder; `leaving` the files of the family being replaced (may be
    // empty when the target name is new).
    FamilySwap(std::filesystem::path folder, std::vector<std::filesystem::path> leaving, DesktopTrash trash);
    FamilySwap(const FamilySwap&) = delete;
    FamilySwap& operator=(const FamilySwap&) = delete;
    // Removes the staging folder unless committed.
    ~FamilySwap();

    // Where the new table named `fileName` is to be built.
    std::filesystem::path staged(const std::string& fileName) const { return staging_ / fileName; }
    // Moves every staged file into the folder, sending the leaving files to the trash.
    void commit();

    // Finishes the swaps of `folder` that killed processes decided (their leaving files to the
    // trash) and removes the staging folders that no live process builds in.
    static void recoverFolder(const std::filesystem::path& folder, const DesktopTrash& trash);

private:
    std::filesystem::path folder_;
    std::vector<std::filesystem::path> leaving_;
    DesktopTrash trash_;
    std::filesystem::path staging_;
    File ownership_;  // locked while this process builds in the staging folder
    bool committed_ = false;
};

}  // namespace tabulon
