// Every statement of the corpus gives over the folder's tables what SQLite gives over the same
// rows held in native tables: index paths, scans and the rewritten SQL-92 forms agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "SqlDefinitionFixture.h"
#include "sql/SqlDatabase.h"
#include "sql/SqlDialect.h"
#include "sql/TableDefinition.h"
#include "sql/TableNameResolver.h"

namespace tabulon::testing {
namespace {

std::vector<std::string> corpusLines() {
    std::ifstream in(TABULON_SQL_TEST_DATA "/SqlCorpus.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    }
    return lines;
}

// Each row's column texts joined by "|"; sorted unless the statement orders them itself.
std::vector<std::string> rowsOf(SqlDatabase& database, const std::string& sql) {
    auto statement = database.prepare(rewriteSqlDialect(sql));
    std::vector<std::string> rows;
    while (database.step(statement.get())) {
        std::string row;
        for (int i = 0; i < sqlite3_column_count(statement.get()); ++i) {
            const auto* text = sqlite3_column_text(statement.get(), i);
            row += (i ? "|" : "") + (text ? std::string(reinterpret_cast<const char*>(text)) : "<null>");
        }
        rows.push_back(row);
    }
    if (sql.find("ORDER BY") == std::string::npos) std::sort(rows.begin(), rows.end());
    return rows;
}

class SqlCorpusTest : public SqlDefinitionFixture, public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override {
        SqlDefinitionFixture::SetUp();
        auto stock = createTable("STOCK.DB",
                                 {{"ID", ftInteger, 0, 0, false, ""},
                                  {"PART", ftString, 10, 0, false, ""},
                                  {"QTY", ftInteger, 0, 0, false, ""}},
                                 true);
        for (int id = 20; id >= 1; --id) {
            stock->append({Value::integer(id), Value::string(std::string(1, static_cast<char>('a' + id % 7)) + "part"),
                           Value::integer((id * 37) % 100)});
        }
        auto shelf = createTable("SHELF.DBF",
                                 {{"ID", ftInteger, 0, 0, false, ""},
                                  {"PLACE", ftString, 8, 0, false, ""},
                                  {"PART", ftString, 10, 0, false, ""}},
                                 false);
        for (int id = 1; id <= 12; id += 1) {
            shelf->append({Value::integer(id), Value::string(id % 3 ? "top" : "floor"),
                           Value::string(std::string(1, static_cast<char>('a' + id % 5)))});
        }
    }

    // The same tables as native SQLite tables, copied row for row through the module.
    void loadNative(SqlDatabase& native) {
        for (const char* table : {"PEOPLE", "CITIES", "STOCK", "SHELF"}) {
            const std::string source = std::string("src_") + table;
            native.execute("CREATE VIRTUAL TABLE temp." + source + " USING tabulon_storage('" +
                           resolveTableName(folder_.path(), table).string() + "')");
            native.execute(std::string("CREATE TABLE main.") + table + " AS SELECT * FROM temp." + source);
            native.execute("DROP TABLE temp." + source);
        }
    }
};

// The statements of a corpus line, separated by " ;; ".
std::vector<std::string> statementsOf(const std::string& line) {
    std::vector<std::string> statements;
    std::size_t start = 0;
    for (std::size_t end; (end = line.find(" ;; ", start)) != std::string::npos; start = end + 4)
        statements.push_back(line.substr(start, end - start));
    statements.push_back(line.substr(start));
    return statements;
}

// Runs the statements over the folder's files, definitions as a query runs them; the last
// one's rows.
std::vector<std::string> engineRowsOf(SqlDatabase& engine, const std::vector<std::string>& statements) {
    std::vector<std::string> rows;
    for (const std::string& sql : statements) {
        if (runTableDefinition(engine.folder(), engine.session(), sql)) {
            engine.forgetTables();
            rows.clear();
        } else {
            rows = rowsOf(engine, sql);
        }
    }
    return rows;
}

std::vector<std::string> nativeRowsOf(SqlDatabase& native, const std::vector<std::string>& statements) {
    std::vector<std::string> rows;
    for (const std::string& sql : statements) rows = rowsOf(native, sql);
    return rows;
}

TEST_P(SqlCorpusTest, AgreesWithNativeTables) {
    const std::string& line = GetParam();
    SqlDatabase engine(folder_.path());
    if (line[0] == '!') {
        const std::string kind = line.substr(1, line.find(' ') - 1);
        try {
            engineRowsOf(engine, statementsOf(line.substr(line.find(' ') + 1)));
            FAIL() << line << " ran";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.kind(), kind) << e.formatted();
        }
        return;
    }
    SqlDatabase native(folder_.path());
    loadNative(native);
    const auto expected = nativeRowsOf(native, statementsOf(line));
    EXPECT_EQ(engineRowsOf(engine, statementsOf(line)), expected);
}

INSTANTIATE_TEST_SUITE_P(Corpus, SqlCorpusTest, ::testing::ValuesIn(corpusLines()));

}  // namespace
}  // namespace tabulon::testing
