// The SQL-92 forms are rewritten into SQLite's; everything else passes as it stands.
#include <gtest/gtest.h>

#include "core/EngineError.h"
#include "sql/SqlDialect.h"

namespace tabulon::testing {
namespace {

struct RewriteCase {
    const char* sql;
    const char* expected;
};

class SqlDialectTest : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(SqlDialectTest, Rewrites) { EXPECT_EQ(rewriteSqlDialect(GetParam().sql), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Forms, SqlDialectTest,
    ::testing::Values(
        RewriteCase{"SELECT SUBSTRING(NAME FROM 2 FOR 3) FROM T", "SELECT substr(NAME, 2, 3) FROM T"},
        RewriteCase{"SELECT substring(NAME from 2) FROM T", "SELECT substr(NAME, 2) FROM T"},
        RewriteCase{"SELECT SUBSTRING(NAME, 2, 3) FROM T", "SELECT SUBSTRING(NAME, 2, 3) FROM T"},
        RewriteCase{"SELECT TRIM(LEADING '0' FROM CODE) FROM T", "SELECT ltrim(CODE, '0') FROM T"},
        RewriteCase{"SELECT TRIM(TRAILING FROM CODE) FROM T", "SELECT rtrim(CODE) FROM T"},
        RewriteCase{"SELECT TRIM(BOTH 'x' FROM CODE) FROM T", "SELECT trim(CODE, 'x') FROM T"},
        RewriteCase{"SELECT TRIM(CODE) FROM T", "SELECT TRIM(CODE) FROM T"},
        RewriteCase{"SELECT EXTRACT(YEAR FROM BORN) FROM T", "SELECT CAST(strftime('%Y', BORN) AS INTEGER) FROM T"},
        RewriteCase{"SELECT EXTRACT(second FROM AT) FROM T", "SELECT CAST(strftime('%S', AT) AS INTEGER) FROM T"},
        RewriteCase{"SELECT CAST(X AS CHAR(4)) FROM T", "SELECT substr(CAST(X AS TEXT), 1, 4) FROM T"},
        RewriteCase{"SELECT CAST(X AS NUMERIC(8,2))", "SELECT round(CAST(X AS REAL), 2)"},
        RewriteCase{"SELECT CAST(X AS DATE)", "SELECT date(X)"},
        RewriteCase{"SELECT CAST(X AS TIMESTAMP)", "SELECT strftime('%Y-%m-%d %H:%M:%f', X)"},
        RewriteCase{"SELECT CAST(X AS INTEGER)", "SELECT CAST(X AS INTEGER)"},
        RewriteCase{"SELECT CAST(SUBSTRING(A FROM 1 FOR 2) AS SMALLINT)", "SELECT CAST(substr(A, 1, 2) AS INTEGER)"},
        RewriteCase{"WHERE D >= DATE '2020-1-5'", "WHERE D >= '2020-01-05'"},
        RewriteCase{"WHERE D = TIMESTAMP '2020-01-05 10:30'", "WHERE D = '2020-01-05 10:30:00.000'"},
        RewriteCase{"WHERE D = TIME '10:30'", "WHERE D = '10:30:00.000'"},
        RewriteCase{"SELECT 'SUBSTRING(A FROM 1)' -- TRIM(LEADING x FROM y)",
                    "SELECT 'SUBSTRING(A FROM 1)' -- TRIM(LEADING x FROM y)"},
        RewriteCase{"SELECT \"CAST(X AS DATE)\" FROM T", "SELECT \"CAST(X AS DATE)\" FROM T"},
        RewriteCase{"SELECT SUBSTRING(A FROM 1", "SELECT SUBSTRING(A FROM 1"}));

TEST(SqlDialectErrors, BadLiteralsAndPartsAreNamed) {
    for (const char* sql : {"SELECT DATE '2023-02-29'", "SELECT EXTRACT(WEEK FROM D) FROM T"}) {
        try {
            rewriteSqlDialect(sql);
            ADD_FAILURE() << sql << " was accepted";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.kind(), errkind::kValue);
            EXPECT_NE(e.message().find("SQL error"), std::string::npos) << e.message();
        }
    }
}

}  // namespace
}  // namespace tabulon::testing
