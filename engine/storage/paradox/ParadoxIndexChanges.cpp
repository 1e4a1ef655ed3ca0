#include "ParadoxIndexChanges.h"

#include "ParadoxSortedChain.h"

namespace tabulon::paradox {

void ParadoxIndexChanges::add(const std::uint8_t* entry, std::size_t entryBytes) {
    Pending& p = pending_[keyOf(entry)];
    if (!p.entry) addedByOwn_.emplace(Entry(entry, entry + ownBytes_), keyOf(entry));
    p.entry = Entry(entry, entry + entryBytes);
}

void ParadoxIndexChanges::remove(const std::uint8_t* entry) {
    const Entry key = keyOf(entry);
    const auto it = pending_.find(key);
    if (it == pending_.end()) {
        pending_[key].inFile = true;
        return;
    }
    if (it->second.entry) {
        auto [from, to] = addedByOwn_.equal_range(Entry(entry, entry + ownBytes_));
        for (; from != to; ++from)
            if (from->second == key) {
                addedByOwn_.erase(from);
                break;
            }
        it->second.entry.reset();
    }
    if (!it->second.inFile) pending_.erase(it);
}

bool ParadoxIndexChanges::removed(const std::uint8_t* entry) const {
    const auto it = pending_.find(keyOf(entry));
    return it != pending_.end() && it->second.inFile;
}

const ParadoxIndexChanges::Entry* ParadoxIndexChanges::addedTwin(const std::uint8_t* entry) const {
    auto [from, to] = addedByOwn_.equal_range(Entry(entry, entry + ownBytes_));
    for (; from != to; ++from)
        if (from->second != keyOf(entry)) return &*pending_.at(from->second).entry;
    return nullptr;
}

void ParadoxIndexChanges::applyTo(ParadoxDataFile& file, const ParadoxKeyOrder& order) const {
    const std::size_t fields = order.fields().size();
    ParadoxSortedChain chain(file, order, true);
    for (const auto& [key, p] : pending_) {
        if (!p.inFile) continue;
        const ParadoxSortedSlot slot = chain.find(key.data(), fields);
        if (slot.found)
            chain.remove(slot, nullptr);  // else the file was behind already: the count check at commit catches it
    }
    for (const auto& [key, p] : pending_)
        if (p.entry) chain.insert(chain.find(key.data(), fields), p.entry->data(), nullptr);
}

}  // namespace tabulon::paradox
