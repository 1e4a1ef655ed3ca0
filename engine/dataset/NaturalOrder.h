#pragma once
#include "RecordOrder.h"

namespace tabulon {

// Slot order of the storage table, deleted slots skipped.
class NaturalOrder : public RecordOrder {
public:
    explicit NaturalOrder(StorageTable& table) : table_(table) {}
    bool first() override;
    bool last() override;
    bool next() override;
    bool prior() override;
    RecordId recordId() const override { return id_; }
    // Hands over the values read when the order moved; once per position.
    void read(Record& out) override { out.swap(record_); }
    bool seek(const Record& key, bool partial) override;
    Record key() const override { return {}; }
    bool moveTo(RecordId id, const Record& values) override;

private:
    bool settle(std::uint64_t slot, int step);

    StorageTable& table_;
    std::uint64_t slot_ = 0;
    RecordId id_ = 0;
    Record record_;
};

}  // namespace tabulon
