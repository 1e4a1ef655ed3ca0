#include "IndexCursor.h"

#include <algorithm>
#include <cmath>

#include "../../core/EngineError.h"
#include "IndexKeyCodec.h"

namespace tabulon::dbase {

IndexCursor::IndexCursor(IndexDef definition, KeyType type, bool descending, std::vector<IndexEntry> entries,
                         const TextCodec& codec, std::function<bool(RecordId)> live)
    : definition_(std::move(definition)),
      type_(type),
      descending_(descending),
      entries_(std::move(entries)),
      codec_(codec),
      live_(std::move(live)) {}

bool IndexCursor::settle(std::ptrdiff_t position, int step) {
    const auto size = static_cast<std::ptrdiff_t>(entries_.size());
    while (position >= 0 && position < size && !live_(entries_[static_cast<std::size_t>(position)].record))
        position += step;
    position_ = std::clamp<std::ptrdiff_t>(position, -1, size);
    return position_ >= 0 && position_ < size;
}

bool IndexCursor::first() { return settle(0, 1); }
bool IndexCursor::last() { return settle(static_cast<std::ptrdiff_t>(entries_.size()) - 1, -1); }

bool IndexCursor::next() {
    if (position_ >= static_cast<std::ptrdiff_t>(entries_.size())) return false;
    return settle(position_ + 1, 1);
}

bool IndexCursor::prior() {
    if (position_ < 0) return false;
    if (!settle(position_ - 1, -1)) {
        position_ = -1;
        return false;
    }
    return true;
}

int IndexCursor::compare(const IndexEntry& entry, const IndexEntry& wanted, bool partial) const {
    int c;
    if (type_ == KeyType::Character) {
        const std::string_view have = entry.key;
        std::string_view want = wanted.key;
        if (partial) {
            c = have.substr(0, want.size()).compare(want);
        } else {
            // dBase pads keys with blanks: a shorter search key is padded the same way.
            std::string padded(want);
            if (padded.size() < have.size()) padded.append(have.size() - padded.size(), ' ');
            c = have.compare(padded);
        }
        c = c < 0 ? -1 : (c > 0 ? 1 : 0);
    } else {
        c = entry.number < wanted.number ? -1 : (entry.number > wanted.number ? 1 : 0);
    }
    return descending_ ? -c : c;
}

bool IndexCursor::seek(const Record& key, bool partial) {
    if (key.empty() || key.front().isNull()) return first();
    IndexEntry wanted;
    const Value& v = key.front();
    switch (type_) {
        case KeyType::Character: {
            const auto encoded = codec_.encode(v.convertTo(ValueKind::String).asString());
            if (!encoded)
                throw EngineError(errkind::kValue, "The search key for " + definition_.name + " has characters code page " +
                                                       codec_.name() + " cannot hold");
            wanted.key = *encoded;
            break;
        }
        case KeyType::Numeric:
            wanted.number = v.convertTo(ValueKind::Float).asDouble();
            break;
        case KeyType::Date:
            wanted.number = v.convertTo(ValueKind::Date).asDate().days + kJulianDayOfEpoch;
            break;
        case KeyType::DateTime: {
            const Timestamp t = v.convertTo(ValueKind::Timestamp).asTimestamp();
            wanted.number = static_cast<double>(t.milliseconds) / kMillisecondsPerDay + kJulianDayOfEpoch;
            break;
        }
    }
    const auto it = std::partition_point(entries_.begin(), entries_.end(),
                                         [&](const IndexEntry& e) { return compare(e, wanted, partial) < 0; });
    return settle(it - entries_.begin(), 1);
}

RecordId IndexCursor::recordId() const {
    if (position_ < 0 || position_ >= static_cast<std::ptrdiff_t>(entries_.size()))
        throw EngineError(errkind::kUsage, "The cursor on " + definition_.name + " is off the ends of the index");
    return entries_[static_cast<std::size_t>(position_)].record;
}

Record IndexCursor::key() const {
    recordId();  // checks the position
    const IndexEntry& e = entries_[static_cast<std::size_t>(position_)];
    switch (type_) {
        case KeyType::Character: {
            std::string bytes = e.key;
            while (!bytes.empty() && bytes.back() == ' ') bytes.pop_back();
            return {Value::string(codec_.decode(bytes))};
        }
        case KeyType::Numeric:
            return {Value::floating(e.number)};
        case KeyType::Date:
            return {Value::date(Date{static_cast<std::int32_t>(std::clamp(e.number - kJulianDayOfEpoch, -1e9, 1e9))})};
        case KeyType::DateTime:
            return {Value::timestamp(
                Timestamp{static_cast<std::int64_t>(std::llround(std::clamp((e.number - kJulianDayOfEpoch) * kMillisecondsPerDay, -1e17, 1e17)))})};
    }
    return {};
}

}  // namespace tabulon::dbase
