// A query's result saved as CSV: quoting, UTF-8 text, nulls, progress and cancelling.
#include <gtest/gtest.h>

#include <sstream>

#include "SqlFolderFixture.h"
#include "io/Transaction.h"
#include "sql/QueryCsv.h"

namespace tabulon::testing {
namespace {

class QueryCsvTest : public SqlFolderFixture {
protected:
    // An open query over the Paradox table Names made with `names`, IDs counting from 1.
    std::unique_ptr<Query> namesQuery(const std::vector<Value>& names, const std::string& columns = "ID, NAME") {
        {
            auto table = createTable("Names.db", {kIdName[0], {"NAME", ftString, 40, 0, false, ""}}, false);
            Transaction transaction(Transaction::newJournalPath(folder_.path()));  // one flush, not one per row
            table->setTransaction(&transaction);
            std::int64_t id = 0;
            for (const Value& name : names) table->append({Value::integer(++id), name});
            transaction.commit();
            table->setTransaction(nullptr);
        }
        auto query = std::make_unique<Query>(*connection_);
        query->setSql("SELECT " + columns + " FROM Names ORDER BY ID");
        query->open();
        return query;
    }
};

TEST_F(QueryCsvTest, QuotesOnlyWhatNeedsItAndWritesNullEmpty) {
    const struct {
        Value name;
        const char* field;
    } cases[] = {
        {Value::string("plain"), "plain"},
        {Value::string("a,b"), "\"a,b\""},
        {Value::string("say \"hi\""), "\"say \"\"hi\"\"\""},
        {Value::string("two\nlines"), "\"two\nlines\""},
        {Value::string("cr\r\nlf"), "\"cr\r\nlf\""},
        {Value::string("Zürich Straße"), "Zürich Straße"},
        {Value(), ""},
    };
    std::vector<Value> names;
    std::string expected = "ID,\"Name, full\"\r\n";
    for (const auto& c : cases) {
        names.push_back(c.name);
        expected += std::to_string(names.size()) + "," + c.field + "\r\n";
    }
    auto query = namesQuery(names, "ID, NAME AS \"Name, full\"");
    std::ostringstream out;
    writeQueryCsv(*query, out, [](std::uint64_t) { return true; });
    EXPECT_EQ(out.str(), expected);
}

TEST_F(QueryCsvTest, ReportsProgressAndStopsWhenTold) {
    const std::uint64_t rows = 2 * kCsvProgressRows + kCsvProgressRows / 2;
    auto query = namesQuery(std::vector<Value>(rows, Value::string("x")));
    for (const bool stop : {false, true}) {
        std::vector<std::uint64_t> calls;
        std::ostringstream out;
        auto progress = [&](std::uint64_t written) {
            calls.push_back(written);
            return !stop;
        };
        std::uint64_t lines = 0;
        try {
            writeQueryCsv(*query, out, progress);
            EXPECT_FALSE(stop);
        } catch (const EngineError& e) {
            EXPECT_TRUE(stop);
            EXPECT_EQ(e.kind(), errkind::kUsage);
        }
        for (char c : out.str()) lines += c == '\n';
        const std::vector<std::uint64_t> expected =
            stop ? std::vector{kCsvProgressRows} : std::vector{kCsvProgressRows, 2 * kCsvProgressRows, rows};
        EXPECT_EQ(calls, expected) << "stop " << stop;
        EXPECT_EQ(lines, 1 + (stop ? kCsvProgressRows : rows)) << "stop " << stop;
    }
}

}  // namespace
}  // namespace tabulon::testing
