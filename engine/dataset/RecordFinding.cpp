#include "RecordFinding.h"

#include "../core/EngineError.h"

namespace tabulon {

namespace {
// Whether the live record at `slot` holds `original`; `current` is scratch.
bool slotHolds(StorageTable& table, std::uint64_t slot, const Record& original, Record& current) {
    return slot < table.slotCount() && table.readSlot(slot, current) && current == original;
}

bool idHolds(StorageTable& table, RecordId id, const Record& original, Record& current) {
    try {
        return slotHolds(table, table.slotOf(id), original, current);
    } catch (const EngineError& e) {
        if (e.kind() != errkind::kUsage) throw;  // only "no such record now" means "not here"
        return false;
    }
}

[[noreturn]] void throwGone(const StorageTable& table, const Record& original) {
    std::string values;
    for (std::size_t i = 0; i < original.size() && i < 3; ++i) values += (i ? ", " : "") + original[i].toText();
    if (original.size() > 3) values += ", ...";
    throw EngineError(errkind::kUsage, "Table " + table.path().filename().string() + ": the record (" + values +
                                           ") was deleted or changed by another writer since it was read");
}

// A table without primary key: the nearest slot to `start` holding `original`, looking both ways.
std::optional<RecordId> findByValues(StorageTable& table, std::uint64_t start, const Record& original,
                                     Record& current) {
    const std::uint64_t count = table.slotCount();
    for (std::uint64_t distance = 0; distance <= start || start + distance < count; ++distance) {
        if (slotHolds(table, start + distance, original, current)) return table.recordIdAt(start + distance);
        if (distance > 0 && distance <= start && slotHolds(table, start - distance, original, current))
            return table.recordIdAt(start - distance);
    }
    return std::nullopt;
}
}  // namespace

FoundRecord findRecordAgain(StorageTable& table, const std::optional<MovingRecordFinder>& finder, RecordId lastId,
                            const Record& original) {
    FoundRecord found{lastId, {}};
    if (idHolds(table, lastId, original, found.stored)) return found;
    if (!table.writesMoveRecords()) throwGone(table, original);
    if (finder) {
        try {
            found.id = finder->find(table, finder->keyOf(original), lastId);
        } catch (const EngineError& e) {
            if (e.kind() != errkind::kUsage) throw;
            throwGone(table, original);
        }
        if (!idHolds(table, found.id, original, found.stored)) throwGone(table, original);
        return found;
    }
    std::uint64_t start = 0;
    try {
        start = table.slotOf(lastId);
    } catch (const EngineError& e) {
        if (e.kind() != errkind::kUsage) throw;  // its block is gone: look from the start
    }
    const std::optional<RecordId> id = findByValues(table, start, original, found.stored);
    if (!id) throwGone(table, original);
    found.id = *id;
    return found;
}

}  // namespace tabulon
