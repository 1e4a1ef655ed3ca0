#pragma once
// Moves files to the user's desktop trash, so that files a table operation replaces can be
// brought back by the user (freedesktop.org trash layout: files/ and info/*.trashinfo).
#include <filesystem>
#include <string>

namespace tabulon {

// The trash under $XDG_DATA_HOME (or ~/.local/share when unset): <base>/Trash.
// moveToTrash() throws EngineError(EFileError) naming the file when it cannot be moved; the
// file is then left where it was. Stateless; any thread.
class DesktopTrash {
public:
    // The trash of the current user, from the environment.
    DesktopTrash();
    explicit DesktopTrash(std::filesystem::path trashFolder);

    const std::filesystem::path& folder() const { return folder_; }
    // Moves `file` into the trash under a name not yet used there and records where it came
    // from and when. Returns the path it now has in the trash.
    std::filesystem::path moveToTrash(const std::filesystem::path& file) const;

private:
    std::filesystem::path folder_;
};

}  // namespace tabulon
