// INSERT, UPDATE and DELETE reach Paradox and dBase files, each statement all or nothing.
#include <gtest/gtest.h>

#include "SqlFolderFixture.h"
#include "dataset/Table.h"

namespace tabulon::testing {
namespace {

class SqlWriteTest : public SqlFolderFixture, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        SqlFolderFixture::SetUp();
        createTable(GetParam(), kIdName, tableTypeForPath(GetParam()) == ttParadox);
    }

    std::string contents() { return idNameContents(folder_ / GetParam()); }
};

TEST_P(SqlWriteTest, InsertUpdateDeleteReachTheFile) {
    runWithoutRows("INSERT INTO T VALUES (1, 'Ann'), (2, 'Bob'), (3, 'Cy')");
    EXPECT_EQ(contents(), "1:Ann 2:Bob 3:Cy ");
    runWithoutRows("UPDATE T SET NAME = UPPER(NAME) WHERE ID >= 2");
    EXPECT_EQ(contents(), "1:Ann 2:BOB 3:CY ");
    runWithoutRows("DELETE FROM T WHERE ID = 1");
    EXPECT_EQ(contents(), "2:BOB 3:CY ");
    runWithoutRows("INSERT INTO T SELECT ID + 10, CITY FROM PEOPLE WHERE ID <= 2");
    EXPECT_EQ(contents(), "2:BOB 3:CY 11:Rome 12:Oslo ");
}

TEST_P(SqlWriteTest, AFailingStatementLeavesTheTableAsBefore) {
    runWithoutRows("INSERT INTO T VALUES (1, 'Ann')");
    const std::string outcome = outcomeOf("INSERT INTO T VALUES (5, 'Eve'), (6, 'a name far too long for the field')");
    EXPECT_TRUE(isError(outcome, errkind::kValue)) << outcome;
    EXPECT_NE(outcome.find("NAME"), std::string::npos) << outcome;
    EXPECT_EQ(contents(), "1:Ann ");
}

TEST_P(SqlWriteTest, WritesWaitForATableOpenExclusivelyInAnotherSession) {
    runWithoutRows("INSERT INTO T VALUES (1, 'Ann')");
    Session other("Other");
    Connection& otherConnection = connectionIn(other);
    otherConnection.connect();
    Table holder(otherConnection);
    holder.setTableName(GetParam());
    holder.setExclusive(true);
    holder.open();
    for (const char* sql : {"INSERT INTO T VALUES (2, 'Bob')", "UPDATE T SET NAME = 'X'", "DELETE FROM T"}) {
        const std::string outcome = outcomeOf(sql);
        EXPECT_TRUE(isError(outcome, errkind::kBusy)) << sql << ": " << outcome;
        EXPECT_NE(outcome.find("Other", outcome.find(':')), std::string::npos) << outcome;
    }
    holder.close();
    EXPECT_EQ(contents(), "1:Ann ");
    runWithoutRows("INSERT INTO T VALUES (2, 'Bob')");
    EXPECT_EQ(contents(), "1:Ann 2:Bob ");
}

INSTANTIATE_TEST_SUITE_P(Formats, SqlWriteTest, ::testing::Values("T.DB", "T.DBF"));

}  // namespace
}  // namespace tabulon::testing
