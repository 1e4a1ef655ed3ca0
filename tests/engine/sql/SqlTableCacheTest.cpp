// A connection keeps the tables its statements opened, and lets go of one as soon as its files
// change, so every statement sees what is on disk at its start.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "SqlFolderFixture.h"
#include "core/EngineError.h"
#include "sql/Query.h"
#include "storage/Drivers.h"

namespace tabulon::testing {
namespace {

class SqlTableCacheTest : public SqlFolderFixture {
protected:
    void SetUp() override {
        SqlFolderFixture::SetUp();
        createStock({{"ID", ftInteger, 0, 0, false, ""}, {"QTY", ftInteger, 0, 0, false, ""}});
    }

    void createStock(const std::vector<FieldDef>& fields) {
        IndexDef primary;
        primary.fields = "ID";
        primary.options = ixPrimary | ixUnique;
        auto table = driverForPath(folder_ / "STOCK.DB").create(folder_ / "STOCK.DB", fields, {primary}, {});
        Record record(fields.size(), Value::integer(1));
        table->append(record);
        // Old enough that the files' times tell a later change apart.
        table.reset();
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }

    std::string run(const std::string& sql) {
        Query query(*connection_);
        query.setSql(sql);
        query.open();
        std::string out;
        for (; !query.eof(); query.next()) {
            for (std::size_t i = 0; i < query.fieldCount(); ++i) out += (i ? "|" : "") + query.value(i).toText();
            out += ";";
        }
        return out;
    }
};

TEST_F(SqlTableCacheTest, SeesRecordsWrittenByOthersSinceTheLastStatement) {
    EXPECT_EQ(run("SELECT * FROM STOCK WHERE ID = 1"), "1|1;");
    openTable(folder_ / "STOCK.DB", OpenOptions{AccessMode::ReadWrite})->append({Value::integer(2), Value::integer(5)});
    EXPECT_EQ(run("SELECT * FROM STOCK WHERE ID = 2"), "2|5;");
    EXPECT_EQ(run("SELECT COUNT(*) FROM STOCK"), "2;");
}

TEST_F(SqlTableCacheTest, SeesATableMadeAnewWithOtherFields) {
    EXPECT_EQ(run("SELECT * FROM STOCK"), "1|1;");
    for (const auto& file : driverForPath(folder_ / "STOCK.DB").familyFiles(folder_ / "STOCK.DB"))
        std::filesystem::remove(file);
    createStock({{"ID", ftInteger, 0, 0, false, ""}, {"QTY", ftInteger, 0, 0, false, ""},
                 {"BIN", ftInteger, 0, 0, false, ""}});
    EXPECT_EQ(run("SELECT * FROM STOCK"), "1|1|1;");
}

}  // namespace
}  // namespace tabulon::testing
