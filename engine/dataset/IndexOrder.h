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
    bool first() override { return cursor_->first(); }
    bool last() override { return cursor_->last(); }
    bool next() override { return cursor_->next(); }
    bool prior() override { return cursor_->prior(); }
    RecordId recordId() const override { return cursor_->recordId(); }
    void read(Record& out) override { table_.readRecord(cursor_->recordId(), out); }
    const Record& probe(const std::vector<std::size_t>& fields) override {
        table_.readRecordFields(cursor_->recordId(), fields, probed_);
        return probed_;
    }
    bool seek(const Record& key, bool partial) override { return cursor_->seek(key, partial); }
    Record key() const override { return cursor_->key(); }
    bool moveTo(RecordId id, const Record& values) override;
    bool holdsEveryRecord() const override { return cursor_->holdsEveryRecord(); }

private:
    StorageTable& table_;
    std::unique_ptr<KeyCursor> cursor_;
    std::vector<std::size_t> keyFields_;  // empty for an expression index
    Record probed_;                       // the fields probe() read, kept to be reused
};

// The positions in `fields` of the fields an index names ("A;B"); empty when one is missing.
std::vector<std::size_t> indexFieldPositions(const IndexDef& index, const std::vector<FieldDef>& fields);

}  // namespace tabulon
