#include "DirectCalls.h"

#include "../core/EngineError.h"
#include "../dataset/Connection.h"
#include "../dataset/Table.h"
#include "../storage/Drivers.h"
#include "FamilySwap.h"
#include "TableDefinitions.h"

namespace tabulon {

namespace {

// Runs `op` between a 0 % and a 100 % report of `phase`, turning its errors into statuses.
template <typename Op>
std::uint16_t withStatus(int phase, Op op) {
    try {
        reportProgress(0, phase);
        op();
        reportProgress(100, phase);
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

// The table of the connection's folder named `name`, or empty when absent; a swap a killed
// process left half done is finished first.
std::filesystem::path tableOf(const Connection& connection, const std::string& name) {
    FamilySwap::recoverFolder(connection.folder(), DesktopTrash());
    return findFileIgnoringCase(connection.folder(), name);
}

// The table `name` of the connection's folder checked against `type`: a status other than kOk
// when it cannot be worked on.
std::uint16_t findTable(const Connection* connection, const std::string& name,
                        const std::string& type, std::filesystem::path& path) {
    TableType tableType = ttDefault;
    if (!knownType(type, tableType)) return status::kUnknownTableType;
    if (connection == nullptr || !connection->connected()) return status::kInvalidHandle;
    path = tableOf(*connection, name);
    if (path.empty()) return status::kNoSuchTable;
    if (tableType != ttDefault && tableType != tableTypeForPath(path))
        return status::kUnknownTableType;
    return status::kOk;
}

}  // namespace

std::uint16_t DirectCalls::registerCallback(int kind, ProgressCallback callback) {
    if (kind != kProgressCallbackKind) return status::kNotSupported;
    setProgressCallback(std::move(callback));
    return status::kOk;
}

std::uint16_t DirectCalls::regenerateIndexes(Table* table) {
    if (table == nullptr || !table->active()) return status::kInvalidHandle;
    if (!table->exclusive()) return status::kNeedExclusive;
    const std::uint16_t result =
        withStatus(phase::kRebuild, [&] { table->storage().regenerateIndexes(); });
    if (result == status::kOk) table->refresh();
    return result;
}

std::uint16_t DirectCalls::packTable(Connection* connection, Table* table,
                                     const std::string& tableName, const std::string& tableType) {
    if (table == nullptr) {
        if (tableName.empty()) return status::kInvalidHandle;
        std::filesystem::path path;
        if (const auto found = findTable(connection, tableName, tableType, path);
            found != status::kOk)
            return found;
        return withStatus(phase::kData, [&] { openExclusive(path)->pack(); });
    }
    if (!table->active()) return status::kInvalidHandle;
    if (!table->exclusive()) return status::kNeedExclusive;
    const std::uint16_t result = withStatus(phase::kData, [&] { table->storage().pack(); });
    if (result == status::kOk) table->refresh();
    return result;
}

std::uint16_t DirectCalls::restructureTable(Connection* connection,
                                            const RestructureRequest& request,
                                            const std::string& saveAs) {
    if (connection == nullptr || !connection->connected()) return status::kInvalidHandle;
    if (const auto named = tableOf(*connection, request.tableName);
        !named.empty() && tableTypeForPath(named) != ttParadox)
        return status::kNotSupported;
    std::filesystem::path path;
    if (const auto found = findTable(connection, request.tableName, request.tableType, path);
        found != status::kOk)
        return found;
    return withStatus(phase::kData, [&] {
        if (request.structure || !saveAs.empty()) {
            Restructure restructure = request.structure ? *request.structure
                                                        : currentStructure(path);
            restructure.saveAs = saveAs;
            rebuildTable(path, restructure, DesktopTrash());
        } else if (request.pack) {
            openExclusive(path)->pack();
        }
    });
}

}  // namespace tabulon
