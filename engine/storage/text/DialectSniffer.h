#pragma once
// First step of reading a text table without a schema: which separator and quote it uses.
#include <string_view>

#include "TextDialect.h"

namespace tabulon {

// Tries every separator among , ; tab | with every quote among " and ', reads the records of
// `sample` with each, and keeps the pair under which most records have the same number of
// values (more than one), then the pair with the most values; the header flag is left false.
// `sampleIsWhole`: false when the sample was cut, so its last record may be partial and is not
// counted. Pure function.
TextDialect sniffDialect(std::string_view sample, bool sampleIsWhole);

}  // namespace tabulon
