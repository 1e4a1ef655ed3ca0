#pragma once
// Table maintenance calls that answer with a 16-bit status instead of throwing, for the
// callers that choose their message by status.
#include <cstdint>
#include <exception>
#include <optional>
#include <string>

#include "../core/FieldType.h"
#include "Progress.h"
#include "TableRebuild.h"

namespace tabulon {

class Connection;
class Table;

namespace status {
inline constexpr std::uint16_t kOk = 0;
inline constexpr std::uint16_t kInvalidHandle = 0x2706;
inline constexpr std::uint16_t kUnknownTableType = 0x2707;
inline constexpr std::uint16_t kNoSuchTable = 0x2728;
inline constexpr std::uint16_t kNeedExclusive = 0x280D;
inline constexpr std::uint16_t kNotSupported = 0x3001;
inline constexpr std::uint16_t kFailed = 0x2100;  // any other failure

// The status a call answers for the error it met.
std::uint16_t of(const std::exception& error);
// Runs `call`, which answers a status, and answers the status of its error if it throws.
template <typename Call>
std::uint16_t ofCall(Call call) {
    try {
        return call();
    } catch (const std::exception& error) {
        return of(error);
    }
}
}  // namespace status

// Callback kind of progress reports.
inline constexpr int kProgressCallbackKind = 23;
// What to do to a table in a restructure.
struct RestructureRequest {
    std::string tableName;  // file name in the connection's folder
    std::string tableType;  // "PARADOX"; empty: by the extension
    bool pack = false;
    // New fields and indexes (TableRebuild.h; its save-as name is ignored); unset: the structure
    // stays.
    std::optional<Restructure> structure;
};

// Contract: each call completes or leaves the table as it was (the drivers write through an
// all-or-nothing transaction). They do not throw: failures come back as statuses. Progress
// callbacks are per thread; calls run on the thread of the table's session.
class DirectCalls {
public:
    // Registers `callback` for `kind` (kProgressCallbackKind), or unregisters with an empty one.
    // kNotSupported for any other kind.
    static std::uint16_t registerCallback(int kind, ProgressCallback callback);
    // Regenerates every index of `table`, which must be open exclusively.
    static std::uint16_t regenerateIndexes(Table* table);
    // Packs `table` (open exclusively) and regenerates its indexes; or, with no table, the table
    // `tableName` of `connection`'s folder, of type `tableType` ("PARADOX", "DBASE"; empty: by
    // its extension).
    static std::uint16_t packTable(Connection* connection, Table* table, const std::string& tableName = {},
                                   const std::string& tableType = {});
    // Carries out `request` on a Paradox table of `connection`'s folder; with `saveAs`, the
    // result is written to that table of the folder (an existing one goes to the trash) and the
    // original stays as it was. A structure change or a save-as rebuilds the table, which packs
    // it too; a pack alone packs in place.
    static std::uint16_t restructureTable(Connection* connection, const RestructureRequest& request,
                                          const std::string& saveAs = {});
};

}  // namespace tabulon
