#pragma once
// Appends the records of a text file to a table, streaming, with the appended records
// removable again.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../storage/MovingRecordFinder.h"
#include "../storage/StorageTable.h"
#include "TextFileFormat.h"

namespace tabulon {

struct TextImportOptions {
    TextFileFormat file;
    // The table fields to fill, by name, in pairing order. Empty: with a header line, the fields
    // its columns name; else every field in table order.
    std::vector<std::string> fields;
    // Which columns (positions of the first line, or of the header) feed the fields; the n-th
    // chosen column fills the n-th field. Empty: every column.
    std::vector<bool> columns;
    // false: the first refused line ends the import; true: refused lines are listed and skipped.
    bool skipRefused = false;
};

struct RefusedLine {
    std::uint64_t line = 0;  // 1-based
    std::string message;     // "Line N: " and why, naming the field where one is at fault
};

struct TextImportResult {
    std::uint64_t appended = 0;
    std::vector<RefusedLine> refused;
};

// Contract: each line of the text is one record (a Csv record may span lines); an empty line
// appends an empty record. Values keep their columns, so an empty value leaves its field empty.
// Delimited string values in single quotes lose them when `file.quoteStrings` is set. A line
// with another number of values than the first line (or the header), a value its field cannot
// take, or a record the table refuses (key violation, required field, a character its code
// page lacks) is refused with its line number. Appends commit in batches, so memory stays
// flat whatever the file's size; undo() removes what run() appended. Progress of phase::kData
// goes by bytes read. Throws EngineError for a table or file that cannot be opened, read or
// written, or a header or field list that names no field. One thread.
class TextImport {
public:
    // Opens `table` for writing, shared; `encoding` overrides its code page.
    explicit TextImport(const std::filesystem::path& table, const std::string& encoding = {});
    ~TextImport();
    TextImport(const TextImport&) = delete;
    TextImport& operator=(const TextImport&) = delete;

    TextImportResult run(const std::filesystem::path& text, const TextImportOptions& options);
    // Removes every record the last run() appended, leaving the table's records as before it.
    void undo();

private:
    // Which column fills which field, and how many columns a line has (0: as the first one).
    struct Pairing {
        std::vector<std::pair<std::size_t, std::size_t>> columnToField;
        std::size_t columns = 0;
    };
    // Pairs the chosen columns of `columns` with the fields: by the header's names when no
    // fields are named, else by rank.
    Pairing pairing(const TextImportOptions& options, const std::vector<std::string>* header,
                    std::size_t columns) const;
    // The pairing of the run, known at its first non-empty line `first`.
    Pairing pairingFor(const std::optional<std::vector<std::string>>& header,
                       const std::vector<std::string>& first) const;
    // The record a line's values make (an empty line: an empty one, needing no pairing);
    // throws EngineError naming the field at fault.
    void fill(const Pairing* pairing, const std::vector<std::string>& values, Record& record) const;
    void undoByKey();

    std::unique_ptr<StorageTable> table_;
    std::optional<MovingRecordFinder> finder_;  // keyed tables, whose writes move records
    // What undo() needs: the ids appended, or, where writes move records, the run to replay.
    std::vector<RecordId> appended_;
    std::filesystem::path text_;
    TextImportOptions options_;
    std::uint64_t endLine_ = 0;  // the line the run stopped at; lines from it on were not appended
    std::vector<std::uint64_t> refusedLines_;
};

}  // namespace tabulon
