#pragma once
// Splits a fuzz input into a table and its companion file, so that the fuzzer mutates both
// together: a 4-byte little-endian length, that many bytes of .DBF, the rest the companion.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace tabulon::fuzz {

struct Bundle {
    std::string_view table;
    std::string_view companion;
};

inline Bundle split(const std::uint8_t* data, std::size_t size) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    if (size < 4) return {all, {}};
    const std::size_t length =
        std::min<std::size_t>(size - 4, data[0] | (data[1] << 8) | (data[2] << 16) | (std::size_t{data[3]} << 24));
    return {all.substr(4, length), all.substr(4 + length)};
}

// A scratch folder of this process, emptied for every input.
inline std::filesystem::path scratch(const char* name) {
    static const auto folder =
        std::filesystem::temp_directory_path() / (std::string("tabulon-") + name + "-" + std::to_string(::getpid()));
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    std::filesystem::create_directories(folder);
    return folder;
}

inline void put(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tabulon::fuzz
