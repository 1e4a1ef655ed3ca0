#pragma once
// Unpacks one fuzzer input into the files of a Paradox family, so that mutations reach every
// member together. Input: parts of [extension letter][length, 4 bytes little-endian][bytes];
// letters D (.DB), P (.PX), M (.MB), X (.XG0), Y (.YG0), V (.VAL). Anything after a short part is ignored.
// An input that does not start with a part (a plain file from the fixture set) is the .DB.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace tabulon::fuzzing {

inline std::filesystem::path unpackParadoxFamily(const std::uint8_t* data, std::size_t size, const char* target) {
    static const auto folder = [target] {
        auto f = std::filesystem::temp_directory_path() /
                 ("tabulon-" + std::string(target) + "-" + std::to_string(::getpid()));
        std::filesystem::create_directories(f);
        return f;
    }();
    for (const char* ext : {".DB", ".PX", ".MB", ".XG0", ".YG0", ".VAL"}) {
        std::error_code ec;
        std::filesystem::remove(folder / (std::string("F") + ext), ec);
    }
    const auto isPart = [&](std::size_t at) {
        return at + 5 <= size && std::string_view("DPMXYV").find(static_cast<char>(data[at])) != std::string_view::npos;
    };
    if (!isPart(0)) {
        std::ofstream(folder / "F.DB", std::ios::binary)
            .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        return folder / "F.DB";
    }
    std::size_t at = 0;
    while (isPart(at)) {
        const char letter = static_cast<char>(data[at]);
        const std::size_t length =
            data[at + 1] | (data[at + 2] << 8) | (data[at + 3] << 16) | (static_cast<std::size_t>(data[at + 4]) << 24);
        at += 5;
        if (length > size - at) break;
        const char* ext = letter == 'D'   ? ".DB"
                          : letter == 'P' ? ".PX"
                          : letter == 'M' ? ".MB"
                          : letter == 'X' ? ".XG0"
                          : letter == 'Y' ? ".YG0"
                          : letter == 'V' ? ".VAL"
                                          : nullptr;
        if (ext)
            std::ofstream(folder / (std::string("F") + ext), std::ios::binary)
                .write(reinterpret_cast<const char*>(data + at), static_cast<std::streamsize>(length));
        at += length;
    }
    return folder / "F.DB";
}

}  // namespace tabulon::fuzzing
