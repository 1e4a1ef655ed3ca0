#pragma once
// Moves files to the desktop trash the freedesktop.org way, so they can be restored.
#include <filesystem>

namespace tabulon {

// Moves `file` into $XDG_DATA_HOME/Trash (else ~/.local/share/Trash) under a free name in
// files/, with its .trashinfo (original path, deletion time) in info/. Throws EFileError naming
// the file when it cannot. Any thread.
void moveToTrash(const std::filesystem::path& file);

}  // namespace tabulon
