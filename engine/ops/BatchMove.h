#pragma once
// Moves records from one table to another: append, update, append-or-update, copy, delete.
#include <cstdint>
#include <filesystem>
#include <string>

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
};

struct BatchMoveResult {
    std::uint64_t moved = 0;     // appended, updated or deleted in the destination
    std::uint64_t changed = 0;   // destination records an update changed
    std::uint64_t rejected = 0;  // sent to the key-violation or problem table
};

// Contract: values pass between the tables as text-independent values, so each driver's own
// code page does the transliteration. Fields match by name (letter case ignored) when every
// destination field has a namesake in the source, else by position. With commitCount 0 a
// failure leaves the destination exactly as it was; otherwise the commits made before it stay.
// Aborting (abortOn... set) throws the EngineError of the offending record with its number.
// Copy replaces an existing destination, whose family goes to the trash first. Errors are
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
