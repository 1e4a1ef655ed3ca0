// A connection keeps the tables its statements opened, and lets go of one as soon as its files
// change, so every statement sees what is on disk at its start.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "SqlFolderFixture.h"

namespace tabulon::testing {
namespace {

class SqlTableCacheTest : public SqlFolderFixture {
protected:
    void SetUp() override {
        SqlFolderFixture::SetUp();
        createStock({{"ID", ftInteger, 0, 0, false, ""}, {"QTY", ftInteger, 0, 0, false, ""}});
    }

    void createStock(const std::vector<FieldDef>& fields) {
        createTable("STOCK.DB", fields, true, {Record(fields.size(), Value::integer(1))});
        // Old enough that the files' times tell a later change apart.
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
};

TEST_F(SqlTableCacheTest, SeesRecordsWrittenByOthersSinceTheLastStatement) {
    EXPECT_EQ(rows("SELECT * FROM STOCK WHERE ID = 1"), "1|1\n");
    OpenOptions writable;
    writable.access = AccessMode::ReadWrite;
    openTable(folder_ / "STOCK.DB", writable)->append({Value::integer(2), Value::integer(5)});
    EXPECT_EQ(rows("SELECT * FROM STOCK WHERE ID = 2"), "2|5\n");
    EXPECT_EQ(rows("SELECT COUNT(*) FROM STOCK"), "2\n");
}

TEST_F(SqlTableCacheTest, SeesATableMadeAnewWithOtherFields) {
    EXPECT_EQ(rows("SELECT * FROM STOCK"), "1|1\n");
    for (const auto& file : driverForPath(folder_ / "STOCK.DB").familyFiles(folder_ / "STOCK.DB"))
        std::filesystem::remove(file);
    createStock(
        {{"ID", ftInteger, 0, 0, false, ""}, {"QTY", ftInteger, 0, 0, false, ""}, {"BIN", ftInteger, 0, 0, false, ""}});
    EXPECT_EQ(rows("SELECT * FROM STOCK"), "1|1|1\n");
}

}  // namespace
}  // namespace tabulon::testing
