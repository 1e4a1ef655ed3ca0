#pragma once
// Reads a text file record by record, as the values of each line, without holding the file.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../core/TextCodec.h"
#include "../io/File.h"
#include "TextFileFormat.h"

namespace tabulon {

// Lines end at CR LF, CR or LF. A Delimited line splits at every separator; each value is
// trimmed of blanks and control characters, and empty values keep their place (A;;C is three
// values). A Csv record may span lines inside quotes. The file's bytes are decoded from
// `encoding` to UTF-8 (bytes that do not decode become U+FFFD; a UTF-8 byte-order mark is
// skipped). Throws EngineError(EFileError) naming the file. One thread.
class TextRecordReader {
public:
    TextRecordReader(const std::filesystem::path& path, const TextFileFormat& format, const std::string& encoding);

    // The next record's values; false at the end of the file. An empty line gives no values.
    bool next(std::vector<std::string>& values);
    // The 1-based number of the line the last record began on.
    std::uint64_t lineNumber() const { return recordLine_; }
    std::uint64_t bytesRead() const { return consumed_; }
    std::uint64_t size() const { return size_; }

private:
    // The next raw line without its end, and the end it had; false at the end of the file.
    bool nextLine(std::string& line, std::string& ending);
    bool fill();
    void splitDelimited(const std::string& line, std::vector<std::string>& values) const;
    // Parses `line` into `values` from `field`; true when it ends inside quotes.
    bool splitCsv(const std::string& line, std::vector<std::string>& values, std::string& field, bool quoted) const;
    std::string decoded(std::string raw) const;

    File file_;
    TextFileFormat format_;
    std::string separator_;
    std::unique_ptr<TextCodec> codec_;  // null: the file is UTF-8
    std::uint64_t size_ = 0;
    std::uint64_t read_ = 0;      // bytes taken from the file into buffer_
    std::uint64_t consumed_ = 0;  // bytes of the lines handed out
    std::string buffer_;
    std::size_t position_ = 0;
    std::uint64_t lines_ = 0;
    std::uint64_t recordLine_ = 0;
};

}  // namespace tabulon
