#pragma once
// Where a table's code page comes from, and a guess of it from the table's text.
#include <cstddef>
#include <string>
#include <string_view>

namespace tabulon {

enum class CodePageSource {
    Header,  // the file names it (or names none and the format's default applies)
    Guess,   // read from the text itself
    User,    // given by whoever opened the table
};
// "header", "guess", "user".
std::string_view codePageSourceName(CodePageSource source);

// The raw bytes of a table's first text values, at most kMostBytes of them: beyond some 16 KiB
// the detector drifts to ISO-8859-1 on long runs of DOS Cyrillic, and reads no better otherwise.
// Full also once kMostBytesRead of values were looked at, blank ones included, so that a large
// table of empty text costs its opening no more than a small one.
class TextSample {
public:
    static constexpr std::size_t kMostBytes = 16 * 1024;
    static constexpr std::size_t kMostBytesRead = 64 * 1024;
    // Adds one value, without the padding a fixed-width field stores after it.
    void add(std::string_view value);
    // Counts a value that holds no text (an empty memo's pointer) as looked at.
    void passOver(std::size_t bytes) { read_ += bytes; }
    bool full() const { return bytes_.size() >= kMostBytes || read_ >= kMostBytesRead; }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
    std::size_t read_ = 0;
};

// The code page chosen for a table and why.
struct CodePageChoice {
    std::string codePage;  // a TextCodec name
    CodePageSource source = CodePageSource::Header;
    std::string note;  // why no guess was taken; empty when none was needed to say
};

// `named`: the code page the header names, empty when it names none; `fallback`: the format's
// default. A table whose header names none takes the text's guess; one whose header names a code
// page keeps it unless the text is plainly in another script (or UTF-8). Plain ASCII text, or
// text the detector is unsure of, keeps the header's page (or the fallback).
CodePageChoice chooseCodePage(const std::string& named, const std::string& fallback, const TextSample& sample);

}  // namespace tabulon
