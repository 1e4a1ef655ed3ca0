#pragma once
// Finds where each record of a text table starts, reading the file once in blocks.
#include <cstdint>
#include <vector>

#include "../../io/File.h"
#include "TextDialect.h"

namespace tabulon {

// The offsets of every record of `file` that is not a blank line, in file order. Quoted values
// of delimited files may span lines; fixed files have one record per line. Memory: 8 bytes a
// record. Throws EFileError from reading.
std::vector<std::uint64_t> indexTextRows(const File& file, const TextDialect& dialect);

}  // namespace tabulon
