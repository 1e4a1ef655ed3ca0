#pragma once
// Sorts file list entries: desktop objects first, then folders, then the rest; within each group
// by the chosen key, descending for the Inv keys. Stable; no throws.
#include <vector>

#include "FileEntry.h"
#include "FileViewTypes.h"

void SortFileEntries(std::vector<TFileEntry>& entries, TSortedBy sortedBy);
