#include "DirectCalls.h"

#include "../core/EngineError.h"
#include "../dataset/Connection.h"
#include "../dataset/Table.h"
#include "../storage/Drivers.h"
#include "TableDefinitions.h"

namespace tabulon {

namespace {

thread_local ProgressCallback progress;

void report(int percent, int phase) {
    if (progress) progress(percent, phase);
}

// The phase numbers progress reports carry.
constexpr int kPhaseData = 2;
constexpr int kPhaseRebuild = 8;

// Runs `op` between a 0 % and a 100 % report of `phase`, turning its errors into statuses.
template <typename Op>
std::uint16_t withStatus(int phase, Op op) {
    try {
        report(0, phase);
        op();
        report(100, phase);
        return status::kOk;
    } catch (const EngineError& e) {
        if (e.kind() == errkind::kNotSupported) return status::kNotSupported;
        if (e.kind() == errkind::kBusy) return status::kNeedExclusive;
        return status::kFailed;
    } catch (const std::exception&) {
        return status::kFailed;
    }
}

bool knownType(const std::string& type, TableType& out) {
    if (type.empty())
        out = ttDefault;
    else if (type == "PARADOX")
        out = ttParadox;
    else if (type == "DBASE")
        out = ttDBase;
    else if (type == "ASCIIDRV")
        out = ttASCII;
    else
        return false;
    return true;
}

// The table of the connection's folder named `name`, or empty when absent.
std::filesystem::path tableOf(const Connection& connection, const std::string& name) {
    return findFileIgnoringCase(connection.folder(), name);
}

// Packs the table `name` of the connection's folder; with a `saveAs` name, a copy of it under
// that name, leaving the original untouched. Without `pack`, only the copy is made.
std::uint16_t rewriteByName(const Connection* connection, const std::string& name,
                            const std::string& type, const std::string& saveAs, bool pack) {
    TableType tableType = ttDefault;
    if (!knownType(type, tableType)) return status::kUnknownTableType;
    if (connection == nullptr || !connection->connected()) return status::kInvalidHandle;
    const std::filesystem::path path = tableOf(*connection, name);
    if (path.empty()) return status::kNoSuchTable;
    if (tableType != ttDefault && tableType != tableTypeForPath(path))
        return status::kUnknownTableType;
    return withStatus(kPhaseData, [&] {
        std::filesystem::path target = path;
        if (!saveAs.empty()) {
            const std::filesystem::path saveAsPath = connection->folder() / saveAs;
            TableDefinitions().copy(path, saveAsPath.stem().string());
            target = existingTable(path.parent_path() /
                                   (saveAsPath.stem().string() + path.extension().string()));
        }
        if (pack) openExclusive(target)->pack();
    });
}

}  // namespace

std::uint16_t DirectCalls::registerCallback(int kind, ProgressCallback callback) {
    if (kind != kProgressCallbackKind) return status::kNotSupported;
    progress = std::move(callback);
    return status::kOk;
}

std::uint16_t DirectCalls::regenerateIndexes(Table* table) {
    if (table == nullptr || !table->active()) return status::kInvalidHandle;
    if (!table->exclusive()) return status::kNeedExclusive;
    const std::uint16_t result =
        withStatus(kPhaseRebuild, [&] { table->storage().regenerateIndexes(); });
    if (result == status::kOk) table->refresh();
    return result;
}

std::uint16_t DirectCalls::packTable(Connection* connection, Table* table,
                                     const std::string& tableName, const std::string& tableType) {
    if (table == nullptr) {
        if (tableName.empty()) return status::kInvalidHandle;
        return rewriteByName(connection, tableName, tableType, {}, true);
    }
    if (!table->active()) return status::kInvalidHandle;
    if (!table->exclusive()) return status::kNeedExclusive;
    const std::uint16_t result = withStatus(kPhaseData, [&] { table->storage().pack(); });
    if (result == status::kOk) table->refresh();
    return result;
}

std::uint16_t DirectCalls::restructureTable(Connection* connection,
                                            const RestructureRequest& request,
                                            const std::string& saveAs) {
    if (connection == nullptr || !connection->connected()) return status::kInvalidHandle;
    const std::filesystem::path path = tableOf(*connection, request.tableName);
    if (!path.empty() && tableTypeForPath(path) != ttParadox) return status::kNotSupported;
    return rewriteByName(connection, request.tableName, request.tableType, saveAs, request.pack);
}

}  // namespace tabulon
