#include "ParadoxUniqueKeys.h"

namespace tabulon::paradox {

bool ParadoxUniqueKeys::heldByAnother(const std::uint8_t* entry, const std::uint8_t* replaced) const {
    const std::string key = own(entry);
    if (!keys_.contains(key)) return false;
    // The record keeping its own key is no twin of itself.
    return !replaced || keys_.key_comp()(key, own(replaced)) || keys_.key_comp()(own(replaced), key);
}

}  // namespace tabulon::paradox
