// UPDATE and DELETE statements that change many records reach each of them, also where the
// removals move the records still to come (an unkeyed Paradox table has no key to find them by).
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "SqlFolderFixture.h"
#include "io/Transaction.h"

namespace tabulon::testing {
namespace {

constexpr int kRows = 3000;  // many blocks, so removals merge some

struct TableKind {
    const char* file;
    bool keyed;
    const char* name;
};

struct Statement {
    const char* name;
    const char* sql;
    // The name record `id` has afterwards; empty: the record is gone.
    std::function<std::string(int id)> expected;
};

const Statement kStatements[] = {
    {"DeleteEveryThird", "DELETE FROM T WHERE ID % 3 = 0",
     [](int id) { return id % 3 == 0 ? "" : "N" + std::to_string(id); }},
    {"UpdateEveryThird", "UPDATE T SET NAME = 'U' || SUBSTR(NAME, 2) WHERE ID % 3 = 0",
     [](int id) { return (id % 3 == 0 ? "U" : "N") + std::to_string(id); }},
    {"DeleteAll", "DELETE FROM T WHERE ID > 0", [](int) { return std::string(); }},
};

class SqlManyRowsWriteTest : public SqlFolderFixture,
                             public ::testing::WithParamInterface<std::tuple<TableKind, int>> {};

TEST_P(SqlManyRowsWriteTest, ReachesEveryChosenRecordAndNoOther) {
    const auto [kind, statementIndex] = GetParam();
    {
        auto table = createTable(kind.file, kIdName, kind.keyed);
        Transaction transaction(Transaction::newJournalPath(folder_.path()));
        table->setTransaction(&transaction);
        for (int id = 1; id <= kRows; ++id)
            table->append({Value::integer(id), Value::string("N" + std::to_string(id))});
        transaction.commit();
        table->setTransaction(nullptr);
    }
    const Statement& statement = kStatements[statementIndex];
    runWithoutRows(statement.sql);
    std::string expected;
    for (int id = 1; id <= kRows; ++id)
        if (const std::string name = statement.expected(id); !name.empty())
            expected += std::to_string(id) + ":" + name + " ";
    EXPECT_EQ(idNameContents(folder_ / kind.file), expected);
}

INSTANTIATE_TEST_SUITE_P(Tables, SqlManyRowsWriteTest,
                         ::testing::Combine(::testing::Values(TableKind{"T.DB", false, "UnkeyedParadox"},
                                                              TableKind{"T.DB", true, "KeyedParadox"},
                                                              TableKind{"T.DBF", false, "Dbase"}),
                                            ::testing::Range(0, 3)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    kStatements[std::get<1>(info.param)].name;
                         });

}  // namespace
}  // namespace tabulon::testing
