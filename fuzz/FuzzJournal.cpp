// Journal recovery reads a file left by a crash: a damaged one must never crash the program or
// write outside the folder it names. The fuzzer's journal names only a scratch file.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "core/EngineError.h"
#include "io/Transaction.h"

using namespace tabulon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto folder = [] {
        auto f = std::filesystem::temp_directory_path() / ("tabulon-fuzz-journal-" + std::to_string(::getpid()));
        std::filesystem::create_directories(f);
        return f;
    }();
    const auto journal = folder / "x.tjournal";
    std::ofstream(journal, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    try {
        Transaction::recover(journal);
    } catch (const EngineError&) {
    }
    std::error_code ec;
    std::filesystem::remove(journal, ec);
    return 0;
}
