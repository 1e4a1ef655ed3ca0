#include "TextTable.h"

#include <algorithm>
#include <set>

#include "../../core/EngineError.h"
#include "DialectSniffer.h"
#include "HeaderSniffer.h"
#include "TextCell.h"
#include "TextRowIndex.h"
#include "TextSchema.h"
#include "TypeSniffer.h"

namespace tabulon {

namespace {
constexpr std::size_t kSampleBytes = 64 * 1024;
constexpr std::size_t kWindowBytes = 256 * 1024;
// A record longer than this is cut (and reported), so a file without line breaks cannot make a
// read allocate without bound.
constexpr std::uint64_t kMaxRecordBytes = 16 * 1024 * 1024;
constexpr std::size_t kMaxProblems = 100;
constexpr std::size_t kMaxSniffedColumns = 4096;

bool isValidUtf8(std::string_view text, bool mayBeCut) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0) return false;
        if (i + length > text.size()) return mayBeCut;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
        i += length;
    }
    return true;
}

std::vector<std::string> uniqueNames(const std::vector<std::string>& header, std::size_t columns) {
    std::vector<std::string> names;
    std::set<std::string> taken;
    for (std::size_t i = 0; i < columns; ++i) {
        std::string base = i < header.size() && !header[i].empty() ? header[i] : "Field" + std::to_string(i + 1);
        std::string name = base;
        for (int n = 2; !taken.insert(name).second; ++n) name = base + "_" + std::to_string(n);
        names.push_back(name);
    }
    return names;
}
}  // namespace

TextTable::TextTable(const StorageDriver& driver, std::filesystem::path path, const OpenOptions& options)
    : driver_(driver), path_(std::move(path)), options_(options) {
    load();
}

void TextTable::load() {
    file_ = File::open(path_, AccessMode::ReadOnly);
    std::string sample(static_cast<std::size_t>(std::min<std::uint64_t>(file_.size(), kSampleBytes)), '\0');
    sample.resize(file_.readAt(0, sample.data(), sample.size()));
    const bool sampleIsWhole = sample.size() == file_.size();

    const auto schemaPath = TextSchema::pathFor(path_);
    std::string schemaCodePage;
    if (!schemaPath.empty()) {
        TextSchema schema = TextSchema::read(schemaPath);
        dialect_ = schema.dialect;
        fields_ = std::move(schema.fields);
        columns_ = std::move(schema.columns);
        schemaCodePage = schema.codePage;
    } else {
        sniffLayout(sample, sampleIsWhole);
    }

    codePageSource_ = !options_.encoding.empty() ? CodePageSource::User
                      : !schemaCodePage.empty()  ? CodePageSource::Header
                                                 : CodePageSource::Guess;
    codePage_ = !options_.encoding.empty()            ? options_.encoding
                : !schemaCodePage.empty()             ? schemaCodePage
                : isValidUtf8(sample, !sampleIsWhole) ? "UTF-8"
                                                      : "CP1252";
    codec_.reset();
    if (codePage_ != "UTF-8") codec_ = std::make_unique<TextCodec>(codePage_);

    rows_ = indexTextRows(file_, dialect_);
    if (dialect_.header && !rows_.empty()) rows_.erase(rows_.begin());
}

void TextTable::sniffLayout(std::string_view sample, bool sampleIsWhole) {
    dialect_ = sniffDialect(sample, sampleIsWhole);
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> cells;
    std::size_t columns = 0;
    for (std::size_t position = 0; position < sample.size();) {
        const std::size_t next = readDelimitedRow(sample, position, dialect_, cells);
        const bool partial = !sampleIsWhole && next >= sample.size();
        position = next;
        if ((cells.size() == 1 && cells[0].empty()) || partial) continue;
        columns = std::max(columns, std::min(cells.size(), kMaxSniffedColumns));
        rows.push_back(cells);
    }
    const std::vector<std::vector<std::string>> body(rows.begin() + (rows.empty() ? 0 : 1), rows.end());
    dialect_.header = sniffHeader(rows, sniffColumnTypes(body, columns));
    const auto& data = dialect_.header ? body : rows;
    const auto types = sniffColumnTypes(data, columns);
    const auto names = uniqueNames(dialect_.header ? rows.front() : std::vector<std::string>{}, columns);
    for (std::size_t i = 0; i < columns; ++i) {
        FieldDef field;
        field.name = names[i];
        field.type = types[i];
        if (field.type == ftString) {
            std::size_t widest = 1;
            for (const auto& row : data)
                if (i < row.size()) widest = std::max(widest, row[i].size());
            field.size = static_cast<int>(widest);
        }
        fields_.push_back(field);
    }
}

TableFacts TextTable::facts() const {
    return TableFacts{"text", dialect_.fixed ? "fixed" : "delimited", codePage_, {}, codePageSource_, {}};
}

void TextTable::checkSlot(std::uint64_t slot) const {
    if (slot >= rows_.size())
        throw EngineError(errkind::kValue, "Record " + std::to_string(slot + 1) + " of " + path_.string() +
                                               " does not exist: the table has " + std::to_string(rows_.size()));
}

void TextTable::note(std::string message) {
    if (!options_.tolerant) throw EngineError(errkind::kFormat, path_.string() + ": " + message);
    if (problems_.size() < kMaxProblems)
        problems_.push_back(TableProblem{path_.filename().string(), std::move(message)});
}

bool TextTable::readSlot(std::uint64_t slot, Record& out) {
    checkSlot(slot);
    const std::uint64_t start = rows_[slot];
    std::uint64_t end = slot + 1 < rows_.size() ? rows_[slot + 1] : file_.size();
    if (end - start > kMaxRecordBytes) {
        note("record " + std::to_string(slot + 1) + " is longer than " + std::to_string(kMaxRecordBytes) +
             " bytes; the rest is not read");
        end = start + kMaxRecordBytes;
    }
    const std::string_view row = bytes(start, end);
    if (dialect_.fixed)
        readFixedRow(row.substr(0, row.find_first_of("\r\n")), columns_, cells_);
    else
        readDelimitedRow(row, 0, dialect_, cells_);
    out.assign(fields_.size(), Value());
    for (std::size_t i = 0; i < fields_.size() && i < cells_.size(); ++i) {
        std::string text = codec_ ? codec_->decode(cells_[i]) : std::move(cells_[i]);
        if (fields_[i].type == ftString && !text.empty()) {
            out[i] = Value::string(std::move(text));  // the common case, without a copy
        } else if (auto value = parseTextCell(text, fields_[i].type)) {
            out[i] = std::move(*value);
        } else {
            note("record " + std::to_string(slot + 1) + ", field " + fields_[i].name + ": '" + text + "' is not a " +
                 std::string(fieldTypeName(fields_[i].type)) + " value");
        }
    }
    return true;
}

std::string_view TextTable::bytes(std::uint64_t start, std::uint64_t end) {
    if (start < windowStart_ || end > windowStart_ + window_.size()) {
        window_.resize(std::max<std::size_t>(static_cast<std::size_t>(end - start), kWindowBytes));
        window_.resize(file_.readAt(start, window_.data(), window_.size()));
        windowStart_ = start;
    }
    const auto offset = static_cast<std::size_t>(start - windowStart_);
    return std::string_view(window_).substr(offset, std::min<std::size_t>(end - start, window_.size() - offset));
}

RecordId TextTable::recordIdAt(std::uint64_t slot) {
    checkSlot(slot);
    return slot;
}

std::uint64_t TextTable::slotOf(RecordId id) {
    checkSlot(id);
    return id;
}

void TextTable::readRecord(RecordId id, Record& out) { readSlot(id, out); }

std::unique_ptr<KeyCursor> TextTable::openIndex(const std::string& name) {
    throw EngineError(errkind::kValue, "Text table " + path_.string() + " has no index '" + name + "'");
}

void TextTable::refresh() {
    window_.clear();
    windowStart_ = 0;
    fields_.clear();
    columns_.clear();
    load();
}

void TextTable::refuseWrite() const {
    throw EngineError(errkind::kNotSupported, "Text table " + path_.string() + " is read-only");
}

}  // namespace tabulon
