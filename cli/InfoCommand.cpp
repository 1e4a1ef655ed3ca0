#include "Commands.h"

#include "Arguments.h"
#include "Json.h"
#include "storage/Drivers.h"

namespace tabulon::cli {

void runInfo(const std::vector<std::string>& words, std::ostream& out) {
    const Arguments args(words, {"--encoding"}, {});
    args.expectPositionals(1, 1);
    OpenOptions options;
    options.encoding = args.value("--encoding");
    const auto table = openTable(args.positionals()[0], options);
    const TableFacts facts = table->facts();
    out << "{\"format\":" << jsonString(facts.format) << ",\"version\":" << jsonString(facts.version)
        << ",\"code_page\":" << jsonString(facts.codePage)
        << ",\"code_page_source\":" << jsonString(codePageSourceName(facts.codePageSource));
    if (!facts.codePageNote.empty()) out << ",\"code_page_note\":" << jsonString(facts.codePageNote);
    out << ",\"record_count\":" << table->recordCount() << ",\"fields\":" << jsonFields(table->fields())
        << ",\"indexes\":" << jsonIndexes(table->indexes())
        << ",\"capabilities\":" << jsonCapabilities(table->capabilities());
    const auto problems = table->problems();
    if (!problems.empty()) {
        out << ",\"problems\":[";
        for (std::size_t i = 0; i < problems.size(); ++i)
            out << (i ? "," : "") << jsonString(problems[i].file + ": " + problems[i].message);
        out << "]";
    }
    out << "}\n";
}

}  // namespace tabulon::cli
