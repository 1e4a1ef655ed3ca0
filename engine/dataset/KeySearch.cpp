#include "KeySearch.h"

#include <algorithm>

#include "../core/AsciiCase.h"
#include "IndexOrder.h"

namespace tabulon {

namespace {
bool keyValuesEqual(const Value& a, const Value& b, bool caseInsensitive) {
    if (caseInsensitive && a.kind() == ValueKind::String && b.kind() == ValueKind::String)
        return equalsIgnoringAsciiCase(a.asString(), b.asString());
    return a.compare(b) == 0;
}
}  // namespace

void KeySearch::setIndex(const std::optional<IndexDef>& index, const std::vector<FieldDef>& fields) {
    keyFields_ = index ? indexFieldPositions(*index, fields) : std::vector<std::size_t>{};
    caseInsensitive_ = index && (index->options & ixCaseInsensitive) != 0;
    buffer_.assign(fields.size(), Value());
    assigned_.assign(fields.size(), false);
    editing_ = false;
}

void KeySearch::begin(bool keepValues) {
    if (!keepValues) {
        std::fill(buffer_.begin(), buffer_.end(), Value());
        std::fill(assigned_.begin(), assigned_.end(), false);
    }
    editing_ = true;
}

bool KeySearch::inKey(std::size_t field) const {
    return std::find(keyFields_.begin(), keyFields_.end(), field) != keyFields_.end();
}

void KeySearch::assign(std::size_t field, Value value) {
    buffer_.at(field) = std::move(value);
    assigned_.at(field) = true;
}

Record KeySearch::key() const {
    std::size_t used = 0;
    for (std::size_t k = 0; k < keyFields_.size(); ++k)
        if (assigned_[keyFields_[k]]) used = k + 1;
    Record key;
    for (std::size_t k = 0; k < used; ++k) key.push_back(buffer_[keyFields_[k]]);
    return key;
}

void KeySearch::gotoNearest(TableNavigator& navigator) {
    editing_ = false;
    const Record wanted = key();
    if (wanted.empty()) return navigator.first();
    if (!navigator.seek(wanted)) navigator.last();
}

bool KeySearch::gotoKey(TableNavigator& navigator) {
    editing_ = false;
    const Record wanted = key();
    const Bookmark here = navigator.bookmark();
    if (!wanted.empty() && navigator.seek(wanted)) {
        const Record found = navigator.key();
        bool equal = found.size() >= wanted.size();
        for (std::size_t i = 0; equal && i < wanted.size(); ++i)
            equal = keyValuesEqual(found[i], wanted[i], caseInsensitive_);
        if (equal) return true;
    }
    navigator.reposition(here);
    return false;
}

}  // namespace tabulon
