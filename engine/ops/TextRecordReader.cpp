#include "TextRecordReader.h"

#include "../core/AsciiCase.h"

namespace tabulon {

namespace {

constexpr std::size_t kChunk = 1 << 20;

bool isUtf8(const std::string& encoding) {
    const std::string name = asciiUpper(encoding);
    return name == "UTF-8" || name == "UTF8" || name == "CP65001";
}

std::string trimmed(std::string_view text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

}  // namespace

TextRecordReader::TextRecordReader(const std::filesystem::path& path, const TextFileFormat& format,
                                   const std::string& encoding)
    : file_(File::open(path, AccessMode::ReadOnly)), format_(format), separator_(separatorOf(format)) {
    if (!isUtf8(encoding)) codec_ = std::make_unique<TextCodec>(encoding);
    size_ = file_.size();
    if (!codec_ && fill() && buffer_.starts_with("\xEF\xBB\xBF")) position_ = consumed_ = 3;
}

bool TextRecordReader::fill() {
    if (read_ >= size_) return false;
    buffer_.erase(0, position_);
    position_ = 0;
    const std::size_t kept = buffer_.size();
    buffer_.resize(kept + kChunk);
    const std::size_t got = file_.readAt(read_, buffer_.data() + kept, kChunk);
    buffer_.resize(kept + got);
    read_ += got;
    if (got == 0) size_ = read_;  // the file shrank meanwhile
    return got > 0;
}

bool TextRecordReader::nextLine(std::string& line, std::string& ending) {
    for (;;) {
        const std::size_t end = buffer_.find_first_of("\r\n", position_);
        // A CR last in the buffer may be the first half of a CR LF.
        const bool complete =
            end != std::string::npos && !(buffer_[end] == '\r' && end + 1 == buffer_.size() && read_ < size_);
        if (complete || !fill()) break;
    }
    std::size_t end = buffer_.find_first_of("\r\n", position_);
    if (position_ >= buffer_.size()) return false;
    if (end == std::string::npos) end = buffer_.size();
    line.assign(buffer_, position_, end - position_);
    const std::size_t endLength = end == buffer_.size()                                                          ? 0
                                  : buffer_[end] == '\r' && end + 1 < buffer_.size() && buffer_[end + 1] == '\n' ? 2
                                                                                                                 : 1;
    ending.assign(buffer_, end, endLength);
    position_ = end + endLength;
    consumed_ += line.size() + endLength;
    ++lines_;
    return true;
}

std::string TextRecordReader::decoded(std::string raw) const { return codec_ ? codec_->decode(raw) : raw; }

bool TextRecordReader::next(std::vector<std::string>& values) {
    values.clear();
    std::string line, ending;
    if (!nextLine(line, ending)) return false;
    recordLine_ = lines_;
    if (line.empty()) return true;
    if (format_.format == TextFormat::Delimited) {
        splitDelimited(decoded(std::move(line)), values);
        return true;
    }
    std::string field;
    bool quoted = splitCsv(decoded(std::move(line)), values, field, false);
    while (quoted) {  // a line break inside quotes belongs to the value
        field += ending;
        if (!nextLine(line, ending)) {
            quoted = false;
            break;
        }
        quoted = splitCsv(decoded(std::move(line)), values, field, true);
    }
    values.push_back(std::move(field));
    return true;
}

void TextRecordReader::splitDelimited(const std::string& line, std::vector<std::string>& values) const {
    if (separator_.empty()) {
        values.push_back(trimmed(line));
        return;
    }
    std::size_t start = 0;
    for (std::size_t at; (at = line.find(separator_, start)) != std::string::npos; start = at + separator_.size())
        values.push_back(trimmed(std::string_view(line).substr(start, at - start)));
    values.push_back(trimmed(std::string_view(line).substr(start)));
}

bool TextRecordReader::splitCsv(const std::string& line, std::vector<std::string>& values, std::string& field,
                                bool quoted) const {
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"')
                field += c;
            else if (i + 1 < line.size() && line[i + 1] == '"')
                field += line[++i];
            else
                quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (line.compare(i, separator_.size(), separator_) == 0) {
            values.push_back(std::move(field));
            field.clear();
            i += separator_.size() - 1;
        } else {
            field += c;
        }
    }
    return quoted;
}

}  // namespace tabulon
