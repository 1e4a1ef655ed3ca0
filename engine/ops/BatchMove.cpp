#include "BatchMove.h"

#include <algorithm>
#include <numeric>
#include <optional>

#include "../core/AsciiCase.h"
#include "../core/EngineError.h"
#include "../core/IndexFields.h"
#include "../core/TextCodec.h"
#include "../io/Transaction.h"
#include "../storage/Drivers.h"
#include "BatchedTransaction.h"
#include "CopyDefinition.h"
#include "FamilySwap.h"
#include "KeyLookup.h"
#include "NumberDigits.h"
#include "Progress.h"
#include "RejectTable.h"

namespace tabulon {

namespace {

// For each destination field, the source field that feeds it (-1: none).
std::vector<int> fieldMap(const std::vector<FieldDef>& source, const std::vector<FieldDef>& destination) {
    std::vector<int> byName;
    for (const auto& field : destination) {
        const auto it = std::find_if(source.begin(), source.end(),
                                     [&](const FieldDef& f) { return equalsIgnoringAsciiCase(f.name, field.name); });
        if (it == source.end()) break;
        byName.push_back(static_cast<int>(it - source.begin()));
    }
    if (byName.size() == destination.size()) return byName;
    std::vector<int> byPosition(destination.size(), -1);
    for (std::size_t i = 0; i < destination.size() && i < source.size(); ++i) byPosition[i] = static_cast<int>(i);
    return byPosition;
}

std::size_t fieldIndex(const std::vector<FieldDef>& fields, const std::string& name,
                       const std::filesystem::path& table) {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (equalsIgnoringAsciiCase(fields[i].name, name)) return i;
    throw EngineError(errkind::kValue, "Table " + table.filename().string() + " has no field " + name);
}

// Creates the copy's destination: the source's own definition within one format, else the
// nearest one; a level or code page the driver cannot write makes it the nearest one too.
std::vector<std::pair<std::string, std::string>> createCopy(StorageTable& source,
                                                            const std::filesystem::path& destination,
                                                            const std::string& encoding,
                                                            const TableDefinitions& definitions) {
    const StorageDriver& driver = driverForPath(destination);
    const bool sameFormat = &driver == &source.driver();
    if (sameFormat) {
        const CopyDefinition kept = copyDefinition(source, driver, true, encoding);
        try {
            definitions.create(destination, ttDefault, kept.fields, kept.indexes, kept.options);
            return kept.renamed;
        } catch (const EngineError& e) {
            if (e.kind() != errkind::kNotSupported) throw;
        }
    }
    const CopyDefinition nearest = copyDefinition(source, driver, false, encoding);
    definitions.create(destination, ttDefault, nearest.fields, nearest.indexes, nearest.options);
    return nearest.renamed;
}

// A copy is built beside the table it replaces and swapped in only when every record made it,
// so a failed copy leaves the old destination where it was.
class CopyAside {
public:
    CopyAside(const std::filesystem::path& destination, const DesktopTrash& trash)
        : folder_(destination.parent_path().empty() ? "." : destination.parent_path()) {
        const std::filesystem::path replaced = findFileIgnoringCase(folder_, destination.filename().string());
        std::vector<std::filesystem::path> leaving;
        if (!replaced.empty()) {
            replacedLock_ = openExclusive(replaced);  // nobody may use the table being replaced
            leaving = replacedLock_->driver().familyFiles(replaced);
        }
        swap_.emplace(folder_, std::move(leaving), trash);
        staged_ = swap_->staged(replaced.empty() ? destination.filename().string() : replaced.filename().string());
    }
    const std::filesystem::path& folder() const { return folder_; }
    const std::filesystem::path& staged() const { return staged_; }
    void commit() {
        replacedLock_.reset();
        swap_->commit();
    }

private:
    std::filesystem::path folder_;
    std::unique_ptr<StorageTable> replacedLock_;
    std::optional<FamilySwap> swap_;
    std::filesystem::path staged_;
};

// Character fields moved without transliteration: the source's bytes, read in the destination's
// code page. Nothing to do when the tables share a code page or one has none.
class KeptBytes {
public:
    KeptBytes(bool transliterate, const StorageTable& source, const StorageTable& destination) {
        const std::string from = source.facts().codePage;
        const std::string to = destination.facts().codePage;
        if (transliterate || from.empty() || to.empty() || equalsIgnoringAsciiCase(from, to)) return;
        from_.emplace(from);
        to_.emplace(to);
    }
    void apply(Value& value, const FieldDef& field) const {
        if (!from_ || field.type != ftString || value.isNull()) return;
        if (const auto bytes = from_->encode(value.asString())) value = Value::string(to_->decode(*bytes));
    }

private:
    std::optional<TextCodec> from_;
    std::optional<TextCodec> to_;
};

}  // namespace

BatchMoveResult BatchMove::run(StorageTable& source, const std::filesystem::path& destinationPath,
                               const BatchMoveOptions& options) const {
    BatchMoveResult result;
    const bool copy = options.mode == BatchMode::Copy;
    std::optional<CopyAside> aside;
    if (copy) {
        aside.emplace(destinationPath, definitions_.trash());
        result.renamedFields = createCopy(source, aside->staged(), options.encoding, definitions_);
    }
    auto destination = openExclusive(copy ? aside->staged() : destinationPath);
    // The side tables lie beside the destination, not beside a copy being built.
    const std::filesystem::path folder = copy ? aside->folder() : destination->path().parent_path();
    const auto& destFields = destination->fields();
    std::vector<int> map(destFields.size());
    if (copy)  // a copy's fields are the source's in order, whatever their names became
        std::iota(map.begin(), map.end(), 0);
    else
        map = fieldMap(source.fields(), destFields);

    RejectTable keyViolations(options.keyViolationTable, folder, source, definitions_);
    RejectTable problems(options.problemTable, folder, source, definitions_);
    RejectTable changedRecords(options.changedTable, folder, *destination, definitions_);

    // Update modes and delete find the destination's record by its index key.
    const bool matching = options.mode == BatchMode::Update || options.mode == BatchMode::AppendUpdate ||
                          options.mode == BatchMode::Delete;
    std::optional<KeyLookup> lookup;
    if (matching) {
        const auto indexes = destination->indexes();
        if (indexes.empty() && options.destinationIndex.empty())
            throw EngineError(errkind::kUsage,
                              "Table " + destinationPath.filename().string() + " has no index to match records on");
        const std::string keyIndex = options.destinationIndex.empty() ? indexes.front().name : options.destinationIndex;
        const auto it = std::find_if(indexes.begin(), indexes.end(),
                                     [&](const IndexDef& i) { return equalsIgnoringAsciiCase(i.name, keyIndex); });
        if (it == indexes.end() || it->fields.empty())
            throw EngineError(errkind::kValue, "Table " + destinationPath.filename().string() + " has no field index " +
                                                   keyIndex + " to match records on");
        std::vector<std::size_t> keyFields;
        for (const auto& name : indexFieldNames(it->fields))
            keyFields.push_back(fieldIndex(destFields, name, destinationPath));
        lookup.emplace(*destination, *it, std::move(keyFields));
    }

    std::unique_ptr<KeyCursor> sourceOrder =
        options.sourceIndex.empty() ? nullptr : source.openIndex(options.sourceIndex);
    std::uint64_t slot = 0;
    Record record;
    const auto nextSource = [&]() -> bool {
        if (sourceOrder) {
            if (!(slot++ == 0 ? sourceOrder->first() : sourceOrder->next())) return false;
            source.readRecord(sourceOrder->recordId(), record);
            return true;
        }
        while (slot < source.slotCount())
            if (source.readSlot(slot++, record)) return true;
        return false;
    };

    const KeptBytes keptBytes(options.transliterate, source, *destination);
    std::optional<EngineError> failure;
    {
        BatchedTransaction transaction(*destination, options.commitCount);
        std::uint64_t number = 0;
        const std::uint64_t total =
            options.recordCount == 0 ? source.recordCount() : std::min(options.recordCount, source.recordCount());
        ProgressSteps progress(phase::kData, total);
        try {
            Record values(destFields.size());
            Record old;
            while ((options.recordCount == 0 || number < options.recordCount) && nextSource()) {
                ++number;
                try {
                    for (std::size_t i = 0; i < destFields.size(); ++i) {
                        const Value& value = map[i] < 0 ? Value() : record[static_cast<std::size_t>(map[i])];
                        values[i] = value.isNull() ? value : value.convertTo(valueKindFor(destFields[i].type));
                        keptBytes.apply(values[i], destFields[i]);
                        if (!keepsEveryDecimal(values[i], destFields[i]))
                            throw EngineError(errkind::kValue, "Field " + destFields[i].name + ": " +
                                                                   values[i].toText() + " would lose decimals");
                    }
                    const std::optional<RecordId> match = lookup ? lookup->find(values) : std::nullopt;
                    if (options.mode == BatchMode::Delete) {
                        if (match) {
                            destination->remove(*match);
                            lookup->removed(values);
                            ++result.moved;
                        }
                    } else if (match) {
                        destination->readRecord(*match, old);
                        destination->update(*match, values);
                        lookup->updated();
                        changedRecords.add(old);
                        ++result.moved;
                        ++result.changed;
                    } else if (options.mode != BatchMode::Update) {
                        const RecordId id = destination->append(values);
                        if (lookup) lookup->appended(values, id);
                        ++result.moved;
                    }
                } catch (const EngineError& e) {
                    const bool keyViolation = e.kind() == errkind::kKeyViolation;
                    const bool problem = e.kind() == errkind::kValue || e.kind() == errkind::kRequired;
                    if ((!keyViolation && !problem) || (keyViolation && options.abortOnKeyViolation) ||
                        (problem && options.abortOnProblem))
                        throw;
                    (keyViolation ? keyViolations : problems).add(record);
                    ++(keyViolation ? result.keyViolations : result.problems);
                    ++result.rejected;
                }
                transaction.changed();
                progress.advance(number);
            }
            transaction.commit();
        } catch (const EngineError& e) {
            transaction.rollback();
            failure.emplace(e.kind(), "Batch move to " + destinationPath.filename().string() + " stopped at record " +
                                          std::to_string(number) + ": " + e.message());
        }
    }                             // the transaction lets go of the destination here
    if (failure) throw *failure;  // a copy's staging goes with `aside`
    destination.reset();
    if (copy) aside->commit();
    return result;
}

}  // namespace tabulon
