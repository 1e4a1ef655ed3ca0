// update-records and delete-records: change or delete the records a filter selects, all or none.
#include "Arguments.h"
#include "Commands.h"
#include "LayerTable.h"
#include "ops/SelectedRecords.h"

namespace tabulon::cli {

namespace {

// Opens the table with the --filter, runs `change` and prints how many
// records it changed.
template <typename Change>
void runOnSelected(const Arguments& args, std::size_t positionals, std::ostream& out, Change change) {
    args.expectPositionals(positionals, positionals);
    const std::filesystem::path path = std::filesystem::absolute(args.positionals()[0]);
    LayerTable layer(path, "");
    layer.table().setReadOnly(false);
    layer.table().setFilter(args.value("--filter"));
    layer.table().setFiltered(args.has("--filter"));
    layer.open();
    out << "{\"changed\":" << change(layer.table()) << "}\n";
}

}  // namespace

void runUpdateRecords(const std::vector<std::string>& words, std::ostream& out) {
    const Arguments args(words, {"--filter"}, {});
    runOnSelected(args, 2, out, [&](Table& table) {
        const auto assignment = parseFieldAssignment(args.positionals()[1]);
        if (!assignment || assignment->field.empty())
            throw UsageError("the update must read FIELD=VALUE: " + args.positionals()[1]);
        return updateSelectedRecords(table, assignment->field, assignment->value);
    });
}

void runDeleteRecords(const std::vector<std::string>& words, std::ostream& out) {
    const Arguments args(words, {"--filter"}, {});
    runOnSelected(args, 1, out, [](Table& table) { return deleteSelectedRecords(table); });
}

}  // namespace tabulon::cli
