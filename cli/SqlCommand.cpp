#include "Arguments.h"
#include "Commands.h"
#include "LayerTable.h"
#include "RecordWriter.h"
#include "core/EngineError.h"
#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "sql/Query.h"

namespace tabulon::cli {

void runSql(const std::vector<std::string>& words, std::ostream& out) {
    const Arguments args(words, {"--format"}, {});
    args.expectPositionals(2, 2);
    const bool csv = csvFormat(args.value("--format", "jsonl"));

    Session session("Sql");
    Connection& connection = session.addConnection("Folder");
    connection.setParams(Connection::folderParams(args.positionals()[0]));
    Query query(connection);
    query.setSql(args.positionals()[1]);
    try {
        query.open();
    } catch (const EngineError& e) {
        if (e.kind() != errkind::kNoResultSet) throw;
        out << "Query executed! No data to visualize.\n";
        return;
    }
    RecordWriter writer(out, csv);
    writer.header(query.fieldDefs());
    for (query.first(); !query.eof(); query.next()) writer.record(query.currentValues());
}

}  // namespace tabulon::cli
