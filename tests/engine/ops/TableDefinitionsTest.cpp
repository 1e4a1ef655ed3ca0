// Whole-table definitions on both formats: create (replacing sends the old family to the
// trash), rename with refusals that change nothing, empty keeping the structure.
#include <gtest/gtest.h>

#include "OpsFixture.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {

class TableDefinitionsTest : public OpsFixture, public ::testing::WithParamInterface<std::string> {
protected:
    std::string tableName(const std::string& base) const { return base + GetParam(); }
};

TEST_P(TableDefinitionsTest, CreateMakesTheTableWithItsIndexes) {
    const auto path = data() / tableName("fresh");
    TableDefinitions().create(path, ttDefault, itemFields(), itemIndexes(tableTypeForPath(path)));
    auto table = openTable(path);
    EXPECT_EQ(table->recordCount(), 0u);
    ASSERT_EQ(table->fields().size(), 3u);
    EXPECT_EQ(table->fields()[1].name, "NAME");
    bool byName = false;
    for (const auto& index : table->indexes()) byName = byName || index.name == "BYNAME";
    EXPECT_TRUE(byName);
}

TEST_P(TableDefinitionsTest, CreateReplacingSendsTheWholeOldFamilyToTheTrash) {
    const auto path = createItems(tableName("items"), 5);
    const auto family = driverForPath(path).familyFiles(path);
    ASSERT_GT(family.size(), 1u);
    TableDefinitions().create(path, ttDefault, itemFields(), itemIndexes(tableTypeForPath(path)));
    EXPECT_EQ(openTable(path)->recordCount(), 0u);
    const auto trashed = namesIn(trashFiles());
    for (const auto& file : family) EXPECT_TRUE(trashed.count(file.filename().string())) << file;
    // The trashed family is still a readable table.
    EXPECT_EQ(idsOf(trashFiles() / path.filename()), (std::set<std::int64_t>{1, 2, 3, 4, 5}));
}

TEST_P(TableDefinitionsTest, CreateOverATableInUseIsRefusedAndKeepsIt) {
    const auto path = createItems(tableName("items"), 3);
    auto inUse = openTable(path);
    const std::string error =
        errorOf([&] { TableDefinitions().create(path, ttDefault, itemFields(), itemIndexes(tableTypeForPath(path))); });
    EXPECT_TRUE(error.starts_with(errkind::kBusy)) << error;
    inUse.reset();
    EXPECT_EQ(idsOf(path).size(), 3u);
    EXPECT_TRUE(namesIn(trashFiles()).empty());
}

TEST_P(TableDefinitionsTest, RenameMovesEveryFamilyMember) {
    const auto path = createItems(tableName("items"), 4);
    const auto before = driverForPath(path).familyFiles(path);
    TableDefinitions().rename(path, "renamed");
    const auto renamed = data() / tableName("renamed");
    EXPECT_EQ(idsOf(renamed), (std::set<std::int64_t>{1, 2, 3, 4}));
    EXPECT_EQ(driverForPath(renamed).familyFiles(renamed).size(), before.size());
    for (const auto& file : before) EXPECT_FALSE(std::filesystem::exists(file)) << file;
}

TEST_P(TableDefinitionsTest, RenameOntoAnyExistingMemberIsRefusedChangingNothing) {
    const auto path = createItems(tableName("items"), 2);
    const auto other = createItems(tableName("other"), 1);
    const auto before = namesIn(data());
    EXPECT_THROW(TableDefinitions().rename(path, "other"), EngineError);
    EXPECT_EQ(namesIn(data()), before);
    EXPECT_EQ(idsOf(other), (std::set<std::int64_t>{1}));
    EXPECT_EQ(idsOf(path).size(), 2u);
}

TEST_P(TableDefinitionsTest, RenameOfAMissingTableNamesIt) {
    const std::string error = errorOf([&] { TableDefinitions().rename(data() / tableName("absent"), "x"); });
    EXPECT_TRUE(error.starts_with(errkind::kFile)) << error;
    EXPECT_NE(error.find("absent"), std::string::npos) << error;
}

TEST_P(TableDefinitionsTest, EmptyRemovesRecordsAndKeepsStructureAndIndexes) {
    const auto path = createItems(tableName("items"), 30);
    const auto indexesBefore = openTable(path)->indexes().size();
    TableDefinitions().empty(path);
    auto table = openTable(path);
    EXPECT_EQ(table->recordCount(), 0u);
    EXPECT_EQ(table->fields().size(), 3u);
    EXPECT_EQ(table->indexes().size(), indexesBefore);
    EXPECT_FALSE(table->openIndex("BYNAME")->first());
    table.reset();
    if (GetParam() == ".DBF") expectDbfreadAgrees(path, {"ID", "NAME", "NOTE"});
}

INSTANTIATE_TEST_SUITE_P(BothFormats, TableDefinitionsTest, ::testing::Values(".DB", ".DBF"),
                         [](const auto& info) { return info.param == ".DB" ? "Paradox" : "Dbase"; });

}  // namespace
