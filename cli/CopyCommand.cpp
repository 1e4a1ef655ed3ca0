#include "Commands.h"

#include "Arguments.h"
#include "Json.h"
#include "core/EngineError.h"
#include "ops/BatchMove.h"
#include "storage/Drivers.h"

namespace tabulon::cli {

namespace {

// Runs the move, prints its counts, and fails (exit status 2) when records that could not be
// written were kept in no table, so that no record goes missing unnoticed.
void runMove(const std::vector<std::string>& words, BatchMode mode, std::ostream& out) {
    const Arguments args(words,
                         {"--encoding", "--target-encoding", "--count", "--commit", "--index", "--key-violations",
                          "--problems", "--changed"},
                         {"--abort-on-key-violation", "--abort-on-problem"});
    args.expectPositionals(2, 2);
    if (mode != BatchMode::Copy && args.has("--target-encoding"))
        throw UsageError("--target-encoding is for copy, which creates the table");
    OpenOptions open;
    open.encoding = args.value("--encoding");
    const auto source = openTable(args.positionals()[0], open);
    BatchMoveOptions options;
    options.mode = mode;
    options.encoding = args.value("--target-encoding");
    options.recordCount = args.count("--count", 0);
    options.commitCount = args.count("--commit", 0);
    options.destinationIndex = args.value("--index");
    options.keyViolationTable = args.value("--key-violations");
    options.problemTable = args.value("--problems");
    options.changedTable = args.value("--changed");
    options.abortOnKeyViolation = args.has("--abort-on-key-violation");
    options.abortOnProblem = args.has("--abort-on-problem");
    const TableDefinitions definitions;
    const BatchMoveResult result = BatchMove(definitions).run(*source, args.positionals()[1], options);

    out << "{\"moved\":" << result.moved << ",\"changed\":" << result.changed << ",\"rejected\":" << result.rejected;
    if (!result.renamedFields.empty()) {
        out << ",\"renamed\":{";
        for (std::size_t i = 0; i < result.renamedFields.size(); ++i)
            out << (i ? "," : "") << jsonString(result.renamedFields[i].first) << ":"
                << jsonString(result.renamedFields[i].second);
        out << "}";
    }
    out << "}\n";
    const std::uint64_t lost = (options.problemTable.empty() ? result.problems : 0) +
                               (options.keyViolationTable.empty() ? result.keyViolations : 0);
    if (lost > 0)
        throw EngineError(errkind::kValue, std::to_string(lost) + " of the records of " + args.positionals()[0] +
                                               " could not be written to " + args.positionals()[1] +
                                               " and were left out; --problems and --key-violations name tables "
                                               "to keep them");
}

}  // namespace

void runCopy(const std::vector<std::string>& words, std::ostream& out) { runMove(words, BatchMode::Copy, out); }

void runAppend(const std::vector<std::string>& words, std::ostream& out) { runMove(words, BatchMode::Append, out); }

void runUpdate(const std::vector<std::string>& words, std::ostream& out) {
    runMove(words, BatchMode::AppendUpdate, out);
}

}  // namespace tabulon::cli
