#include "DialectSniffer.h"

#include <map>
#include <tuple>
#include <vector>

#include "DelimitedRow.h"

namespace tabulon {

namespace {
constexpr std::size_t kSampleRows = 100;

struct Score {
    bool splits = false;         // more than one value per record
    std::size_t consistent = 0;  // records with the most frequent value count
    std::size_t columns = 0;     // that value count
    std::size_t quoted = 0;      // records whose text holds the quote: a used quote wins a tie
    auto tie() const { return std::tie(splits, consistent, columns, quoted); }
};

Score score(std::string_view sample, bool sampleIsWhole, const TextDialect& dialect) {
    std::map<std::size_t, std::size_t> countsByWidth;
    std::size_t quoted = 0;
    std::vector<std::string> cells;
    std::size_t position = 0;
    for (std::size_t rows = 0; position < sample.size() && rows < kSampleRows;) {
        const std::size_t next = readDelimitedRow(sample, position, dialect, cells);
        const bool blank = cells.size() == 1 && cells[0].empty();
        const bool partial = !sampleIsWhole && next >= sample.size();
        if (sample.substr(position, next - position).find(dialect.quote) != std::string_view::npos) ++quoted;
        position = next;
        if (blank || partial) continue;
        ++countsByWidth[cells.size()];
        ++rows;
    }
    Score best;
    for (const auto& [width, count] : countsByWidth)
        if (count > best.consistent || (count == best.consistent && width > best.columns))
            best = Score{width > 1, count, width};
    best.splits = best.columns > 1;
    best.quoted = quoted;
    return best;
}
}  // namespace

TextDialect sniffDialect(std::string_view sample, bool sampleIsWhole) {
    TextDialect best;
    Score bestScore;
    bool first = true;
    for (const char separator : {',', ';', '\t', '|'}) {
        for (const char quote : {'"', '\''}) {
            TextDialect candidate;
            candidate.separator = separator;
            candidate.quote = quote;
            const Score s = score(sample, sampleIsWhole, candidate);
            if (first || s.tie() > bestScore.tie()) {
                best = candidate;
                bestScore = s;
                first = false;
            }
        }
    }
    return best;
}

}  // namespace tabulon
