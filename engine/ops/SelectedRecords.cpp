#include "SelectedRecords.h"

#include <algorithm>
#include <vector>

#include "../core/EngineError.h"
#include "../dataset/Field.h"
#include "../dataset/RecordFinding.h"
#include "../dataset/Table.h"
#include "../io/Transaction.h"
#include "Progress.h"

namespace tabulon {

namespace {

struct Selected {
    std::uint64_t slot = 0;
    RecordId id = 0;
    Record values;
};

// The records of the view as it is now, in descending slot order: deleting or rewriting a record
// then never moves one still to come, in the formats whose writes move records.
std::vector<Selected> selectedRecords(Table& table) {
    if (table.updatesPending() || table.editBuffer().active())
        throw EngineError(errkind::kUsage, "Table " + table.tableName() + " has changes pending");
    StorageTable& storage = table.storage();
    std::vector<Selected> selected;
    for (table.first(); !table.eof(); table.next()) {
        const Bookmark here = table.bookmark();
        selected.push_back({storage.slotOf(here.id), here.id, table.currentValues()});
    }
    std::sort(selected.begin(), selected.end(), [](const Selected& a, const Selected& b) { return a.slot > b.slot; });
    return selected;
}

// Writes `change` for each selected record straight to the table's files in one transaction;
// the view is not rebuilt record by record, which would cost a search of the table each time.
template <typename Change>
std::uint64_t changeSelected(Table& table, Change change) {
    const std::vector<Selected> selected = selectedRecords(table);
    StorageTable& storage = table.storage();
    const auto finder = MovingRecordFinder::forTable(storage);
    {
        Transaction transaction(Transaction::newJournalPath(storage.path().parent_path()));
        storage.setTransaction(&transaction);
        struct Detach {
            StorageTable& storage;
            ~Detach() { storage.setTransaction(nullptr); }
        } detach{storage};
        try {
            storage.beginWriting();
            ProgressSteps steps(phase::kData, selected.size());
            for (std::size_t i = 0; i < selected.size(); ++i) {
                const FoundRecord found = findRecordAgain(storage, finder, selected[i].id, selected[i].values);
                change(storage, found);
                steps.advance(i + 1);
            }
            transaction.commit();
        } catch (...) {
            transaction.rollback();
            table.refresh();
            throw;
        }
    }
    table.refresh();
    table.first();
    return selected.size();
}

// `text` as a value of the field, converted as the field converts what is typed into it.
Value convertedValue(Table& table, std::size_t index, const std::string& text) {
    if (table.isEmpty()) return {};
    table.edit();
    try {
        table.field(index).setAsText(text);
    } catch (...) {
        table.cancel();
        throw;
    }
    Value value = table.currentValues()[index];
    table.cancel();
    return value;
}

}  // namespace

std::uint64_t updateSelectedRecords(Table& table, const std::string& fieldName, const std::string& value) {
    const std::size_t index = table.fieldByName(fieldName).index();
    table.first();
    const Value converted = convertedValue(table, index, value);
    return changeSelected(table, [&](StorageTable& storage, const FoundRecord& found) {
        Record values = found.stored;
        values[index] = converted;
        storage.update(found.id, values);
    });
}

std::uint64_t deleteSelectedRecords(Table& table) {
    return changeSelected(table, [](StorageTable& storage, const FoundRecord& found) { storage.remove(found.id); });
}

std::optional<FieldAssignment> parseFieldAssignment(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) return std::nullopt;
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    std::size_t first = 0;
    std::size_t last = equals;
    while (first < last && blank(text[first])) ++first;
    while (last > first && blank(text[last - 1])) --last;
    return FieldAssignment{text.substr(first, last - first), text.substr(equals + 1)};
}

}  // namespace tabulon
