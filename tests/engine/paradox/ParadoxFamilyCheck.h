#pragma once
// Checks that a Paradox family agrees with itself: counters, chain, .PX, and every maintained
// secondary index (entries, order, exact block hints, index tree).
#include <gtest/gtest.h>

#include <set>

#include "core/TextCodec.h"
#include "storage/Drivers.h"
#include "storage/paradox/ParadoxDataFile.h"
#include "storage/paradox/ParadoxIndexTree.h"
#include "storage/paradox/ParadoxSecondaryIndex.h"
#include "storage/paradox/ParadoxValueCodec.h"

namespace tabulon::testing {

inline void expectConsistentFamily(const std::filesystem::path& table) {
    using namespace tabulon::paradox;
    std::unique_ptr<StorageTable> opened;
    OpenOptions strict;
    strict.tolerant = false;
    ASSERT_NO_THROW(opened = openTable(table, strict)) << table;
    ASSERT_TRUE(opened->problems().empty());

    ProblemLog problems(false);
    const ParadoxDataFile data(PagedFile::open(table, AccessMode::ReadOnly), problems);
    const ParadoxHeader& h = data.header();
    EXPECT_EQ(h.blocksInUse, static_cast<int>(data.blocks().size()));
    EXPECT_EQ(h.firstBlock, data.blocks().empty() ? 0 : data.blocks().front().number);
    EXPECT_EQ(h.lastBlock, data.blocks().empty() ? 0 : data.blocks().back().number);
    for (const auto& block : data.blocks()) EXPECT_GT(block.records, 0) << "an empty block stayed in the chain";

    if (h.keyFieldCount == 0) return;
    const auto px = findFileIgnoringCase(table.parent_path(), table.stem().string() + ".PX");
    ASSERT_FALSE(px.empty()) << "a keyed table without .PX";
    const auto tree = ParadoxIndexTree::read(PagedFile::open(px, AccessMode::ReadOnly));
    EXPECT_EQ(tree.disagreement(data), "");
    EXPECT_EQ(tree.header().raw[ParadoxHeader::kIndexChangeCopy], h.raw[ParadoxHeader::kChangeCounter]);

    // The primary order: every key is greater than the one before (seek finds each exactly).
    auto cursor = opened->openIndex("");
    auto probe = opened->openIndex("");
    std::uint64_t count = 0;
    for (bool more = cursor->first(); more; more = cursor->next(), ++count) {
        ASSERT_TRUE(probe->seek(cursor->key(), false));
        ASSERT_EQ(probe->recordId(), cursor->recordId());
    }
    EXPECT_EQ(count, opened->recordCount());

    const TextCodec codec(opened->facts().codePage);
    for (const auto& index : opened->indexes()) {
        if (index.options & ixPrimary) continue;
        const auto xPath = table.parent_path() / index.file;
        const ParadoxDataFile x(PagedFile::open(xPath, AccessMode::ReadOnly), problems);
        const ParadoxHeader& xh = x.header();
        if (xh.kind != FileKind::SecondaryMaintained && xh.kind != FileKind::CompositeMaintained) continue;
        EXPECT_EQ(x.recordCount(), opened->recordCount()) << index.file;
        const std::string treeName = ParadoxSecondaryIndex::treeFileName(index.file);
        const auto treePath = findFileIgnoringCase(table.parent_path(), treeName);
        ASSERT_FALSE(treePath.empty()) << treeName;
        const auto xTree = ParadoxIndexTree::read(PagedFile::open(treePath, AccessMode::ReadOnly));
        EXPECT_EQ(xTree.disagreement(x), "") << treeName;
        // Each entry's hint is the block that holds its record.
        const auto own = xh.fields.size() - static_cast<std::size_t>(h.keyFieldCount) - 1;
        std::vector<std::uint8_t> entry(static_cast<std::size_t>(xh.recordSize));
        for (const auto& block : x.blocks())
            for (int r = 0; r < block.records; ++r) {
                x.readRecord(block.number, r, entry.data());
                Record key;
                for (std::size_t f = own; f < own + static_cast<std::size_t>(h.keyFieldCount); ++f)
                    key.push_back(ParadoxValueCodec::decode(entry.data() + xh.fields[f].offset, xh.fields[f], codec));
                ASSERT_TRUE(probe->seek(key, false));
                const Value hint = ParadoxValueCodec::decode(
                    entry.data() + xh.fields[static_cast<std::size_t>(xh.keyFieldCount)].offset,
                    xh.fields[static_cast<std::size_t>(xh.keyFieldCount)], codec);
                EXPECT_EQ(static_cast<std::uint64_t>(hint.asInt()), probe->recordId() >> 16) << index.file;
            }
        // Through the cursor: every record once.
        auto secondary = opened->openIndex(index.name);
        std::set<RecordId> seen;
        for (bool more = secondary->first(); more; more = secondary->next())
            EXPECT_TRUE(seen.insert(secondary->recordId()).second) << index.name;
        EXPECT_EQ(seen.size(), opened->recordCount()) << index.name;
    }
}

}  // namespace tabulon::testing
