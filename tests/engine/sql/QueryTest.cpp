// The query dataset: statements with and without rows, the result's fields and rows, errors.
#include <gtest/gtest.h>

#include <thread>

#include "SqlFolderFixture.h"
#include "dataset/Table.h"

namespace tabulon::testing {
namespace {

class QueryTest : public SqlFolderFixture {
protected:
    EngineError failure(const std::string& sql) {
        Query query(*connection_);
        query.setSql(sql);
        try {
            query.open();
        } catch (const EngineError& e) {
            EXPECT_FALSE(query.active());
            return e;
        }
        ADD_FAILURE() << sql << " did not fail";
        return EngineError("none", "none");
    }
};

TEST_F(QueryTest, SelectGivesFieldsWithTableTypesAndScrollableRows) {
    Query query(*connection_);
    query.setSql("SELECT ID, NAME, AMOUNT, BORN FROM PEOPLE ORDER BY ID DESC");
    query.open();
    ASSERT_TRUE(query.active());
    ASSERT_EQ(query.fieldCount(), 4u);
    EXPECT_EQ(query.fieldDefs()[0].type, ftInteger);
    EXPECT_EQ(query.fieldDefs()[1].type, ftString);
    EXPECT_EQ(query.fieldDefs()[2].type, ftFloat);
    EXPECT_EQ(query.fieldDefs()[3].type, ftDate);
    EXPECT_EQ(query.recordCount(), 4u);
    EXPECT_TRUE(query.bof());
    EXPECT_EQ(query.value(query.fieldIndex("name")).asString(), "Dee");
    EXPECT_TRUE(query.value(2).isNull());
    query.last();
    EXPECT_TRUE(query.eof());
    EXPECT_EQ(query.recordNumber(), 4u);
    EXPECT_EQ(query.value(3).asDate(), Date::fromCivil(1990, 3, 4));
    query.prior();
    EXPECT_EQ(query.value(1).asString(), "Bob");
    EXPECT_EQ(query.displayText(0), "2");
    EXPECT_THROW(query.fieldIndex("NOPE"), EngineError);
}

TEST_F(QueryTest, ComputedColumnsTakeTheTypeOfTheirValues) {
    Query query(*connection_);
    query.setSql("SELECT CITY, COUNT(*) AS N, SUM(AMOUNT) AS TOTAL FROM People GROUP BY CITY ORDER BY CITY");
    query.open();
    EXPECT_EQ(query.fieldDefs()[1].name, "N");
    EXPECT_EQ(query.fieldDefs()[1].type, ftInteger);
    EXPECT_EQ(query.fieldDefs()[2].type, ftFloat);
    EXPECT_EQ(rowsOf(query), "Bern|1|\nOslo|1|20\nRome|2|17.75\n");
}

TEST_F(QueryTest, StatementWithoutRowsRunsThenReportsNoResultSet) {
    const EngineError error = failure("CREATE TEMP TABLE scratch(x)");
    EXPECT_EQ(error.formatted(), "ENoResultSet: Error creating cursor handle.");
}

TEST_F(QueryTest, JoinsAcrossTablesAndNamesInAnyCase) {
    EXPECT_EQ(rows("SELECT p.NAME, c.COUNTRY FROM people p JOIN \"cities.txt\" c ON c.CITY = p.CITY "
                   "WHERE p.AMOUNT > 8 ORDER BY p.NAME"),
              "Ann|Italy\nBob|Norway\n");
}

TEST_F(QueryTest, SqlNinetyTwoFormsAndDatesCompareAsDates) {
    EXPECT_EQ(rows("SELECT SUBSTRING(NAME FROM 1 FOR 2), EXTRACT(YEAR FROM BORN), TRIM(LEADING 'A' FROM NAME) "
                   "FROM PEOPLE WHERE BORN BETWEEN DATE '1985-1-1' AND DATE '1995-12-31' ORDER BY BORN"),
              "Bo|1985|Bob\nAn|1990|nn\n");
    EXPECT_EQ(rows("SELECT UPPER(NAME) || '/' || LOWER(CITY) FROM PEOPLE WHERE NAME LIKE 'c%' OR ID IN (4)"),
              "CY/rome\nDEE/bern\n");
    EXPECT_EQ(rows("SELECT CAST(AMOUNT AS CHAR(2)), CAST('2020-02-03 04:05:06' AS DATE) FROM PEOPLE WHERE ID = 1"),
              "10|2020-02-03\n");
}

TEST_F(QueryTest, SubfolderTablesAreReachable) {
    std::filesystem::create_directories(folder_ / "sub");
    std::ofstream(folder_ / "sub" / "ORDERS.TXT") << "NO;WHAT\n1;Tea\n";
    EXPECT_EQ(rows("SELECT WHAT FROM \"sub/orders.txt\""), "Tea\n");
}

struct ErrorCase {
    const char* sql;
    const char* kind;
    const char* messagePart;
};

class QueryErrorTest : public QueryTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(QueryErrorTest, ErrorsCarryKindAndWhatFailed) {
    const EngineError error = failure(GetParam().sql);
    EXPECT_EQ(error.kind(), GetParam().kind);
    EXPECT_NE(error.message().find(GetParam().messagePart), std::string::npos) << error.message();
}

INSTANTIATE_TEST_SUITE_P(
    Statements, QueryErrorTest,
    ::testing::Values(ErrorCase{"SELECT * FRM PEOPLE", errkind::kValue, "at position 10"},
                      ErrorCase{"SELECT * FROM NOWHERE", errkind::kFile, "\"NOWHERE\" not found"},
                      ErrorCase{"SELECT * FROM PEOPLE JOIN \"sub/x.db\" ON 1", errkind::kFile,
                                "\"sub/x.db\" not found"},
                      ErrorCase{"SELECT * FROM \"../PEOPLE\"", errkind::kValue, "leaves the folder"},
                      ErrorCase{"SELECT NOCOLUMN FROM PEOPLE", errkind::kValue, "no such column: NOCOLUMN"},
                      ErrorCase{"SELECT DATE '2021-02-30'", errkind::kValue, "does not read"}));

TEST_F(QueryTest, ResultIsReadOnlyAndSettingsWaitForClose) {
    Query query(*connection_);
    query.setSql("SELECT * FROM PEOPLE");
    query.setRequestLive(true);
    query.open();
    EXPECT_FALSE(query.canModify());  // LiveQueryTest tries to edit such results
    EXPECT_THROW(query.setSql("SELECT 1"), EngineError);
    query.close();
    query.setSql("SELECT 1");
    query.open();
    EXPECT_EQ(query.recordCount(), 1u);
}

TEST_F(QueryTest, ResultsOfTableColumnsAreReadAsTheyAreShown) {
    const std::size_t total = Query::kFirstRows * 2 + 10;
    std::vector<Record> records;
    for (std::size_t i = 1; i <= total; ++i) records.push_back({Value::integer(static_cast<std::int64_t>(i))});
    createTable("MANY.DB", {{"ID", ftInteger, 0, 0, false, ""}}, false, records);
    struct Case {
        const char* sql;
        bool lazy;
        std::optional<std::uint64_t> knownAtOpen;
        std::uint64_t rows;
    } cases[] = {{"SELECT * FROM MANY", true, total, total},
                 {"SELECT ID FROM MANY ORDER BY ID DESC", true, total, total},
                 {"SELECT ID FROM MANY WHERE ID > 5", true, std::nullopt, total - 5},
                 {"SELECT ID * 2 FROM MANY", false, total, total}};
    for (const Case& c : cases) {
        Query query(*connection_);
        query.setSql(c.sql);
        query.open();
        EXPECT_EQ(query.allFetched(), !c.lazy) << c.sql;
        EXPECT_EQ(query.fetchedCount(), c.lazy ? Query::kFirstRows : total) << c.sql;
        EXPECT_EQ(query.knownRecordCount(), c.knownAtOpen) << c.sql;
        std::uint64_t walked = 0;
        for (query.first(); !query.eof(); query.next()) ++walked;
        EXPECT_EQ(walked, c.rows) << c.sql;
        EXPECT_EQ(query.knownRecordCount(), c.rows) << c.sql;
    }
    // While rows are still to come the table stays in use; closing lets it go.
    Query query(*connection_);
    query.setSql("SELECT * FROM MANY");
    query.open();
    Session other("Other");
    Connection& otherConnection = connectionIn(other);
    otherConnection.connect();
    Table exclusive(otherConnection);
    exclusive.setTableName("MANY.DB");
    exclusive.setExclusive(true);
    EXPECT_THROW(exclusive.open(), EngineError);
    query.close();
    exclusive.open();
    EXPECT_TRUE(exclusive.active());
}

TEST_F(QueryTest, CancelStopsARunningStatement) {
    Query query(*connection_);
    query.setSql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT COUNT(*) FROM n");
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        query.cancel();
    });
    try {
        query.open();
        ADD_FAILURE() << "ran to its end";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.formatted(), "EUsageError: Query cancelled.");
    }
    canceller.join();
    query.setSql("SELECT 1");
    query.open();
    EXPECT_TRUE(query.active());
}

}  // namespace
}  // namespace tabulon::testing
