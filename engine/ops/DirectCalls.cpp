#include "DirectCalls.h"

#include "../core/EngineError.h"
#include "../dataset/Connection.h"
#include "../dataset/Table.h"
#include "../storage/Drivers.h"
#include "FamilySwap.h"
#include "TableDefinitions.h"

namespace tabulon {

std::uint16_t status::of(const std::exception& error) {
    const auto* engine = dynamic_cast<const EngineError*>(&error);
    if (engine && engine->kind() == errkind::kNotSupported) return kNotSupported;
    if (engine && engine->kind() == errkind::kBusy) return kNeedExclusive;
    return kFailed;
}

namespace {

// Runs `op`, turning its errors into statuses.
template <typename Op>
std::uint16_t withStatus(Op op) {
    return status::ofCall([&] {
        op();
        return status::kOk;
    });
}

// Passes what `table` reports of a pack or regenerate on to the thread's progress callback
// while it lives.
class ProgressRoute {
public:
    explicit ProgressRoute(StorageTable& table) : table_(table) {
        table.setProgressHook([](int percent, WorkPhase work) {
            reportProgress(percent, work == WorkPhase::Records ? phase::kData : phase::kRebuild);
        });
    }
    ProgressRoute(const ProgressRoute&) = delete;
    ProgressRoute& operator=(const ProgressRoute&) = delete;
    ~ProgressRoute() { table_.setProgressHook({}); }

private:
    StorageTable& table_;
};

void packReporting(StorageTable& table) {
    ProgressRoute route(table);
    table.pack();
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
std::uint16_t findTable(const Connection* connection, const std::string& name, const std::string& type,
                        std::filesystem::path& path) {
    TableType tableType = ttDefault;
    if (!knownType(type, tableType)) return status::kUnknownTableType;
    if (connection == nullptr || !connection->connected()) return status::kInvalidHandle;
    path = tableOf(*connection, name);
    if (path.empty()) return status::kNoSuchTable;
    if (tableType != ttDefault && tableType != tableTypeForPath(path)) return status::kUnknownTableType;
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
    const std::uint16_t result = withStatus([&] {
        ProgressRoute route(table->storage());
        table->storage().regenerateIndexes();
    });
    if (result == status::kOk) table->refresh();
    return result;
}

std::uint16_t DirectCalls::packTable(Connection* connection, Table* table, const std::string& tableName,
                                     const std::string& tableType) {
    if (table == nullptr) {
        if (tableName.empty()) return status::kInvalidHandle;
        std::filesystem::path path;
        if (const auto found = findTable(connection, tableName, tableType, path); found != status::kOk) return found;
        return withStatus([&] { packReporting(*openExclusive(path)); });
    }
    if (!table->active()) return status::kInvalidHandle;
    if (!table->exclusive()) return status::kNeedExclusive;
    const std::uint16_t result = withStatus([&] { packReporting(table->storage()); });
    if (result == status::kOk) table->refresh();
    return result;
}

std::uint16_t DirectCalls::restructureTable(Connection* connection, const RestructureRequest& request,
                                            const std::string& saveAs) {
    if (connection == nullptr || !connection->connected()) return status::kInvalidHandle;
    if (const auto named = tableOf(*connection, request.tableName);
        !named.empty() && tableTypeForPath(named) != ttParadox)
        return status::kNotSupported;
    std::filesystem::path path;
    if (const auto found = findTable(connection, request.tableName, request.tableType, path); found != status::kOk)
        return found;
    return withStatus([&] {
        if (request.structure || !saveAs.empty()) {
            reportProgress(0, phase::kData);
            Restructure restructure = request.structure ? *request.structure : currentStructure(path);
            restructure.saveAs = saveAs;
            rebuildTable(path, restructure, DesktopTrash());
        } else if (request.pack) {
            packReporting(*openExclusive(path));
        }
    });
}

}  // namespace tabulon
