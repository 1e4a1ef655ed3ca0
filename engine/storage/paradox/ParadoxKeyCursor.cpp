#include "ParadoxKeyCursor.h"

#include <algorithm>

#include "../../core/EngineError.h"
#include "../../core/TextCodec.h"
#include "ParadoxValueCodec.h"

namespace tabulon::paradox {

ParadoxKeyCursor::ParadoxKeyCursor(IndexDef definition, std::unique_ptr<ParadoxKeySource> source, ParadoxKeyOrder order,
                                   std::vector<std::string> fieldNames, const TextCodec& codec)
    : definition_(std::move(definition)),
      source_(std::move(source)),
      order_(std::move(order)),
      fieldNames_(std::move(fieldNames)),
      codec_(codec) {}

bool ParadoxKeyCursor::moveTo(std::uint64_t entry) {
    if (entry >= source_->size()) {
        state_ = State::OffEnd;
        return false;
    }
    entry_ = entry;
    state_ = State::OnEntry;
    return true;
}

bool ParadoxKeyCursor::first() { return moveTo(0); }

bool ParadoxKeyCursor::last() { return source_->size() ? moveTo(source_->size() - 1) : moveTo(0); }

bool ParadoxKeyCursor::next() {
    if (state_ == State::OffEnd) return false;
    return moveTo(state_ == State::BeforeFirst ? 0 : entry_ + 1);
}

bool ParadoxKeyCursor::prior() {
    if (state_ != State::OnEntry || entry_ == 0) {
        state_ = State::OffEnd;
        return false;
    }
    return moveTo(entry_ - 1);
}

bool ParadoxKeyCursor::seek(const Record& key, bool partial) {
    const std::size_t count = std::min(key.size(), fieldNames_.size());
    std::vector<std::uint8_t> probe(static_cast<std::size_t>(order_.keyBytes()), 0);
    int partialBytes = -1;
    for (std::size_t i = 0; i < count; ++i) {
        const ParadoxField& field = order_.fields()[i].field;
        ParadoxValueCodec::encode(key[i], field, fieldNames_[i], codec_, probe.data() + field.offset);
        if (partial && i + 1 == count && field.type.fieldType == ftString && !key[i].isNull()) {
            partialBytes = 0;
            while (partialBytes < field.bytes && probe[static_cast<std::size_t>(field.offset + partialBytes)] != 0)
                ++partialBytes;
        }
    }
    order_.foldCase(probe.data());
    std::uint64_t low = 0, high = source_->size();
    const auto below = [&](const std::uint8_t* entry) {
        return order_.compare(entry, probe.data(), count, partialBytes) < 0;
    };
    source_->narrow(below, low, high);
    while (low < high) {
        const std::uint64_t mid = low + (high - low) / 2;
        if (below(source_->key(mid)))
            low = mid + 1;
        else
            high = mid;
    }
    return moveTo(low);
}

RecordId ParadoxKeyCursor::recordId() const {
    if (state_ != State::OnEntry)
        throw EngineError(errkind::kUsage, "The cursor of index \"" + definition_.name + "\" is not on an entry");
    return source_->recordId(entry_);
}

Record ParadoxKeyCursor::key() const {
    if (state_ != State::OnEntry)
        throw EngineError(errkind::kUsage, "The cursor of index \"" + definition_.name + "\" is not on an entry");
    const std::uint8_t* bytes = source_->key(entry_);
    Record values;
    for (std::size_t i = 0; i < fieldNames_.size(); ++i)
        values.push_back(
            ParadoxValueCodec::decode(bytes + order_.fields()[i].field.offset, order_.fields()[i].field, codec_));
    return values;
}

}  // namespace tabulon::paradox
