#pragma once
// Writes the records of a dataset table's current view to a text file.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "TextFileFormat.h"

namespace tabulon {

class Table;

struct TextExportOptions {
    TextFileFormat file;
    std::vector<std::string> fields;  // the fields to write, by name, in this order
};

// Writes one line per record of the open `table`'s view (its index order and filter), first
// to last, CR LF after each, reporting progress of phase::kData; returns how many records were
// written. An empty view writes no line (but the header, when asked for). Delimited values are
// the fields' display texts under `options.file.regional`. The table ends on its last record.
// The text goes to a hidden file beside `target` that replaces `target` only when complete;
// on any failure it is removed, `target` is as before, and EngineError is thrown: EFileError
// naming `target` and the system's reason, EValueError naming the record and the field whose
// text the file's code page cannot hold, the table's errors. Thread of the table.
std::uint64_t exportText(Table& table, const std::filesystem::path& target, const TextExportOptions& options);

}  // namespace tabulon
