#pragma once
#include <memory>
#include <vector>

#include "RecordOrder.h"

namespace tabulon {

// The order of one index, through the storage table's KeyCursor. Throws EValueError from the
// constructor when the index does not exist or is not usable.
class IndexOrder : public RecordOrder {
public:
    IndexOrder(StorageTable& table, const std::string& indexName);
    bool first() override { return moved(cursor_->first()); }
    bool last() override { return moved(cursor_->last()); }
    bool next() override { return moved(cursor_->next()); }
    bool prior() override { return moved(cursor_->prior()); }
    RecordId recordId() const override { return cursor_->recordId(); }
    void read(Record& out) override;
    // The whole record, which read() then hands over.
    const Record& probe() override;
    bool seek(const Record& key, bool partial) override { return moved(cursor_->seek(key, partial)); }
    Record key() const override { return cursor_->key(); }
    bool moveTo(RecordId id, const Record& values) override;

private:
    bool moved(bool found) {
        probed_ = false;
        return found;
    }

    StorageTable& table_;
    std::unique_ptr<KeyCursor> cursor_;
    std::vector<std::size_t> keyFields_;  // empty for an expression index
    Record record_;        // read by probe() at the current entry
    bool probed_ = false;
};

// The positions in `fields` of the fields an index names ("A;B"); empty when one is missing.
std::vector<std::size_t> indexFieldPositions(const IndexDef& index, const std::vector<FieldDef>& fields);

}  // namespace tabulon
