#pragma once
// What tells whether a table's files changed since it was opened.
#include <sys/types.h>

#include <filesystem>
#include <vector>

namespace tabulon {

// The identity, size and modification time of each file of a table's family. Taken before the
// table is opened, so a change that races with the opening makes it differ later, never hides.
class TableSignature {
public:
    // Empty (matching nothing) when the table is gone.
    static TableSignature of(const std::filesystem::path& table);

    // True when nothing changed: same files, none written. A signature taken within a short
    // while of a file's last write never matches, because file times have the resolution of
    // the system's clock tick and a later write in the same tick would leave them unchanged.
    bool unchangedIn(const TableSignature& now) const;

private:
    struct FileState {
        std::filesystem::path path;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        struct timespec modified {};
        bool operator==(const FileState& other) const;
    };
    std::vector<FileState> files_;
    bool settled_ = false;
};

}  // namespace tabulon
