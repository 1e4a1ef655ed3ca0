#pragma once
// The order in which a dataset table walks its stored records.
#include "../storage/StorageTable.h"

namespace tabulon {

// Natural (record) order or the order of one index. Starts before the first record. Reads one
// record at a time from the storage table, never the whole table. Same thread as its table.
class RecordOrder {
public:
    virtual ~RecordOrder() = default;
    // Each returns false, leaving the order off its end, when there is no such record.
    virtual bool first() = 0;
    virtual bool last() = 0;
    virtual bool next() = 0;
    virtual bool prior() = 0;
    virtual RecordId recordId() const = 0;
    // The current record's values; called once per position (an order may hand over what it read).
    virtual void read(Record& out) = 0;
    // The current record with at least the fields at `fields` read (and those probed before at
    // this position), the others unspecified: a filter tests it before read() decodes the
    // whole record.
    virtual const Record& probe(const std::vector<std::size_t>& fields) = 0;
    // Goes to the first record whose key is >= `key` (its leading fields). Natural order throws
    // EUsageError: it has no key.
    virtual bool seek(const Record& key, bool partial) = 0;
    // The current entry's key, one value per key field; empty in natural order.
    virtual Record key() const = 0;
    // Goes to the record `id`, whose stored values are `values`. False when it is not there.
    virtual bool moveTo(RecordId id, const Record& values) = 0;
    // Whether the order passes every live record (see KeyCursor::holdsEveryRecord()).
    virtual bool holdsEveryRecord() const { return true; }
};

}  // namespace tabulon
