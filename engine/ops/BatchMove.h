#pragma once
// Moves records from one table to another: append, update, append-or-update, copy, delete.
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "../storage/StorageTable.h"
#include "TableDefinitions.h"

namespace tabulon {

enum class BatchMode { Append, Update, AppendUpdate, Copy, Delete };

struct BatchMoveOptions {
    BatchMode mode = BatchMode::Append;
    std::uint64_t recordCount = 0;  // 0: every record
    std::uint64_t commitCount = 0;  // commit after every N records; 0: the whole move at once
    bool abortOnKeyViolation = false;
    bool abortOnProblem = false;
    std::string sourceIndex;       // read the source in this index's order; empty: natural order
    std::string destinationIndex;  // update modes match on it; empty: the first (primary) index
    // Side tables (Paradox; a name without folder lies in the destination's folder); empty: none.
    std::string keyViolationTable;
    std::string problemTable;
    std::string changedTable;
    // Copy: the new table's code page; empty: the source's, where the destination's format has it.
    std::string encoding;
    // False: character fields keep the source's bytes, which the destination then reads in its
    // own code page, instead of carrying each letter over.
    bool transliterate = true;
};

struct BatchMoveResult {
    std::uint64_t moved = 0;          // appended, updated or deleted in the destination
    std::uint64_t changed = 0;        // destination records an update changed
    std::uint64_t rejected = 0;       // not moved: keyViolations + problems
    std::uint64_t keyViolations = 0;  // kept in the key-violation table when one is named
    std::uint64_t problems = 0;       // kept in the problem table when one is named
    // Copy: source field names the destination's format made unique or shorter (old, new).
    std::vector<std::pair<std::string, std::string>> renamedFields;
};

// Contract: values pass between the tables as text-independent values, so each driver's own
// code page does the transliteration. Fields match by name (letter case ignored) when every
// destination field has a namesake in the source, else by position. With commitCount 0 a
// failure leaves the destination exactly as it was; otherwise the commits made before it stay.
// Aborting (abortOn... set) throws the EngineError of the offending record with its number.
// Copy builds the new table beside an existing destination and swaps it in only when the whole
// move succeeded (whatever the commit count), the old family then going to the trash; a failed
// copy leaves the old destination as it was. A copy into the
// same format keeps the source's field definitions, level, code page and sort order; across
// formats each field becomes the destination's nearest one, with names made unique within its
// limits and dBase numbers wide enough for the source's values. A value is never rounded: one
// that would lose digits in its field makes a problem record. Errors are
// EngineError. One thread; the source stays unchanged.
class BatchMove {
public:
    explicit BatchMove(const TableDefinitions& definitions) : definitions_(definitions) {}
    BatchMoveResult run(StorageTable& source, const std::filesystem::path& destination,
                        const BatchMoveOptions& options) const;

private:
    const TableDefinitions& definitions_;
};

}  // namespace tabulon
