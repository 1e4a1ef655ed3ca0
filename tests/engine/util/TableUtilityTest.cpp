// The library's calls as the verify and rebuild window makes them: sessions, statuses, records.
#include <gtest/gtest.h>

#include "TableDamage.h"
#include "ops/DirectCalls.h"
#include "ops/OpsFixture.h"
#include "util/TableUtility.h"

namespace tabulon::testing {
namespace {

class TableUtilityTest : public OpsFixture {
protected:
    TableUtilityTest() { EXPECT_EQ(TUInit(&session_), status::kOk); }
    ~TableUtilityTest() override { TUExit(session_); }
    std::uint16_t session_ = 0;
};

TEST_F(TableUtilityTest, CallsNeedAnOpenSessionAndAnExistingTable) {
    const auto path = createItems("ITEMS.DB", 10).string();
    std::uint16_t other = 0;
    ASSERT_EQ(TUInit(&other), status::kOk);
    EXPECT_NE(other, session_);
    EXPECT_EQ(TUExit(other), status::kOk);
    EXPECT_EQ(TUExit(other), status::kInvalidHandle);
    CurProps props;
    std::int32_t level = -1;
    EXPECT_EQ(TUFillCURProps(other, path, &props), status::kInvalidHandle);
    EXPECT_EQ(TUVerifyTable(session_, (data() / "NONE.DB").string(), "PARADOX", "", nullptr, 0, &level),
              status::kNoSuchTable);
    EXPECT_EQ(TUVerifyTable(session_, path, "ORACLE", "", nullptr, 0, &level), status::kUnknownTableType);
}

TEST_F(TableUtilityTest, PropertiesAreTheTablesOwn) {
    struct Case {
        const char* table;
        std::uint16_t level, blockSize;
    };
    for (const Case c : {Case{"ITEMS.DB", 5, 4096}, Case{"ITEMS.DBF", 4, 0}}) {
        CurProps props;
        ASSERT_EQ(TUFillCURProps(session_, createItems(c.table, 10).string(), &props), status::kOk) << c.table;
        EXPECT_EQ(props.fields, 3) << c.table;
        EXPECT_EQ(props.indexes, 2) << c.table;
        EXPECT_EQ(props.tableLevel, c.level) << c.table;
        EXPECT_EQ(props.blockSize, c.blockSize) << c.table;
        EXPECT_NE(props.codePage, 0) << c.table;
    }
}

TEST_F(TableUtilityTest, VerifyWritesOneRowPerFindingAndRebuildRepairs) {
    const auto path = createItems("ITEMS.DB", 300);
    TableDamage(path, 7).apply(Damage::SwapKeys);
    std::int32_t level = -1;
    ASSERT_EQ(TUVerifyTable(session_, path.string(), "PARADOX", "VERIFY.DB", nullptr, 0, &level), status::kOk);
    EXPECT_EQ(level, 1);
    const auto rows = recordsOf(data() / "VERIFY.DB");
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0][0].toText(), "ITEMS.DB");

    CRTblDescCounts counts;
    ASSERT_EQ(TUGetCRTblDescCount(session_, path.string(), &counts), status::kOk);
    EXPECT_EQ(counts.fields, 3);
    EXPECT_EQ(counts.indexes, 2);
    CRTblDesc desc;
    EXPECT_EQ(TUFillCRTblDesc(session_, &desc, path.string(), nullptr), status::kFailed);  // lists not sized
    desc.fields.resize(counts.fields);
    desc.indexes.resize(counts.indexes);
    desc.validityChecks.resize(counts.validityChecks);
    ASSERT_EQ(TUFillCRTblDesc(session_, &desc, path.string(), nullptr), status::kOk);
    EXPECT_EQ(desc.fields[1].name, "NAME");
    EXPECT_EQ(desc.validityChecks, std::vector<std::string>{"ID"});  // required
    SalvageResult result;
    ASSERT_EQ(
        TURebuildTable(session_, path.string(), "PARADOX", "Backup.Db", "KEYVIOL.DB", "PROBLEM.DB", &desc, &result),
        status::kOk);
    EXPECT_EQ(result.salvaged, 300U);
    ASSERT_EQ(TUVerifyTable(session_, path.string(), "PARADOX", "VERIFY.DB", nullptr, 0, &level), status::kOk);
    EXPECT_EQ(level, 0);
    EXPECT_TRUE(recordsOf(data() / "VERIFY.DB").empty());
}

}  // namespace
}  // namespace tabulon::testing
