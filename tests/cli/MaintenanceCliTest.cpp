// pack, reindex, empty, rename, update-records and delete-records from the command line, on a
// dBase table of a temporary folder.
#include <gtest/gtest.h>

#include <cstdlib>

#include "Arguments.h"
#include "CliRunner.h"
#include "Commands.h"
#include "core/EngineError.h"
#include "storage/Drivers.h"
#include "support/TempFolder.h"

namespace tabulon::testing {
namespace {

class MaintenanceCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::vector<FieldDef> fields = {{"ID", ftInteger, 0, 0, true, ""}, {"NAME", ftString, 10, 0, false, ""}};
        auto table = driverFor(ttDBase).create(path(), fields, {IndexDef{"NAME", "NAME", "", "", 0, "", true, ""}}, {});
        for (int id = 1; id <= 10; ++id) table->append({Value::integer(id), Value::string("n" + std::to_string(id))});
        table->remove(table->recordIdAt(0));
    }

    std::filesystem::path path() const { return folder_ / "ITEMS.DBF"; }

    TempFolder folder_;
};

TEST_F(MaintenanceCliTest, PackAndReindexPrintStatusZero) {
    EXPECT_EQ(printedBy(cli::runPack, {path().string()}), "{\"status\":0}\n");
    EXPECT_EQ(openTable(path())->slotCount(), 9u);
    EXPECT_EQ(printedBy(cli::runReindex, {path().string()}), "{\"status\":0}\n");
}

TEST_F(MaintenanceCliTest, PackOfATableInUseFailsWithItsKind) {
    auto holder = openTable(path());
    try {
        printedBy(cli::runPack, {path().string()});
        FAIL() << "packed";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kBusy);
    }
}

TEST_F(MaintenanceCliTest, EmptyAndRename) {
    EXPECT_EQ(printedBy(cli::runEmpty, {path().string()}), "{\"status\":0}\n");
    EXPECT_EQ(openTable(path())->recordCount(), 0u);
    EXPECT_EQ(printedBy(cli::runRename, {path().string(), "OTHER"}), "{\"status\":0}\n");
    EXPECT_TRUE(std::filesystem::exists(folder_ / "OTHER.DBF"));
    EXPECT_FALSE(std::filesystem::exists(path()));
    EXPECT_THROW(printedBy(cli::runRename, {path().string(), "X"}), EngineError);
}

// A new name with the table's extension (in any letter case) names the file; without one it is
// the base name.
TEST_F(MaintenanceCliTest, RenameTakesAFileNameOrABaseName) {
    struct Case {
        const char* given;
        const char* table;
    };
    std::filesystem::path current = path();
    for (const Case& c : {Case{"R2.DBF", "R2.DBF"}, Case{"r3.dbf", "r3.DBF"}, Case{"R4", "R4.DBF"}}) {
        EXPECT_EQ(printedBy(cli::runRename, {current.string(), c.given}), "{\"status\":0}\n");
        current = folder_ / c.table;
        const std::string base = current.stem().string();
        EXPECT_EQ(openTable(current)->recordCount(), 9u) << c.given;
        EXPECT_TRUE(std::filesystem::exists(folder_ / (base + ".MDX"))) << c.given;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 2) << c.given;
    }
}

TEST_F(MaintenanceCliTest, AppendAndUpdateReportTheirCounts) {
    const std::string source = path().string();
    const std::string target = (folder_ / "COPY.DB").string();
    EXPECT_EQ(printedBy(cli::runCopy, {source, target}), "{\"moved\":9,\"changed\":0,\"rejected\":0}\n");
    EXPECT_EQ(printedBy(cli::runAppend, {source, target, "--count", "2"}),
              "{\"moved\":2,\"changed\":0,\"rejected\":0}\n");
    EXPECT_EQ(openTable(target)->recordCount(), 11u);
    // Every record of the copy has its namesake in the table.
    EXPECT_EQ(printedBy(cli::runUpdate, {target, source, "--index", "NAME"}),
              "{\"moved\":11,\"changed\":11,\"rejected\":0}\n");
    EXPECT_EQ(openTable(path())->recordCount(), 9u);
}

}  // namespace
}  // namespace tabulon::testing

namespace tabulon::testing {
namespace {

// update-records and delete-records change the selected records and print how many; a value the
// field rejects changes none.
TEST_F(MaintenanceCliTest, UpdateAndDeleteRecordsOfAFilter) {
    const auto names = [&] {
        std::string all;
        auto table = openTable(path());
        Record record;
        for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot)
            if (table->readSlot(slot, record)) all += record[1].toText() + ",";
        return all;
    };
    EXPECT_EQ(printedBy(cli::runUpdateRecords, {path().string(), "NAME = x", "--filter", "ID > 8"}),
              "{\"changed\":2}\n");
    EXPECT_EQ(names(), "n2,n3,n4,n5,n6,n7,n8, x, x,");
    EXPECT_THROW(printedBy(cli::runUpdateRecords, {path().string(), "ID=abc"}), EngineError);
    EXPECT_THROW(printedBy(cli::runUpdateRecords, {path().string(), "NAME"}), cli::UsageError);
    EXPECT_EQ(names(), "n2,n3,n4,n5,n6,n7,n8, x, x,");
    EXPECT_EQ(printedBy(cli::runDeleteRecords, {path().string(), "--filter", "ID < 5"}), "{\"changed\":3}\n");
    EXPECT_EQ(names(), "n5,n6,n7,n8, x, x,");
}

TEST_F(MaintenanceCliTest, RestructureCountsLostValuesAndEmptiesThemOnlyWhenAllowed) {
    ::setenv("XDG_DATA_HOME", (folder_ / "home").c_str(), 1);  // the replaced family's trash
    const std::string table = path().string();
    const std::string nineLost = "{\"lost\":[{\"field\":\"NAME\",\"emptied\":9,\"cut\":0}],";
    EXPECT_EQ(printedBy(cli::runRestructure, {table, "ID", "NAME:ftInteger", "--count-lost"}),
              nineLost + "\"restructured\":false}\n");
    EXPECT_THROW(printedBy(cli::runRestructure, {table, "ID", "NAME:ftInteger"}), EngineError);
    EXPECT_EQ(openTable(path())->fields()[1].type, ftString);
    EXPECT_THROW(printedBy(cli::runRestructure, {table, "NOSUCH"}), cli::UsageError);

    EXPECT_EQ(
        printedBy(cli::runRestructure, {table, "CODE=ID", "TITLE=NAME:ftString:2", "EXTRA=:ftInteger", "--empty-lost"}),
        "{\"lost\":[{\"field\":\"TITLE\",\"emptied\":0,\"cut\":1}],\"restructured\":true}\n");
    auto restructured = openTable(path());
    ASSERT_EQ(restructured->fields().size(), 3u);
    EXPECT_EQ(restructured->fields()[1].name, "TITLE");
    ASSERT_EQ(restructured->indexes().size(), 1u);  // the index on NAME follows it to TITLE
    EXPECT_EQ(restructured->indexes()[0].fields, "TITLE");
    EXPECT_EQ(restructured->recordCount(), 9u);
}

}  // namespace
}  // namespace tabulon::testing
