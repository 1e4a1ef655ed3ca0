#include "Commands.h"

#include "Arguments.h"
#include "ops/BatchMove.h"
#include "storage/Drivers.h"

namespace tabulon::cli {

namespace {

BatchMoveResult runMove(const std::vector<std::string>& words, BatchMode mode) {
    const Arguments args(words,
                         {"--encoding", "--count", "--commit", "--index", "--key-violations",
                          "--problems", "--changed"},
                         {"--abort-on-key-violation", "--abort-on-problem"});
    args.expectPositionals(2, 2);
    OpenOptions open;
    open.encoding = args.value("--encoding");
    const auto source = openTable(args.positionals()[0], open);
    BatchMoveOptions options;
    options.mode = mode;
    options.recordCount = args.count("--count", 0);
    options.commitCount = args.count("--commit", 0);
    options.destinationIndex = args.value("--index");
    options.keyViolationTable = args.value("--key-violations");
    options.problemTable = args.value("--problems");
    options.changedTable = args.value("--changed");
    options.abortOnKeyViolation = args.has("--abort-on-key-violation");
    options.abortOnProblem = args.has("--abort-on-problem");
    const TableDefinitions definitions;
    return BatchMove(definitions).run(*source, args.positionals()[1], options);
}

void printCounts(const BatchMoveResult& result, std::ostream& out) {
    out << "{\"moved\":" << result.moved << ",\"changed\":" << result.changed
        << ",\"rejected\":" << result.rejected << "}\n";
}

}  // namespace

void runCopy(const std::vector<std::string>& words, std::ostream& out) {
    out << runMove(words, BatchMode::Copy).moved << " records copied\n";
}

void runAppend(const std::vector<std::string>& words, std::ostream& out) {
    printCounts(runMove(words, BatchMode::Append), out);
}

void runUpdate(const std::vector<std::string>& words, std::ostream& out) {
    printCounts(runMove(words, BatchMode::AppendUpdate), out);
}

}  // namespace tabulon::cli
