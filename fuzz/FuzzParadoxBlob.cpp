// The .MB reader follows a location and a length from a record: whatever both say and whatever
// the file holds, it returns the blob or throws EngineError, reading nothing past the file.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/EngineError.h"
#include "storage/paradox/ParadoxBlobFile.h"
#include "storage/paradox/ParadoxBytes.h"

using namespace tabulon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    static const auto file =
        std::filesystem::temp_directory_path() / ("tabulon-fuzz-paradox-blob-" + std::to_string(::getpid()) + ".MB");
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(data + 8), static_cast<std::streamsize>(size - 8));
    try {
        const paradox::ParadoxBlobFile blobs(PagedFile::open(file, AccessMode::ReadOnly));
        blobs.read(paradox::le32(data), paradox::le32(data + 4));
    } catch (const EngineError&) {
    }
    return 0;
}
