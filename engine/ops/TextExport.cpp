#include "TextExport.h"

#include <unistd.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <optional>

#include "../core/AsciiCase.h"
#include "../core/EngineError.h"
#include "../core/TextCodec.h"
#include "../dataset/Table.h"
#include "../dataset/ValueText.h"
#include "../io/File.h"
#include "Progress.h"

namespace tabulon {

namespace {

constexpr std::size_t kFlushAt = 256 << 10;

// Appends text to a file through a buffer, counting where it is.
class BufferedFile {
public:
    explicit BufferedFile(const std::filesystem::path& path) : file_(File::create(path)) {
        buffer_.reserve(kFlushAt + (kFlushAt >> 2));
    }
    std::string& buffer() { return buffer_; }
    void flushIfFull() {
        if (buffer_.size() >= kFlushAt) flush();
    }
    void flush() {
        file_.writeAt(offset_, buffer_.data(), buffer_.size());
        offset_ += buffer_.size();
        buffer_.clear();
    }
    void finish() {
        flush();
        file_.sync();
    }

private:
    File file_;
    std::string buffer_;
    std::uint64_t offset_ = 0;
};

// Turns values into the file's text, in the file's code page, straight into the file's buffer:
// no string of its own per value.
class LineBuilder {
public:
    LineBuilder(const TextExportOptions& options, const std::string& encoding)
        : format_(options.file), separator_(separatorOf(options.file)) {
        const std::string name = asciiUpper(encoding);
        if (name != "UTF-8" && name != "UTF8") codec_ = std::make_unique<TextCodec>(encoding);
        // The text of a number, date, time, logical or bytes value is ASCII letters, digits and
        // "+-.:/= ": a separator of none of these never needs a look into it.
        const char only = separator_.size() == 1 ? separator_[0] : 'x';
        separatorInPlainText_ = std::isalnum(static_cast<unsigned char>(only)) || std::strchr("+-.:/= ", only);
    }

    void value(std::string& out, const Value& value, const FieldDef& field, bool first) {
        if (!first) out += separator_;
        if (format_.format == TextFormat::Csv) {
            // Most values are plain ASCII needing no quotes: written straight into the line, and
            // only taken out again to be quoted or encoded when they are not.
            const std::size_t start = out.size();
            value.appendText(out);
            if (value.kind() != ValueKind::String && !separatorInPlainText_) return;
            if (plainAscii(std::string_view(out).substr(start))) return;
            text_.assign(out, start);
            out.resize(start);
            // Only strings hold more than ASCII: the text of every other kind needs no encoding.
            appendCsv(out, field, value.kind() != ValueKind::String);
            return;
        }
        const bool quote = format_.quoteStrings && field.type == ftString;
        if (quote) out += '\'';
        append(out, formatFieldValue(value, field, format_.regional), field);
        if (quote) out += '\'';
    }
    void name(std::string& out, const FieldDef& field, bool first) {
        if (!first) out += separator_;
        if (format_.format != TextFormat::Csv) return append(out, field.name, field);
        text_ = field.name;
        appendCsv(out, field, false);
    }
    std::uint64_t record = 0;  // for messages: the record being written, from 1

private:
    // True when `text` goes into the file as it is: ASCII the file's code page keeps, and no
    // character that calls for quotes.
    bool plainAscii(std::string_view text) const {
        if (codec_ && !codec_->keepsAscii()) return false;
        const char separator = separator_.size() == 1 ? separator_[0] : '"';
        for (const char c : text)
            if (static_cast<unsigned char>(c) >= 0x80 || c == '"' || c == '\r' || c == '\n' || c == separator)
                return false;
        return separator_.size() == 1 || text.find(separator_) == std::string_view::npos;
    }
    // text_, quoted, its quotes doubled, when it holds the separator, a quote or a line break.
    void appendCsv(std::string& out, const FieldDef& field, bool ascii) {
        if (!needsQuotes(ascii)) return append(out, text_, field, ascii);
        quoted_ = '"';
        for (char c : text_) quoted_.append(c == '"' ? 2 : 1, c);
        quoted_ += '"';
        append(out, quoted_, field, ascii);
    }
    bool needsQuotes(bool plainValue) const {
        // The text of a number, date or logical holds no quote or line break: only the
        // separator can be in it.
        if (plainValue) return text_.find(separator_) != std::string::npos;
        // One pass over the text: find_first_of would look each character up in a set.
        const char separator = separator_.size() == 1 ? separator_[0] : '"';
        for (const char c : text_)
            if (c == '"' || c == '\r' || c == '\n' || c == separator) return true;
        return separator_.size() > 1 && text_.find(separator_) != std::string::npos;
    }
    void append(std::string& out, std::string_view text, const FieldDef& field, bool ascii = false) const {
        if (!codec_ || (ascii && codec_->keepsAscii())) {
            out += text;
            return;
        }
        const std::size_t start = out.size();
        if (codec_->encodeTo(out, text)) return;
        out.resize(start);
        throw EngineError(errkind::kValue, "Record " + std::to_string(record) + ", field " + field.name + ": " +
                                               codec_->name() + " has no code for a character of \"" +
                                               std::string(text) + "\"");
    }

    TextFileFormat format_;
    std::string separator_;
    std::unique_ptr<TextCodec> codec_;  // null: UTF-8, the values' own text
    bool separatorInPlainText_ = true;
    std::string text_;    // the value being written, reused
    std::string quoted_;  // and its quoted form
};

std::filesystem::path asidePath(const std::filesystem::path& target) {
    return target.parent_path() / ("." + target.filename().string() + "." + std::to_string(::getpid()) + ".part");
}

}  // namespace

std::uint64_t exportText(Table& table, const std::filesystem::path& target, const TextExportOptions& options) {
    const std::vector<FieldDef>& defs = table.fieldDefs();
    const std::vector<std::size_t> positions = fieldPositions(defs, options.fields, table.tableName());
    LineBuilder line(options, fileEncoding(options.file, table.storage().facts().codePage));

    const std::filesystem::path aside = asidePath(target);
    try {
        BufferedFile file(aside);
        std::string& out = file.buffer();
        if (options.file.header) {
            for (std::size_t i = 0; i < positions.size(); ++i) line.name(out, defs[positions[i]], i == 0);
            out += "\r\n";
        }
        ProgressSteps progress(phase::kData, table.recordCount());
        table.first();
        while (!table.isEmpty() && !(line.record > 0 && table.eof())) {
            ++line.record;
            const Record& values = table.currentValues();
            for (std::size_t i = 0; i < positions.size(); ++i)
                line.value(out, values[positions[i]], defs[positions[i]], i == 0);
            out += "\r\n";
            file.flushIfFull();
            progress.advance(line.record);
            table.next();
        }
        file.finish();
        std::filesystem::rename(aside, target);
        syncFolder(target.parent_path().empty() ? "." : target.parent_path());
    } catch (const std::exception& error) {
        std::error_code ignored;
        std::filesystem::remove(aside, ignored);
        if (const auto* engine = dynamic_cast<const EngineError*>(&error); engine && engine->kind() != errkind::kFile)
            throw;
        throw EngineError(errkind::kFile, "Cannot write " + target.string() + ": " + error.what());
    }
    return line.record;
}

}  // namespace tabulon
