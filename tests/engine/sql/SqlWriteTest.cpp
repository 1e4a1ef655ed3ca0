// INSERT, UPDATE and DELETE reach Paradox and dBase files, each statement all or nothing.
#include <gtest/gtest.h>

#include "SqlFolderFixture.h"
#include "core/EngineError.h"
#include "dataset/Table.h"
#include "sql/Query.h"
#include "storage/Drivers.h"

namespace tabulon::testing {
namespace {

class SqlWriteTest : public SqlFolderFixture, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        SqlFolderFixture::SetUp();
        const auto path = folder_ / GetParam();
        IndexDef primary;
        primary.fields = "ID";
        primary.options = ixPrimary | ixUnique;
        const bool paradox = tableTypeForPath(path) == ttParadox;
        driverForPath(path)
            .create(path, {{"ID", ftInteger, 0, 0, false, ""}, {"NAME", ftString, 12, 0, false, ""}},
                    paradox ? std::vector<IndexDef>{primary} : std::vector<IndexDef>{}, {})
            .reset();
    }

    void execute(const std::string& sql) {
        Query query(*connection_);
        query.setSql(sql);
        try {
            query.open();
            ADD_FAILURE() << sql << " gave rows";
        } catch (const EngineError& e) {
            ASSERT_EQ(e.kind(), errkind::kNoResultSet) << e.formatted();
        }
    }

    std::string contents() { return idNameContents(folder_ / GetParam()); }
};

TEST_P(SqlWriteTest, InsertUpdateDeleteReachTheFile) {
    execute("INSERT INTO T VALUES (1, 'Ann'), (2, 'Bob'), (3, 'Cy')");
    EXPECT_EQ(contents(), "1:Ann 2:Bob 3:Cy ");
    execute("UPDATE T SET NAME = UPPER(NAME) WHERE ID >= 2");
    EXPECT_EQ(contents(), "1:Ann 2:BOB 3:CY ");
    execute("DELETE FROM T WHERE ID = 1");
    EXPECT_EQ(contents(), "2:BOB 3:CY ");
    execute("INSERT INTO T SELECT ID + 10, CITY FROM PEOPLE WHERE ID <= 2");
    EXPECT_EQ(contents(), "2:BOB 3:CY 11:Rome 12:Oslo ");
}

TEST_P(SqlWriteTest, AFailingStatementLeavesTheTableAsBefore) {
    execute("INSERT INTO T VALUES (1, 'Ann')");
    Query query(*connection_);
    query.setSql("INSERT INTO T VALUES (5, 'Eve'), (6, 'a name far too long for the field')");
    try {
        query.open();
        FAIL() << "no error";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kValue) << e.formatted();
        EXPECT_NE(e.message().find("NAME"), std::string::npos) << e.message();
    }
    EXPECT_EQ(contents(), "1:Ann ");
}

TEST_P(SqlWriteTest, WritesWaitForATableOpenExclusivelyInAnotherSession) {
    execute("INSERT INTO T VALUES (1, 'Ann')");
    Session other("Other");
    Connection& otherConnection = other.addConnection("Folder");
    otherConnection.setParams(connection_->params());
    otherConnection.connect();
    Table holder(otherConnection);
    holder.setTableName(GetParam());
    holder.setExclusive(true);
    holder.open();
    for (const char* sql : {"INSERT INTO T VALUES (2, 'Bob')", "UPDATE T SET NAME = 'X'", "DELETE FROM T"}) {
        Query query(*connection_);
        query.setSql(sql);
        try {
            query.open();
            ADD_FAILURE() << sql << " ran";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.kind(), errkind::kBusy) << sql << ": " << e.formatted();
            EXPECT_NE(e.message().find("Other"), std::string::npos) << e.message();
        }
    }
    holder.close();
    EXPECT_EQ(contents(), "1:Ann ");
    execute("INSERT INTO T VALUES (2, 'Bob')");
    EXPECT_EQ(contents(), "1:Ann 2:Bob ");
}

INSTANTIATE_TEST_SUITE_P(Formats, SqlWriteTest, ::testing::Values("T.DB", "T.DBF"));

}  // namespace
}  // namespace tabulon::testing
