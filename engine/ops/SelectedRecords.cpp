#include "SelectedRecords.h"

#include <vector>

#include "../core/EngineError.h"
#include "../dataset/Field.h"
#include "../dataset/Table.h"
#include "Progress.h"

namespace tabulon {

namespace {

// Visits each record the view holds now, by bookmark: the cache keeps the stored records in
// place until the apply, so the bookmarks stay valid however the changes reshape the view.
template <typename Change>
std::uint64_t changeSelected(Table& table, Change change) {
    if (!table.cachedUpdates() || table.updatesPending())
        throw EngineError(errkind::kUsage,
                          "Table " + table.tableName() + " must be open with cached updates and nothing pending");
    std::vector<Bookmark> selected;
    for (table.first(); !table.eof(); table.next()) selected.push_back(table.bookmark());
    try {
        ProgressSteps steps(phase::kData, selected.size());
        for (std::size_t i = 0; i < selected.size(); ++i) {
            table.gotoBookmark(selected[i]);
            change();
            steps.advance(i + 1);
        }
        table.applyUpdates();
        table.commitUpdates();
    } catch (...) {
        table.cancelUpdates();
        throw;
    }
    table.first();
    return selected.size();
}

}  // namespace

std::uint64_t updateSelectedRecords(Table& table, const std::string& fieldName, const std::string& value) {
    Field field = table.fieldByName(fieldName);
    return changeSelected(table, [&] {
        table.edit();
        field.setAsText(value);
        table.post();
    });
}

std::uint64_t deleteSelectedRecords(Table& table) {
    return changeSelected(table, [&] { table.remove(); });
}

}  // namespace tabulon
