#include "KeyOrder.h"

#include <algorithm>
#include <cmath>

#include "../../core/EngineError.h"
#include "IndexKeyCodec.h"

namespace tabulon::dbase {

IndexEntry KeyOrder::wanted(const Value& v) const {
    IndexEntry wanted;
    switch (type_) {
        case KeyType::Character: {
            const auto encoded = codec_.encode(v.convertTo(ValueKind::String).asString());
            if (!encoded)
                throw EngineError(errkind::kValue, "The search key for " + tagName_ + " has characters code page " +
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
    return wanted;
}

int KeyOrder::compare(const IndexEntry& entry, const IndexEntry& wanted, bool partial) const {
    int c;
    if (type_ == KeyType::Character) {
        const std::string_view have = entry.key;
        const std::string_view want = wanted.key;
        if (partial) {
            c = have.substr(0, want.size()).compare(want);
        } else {
            // dBase pads keys with blanks: a shorter search key is padded the same way.
            c = have.substr(0, want.size()).compare(want.substr(0, have.size()));
            for (std::size_t i = want.size(); c == 0 && i < have.size(); ++i)
                c = static_cast<unsigned char>(have[i]) - static_cast<unsigned char>(' ');
            if (c == 0 && want.size() > have.size()) c = -1;
        }
        c = c < 0 ? -1 : (c > 0 ? 1 : 0);
    } else {
        c = entry.number < wanted.number ? -1 : (entry.number > wanted.number ? 1 : 0);
    }
    return descending_ ? -c : c;
}

bool KeyOrder::precedes(const IndexEntry& entry, const IndexEntry& other) const {
    if (const int c = compare(entry, other, false); c != 0) return c < 0;
    // A damaged number key that is no number equals nothing, so it has no place to be out of.
    const bool equal = type_ == KeyType::Character || entry.number == other.number;
    return equal && entry.record < other.record;
}

Record KeyOrder::valuesOf(const IndexEntry& e) const {
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
            return {Value::timestamp(Timestamp{static_cast<std::int64_t>(
                std::llround(std::clamp((e.number - kJulianDayOfEpoch) * kMillisecondsPerDay, -1e17, 1e17)))})};
    }
    return {};
}

}  // namespace tabulon::dbase
