#pragma once
// Converts table text between a table's code page and UTF-8.
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tabulon {

// Single-byte code pages convert through tables built once; multi-byte ones (932, 936, 949,
// 950, UTF-8) through iconv. CP620 (Mazovia) and CP895 (Kamenicky), which iconv lacks, come
// from tables of their own (DosCodePages.h). One instance per table; not thread-safe.
class TextCodec {
public:
    // `name` is an iconv name: "CP437", "CP1252", "UTF-8", "TIS-620". Throws EValueError for an
    // unknown one.
    explicit TextCodec(std::string name);
    ~TextCodec();
    TextCodec(const TextCodec&) = delete;
    TextCodec& operator=(const TextCodec&) = delete;

    const std::string& name() const { return name_; }
    // Whether ASCII text encodes as itself, byte for byte.
    bool keepsAscii() const { return singleByte_ && asciiKept_; }
    // Never fails: bytes that do not decode become U+FFFD.
    std::string decode(std::string_view bytes) const;
    // Empty when a character has no code in this code page.
    std::optional<std::string> encode(std::string_view utf8) const;
    // encode() appended to `out`, without a string of its own: exports encode millions of
    // values. False when a character has no code; `out` may then hold the text's first part.
    bool encodeTo(std::string& out, std::string_view utf8) const;

    // "CP437" for 437; "CP1252" for 1252; "UTF-8" for 65001.
    static std::string nameForCodePage(int codePage);
    // The number nameForCodePage() takes for `name`: 437 for "CP437"; empty for other names.
    static std::optional<int> codePageForName(std::string_view name);

private:
    struct Iconv;
    std::string name_;
    bool singleByte_ = false;
    bool asciiKept_ = false;                          // single-byte: bytes below 0x80 are ASCII
    std::array<std::string, 256> toUtf8_;             // single-byte decode table
    std::unordered_map<std::string, char> fromUtf8_;  // single-byte encode table
    std::unique_ptr<Iconv> iconv_;                    // multi-byte code pages
};

}  // namespace tabulon
