// Every filter text of the corpus file, run through a dataset table over a text table and
// cross-checked against SQLite evaluating the same predicate over the same records.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <set>
#include <sstream>

#include "DatasetFixture.h"
#include "core/EngineError.h"

namespace tabulon::testing {
namespace {

const std::filesystem::path kData = TABULON_DATASET_TEST_DATA;

struct CorpusLine {
    int line = 0;
    FilterOptions options;
    std::string filter;
    std::string expected;  // "1,3", "none" or "error: ..."
    std::string sql;
};

std::string trim(const std::string& s) {
    const auto start = s.find_first_not_of(' ');
    if (start == std::string::npos) return "";
    return s.substr(start, s.find_last_not_of(' ') - start + 1);
}

std::vector<CorpusLine> readCorpus() {
    std::vector<CorpusLine> lines;
    std::ifstream in(kData / "FilterCorpus.txt");
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        if (text.empty() || text[0] == '#') continue;
        if (text.back() == '|') text += ' ';  // an empty last column
        std::vector<std::string> parts;
        std::size_t start = 0;
        for (std::size_t bar; (bar = text.find(" | ", start)) != std::string::npos; start = bar + 3)
            parts.push_back(text.substr(start, bar - start));
        parts.push_back(text.substr(start));
        if (parts.size() != 4)
            throw std::runtime_error("FilterCorpus.txt line " + std::to_string(number) + " is malformed");
        CorpusLine line;
        line.line = number;
        const std::string options = trim(parts[0]);
        line.options.caseInsensitive = options.find("ci") != std::string::npos;
        line.options.noPartialCompare = options.find("np") != std::string::npos;
        line.filter = trim(parts[1]);
        line.expected = trim(parts[2]);
        line.sql = trim(parts[3]) == "=" ? line.filter : trim(parts[3]);
        lines.push_back(line);
    }
    return lines;
}

std::string joined(const std::vector<std::int64_t>& ids) {
    if (ids.empty()) return "none";
    std::string text;
    for (auto id : ids) {
        if (!text.empty()) text += ',';
        text += std::to_string(id);
    }
    return text;
}

class SqliteMirror {
public:
    explicit SqliteMirror(Table& table) {
        sqlite3_open(":memory:", &db_);
        exec(
            "CREATE TABLE FILTERS(ID INTEGER, NAME TEXT, CITY TEXT, AMOUNT REAL, BORN TEXT, ACTIVE INTEGER, NOTE "
            "TEXT)");
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db_, "INSERT INTO FILTERS VALUES(?,?,?,?,?,?,?)", -1, &insert, nullptr);
        for (table.first(); !table.eof(); table.next()) {
            for (int i = 0; i < 7; ++i) {
                const Value& v = table.field(static_cast<std::size_t>(i)).value();
                if (v.isNull())
                    sqlite3_bind_null(insert, i + 1);
                else if (v.kind() == ValueKind::Integer)
                    sqlite3_bind_int64(insert, i + 1, v.asInt());
                else if (v.kind() == ValueKind::Float)
                    sqlite3_bind_double(insert, i + 1, v.asDouble());
                else if (v.kind() == ValueKind::Boolean)
                    sqlite3_bind_int(insert, i + 1, v.asBool() ? 1 : 0);
                else
                    sqlite3_bind_text(insert, i + 1, v.toText().c_str(), -1, SQLITE_TRANSIENT);
            }
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
    }
    ~SqliteMirror() { sqlite3_close(db_); }

    std::string select(const std::string& where) {
        sqlite3_stmt* query = nullptr;
        const std::string sql = "SELECT ID FROM FILTERS WHERE " + where + " ORDER BY ID";
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &query, nullptr) != SQLITE_OK)
            return std::string("SQL error: ") + sqlite3_errmsg(db_);
        std::vector<std::int64_t> ids;
        while (sqlite3_step(query) == SQLITE_ROW) ids.push_back(sqlite3_column_int64(query, 0));
        sqlite3_finalize(query);
        return joined(ids);
    }

private:
    void exec(const char* sql) { sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }
    sqlite3* db_ = nullptr;
};

class FilterCorpusTest : public DatasetFixture {
protected:
    void SetUp() override {
        DatasetFixture::SetUp();
        std::filesystem::copy_file(kData / "FILTERS.TXT", folder_ / "FILTERS.TXT");
        std::filesystem::copy_file(kData / "FILTERS.SCH", folder_ / "FILTERS.SCH");
        table_ = std::make_unique<Table>(*connection_);
        table_->setTableName("filters.txt");
        table_->open();
    }
    std::unique_ptr<Table> table_;
};

TEST_F(FilterCorpusTest, EveryLineSelectsItsRecordsOrRaisesItsError) {
    const auto corpus = readCorpus();
    ASSERT_GT(corpus.size(), 40u);
    SqliteMirror sqlite(*table_);
    ASSERT_EQ(sqlite.select("1"), "1,2,3,4,5,6,7,8");
    table_->setFiltered(true);
    for (const CorpusLine& line : corpus) {
        SCOPED_TRACE("FilterCorpus.txt line " + std::to_string(line.line) + ": " + line.filter);
        table_->setFilter("");
        table_->setFilterOptions(line.options);
        std::string outcome;
        try {
            table_->setFilter(line.filter);
            std::vector<std::int64_t> selected;
            for (table_->first(); !table_->eof(); table_->next())
                selected.push_back(table_->fieldByName("ID").value().asInt());
            outcome = joined(selected);
            EXPECT_EQ(table_->recordCount(), selected.size());
        } catch (const EngineError& e) {
            EXPECT_EQ(e.kind(), errkind::kValue);
            outcome = "error: " + e.message();
        }
        if (line.expected.rfind("error: ", 0) == 0) {
            EXPECT_NE(outcome.find(line.expected.substr(7)), std::string::npos) << outcome;
            EXPECT_EQ(outcome.rfind("error: Filter: ", 0), 0u) << outcome;
            EXPECT_EQ(table_->filter(), "") << "a rejected text must not replace the filter";
        } else {
            EXPECT_EQ(outcome, line.expected);
            EXPECT_EQ(sqlite.select(line.sql), line.expected) << line.sql;
        }
    }
}

}  // namespace
}  // namespace tabulon::testing
