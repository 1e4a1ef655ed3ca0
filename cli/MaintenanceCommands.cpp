// pack, reindex, empty and rename: whole-table maintenance on a closed table.
#include <cstdio>

#include "Arguments.h"
#include "Commands.h"
#include "LayerTable.h"
#include "core/EngineError.h"
#include "dataset/Connection.h"
#include "dataset/Table.h"
#include "ops/DirectCalls.h"
#include "ops/TableDefinitions.h"

namespace tabulon::cli {

namespace {

std::filesystem::path onlyTable(const Arguments& args) {
    args.expectPositionals(1, 1);
    return std::filesystem::absolute(args.positionals()[0]);
}

// The error kind a status stands for.
const char* statusKind(std::uint16_t status) {
    switch (status) {
        case status::kNeedExclusive:
            return errkind::kBusy;
        case status::kNotSupported:
        case status::kUnknownTableType:
            return errkind::kNotSupported;
        case status::kInvalidHandle:
            return errkind::kUsage;
        default:
            return errkind::kFile;
    }
}

// Runs a direct call on the table open exclusively through a connection to its folder, and
// prints its status; a non-zero status is an error naming the table.
void runDirectCall(const std::vector<std::string>& words, std::ostream& out, const char* what,
                   std::uint16_t (*call)(Connection&, Table&)) {
    const Arguments args(words, {}, {});
    const std::filesystem::path path = onlyTable(args);
    LayerTable layer(path, "");
    layer.table().setReadOnly(false);
    layer.table().setExclusive(true);
    layer.open();
    const std::uint16_t status = call(layer.connection(), layer.table());
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", status);
    out << "{\"status\":" << status << "}\n";
    if (status != status::kOk)
        throw EngineError(statusKind(status),
                          std::string("Cannot ") + what + " " + path.filename().string() + ": status " + text);
}

}  // namespace

void runPack(const std::vector<std::string>& words, std::ostream& out) {
    runDirectCall(words, out, "pack", [](Connection& c, Table& t) { return DirectCalls::packTable(&c, &t); });
}

void runReindex(const std::vector<std::string>& words, std::ostream& out) {
    runDirectCall(words, out, "regenerate the indexes of",
                  [](Connection&, Table& t) { return DirectCalls::regenerateIndexes(&t); });
}

void runEmpty(const std::vector<std::string>& words, std::ostream& out) {
    const Arguments args(words, {}, {});
    TableDefinitions().empty(onlyTable(args));
    out << "{\"status\":0}\n";
}

void runRename(const std::vector<std::string>& words, std::ostream& out) {
    const Arguments args(words, {}, {});
    args.expectPositionals(2, 2);
    TableDefinitions().rename(args.positionals()[0], args.positionals()[1]);
    out << "{\"status\":0}\n";
}

}  // namespace tabulon::cli
