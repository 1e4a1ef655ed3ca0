#include "FileEntrySorter.h"

#include <algorithm>

namespace {

int group(const TFileEntry& entry) {
    if (entry.attributes == QStringLiteral("X")) return 0;
    if (entry.isFolder()) return 1;
    return 2;
}

int compareBy(const TFileEntry& a, const TFileEntry& b, int key) {
    switch (key) {
        case sbSize:
            return a.sizeBytes < b.sizeBytes ? -1 : (a.sizeBytes > b.sizeBytes ? 1 : 0);
        case sbType:
            return a.type.compare(b.type, Qt::CaseInsensitive);
        case sbDate:
            return a.modified < b.modified ? -1 : (b.modified < a.modified ? 1 : 0);
        case sbAttr:
            return a.attributes.compare(b.attributes);
        default:
            return a.caption.compare(b.caption, Qt::CaseInsensitive);
    }
}

}  // namespace

void SortFileEntries(std::vector<TFileEntry>& entries, TSortedBy sortedBy) {
    const int key = sortedBy % 5;
    const bool descending = sortedBy >= sbNameInv;
    std::stable_sort(entries.begin(), entries.end(), [&](const TFileEntry& a, const TFileEntry& b) {
        if (group(a) != group(b)) {
            return group(a) < group(b);
        }
        const int order = compareBy(a, b, key);
        return descending ? order > 0 : order < 0;
    });
}
