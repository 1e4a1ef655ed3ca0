// update-records and delete-records: change or delete the records a filter selects, all or none.
#include "Arguments.h"
#include "Commands.h"
#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "ops/SelectedRecords.h"

namespace tabulon::cli {

namespace {

// Opens the table with the --filter, runs `change` and prints how many
// records it changed.
template <typename Change>
void runOnSelected(const Arguments& args, std::size_t positionals, std::ostream& out, Change change) {
    args.expectPositionals(positionals, positionals);
    const std::filesystem::path path = std::filesystem::absolute(args.positionals()[0]);
    Session session("cli");
    Connection& connection = session.addConnection("Folder");
    connection.setParams(Connection::folderParams(path.parent_path().string()));
    connection.connect();
    Table table(connection);
    table.setTableName(path.filename().string());
    table.setFilter(args.value("--filter"));
    table.setFiltered(args.has("--filter"));
    table.open();
    out << "{\"changed\":" << change(table) << "}\n";
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
