// Adding and deleting indexes of closed tables: dBase production tags (field and expression
// tags), Paradox secondary indexes and the primary index; refusals leave the table as it was.
#include <gtest/gtest.h>

#include "OpsFixture.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {

class IndexDefinitionsTest : public OpsFixture {
protected:
    static bool hasIndex(const std::filesystem::path& path, const std::string& name) {
        for (const auto& index : openTable(path)->indexes())
            if (index.name == name) return true;
        return false;
    }
    // Items whose NAME order differs from their ID order: "item1", "item10", "item2", ...
    static std::vector<std::string> byNameOrder(int count) {
        std::vector<std::string> names;
        for (int i = 1; i <= count; ++i) names.push_back("item" + std::to_string(i));
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(IndexDefinitionsTest, DbaseExpressionTagIsAddedAndKeepsRecordsAndMemos) {
    const auto path = createItems("items.dbf", 12);
    IndexDef tag{"DESCNAME", "", "UPPER(NAME)", "", ixDescending, "", true, ""};
    TableDefinitions().addIndex(path, tag);
    auto expected = byNameOrder(12);
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(inIndexOrder(path, "DESCNAME", 1), expected);
    EXPECT_TRUE(hasIndex(path, "BYNAME"));
    EXPECT_EQ(idsOf(path).size(), 12u);
    auto table = openTable(path);
    Record record;
    ASSERT_TRUE(table->readSlot(2, record));
    EXPECT_EQ(record[2].asString(), "memo 3");
    table.reset();
    expectDbfreadAgrees(path, {"ID", "NAME", "NOTE"});
    // The replaced family is in the trash, not lost.
    EXPECT_EQ(namesIn(trashFiles()).size(), 3u);  // .dbf, .dbt, .mdx
}

TEST_F(IndexDefinitionsTest, DbaseTagIsDeleted) {
    const auto path = createItems("items.dbf", 5);
    TableDefinitions().deleteIndex(path, "byname");
    EXPECT_FALSE(hasIndex(path, "BYNAME"));
    EXPECT_TRUE(hasIndex(path, "ID"));
    EXPECT_EQ(idsOf(path).size(), 5u);
}

TEST_F(IndexDefinitionsTest, ParadoxSecondaryIndexGetsItsFilesAndLosesThem) {
    const auto path = createItems("items.db", 12);
    TableDefinitions().deleteIndex(path, "BYNAME");
    EXPECT_FALSE(hasIndex(path, "BYNAME"));
    const auto before = namesIn(data());
    TableDefinitions().addIndex(path, IndexDef{"NAMEID", "NAME;ID", "", "", 0, "", true, ""});
    EXPECT_EQ(inIndexOrder(path, "NAMEID", 1), byNameOrder(12));
    EXPECT_GT(namesIn(data()).size(), before.size());  // the secondary index's own files
    TableDefinitions().deleteIndex(path, "NAMEID");
    EXPECT_EQ(namesIn(data()), before);
}

TEST_F(IndexDefinitionsTest, ParadoxPrimaryIndexIsAddedFirstAndDeleted) {
    const auto path = data() / "plain.db";
    {
        auto table = driverFor(ttParadox).create(path, itemFields(), {}, {});
        for (int id : {3, 1, 2}) table->append({Value::integer(id), Value::string("n"), Value()});
    }
    TableDefinitions().addIndex(path, IndexDef{"", "ID", "", "", ixPrimary | ixUnique, "", true, ""});
    auto table = openTable(path);
    ASSERT_FALSE(table->indexes().empty());
    EXPECT_TRUE(table->indexes().front().options & ixPrimary);
    Record record;
    std::vector<std::int64_t> natural;
    for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot)
        if (table->readSlot(slot, record)) natural.push_back(record[0].asInt());
    EXPECT_EQ(natural, (std::vector<std::int64_t>{1, 2, 3}));  // a keyed table is in key order
    table.reset();
    EXPECT_THROW(TableDefinitions().addIndex(path, IndexDef{"", "NAME", "", "", ixPrimary | ixUnique, "", true, ""}),
                 EngineError);
    TableDefinitions().deleteIndex(path, "PRIMARY");
    EXPECT_TRUE(openTable(path)->indexes().empty());
    EXPECT_EQ(idsOf(path), (std::set<std::int64_t>{1, 2, 3}));
}

TEST_F(IndexDefinitionsTest, PrimaryIndexOverDuplicatesIsRefusedLeavingTheTable) {
    const auto path = data() / "dups.db";
    {
        auto table = driverFor(ttParadox).create(path, itemFields(), {}, {});
        for (int id : {1, 2, 1}) table->append({Value::integer(id), Value::string("n"), Value()});
    }
    const auto before = namesIn(data());
    const std::string error = errorOf([&] {
        TableDefinitions().addIndex(path, IndexDef{"", "ID", "", "", ixPrimary | ixUnique, "", true, ""});
    });
    EXPECT_TRUE(error.starts_with(errkind::kKeyViolation)) << error;
    EXPECT_EQ(namesIn(data()), before);  // no staging folder left behind
    EXPECT_EQ(openTable(path)->recordCount(), 3u);
    EXPECT_TRUE(namesIn(trashFiles()).empty());
}

TEST_F(IndexDefinitionsTest, NameInUseAndMissingIndexAreRefused) {
    const auto path = createItems("items.dbf", 2);
    const std::string error = errorOf([&] {
        TableDefinitions().addIndex(path, IndexDef{"byname", "ID", "", "", 0, "", true, ""});
    });
    EXPECT_TRUE(error.starts_with(errkind::kValue)) << error;
    EXPECT_THROW(TableDefinitions().deleteIndex(path, "NOSUCH"), EngineError);
    EXPECT_TRUE(namesIn(trashFiles()).empty());
}

TEST_F(IndexDefinitionsTest, TableInUseIsNotRebuilt) {
    const auto path = createItems("items.db", 2);
    auto inUse = openTable(path);
    const std::string error = errorOf([&] { TableDefinitions().deleteIndex(path, "BYNAME"); });
    EXPECT_TRUE(error.starts_with(errkind::kBusy)) << error;
}

}  // namespace
