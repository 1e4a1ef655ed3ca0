#include "NaturalOrder.h"

#include "../core/EngineError.h"

namespace tabulon {

// From `slot`, walks by `step` (+1 or -1) to the first live slot.
bool NaturalOrder::settle(std::uint64_t slot, int step) {
    const std::uint64_t count = table_.slotCount();
    for (; slot < count; slot += step) {
        const bool live =
            probeFields_.empty() ? table_.readSlot(slot, record_) : table_.readSlotFields(slot, probeFields_, record_);
        if (live) {
            slot_ = slot;
            id_ = table_.recordIdAt(slot);
            return true;
        }
        if (slot == 0 && step < 0) break;
    }
    return false;
}

void NaturalOrder::read(Record& out) {
    if (probeFields_.empty())
        out.swap(record_);  // moving read it all: hand it over
    else
        table_.readSlot(slot_, out);
}

const Record& NaturalOrder::probe(const std::vector<std::size_t>& fields) {
    if (!probeFields_.empty() && fields != probeFields_) table_.readSlotFields(slot_, fields, record_);
    return record_;
}

bool NaturalOrder::first() { return settle(0, 1); }

bool NaturalOrder::last() {
    const std::uint64_t count = table_.slotCount();
    return count != 0 && settle(count - 1, -1);
}

bool NaturalOrder::next() { return settle(slot_ + 1, 1); }

bool NaturalOrder::prior() { return slot_ != 0 && settle(slot_ - 1, -1); }

bool NaturalOrder::seek(const Record&, bool) {
    throw EngineError(errkind::kUsage, "Table " + table_.path().filename().string() +
                                           " has no index chosen: key search needs an index name");
}

bool NaturalOrder::moveTo(RecordId id, const Record&) {
    const std::uint64_t slot = table_.slotOf(id);
    return settle(slot, 1) && id_ == id;
}

}  // namespace tabulon
