#include "ParadoxKeyOrder.h"

#include <algorithm>
#include <cstring>

namespace tabulon::paradox {

int ParadoxKeyOrder::keyBytes() const {
    return fields_.empty() ? 0 : fields_.back().field.offset + fields_.back().field.bytes;
}

int ParadoxKeyOrder::compare(const std::uint8_t* a, const std::uint8_t* b, std::size_t fieldCount,
                             int partialBytes) const {
    for (std::size_t i = 0; i < fieldCount && i < fields_.size(); ++i) {
        const KeyField& k = fields_[i];
        int length = k.field.bytes;
        if (partialBytes >= 0 && i + 1 == fieldCount) length = std::min(length, partialBytes);
        const std::uint8_t* x = a + k.field.offset;
        const std::uint8_t* y = b + k.field.offset;
        int c = 0;
        if (k.field.type.fieldType == ftString) {
            c = collation_->compare(x, y, length, caseInsensitive_);
        } else {
            c = std::memcmp(x, y, static_cast<std::size_t>(length));
            c = c < 0 ? -1 : c > 0 ? 1 : 0;
        }
        if (c != 0) return k.descending ? -c : c;
    }
    return 0;
}

void ParadoxKeyOrder::foldCase(std::uint8_t* key) const {
    if (!caseInsensitive_) return;
    for (const KeyField& k : fields_)
        if (k.field.type.fieldType == ftString)
            for (int i = 0; i < k.field.bytes; ++i)
                key[k.field.offset + i] = collation_->upper(key[k.field.offset + i]);
}

}  // namespace tabulon::paradox
