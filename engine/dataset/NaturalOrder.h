#pragma once
#include <vector>

#include "RecordOrder.h"

namespace tabulon {

// Slot order of the storage table, deleted slots skipped. Moving reads only the fields at
// `probeFields` (all of them when it is empty), so a filter decodes little more than the fields
// it tests first; probe() reads others on demand and read() the whole record of those that pass.
class NaturalOrder : public RecordOrder {
public:
    explicit NaturalOrder(StorageTable& table, std::vector<std::size_t> probeFields = {})
        : table_(table), probeFields_(std::move(probeFields)) {}
    bool first() override;
    bool last() override;
    bool next() override;
    bool prior() override;
    RecordId recordId() const override { return id_; }
    void read(Record& out) override;
    const Record& probe(const std::vector<std::size_t>& fields) override;
    bool seek(const Record& key, bool partial) override;
    Record key() const override { return {}; }
    bool moveTo(RecordId id, const Record& values) override;

private:
    bool settle(std::uint64_t slot, int step);

    StorageTable& table_;
    std::vector<std::size_t> probeFields_;
    std::uint64_t slot_ = 0;
    RecordId id_ = 0;
    Record record_;  // what moving read: the probed fields, or all of them
};

}  // namespace tabulon
