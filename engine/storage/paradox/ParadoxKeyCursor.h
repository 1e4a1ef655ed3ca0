#pragma once
// KeyCursor over one Paradox index (primary or secondary), whatever holds its entries.
#include <memory>

#include "../StorageTable.h"
#include "ParadoxKeyOrder.h"
#include "ParadoxKeySource.h"

namespace tabulon {
class TextCodec;
}

namespace tabulon::paradox {

// seek() encodes the given values as the index stores them (case folded for case-insensitive
// indexes) and binary-searches; throws EValueError naming the field when a value does not fit.
// Valid while its table is open and unchanged; same thread as the table.
class ParadoxKeyCursor : public KeyCursor {
public:
    // The first `userFields` fields of `order` are the index's own; the rest only break ties.
    ParadoxKeyCursor(IndexDef definition, std::unique_ptr<ParadoxKeySource> source, ParadoxKeyOrder order,
                     std::vector<std::string> fieldNames, const TextCodec& codec);

    const IndexDef& definition() const override { return definition_; }
    bool first() override;
    bool last() override;
    bool next() override;
    bool prior() override;
    bool seek(const Record& key, bool partial) override;
    RecordId recordId() const override;
    Record key() const override;

private:
    enum class State { BeforeFirst, OnEntry, OffEnd };
    bool moveTo(std::uint64_t entry);

    IndexDef definition_;
    std::unique_ptr<ParadoxKeySource> source_;
    ParadoxKeyOrder order_;
    std::vector<std::string> fieldNames_;  // UTF-8, one per user field
    const TextCodec& codec_;
    State state_ = State::BeforeFirst;
    std::uint64_t entry_ = 0;
};

}  // namespace tabulon::paradox
