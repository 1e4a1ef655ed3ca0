// Live results: which statements give one, and edits, appends and removals that reach the
// table through the dataset layer.
#include <gtest/gtest.h>

#include "SqlFolderFixture.h"
#include "sql/LiveSelect.h"

namespace tabulon::testing {
namespace {

struct LiveCase {
    const char* sql;
    const char* table;  // null: not live
    bool wholeTable = false;
};

class LiveSelectTest : public ::testing::TestWithParam<LiveCase> {};

TEST_P(LiveSelectTest, TellsLiveStatementsAndTheirTable) {
    const auto live = liveSelectOf(GetParam().sql);
    if (!GetParam().table) {
        EXPECT_FALSE(live) << GetParam().sql;
        return;
    }
    ASSERT_TRUE(live) << GetParam().sql;
    EXPECT_EQ(live->table, GetParam().table);
    EXPECT_EQ(live->wholeTable, GetParam().wholeTable) << GetParam().sql;
}

INSTANTIATE_TEST_SUITE_P(Statements, LiveSelectTest,
                         ::testing::Values(LiveCase{"SELECT * FROM T", "T", true},
                                           LiveCase{"select NAME from t where ID > 2 order by NAME;", "t"},
                                           LiveCase{"SELECT ALL ID FROM \"sub/t.db\" AS x", "sub/t.db", true},
                                           LiveCase{"SELECT NAME FROM T ORDER BY NAME", "T", true},
                                           LiveCase{"SELECT NAME FROM T ORDER BY NAME LIMIT 3", "T"},
                                           LiveCase{"SELECT ID FROM T WHERE ID IN (SELECT ID FROM U GROUP BY ID)", "T"},
                                           LiveCase{"SELECT DISTINCT NAME FROM T", nullptr},
                                           LiveCase{"SELECT COUNT(*) FROM T", nullptr},
                                           LiveCase{"SELECT UPPER(MAX(NAME)) FROM T", nullptr},
                                           LiveCase{"SELECT NAME FROM T GROUP BY NAME", nullptr},
                                           LiveCase{"SELECT * FROM T a JOIN U b ON a.ID = b.ID", nullptr},
                                           LiveCase{"SELECT * FROM T, U", nullptr},
                                           LiveCase{"SELECT ID FROM T UNION SELECT ID FROM U", nullptr},
                                           LiveCase{"WITH x AS (SELECT 1) SELECT * FROM T", nullptr},
                                           LiveCase{"SELECT * FROM (SELECT * FROM T)", nullptr},
                                           LiveCase{"SELECT 1", nullptr}, LiveCase{"UPDATE T SET ID = 1", nullptr}));

TEST(LiveSelectText, AddsTheRecordIdAsTheFirstColumn) {
    EXPECT_EQ(liveSelectOf("SELECT NAME FROM T")->sqlWithRowId, "SELECT rowid, NAME FROM T");
    EXPECT_EQ(liveSelectOf("select all * from T")->sqlWithRowId, "select all rowid, * from T");
}

class LiveQueryTest : public SqlFolderFixture, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        SqlFolderFixture::SetUp();
        createTable(GetParam(), kIdName, tableTypeForPath(GetParam()) == ttParadox,
                    {{Value::integer(3), Value::string("n3")},
                     {Value::integer(1), Value::string("n1")},
                     {Value::integer(2), Value::string("n2")}});
    }

    std::string contents() { return idNameContents(folder_ / GetParam()); }

    void openLive(Query& query, const std::string& sql) {
        query.setSql(sql);
        query.setRequestLive(true);
        query.open();
        ASSERT_TRUE(query.canModify()) << sql;
    }
};

TEST_P(LiveQueryTest, EditsAppendsAndRemovalsReachTheTable) {
    Query query(*connection_);
    openLive(query, "SELECT ID, NAME FROM T WHERE ID >= 2 ORDER BY ID");
    EXPECT_EQ(rowsOf(query), "2|n2\n3|n3\n");

    query.last();
    query.edit();
    query.setFieldValue(1, Value::string("changed"));
    EXPECT_EQ(query.value(1).asString(), "changed");
    query.post();
    EXPECT_EQ(contents(), "1:n1 2:n2 3:changed ");
    EXPECT_EQ(query.value(0).toText(), "3") << "stays on the edited record";

    query.append();
    query.setFieldValue(0, Value::integer(7));
    query.setFieldValue(1, Value::string("new"));
    query.post();
    EXPECT_EQ(contents(), "1:n1 2:n2 3:changed 7:new ");
    EXPECT_EQ(query.value(1).asString(), "new");
    EXPECT_EQ(rowsOf(query), "2|n2\n3|changed\n7|new\n");

    query.first();
    query.remove();
    EXPECT_EQ(contents(), "1:n1 3:changed 7:new ");
    EXPECT_EQ(rowsOf(query), "3|changed\n7|new\n");
}

TEST_P(LiveQueryTest, CancelledEditsAndRefusedValuesLeaveTheTable) {
    Query query(*connection_);
    openLive(query, "SELECT * FROM T ORDER BY ID");
    query.edit();
    query.setFieldValue(1, Value::string("dropped"));
    query.cancelEdit();
    EXPECT_EQ(query.value(1).asString(), "n1");
    query.edit();
    query.setFieldValue(1, Value::string("a name far too long for the field"));
    try {
        query.post();
        FAIL() << "posted a value too long for its field";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kValue) << e.formatted();
    }
    EXPECT_TRUE(query.editing());
    query.cancelEdit();
    EXPECT_EQ(query.value(1).asString(), "n1");
    EXPECT_EQ(contents(), "1:n1 2:n2 3:n3 ");
}

TEST_P(LiveQueryTest, OtherStatementsAndPlainRequestsAreReadOnly) {
    for (const char* sql : {"SELECT DISTINCT NAME FROM T", "SELECT COUNT(*) FROM T", "SELECT NAME FROM T GROUP BY NAME",
                            "SELECT a.ID FROM T a JOIN T b ON a.ID = b.ID", "SELECT ID FROM T UNION SELECT 5",
                            "SELECT ID, NAME || '!' FROM T", "SELECT * FROM PEOPLE"}) {
        Query query(*connection_);
        query.setSql(sql);
        query.setRequestLive(true);
        query.open();
        EXPECT_FALSE(query.canModify()) << sql;
        try {
            query.edit();
            ADD_FAILURE() << sql << " was edited";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.kind(), errkind::kNotSupported) << sql;
        }
    }
    Query query(*connection_);
    query.setSql("SELECT * FROM T");
    query.open();
    EXPECT_FALSE(query.canModify());
    EXPECT_THROW(query.remove(), EngineError);
    EXPECT_EQ(contents(), "1:n1 2:n2 3:n3 ");
}

INSTANTIATE_TEST_SUITE_P(Formats, LiveQueryTest, ::testing::Values("T.DB", "T.DBF"));

TEST_F(SqlFolderFixture, ALiveKeyViolationKeepsTheEditAndTheTable) {
    createTable("K.DB", {{"ID", ftInteger, 0, 0, false, ""}}, true, {{Value::integer(1)}, {Value::integer(2)}});
    Query query(*connection_);
    query.setSql("SELECT ID FROM K ORDER BY ID");
    query.setRequestLive(true);
    query.open();
    query.edit();
    query.setFieldValue(0, Value::integer(2));
    try {
        query.post();
        FAIL() << "posted a duplicate key";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kKeyViolation) << e.formatted();
    }
    EXPECT_TRUE(query.editing());
    query.cancelEdit();
    EXPECT_EQ(query.value(0).asInt(), 1);
    EXPECT_EQ(query.recordCount(), 2u);
}

}  // namespace
}  // namespace tabulon::testing
