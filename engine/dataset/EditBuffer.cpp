#include "EditBuffer.h"

#include <algorithm>

namespace tabulon {

void EditBuffer::edit(const Bookmark& record, const Record& values) {
    mode_ = Mode::Edit;
    values_ = values;
    original_ = values;
    changed_.assign(values.size(), false);
    target_ = record;
}

void EditBuffer::insert(std::size_t fieldCount) {
    mode_ = Mode::Insert;
    values_.assign(fieldCount, Value());
    original_.clear();
    changed_.assign(fieldCount, false);
    target_ = Bookmark{};
}

void EditBuffer::clear() {
    mode_ = Mode::None;
    values_.clear();
    original_.clear();
    changed_.clear();
    target_ = Bookmark{};
}

void EditBuffer::assign(std::size_t index, Value value) {
    values_.at(index) = std::move(value);
    changed_[index] = true;
}

bool EditBuffer::anyChanged() const { return std::find(changed_.begin(), changed_.end(), true) != changed_.end(); }

Record EditBuffer::appliedTo(Record stored) const {
    for (std::size_t i = 0; i < changed_.size(); ++i)
        if (changed_[i]) stored.at(i) = values_[i];
    return stored;
}

}  // namespace tabulon
