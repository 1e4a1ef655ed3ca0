// Orders and key search through the dataset layer on tables other software wrote: a keyed
// Paradox table with a two-level primary index, a Paradox secondary index, a dBase production
// index and a stand-alone .NDX. Skipped when the fixtures folder is absent; copies are used.
#include <gtest/gtest.h>

#include <algorithm>

#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "support/TempFolder.h"

using namespace tabulon;
using tabulon::testing::TempFolder;

namespace {
const std::filesystem::path kFixtures = TABULON_FIXTURES;

class FixtureOrders : public ::testing::Test {
protected:
    // Copies the named files of a fixture folder; skips the test when one is missing.
    bool copy(const std::string& folder, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            const auto source = kFixtures / folder / name;
            if (!std::filesystem::exists(source)) return false;
            std::filesystem::copy_file(source, folder_ / name);
        }
        return true;
    }

    Connection& connection() {
        if (!connection_) {
            connection_ = &session_.addConnection("Fixtures");
            connection_->setParams({"PATH=" + folder_.path().string(), "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"});
            connection_->connect();
        }
        return *connection_;
    }

    std::unique_ptr<Table> open(const std::string& name, const std::string& index) {
        auto table = std::make_unique<Table>(connection());
        table->setTableName(name);
        table->setIndexName(index);
        table->open();
        return table;
    }

    // The text of `field` in every record of the view, in its order.
    static std::vector<std::string> column(Table& table, const char* field) {
        std::vector<std::string> values;
        for (table.first(); !table.eof(); table.next()) values.push_back(table.fieldByName(field).asText());
        return values;
    }

    TempFolder folder_;
    Session session_{"Fixtures"};
    Connection* connection_ = nullptr;
};

TEST_F(FixtureOrders, ParadoxPrimaryOrderWalksEveryRecordInKeyOrder) {
    if (!copy("paradox/paradoxdriver/areas", {"ZIPCODES.DB", "ZIPCODES.PX"})) GTEST_SKIP() << "no fixtures";
    auto table = open("zipcodes.db", "");
    const auto zips = column(*table, "Zip");
    ASSERT_EQ(zips.size(), 43185u);
    EXPECT_EQ(zips.front(), "00401");
    EXPECT_EQ(zips.back(), "99950");
    EXPECT_TRUE(std::is_sorted(zips.begin(), zips.end()));
    EXPECT_EQ(table->recordCount(), 43185u);
}

TEST_F(FixtureOrders, ParadoxPrimaryKeySearchFindsExactNearestAndMissingKeys) {
    if (!copy("paradox/paradoxdriver/areas", {"ZIPCODES.DB", "ZIPCODES.PX"})) GTEST_SKIP() << "no fixtures";
    auto table = open("ZIPCODES.DB", "");
    EXPECT_TRUE(table->findKey({Value::string("99950")}));
    EXPECT_EQ(table->fieldByName("City").asText(), "Ketchikan");
    // A missing key leaves the table where it was.
    EXPECT_FALSE(table->findKey({Value::string("00000")}));
    EXPECT_EQ(table->fieldByName("Zip").asText(), "99950");
    // Nearest: the first key at or after; a partial key finds the start of its range.
    table->setKey();
    table->fieldByName("Zip").setAsText("0040");
    table->gotoNearest();
    EXPECT_EQ(table->fieldByName("Zip").asText(), "00401");
    table->setKey();
    table->fieldByName("Zip").setAsText("99999");
    table->gotoNearest();
    EXPECT_TRUE(table->eof());
}

TEST_F(FixtureOrders, ParadoxSecondaryIndexOrdersAndSearchesByItsFields) {
    if (!copy("paradox/paradoxdriver/db", {"AREACODES.DB", "AREACODES.PX", "AREACODES.XG0", "AREACODES.YG0"}))
        GTEST_SKIP() << "no fixtures";
    auto table = open("AREACODES.DB", "ste");
    const auto defs = table->indexDefs();
    ASSERT_EQ(defs.size(), 2u);
    EXPECT_EQ(defs[0].fields, "AC");  // the primary index comes first
    const auto states = column(*table, "State");
    ASSERT_EQ(states.size(), 370u);
    EXPECT_TRUE(std::is_sorted(states.begin(), states.end()));
    // Exact, then nearest for a state no area code has.
    ASSERT_TRUE(table->findKey({Value::string("NJ")}));
    EXPECT_EQ(table->fieldByName("State").asText(), "NJ");
    table->setKey();
    table->fieldByName("State").setAsText("NK");
    table->gotoNearest();
    EXPECT_EQ(table->fieldByName("State").asText(), "NM");
}

TEST_F(FixtureOrders, DbaseProductionTagsOrderAndSearch) {
    if (!copy("dbase/dbase4_mdx", {"TEST.DBF", "TEST.MDX"})) GTEST_SKIP() << "no fixtures";
    auto table = open("TEST.DBF", "test1");
    EXPECT_EQ(column(*table, "TEST1"), (std::vector<std::string>{"0test3", "test1", "test2"}));
    EXPECT_TRUE(table->findKey({Value::string("test2")}));
    EXPECT_EQ(table->fieldByName("TEST2").asText(), "20");

    table->setIndexName("test2");
    EXPECT_EQ(column(*table, "TEST2"), (std::vector<std::string>{"10", "15", "20"}));
    EXPECT_TRUE(table->findKey({Value::integer(15)}));
    EXPECT_EQ(table->fieldByName("TEST1").asText(), "0test3");
    EXPECT_FALSE(table->findKey({Value::integer(30)}));
    table->setKey();
    table->fieldByName("TEST2").setAsText("11");
    table->gotoNearest();
    EXPECT_EQ(table->fieldByName("TEST2").asText(), "15");
}

TEST_F(FixtureOrders, DbaseStandAloneIndexFileAttachesAndOrders) {
    if (!copy("dbase/ndx", {"class.DBF", "class.dbt", "classId.ndx"})) GTEST_SKIP() << "no fixtures";
    Table table(connection());
    table.setTableName("class.DBF");
    table.addIndexFile("CLASSID.NDX");
    table.addIndexFile("classId.ndx");  // the same file again: not an error
    table.open();
    ASSERT_EQ(table.indexFiles().size(), 1u);
    const auto defs = table.indexDefs();
    ASSERT_EQ(defs.size(), 1u);
    table.setIndexName(defs[0].name);
    // The file's third entry keys record 3 as "JAVA102D0" though the record holds "JAVA501", and
    // its fourth names a record the table does not have: the view shows the records the
    // entries lead to, in the entries' order.
    EXPECT_EQ(column(table, "CLASSID"), (std::vector<std::string>{"JAVA10100", "JAVA10200", "JAVA501"}));
    EXPECT_TRUE(table.findKey({Value::string("JAVA10200")}));
    EXPECT_EQ(table.recordNumber(), 2u);
    EXPECT_EQ(table.fieldByName("CLASSNAME").asText().substr(0, 5), "Inter");
}

}  // namespace
