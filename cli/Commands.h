#pragma once
// The commands of tabulon-cli. Each writes its result to `out`; errors are thrown: UsageError
// for bad usage, EngineError for a table that cannot be read or written.
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tabulon {
class StorageDriver;
}

namespace tabulon::cli {

void runInfo(const std::vector<std::string>& words, std::ostream& out);
void runDump(const std::vector<std::string>& words, std::ostream& out);
// Prints the record nearest to the key values given, in the order of --index. `driver`: one to
// use instead of the built-in one the extension names.
void runFind(const std::vector<std::string>& words, std::ostream& out, const StorageDriver* driver = nullptr);
// SRC DST: copy creates DST from SRC (replacing one, whose files go to the trash); append adds
// SRC's records; update appends or updates them, matching on DST's --index or primary index.
// Each prints {"moved":N,"changed":N,"rejected":N} (copy adds "renamed":{OLD:NEW} for field
// names it changed) and fails when rejected records were kept in no named table.
void runCopy(const std::vector<std::string>& words, std::ostream& out);
// Runs one SQL statement over the tables of a folder; prints its rows, or its outcome.
void runSql(const std::vector<std::string>& words, std::ostream& out);
void runAppend(const std::vector<std::string>& words, std::ostream& out);
void runUpdate(const std::vector<std::string>& words, std::ostream& out);
// Whole-table maintenance; each prints {"status":N} and fails on a non-zero status.
void runPack(const std::vector<std::string>& words, std::ostream& out);
void runReindex(const std::vector<std::string>& words, std::ostream& out);
void runEmpty(const std::vector<std::string>& words, std::ostream& out);
// TEXTFILE TABLE: appends the file's records; prints {"appended":N,"refused":[{"line":L,
// "message":M}...]} and fails when any line was refused (the others are appended).
void runImport(const std::vector<std::string>& words, std::ostream& out);
// TABLE NEWNAME: the family takes the base name NEWNAME in its folder.
void runRename(const std::vector<std::string>& words, std::ostream& out);
// TABLE "FIELD=VALUE" [--filter EXPR] and TABLE [--filter EXPR]: every selected record (all
// without a filter) changed or deleted in one transaction, or none; each prints {"changed":N}.
void runUpdateRecords(const std::vector<std::string>& words, std::ostream& out);
void runDeleteRecords(const std::vector<std::string>& words, std::ostream& out);
// TABLE FIELD... [--save-as NAME] [--empty-lost] [--count-lost]: the table rebuilt with the
// fields listed (NAME[=OLD][:TYPE[:SIZE[:DECIMALS]]]) and the indexes whose fields remain;
// prints {"lost":[{"field":F,"emptied":N,"cut":M}...],"restructured":B}. Values that would be
// lost make it fail, changing nothing, unless --empty-lost; --count-lost only counts them.
void runRestructure(const std::vector<std::string>& words, std::ostream& out);

// Thrown after a command printed its result when that result is a problem found; main()
// exits 3.
struct ProblemsFound : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// TABLE: prints {"level":L,"records":N}, then one {"file","place","problem","level"} line per
// finding; ProblemsFound unless the level is 0.
void runVerify(const std::vector<std::string>& words, std::ostream& out);
// TABLE [--backup NAME] [--key-violations NAME] [--problems NAME]: rebuilds the table from its
// readable records; prints {"salvaged":N,"keyViolations":N,"problems":N,"lost":N}.
void runRebuild(const std::vector<std::string>& words, std::ostream& out);

}  // namespace tabulon::cli
