#include "TableRebuild.h"

#include <algorithm>
#include <optional>

#include "../core/AsciiCase.h"
#include "../core/EngineError.h"
#include "../io/Transaction.h"
#include "../storage/Drivers.h"
#include "FamilySwap.h"
#include "Progress.h"
#include "TableDefinitions.h"

namespace tabulon {

namespace {

// For each new field, the position of the old field that feeds it (-1: none).
std::vector<int> sourcePositions(const Restructure& restructure, const std::vector<FieldDef>& old,
                                 const std::filesystem::path& table) {
    std::vector<int> positions;
    for (const auto& field : restructure.fields) {
        if (field.from.empty()) {
            positions.push_back(-1);
            continue;
        }
        const auto it = std::find_if(old.begin(), old.end(),
                                     [&](const FieldDef& f) { return equalsIgnoringAsciiCase(f.name, field.from); });
        if (it == old.end())
            throw EngineError(errkind::kValue, "Table " + table.filename().string() + " has no field " + field.from);
        positions.push_back(static_cast<int>(it - old.begin()));
    }
    return positions;
}

// The file name the rebuilt table takes.
std::string targetName(const std::filesystem::path& table, const std::string& saveAs) {
    if (saveAs.empty()) return table.filename().string();
    const std::filesystem::path name(saveAs);
    if (name.has_parent_path() || name.stem().empty())
        throw EngineError(errkind::kFile, "'" + saveAs + "' is not a table name of the folder of " + table.string());
    if (!name.has_extension()) return saveAs + table.extension().string();
    if (tableTypeForPath(name) != tableTypeForPath(table))
        throw EngineError(errkind::kNotSupported, "Cannot save " + table.filename().string() + " as " + saveAs +
                                                      ": a restructure keeps the table's format");
    return saveAs;
}

// The fields the new table is created with. At another level than the table's own the native
// letters may differ there, so the driver picks each field's nearest; a number keeps its width.
std::vector<FieldDef> fieldsToCreate(const Restructure& restructure) {
    std::vector<FieldDef> fields;
    for (const auto& field : restructure.fields) {
        FieldDef def = field.field;
        if (!restructure.version.empty() && def.nativeType != "N" && def.nativeType != "F") def.nativeType.clear();
        fields.push_back(def);
    }
    return fields;
}

// The fitter of each new field that may lose values of the old field feeding it (none for the
// others: an old field of the new one's shape, no larger, fits as it is).
std::vector<std::optional<FieldFitter>> fittersFor(const std::vector<FieldDef>& fields,
                                                   const std::vector<int>& positions, const std::vector<FieldDef>& old,
                                                   const std::string& encoding) {
    std::vector<std::optional<FieldFitter>> fitters(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (positions[i] < 0) continue;
        const FieldDef& from = old[static_cast<std::size_t>(positions[i])];
        const FieldDef& to = fields[i];
        if (from.type != to.type || from.nativeType != to.nativeType || from.size > to.size ||
            from.decimals != to.decimals)
            fitters[i].emplace(to, encoding);
    }
    return fitters;
}

// Appends every live record of `source` to `target`, converted field by field; the fields with a
// fitter empty or cut values that do not fit instead of refusing them.
void appendRecords(StorageTable& source, StorageTable& target, const std::vector<int>& positions,
                   const std::vector<std::optional<FieldFitter>>& fitters) {
    const auto& fields = target.fields();
    const std::uint64_t slots = source.slotCount();
    Record record;
    Record values(fields.size());
    ProgressSteps progress(phase::kData, slots);
    for (std::uint64_t slot = 0; slot < slots; ++slot) {
        if (!source.readSlot(slot, record)) continue;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (positions[i] < 0) {
                values[i] = Value();
                continue;
            }
            const Value& value = record[static_cast<std::size_t>(positions[i])];
            if (!fitters.empty() && fitters[i]) {
                values[i] = value;
                fitters[i]->fit(values[i]);
                continue;
            }
            try {
                values[i] = value.isNull() ? value : value.convertTo(valueKindFor(fields[i].type));
            } catch (const EngineError& e) {
                throw EngineError(
                    e.kind(), "Record " + std::to_string(slot + 1) + ", field " + fields[i].name + ": " + e.message());
            }
        }
        target.append(values);
        progress.advance(slot + 1);
    }
    progress.advance(slots);
}

// One transaction: the drivers then build the indexes once, at its commit.
void copyRecords(StorageTable& source, StorageTable& target, const std::vector<int>& positions,
                 const std::vector<std::optional<FieldFitter>>& fitters) {
    Transaction transaction(Transaction::newJournalPath(target.path().parent_path()));
    target.setTransaction(&transaction);
    try {
        appendRecords(source, target, positions, fitters);
        transaction.commit();
    } catch (...) {
        // The target is a new table that is discarded: the copy's own error is the one to report.
        target.setTransaction(nullptr);
        throw;
    }
    target.setTransaction(nullptr);
}

}  // namespace

Restructure currentStructure(const std::filesystem::path& table) {
    auto opened = openTable(existingTable(table));
    Restructure restructure;
    for (const auto& field : opened->fields()) restructure.fields.push_back({field, field.name});
    restructure.indexes = opened->indexes();
    return restructure;
}

std::string nearestWrittenLevel(const TableFacts& facts) {
    if (facts.format == "paradox") return facts.version == "3.0" || facts.version == "3.5" ? "4" : "";
    if (facts.format != "dbase") return "";
    const bool written = facts.version.rfind("dBase III", 0) == 0 || facts.version.rfind("dBase IV", 0) == 0;
    return written ? "" : "dBase IV";
}

std::vector<FieldLoss> lostValues(const std::filesystem::path& table, const Restructure& restructure) {
    const std::filesystem::path actual = existingTable(table);
    auto source = openTable(actual);
    const std::vector<int> positions = sourcePositions(restructure, source->fields(), actual);
    // As the driver will make them, so that sizes and widths are those the copy meets.
    std::vector<FieldDef> fields;
    for (const auto& field : fieldsToCreate(restructure)) fields.push_back(source->driver().nearestField(field));
    const auto fitters = fittersFor(fields, positions, source->fields(), source->facts().codePage);
    std::vector<FieldLoss> losses(fields.size());
    // Only the fields that may lose values are read.
    std::vector<std::size_t> checked;
    std::vector<std::size_t> read;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        losses[i].field = fields[i].name;
        if (!fitters[i]) continue;
        checked.push_back(i);
        read.push_back(static_cast<std::size_t>(positions[i]));
    }
    if (checked.empty()) return {};
    const std::uint64_t slots = source->slotCount();
    Record record;
    Value value;
    ProgressSteps progress(phase::kData, slots);
    for (std::uint64_t slot = 0; slot < slots; ++slot) {
        if (!source->readSlotFields(slot, read, record)) continue;
        for (const std::size_t i : checked) {
            value = record[static_cast<std::size_t>(positions[i])];
            const Fit fit = fitters[i]->fit(value);
            if (fit == Fit::Emptied) ++losses[i].emptied;
            if (fit == Fit::Cut) ++losses[i].cut;
        }
        progress.advance(slot + 1);
    }
    progress.advance(slots);
    std::erase_if(losses, [](const FieldLoss& loss) { return loss.emptied == 0 && loss.cut == 0; });
    return losses;
}

void rebuildTable(const std::filesystem::path& table, const Restructure& restructure, const DesktopTrash& trash) {
    const std::filesystem::path actual = existingTable(table);
    const std::filesystem::path folder = actual.parent_path();
    auto source = openExclusive(actual);
    const std::vector<int> positions = sourcePositions(restructure, source->fields(), actual);
    const StorageDriver& driver = source->driver();

    const std::string target = targetName(actual, restructure.saveAs);
    std::filesystem::path replaced = actual;
    std::unique_ptr<StorageTable> replacedLock;
    if (!restructure.saveAs.empty()) {
        replaced = findFileIgnoringCase(folder, target);
        if (!replaced.empty() && std::filesystem::equivalent(replaced, actual))
            throw EngineError(errkind::kFile, "Cannot save " + actual.filename().string() + " as itself");
        // A table replaced by the save-as must not be in use either.
        if (!replaced.empty()) replacedLock = openExclusive(replaced);
    }
    auto leaving = replaced.empty() ? std::vector<std::filesystem::path>{} : driver.familyFiles(replaced);
    const std::vector<std::string> indexFiles =
        restructure.saveAs.empty() ? restructure.indexFiles : std::vector<std::string>{};
    for (const auto& name : indexFiles)
        if (const auto file = findFileIgnoringCase(folder, name); !file.empty()) leaving.push_back(file);

    FamilySwap swap(folder, leaving, trash);
    {
        const std::vector<FieldDef> fields = fieldsToCreate(restructure);
        std::vector<IndexDef> indexes = restructure.indexes;
        for (auto& index : indexes) index.file.clear();  // the driver names its own files
        const TableFacts facts = source->facts();
        CreateOptions options;
        options.encoding = facts.codePage;
        options.version = restructure.version.empty() ? facts.version : restructure.version;
        options.versionAtLeast = true;
        options.sortOrder = facts.sortOrder;
        // At another level the driver picks the blocks that level has.
        if (options.version == facts.version) options.blockSize = facts.blockSize;
        auto created = driver.create(swap.staged(replaced.empty() ? target : replaced.filename().string()), fields,
                                     indexes, options);
        if (restructure.copyRecords)
            copyRecords(*source, *created, positions,
                        restructure.emptyLostValues
                            ? fittersFor(created->fields(), positions, source->fields(), facts.codePage)
                            : std::vector<std::optional<FieldFitter>>{});
        driver.carryOver(actual, *created, positions, indexFiles);
    }
    replacedLock.reset();
    swap.commit();
}

}  // namespace tabulon
