#include "QueryCsv.h"

#include "../core/CsvText.h"
#include "../core/EngineError.h"

namespace tabulon {

void writeQueryCsv(Query& query, std::ostream& out, const std::function<bool(std::uint64_t rowsWritten)>& progress) {
    if (!query.active()) throw EngineError(errkind::kUsage, "Cannot export a query that is not open");
    auto carryOn = [&](std::uint64_t rows) {
        if (!progress(rows)) throw EngineError(errkind::kUsage, "Export cancelled");
    };
    writeCsvHeader(out, query.fieldDefs());
    std::uint64_t rows = 0;
    for (query.first(); !query.eof(); query.next()) {
        writeCsvRecord(out, query.currentValues());
        if (++rows % kCsvProgressRows == 0) carryOn(rows);
    }
    if (rows == 0 || rows % kCsvProgressRows != 0) carryOn(rows);
}

}  // namespace tabulon
