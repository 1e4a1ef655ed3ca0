#pragma once
// Writes a whole index tree (.PX, .Ynn, .YGn) from the leaf entries of the file it indexes.
#include <vector>

#include "../../io/PagedFile.h"
#include "ParadoxIndexTree.h"

namespace tabulon::paradox {

// Lays out the leaves in full blocks, then as many upper levels as it takes to end in one
// root block; sets the header's counters (entries, blocks, root, levels) and `changeCopy` at
// 0x2C. The file's previous contents go. Same thread as its owner.
void writeParadoxIndexTree(PagedFile& file, ParadoxHeader& header, const std::vector<ParadoxIndexTree::Leaf>& leaves,
                           std::uint8_t changeCopy);

}  // namespace tabulon::paradox
