// Index trees (.PX, .Ynn, .YGn) are walked from a root the file names, through levels it
// states: loops, blocks outside the file and lying counts end in EngineError, never a crash.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/EngineError.h"
#include "storage/paradox/ParadoxIndexTree.h"

using namespace tabulon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto file =
        std::filesystem::temp_directory_path() / ("tabulon-fuzz-paradox-index-" + std::to_string(::getpid()) + ".PX");
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    try {
        paradox::ParadoxIndexTree::read(PagedFile::open(file, AccessMode::ReadOnly));
    } catch (const EngineError&) {
    }
    return 0;
}
