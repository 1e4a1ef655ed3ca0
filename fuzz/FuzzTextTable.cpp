// Any bytes opened as a text table without a schema: sniffing and reading every record either
// work or raise EngineError.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "core/EngineError.h"
#include "storage/Drivers.h"

using namespace tabulon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("tabulon-fuzz-" + std::to_string(::getpid()) + ".txt");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    try {
        auto table = openTable(path);
        Record record;
        for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot) table->readSlot(slot, record);
    } catch (const EngineError&) {
    }
    return 0;
}
