#pragma once
// dBase headers made byte by byte, for the tests of the header reader and the Fields page.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace tabulon::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes fileHeader(std::uint8_t version = 0x03, unsigned headerLength = 0x61) {
    Bytes header(32, 0);
    header[0] = version;
    header[1] = 95;  // year, month, day
    header[2] = 7;
    header[3] = 14;
    header[8] = static_cast<std::uint8_t>(headerLength & 0xFF);
    header[9] = static_cast<std::uint8_t>(headerLength >> 8);
    return header;
}

inline Bytes descriptor(const std::string& name, char type, int length, int decimals = 0) {
    Bytes slot(32, 0);
    std::copy(name.begin(), name.end(), slot.begin());
    slot[11] = static_cast<std::uint8_t>(type);
    slot[16] = static_cast<std::uint8_t>(length);
    slot[17] = static_cast<std::uint8_t>(decimals);
    return slot;
}

// The terminator, a record of `recordLength` blanks and the end-of-file mark.
inline Bytes terminatorAndRecord(int recordLength = 8) {
    Bytes tail{0x0D};
    tail.insert(tail.end(), static_cast<std::size_t>(recordLength), ' ');
    tail.push_back(0x1A);
    return tail;
}

inline Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

inline std::filesystem::path writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

}  // namespace tabulon::testing
