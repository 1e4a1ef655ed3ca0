#include "Arguments.h"
#include "Commands.h"
#include "LayerTable.h"
#include "RecordWriter.h"
#include "core/AsciiCase.h"
#include "core/EngineError.h"

namespace tabulon::cli {

void runFind(const std::vector<std::string>& words, std::ostream& out, const StorageDriver* driver) {
    const Arguments args(words, {"--index", "--format", "--encoding"}, {});
    args.expectPositionals(2, SIZE_MAX);
    if (!args.has("--index")) throw UsageError("find needs --index NAME");
    const bool csv = csvFormat(args.value("--format", "jsonl"));

    LayerTable layer(args.positionals()[0], args.value("--encoding"), driver);
    Table& table = layer.table();
    table.setIndexName(args.value("--index"));
    layer.open();

    // The key values go to the index's fields in order, read as the user would type them.
    const std::string index = args.value("--index");
    std::vector<std::string> keyFields;
    for (const IndexDef& def : table.indexDefs()) {
        if (!equalsIgnoringAsciiCase(def.name, index)) continue;
        if (!def.expression.empty())
            throw EngineError(errkind::kNotSupported, "Index " + def.name + " is keyed by the expression " +
                                                          def.expression + ", which find cannot fill");
        for (std::size_t start = 0; start <= def.fields.size();) {
            const auto end = std::min(def.fields.find(';', start), def.fields.size());
            keyFields.push_back(def.fields.substr(start, end - start));
            start = end + 1;
        }
    }
    const auto keys = std::vector<std::string>(args.positionals().begin() + 1, args.positionals().end());
    if (keys.size() > keyFields.size())
        throw UsageError("index " + index + " has " + std::to_string(keyFields.size()) + " key fields, not " +
                         std::to_string(keys.size()));
    table.setKey();
    for (std::size_t i = 0; i < keys.size(); ++i) table.fieldByName(keyFields[i]).setAsText(keys[i]);
    table.gotoNearest();

    RecordWriter writer(out, csv);
    writer.header(table.fieldDefs());
    if (!table.isEmpty()) writer.record(table.currentValues());
}

}  // namespace tabulon::cli
