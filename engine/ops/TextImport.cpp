#include "TextImport.h"

#include <algorithm>

#include "../core/EngineError.h"
#include "../dataset/ValueText.h"
#include "../io/Transaction.h"
#include "../storage/Drivers.h"
#include "BatchedTransaction.h"
#include "Progress.h"
#include "TextRecordReader.h"

namespace tabulon {

namespace {

// Records per commit: enough that commits cost little, few enough that the pending pages stay
// a few megabytes.
constexpr std::uint64_t kBatch = 32768;

std::string refusal(std::uint64_t line, const EngineError& error) {
    return "Line " + std::to_string(line) + ": " + error.message();
}

}  // namespace

TextImport::TextImport(const std::filesystem::path& table, const std::string& encoding) {
    OpenOptions open;
    open.access = AccessMode::ReadWrite;
    open.encoding = encoding;
    open.tolerant = false;
    table_ = openTable(table, open);
    finder_ = MovingRecordFinder::forTable(*table_);
}

TextImport::~TextImport() = default;

TextImport::Pairing TextImport::pairing(const TextImportOptions& options, const std::vector<std::string>* header,
                                        std::size_t columns) const {
    Pairing pairing;
    pairing.columns = columns;
    std::vector<std::size_t> chosen;  // the columns that feed fields, in order
    for (std::size_t c = 0; c < columns; ++c)
        if (options.columns.empty() || (c < options.columns.size() && options.columns[c])) chosen.push_back(c);
    std::vector<std::string> names = options.fields;
    if (names.empty() && header)
        for (std::size_t c : chosen) names.push_back((*header)[c]);
    std::vector<std::size_t> fields = fieldPositions(table_->fields(), names, table_->path().filename().string());
    if (names.empty())
        for (std::size_t f = 0; f < table_->fields().size(); ++f) fields.push_back(f);
    for (std::size_t n = 0; n < std::min(chosen.size(), fields.size()); ++n)
        pairing.columnToField.emplace_back(chosen[n], fields[n]);
    return pairing;
}

TextImport::Pairing TextImport::pairingFor(const std::optional<std::vector<std::string>>& header,
                                           const std::vector<std::string>& first) const {
    const std::size_t columns = header                     ? header->size()
                                : options_.columns.empty() ? first.size()
                                                           : options_.columns.size();
    return pairing(options_, header ? &*header : nullptr, columns);
}

void TextImport::fill(const Pairing* pairing, const std::vector<std::string>& values, Record& record) const {
    std::fill(record.begin(), record.end(), Value());
    if (values.empty()) return;  // an empty line: an empty record
    if (values.size() != pairing->columns)
        throw EngineError(errkind::kValue, "it has " + std::to_string(values.size()) +
                                               " values where the first line has " + std::to_string(pairing->columns));
    const TextFileFormat& format = options_.file;
    for (const auto& [column, position] : pairing->columnToField) {
        const FieldDef& field = table_->fields()[position];
        std::string_view text = values[column];
        if (format.format == TextFormat::Delimited && format.quoteStrings && field.type == ftString &&
            text.size() >= 2 && text.front() == '\'' && text.back() == '\'')
            text = text.substr(1, text.size() - 2);
        try {
            record[position] = format.format == TextFormat::Csv ? Value::fromText(valueKindFor(field.type), text)
                                                                : parseFieldValue(text, field, format.regional);
        } catch (const EngineError& e) {
            if (e.message().find(field.name) != std::string::npos) throw;
            throw EngineError(e.kind(), "field " + field.name + ": " + e.message());
        }
    }
}

TextImportResult TextImport::run(const std::filesystem::path& text, const TextImportOptions& options) {
    text_ = text;
    options_ = options;
    appended_.clear();
    refusedLines_.clear();
    TextRecordReader reader(text, options.file, fileEncoding(options.file, table_->facts().codePage));
    std::vector<std::string> values;
    std::optional<std::vector<std::string>> header;
    if (options.file.header && reader.next(values)) header = values;
    std::optional<Pairing> pairs;
    if (header) pairs = pairingFor(header, *header);  // a header naming no field fails before any write

    TextImportResult result;
    ProgressSteps progress(phase::kData, reader.size());
    Record record(table_->fields().size());
    BatchedTransaction writes(*table_, kBatch);
    endLine_ = 0;
    while (reader.next(values)) {
        if (!pairs && !values.empty()) pairs = pairingFor(header, values);
        try {
            fill(pairs ? &*pairs : nullptr, values, record);
            const RecordId id = table_->append(record);
            if (!finder_) appended_.push_back(id);
            ++result.appended;
            writes.changed();
        } catch (const EngineError& e) {
            result.refused.push_back({reader.lineNumber(), refusal(reader.lineNumber(), e)});
            refusedLines_.push_back(reader.lineNumber());
            if (!options.skipRefused) {
                endLine_ = reader.lineNumber();
                break;
            }
        }
        progress.advance(reader.bytesRead());
    }
    writes.commit();
    progress.advance(reader.size());
    return result;
}

void TextImport::undo() {
    if (finder_) {
        undoByKey();
        return;
    }
    BatchedTransaction writes(*table_, kBatch);
    for (auto id = appended_.rbegin(); id != appended_.rend(); ++id) {
        table_->remove(*id);
        writes.changed();
    }
    writes.commit();
    appended_.clear();
}

// Replays the run to find each appended record by its primary key.
void TextImport::undoByKey() {
    TextRecordReader reader(text_, options_.file, fileEncoding(options_.file, table_->facts().codePage));
    std::vector<std::string> values;
    std::optional<std::vector<std::string>> header;
    if (options_.file.header && reader.next(values)) header = values;
    std::optional<Pairing> pairs;
    Record record(table_->fields().size());
    BatchedTransaction writes(*table_, kBatch);
    while (reader.next(values) && (endLine_ == 0 || reader.lineNumber() < endLine_)) {
        if (!pairs && !values.empty()) pairs = pairingFor(header, values);
        if (std::binary_search(refusedLines_.begin(), refusedLines_.end(), reader.lineNumber())) continue;
        fill(pairs ? &*pairs : nullptr, values, record);
        table_->remove(finder_->find(*table_, finder_->keyOf(record), 0));
        writes.changed();
    }
    writes.commit();
    refusedLines_.clear();
}

}  // namespace tabulon
