#include "Arguments.h"
#include "Commands.h"
#include "LayerTable.h"
#include "RecordWriter.h"

namespace tabulon::cli {

void runDump(const std::vector<std::string>& words, std::ostream& out) {
    const Arguments args(words, {"--format", "--index", "--filter", "--encoding", "--limit"},
                         {"--case-insensitive", "--no-partial-compare"});
    args.expectPositionals(1, 1);
    const bool csv = csvFormat(args.value("--format", "jsonl"));
    const std::size_t limit = args.count("--limit", SIZE_MAX);

    LayerTable layer(args.positionals()[0], args.value("--encoding"));
    Table& table = layer.table();
    table.setIndexName(args.value("--index"));
    table.setFilterOptions(FilterOptions{args.has("--case-insensitive"), args.has("--no-partial-compare")});
    table.setFilter(args.value("--filter"));
    table.setFiltered(args.has("--filter"));
    layer.open();

    RecordWriter writer(out, csv);
    writer.header(table.fieldDefs());
    std::size_t written = 0;
    for (table.first(); !table.eof() && written < limit; table.next(), ++written) writer.record(table.currentValues());
}

}  // namespace tabulon::cli
