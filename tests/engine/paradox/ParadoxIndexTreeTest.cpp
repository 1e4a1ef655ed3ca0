// Index trees (.PX, .Ynn, .YGn): walked from the root through every level, they list one leaf
// per data block with the block's record count.
#include <gtest/gtest.h>

#include <fstream>

#include "ParadoxFixtures.h"
#include "core/EngineError.h"
#include "storage/Drivers.h"
#include "storage/paradox/ParadoxDataFile.h"
#include "storage/paradox/ParadoxIndexTree.h"

using namespace tabulon;
using namespace tabulon::paradox;
using namespace tabulon::testing;

namespace {
struct TreeCase {
    const char* tree;
    const char* data;
    std::size_t leaves;
    std::uint64_t records;
};

const TreeCase kTrees[] = {
    {"paradoxdriver/areas/ZIPCODES.PX", "paradoxdriver/areas/ZIPCODES.DB", 686, 43185},  // two levels
    {"paradoxdriver/db/AREACODE.PX", "paradoxdriver/db/AREACODE.DB", 4, 135},            // cut short on disk
    {"paradoxdriver/db/AREACODES.YG0", "paradoxdriver/db/AREACODES.XG0", 1, 370},
    {"paradoxdriver/joins/C.Y02", "paradoxdriver/joins/C.X02", 1, 3},
    {"python-pxlib/KOMMENT.PX", "python-pxlib/KOMMENT.DB", 6, 59},
    {"aquatox/LOAD4.PX", "aquatox/LOAD4.DB", 0, 0},  // empty: no levels
};

class ParadoxTree : public ::testing::TestWithParam<TreeCase> {};
}  // namespace

TEST_P(ParadoxTree, ListsEveryDataBlockWithItsCount) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    const TreeCase& c = GetParam();
    const auto tree = ParadoxIndexTree::read(PagedFile::open(paradoxFixtures() / c.tree, AccessMode::ReadOnly));
    ASSERT_EQ(tree.leaves().size(), c.leaves);
    std::uint64_t records = 0;
    for (const auto& leaf : tree.leaves()) records += static_cast<std::uint64_t>(leaf.records);
    EXPECT_EQ(records, c.records);
    ProblemLog problems(false);
    const ParadoxDataFile data(PagedFile::open(paradoxFixtures() / c.data, AccessMode::ReadOnly), problems);
    EXPECT_EQ(tree.disagreement(data), "");
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ParadoxTree, ::testing::ValuesIn(kTrees), [](const auto& info) {
    std::string name = info.param.tree;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
});

TEST(ParadoxTreeDamage, ABrokenPrimaryIndexIsReportedAndTheChainServes) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    for (const std::uint16_t root : {std::uint16_t{0x7777}, std::uint16_t{2}}) {
        TempFolder folder;
        const auto path = copyParadoxFamily("paradoxdriver/areas/ZIPCODES.DB", folder);
        {
            std::fstream px(folder / "ZIPCODES.PX", std::ios::in | std::ios::out | std::ios::binary);
            px.seekp(0x1E);
            px.put(static_cast<char>(root & 0xFF)).put(static_cast<char>(root >> 8));
        }
        const auto table = openTable(path);
        ASSERT_FALSE(table->problems().empty()) << root;
        EXPECT_EQ(table->problems()[0].file, "ZIPCODES.PX");
        auto cursor = table->openIndex("");
        ASSERT_TRUE(cursor->seek({Value::string("60601")}, false));
        EXPECT_EQ(cursor->key()[0].asString(), "60601");
    }
}
