#include "KeyLookup.h"

#include <cstring>

#include "../core/AsciiCase.h"

namespace tabulon {

namespace {

bool isNumber(ValueKind kind) {
    return kind == ValueKind::Integer || kind == ValueKind::Float || kind == ValueKind::Currency ||
           kind == ValueKind::Bcd;
}

}  // namespace

KeyLookup::KeyLookup(StorageTable& table, const IndexDef& index, std::vector<std::size_t> keyFields)
    : table_(table), index_(index), keyFields_(std::move(keyFields)), mapped_(!table.writesMoveRecords()) {
    if (!mapped_) return;
    records_.reserve(static_cast<std::size_t>(table_.recordCount()));
    auto cursor = table_.openIndex(index_.name);
    for (bool on = cursor->first(); on; on = cursor->next())
        records_.emplace(mapKey(cursor->key()), cursor->recordId());
}

std::string KeyLookup::mapKey(const Record& keyValues) const {
    std::string key;
    for (const Value& value : keyValues) {
        if (value.isNull()) {
            key += '\x01';
        } else if (isNumber(value.kind())) {
            // The value's bits, not its text: short keys stay inside the string, unallocated.
            double number = value.asDouble();
            if (number == 0) number = 0;  // -0 and 0 are one key
            char bits[sizeof number];
            std::memcpy(bits, &number, sizeof number);
            key += 'n';
            key.append(bits, sizeof bits);
        } else {
            std::string text = value.toText();
            text.erase(text.find_last_not_of(' ') + 1);
            if (index_.options & ixCaseInsensitive) text = asciiUpper(text);
            key += 's';
            key += text;
        }
        key += '\0';
    }
    return key;
}

Record KeyLookup::keyOf(const Record& values) const {
    Record key;
    for (const std::size_t field : keyFields_) key.push_back(values[field]);
    return key;
}

std::optional<RecordId> KeyLookup::find(const Record& values) {
    const Record key = keyOf(values);
    if (mapped_) {
        const auto it = records_.find(mapKey(key));
        if (it == records_.end()) return std::nullopt;
        return it->second;
    }
    if (!cursor_) cursor_ = table_.openIndex(index_.name);
    if (!cursor_->seek(key, false)) return std::nullopt;
    const Record found = cursor_->key();
    if (found.size() < key.size()) return std::nullopt;
    for (std::size_t k = 0; k < key.size(); ++k)
        if (found[k].compare(key[k]) != 0) return std::nullopt;
    return cursor_->recordId();
}

void KeyLookup::appended(const Record& values, RecordId id) {
    cursor_.reset();
    if (mapped_) records_.emplace(mapKey(keyOf(values)), id);
}

void KeyLookup::removed(const Record& values) {
    cursor_.reset();
    if (mapped_) records_.erase(mapKey(keyOf(values)));
}

void KeyLookup::updated() { cursor_.reset(); }

}  // namespace tabulon
