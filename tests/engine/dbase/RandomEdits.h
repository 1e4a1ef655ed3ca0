#pragma once
// Random removals, recalls, appends and updates of a dBase table in committed batches, as the
// index tests use them to move keys and split pages.
#include <filesystem>
#include <functional>
#include <random>

#include "io/Transaction.h"
#include "storage/dbase/DbaseTable.h"

namespace tabulon::testing {

// `batches` transactions of `perBatch` edits each. An edit's record is 1 + random() % `ids`
// (0: % the table's slots); its kind is random() % `kinds`: remove, recall, `append()`, else
// update to `changedRow()`.
inline void editAtRandom(dbase::DbaseTable& table, const std::filesystem::path& file, std::mt19937& random, int batches,
                         int perBatch, unsigned kinds, std::uint64_t ids, const std::function<void()>& append,
                         const std::function<Record()>& changedRow) {
    for (int batch = 0; batch < batches; ++batch) {
        Transaction transaction(file.string() + Transaction::kJournalExtension);
        table.setTransaction(&transaction);
        for (int i = 0; i < perBatch; ++i) {
            const RecordId id = 1 + random() % (ids ? ids : table.slotCount());
            switch (random() % kinds) {
                case 0:
                    table.remove(id);
                    break;
                case 1:
                    table.recall(id);
                    break;
                case 2:
                    append();
                    break;
                default:
                    table.update(id, changedRow());
            }
        }
        transaction.commit();
        table.setTransaction(nullptr);
    }
}

}  // namespace tabulon::testing
