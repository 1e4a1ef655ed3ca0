// A text table through the dataset layer: read-only, no indexes, cached updates harmless.
#include <fstream>

#include "DatasetFixture.h"
#include "core/EngineError.h"

namespace tabulon::testing {
namespace {

class TextTableDatasetTest : public DatasetFixture {
protected:
    void SetUp() override {
        DatasetFixture::SetUp();
        std::ofstream(folder_ / "Cities.txt") << "CITY;PEOPLE\nRome;2800000\nOslo;700000\n";
    }
};

TEST_F(TextTableDatasetTest, OpensWithCachedUpdatesAndRefusesWrites) {
    Table table(*connection_);
    table.setTableName("CITIES.TXT");
    table.setCachedUpdates(true);
    table.open();
    EXPECT_EQ(table.fieldByName("PEOPLE").type(), ftInteger);
    EXPECT_EQ(table.recordCount(), 2u);
    EXPECT_EQ(table.fieldByName("CITY").displayText(), "Rome");
    EXPECT_TRUE(table.indexDefs().empty());
    EXPECT_THROW(table.setKey(), EngineError);
    EXPECT_THROW(table.setIndexName("X"), EngineError);
    table.edit();
    table.fieldByName("CITY").setAsText("Roma");
    table.post();
    try {
        table.applyUpdates();
        FAIL() << "applied to a text table";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kNotSupported);
    }
    EXPECT_TRUE(table.updatesPending());
    table.cancelUpdates();
    EXPECT_EQ(table.fieldByName("CITY").displayText(), "Rome");
}

TEST_F(TextTableDatasetTest, TypeCanBeSetExplicitly) {
    std::ofstream(folder_ / "plain.csv") << "1,2\n";
    Table table(*connection_);
    table.setTableName("plain.csv");
    table.setTableType(ttASCII);
    table.open();
    EXPECT_EQ(table.recordCount(), 1u);
}

TEST_F(TextTableDatasetTest, RefreshSeesAnotherWriter) {
    Table table(*connection_);
    table.setTableName("cities.txt");
    table.open();
    std::ofstream(folder_ / "Cities.txt", std::ios::app) << "Bern;130000\n";
    table.refresh();
    EXPECT_EQ(table.recordCount(), 3u);
}

}  // namespace
}  // namespace tabulon::testing
