// Definition statements make, change and remove table files the drivers (and dbfread) read.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "SqlDefinitionFixture.h"
#include "storage/Drivers.h"

namespace tabulon::testing {
namespace {

using TableDefinitionTest = SqlDefinitionFixture;

TEST_F(TableDefinitionTest, CreateMakesAKeyedParadoxTableByDefault) {
    ASSERT_EQ(execute("CREATE TABLE Orders (ID INTEGER NOT NULL, CODE CHAR(6), PRICE MONEY, DAY DATE, "
                      "NOTE VARCHAR(40), PRIMARY KEY (ID))"),
              errkind::kNoResultSet);
    auto table = openTable(folder_ / "Orders.DB");
    const auto& fields = table->fields();
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_EQ(fields[0].type, ftInteger);
    EXPECT_EQ(fields[1].type, ftString);
    EXPECT_EQ(fields[1].size, 6);
    EXPECT_EQ(fields[2].type, ftCurrency);
    EXPECT_EQ(fields[3].type, ftDate);
    ASSERT_FALSE(table->indexes().empty());
    EXPECT_TRUE(table->indexes()[0].options & ixPrimary);
    EXPECT_EQ(table->indexes()[0].fields, "ID");
    EXPECT_EQ(execute("CREATE TABLE ORDERS (X INTEGER)"), errkind::kFile);
}

TEST_F(TableDefinitionTest, DropMovesTheFamilyToTheTrash) {
    ASSERT_EQ(execute("CREATE TABLE Gone (ID INTEGER, PRIMARY KEY (ID))"), errkind::kNoResultSet);
    ASSERT_EQ(execute("DROP TABLE gone"), errkind::kNoResultSet);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "Gone.DB"));
    EXPECT_TRUE(std::filesystem::exists(trash_ / "Trash/files/Gone.DB"));
    std::ifstream info(trash_ / "Trash/info/Gone.DB.trashinfo");
    std::string header, path;
    std::getline(info, header);
    std::getline(info, path);
    EXPECT_EQ(header, "[Trash Info]");
    EXPECT_EQ(path, "Path=" + (folder_ / "Gone.DB").string());
    EXPECT_EQ(execute("DROP TABLE gone"), errkind::kFile);
    EXPECT_EQ(execute("DROP TABLE IF EXISTS gone"), errkind::kNoResultSet);
}

// The names and fields of the table's indexes as "NAME:FIELDS", primary first.
std::string indexesOf(const std::filesystem::path& path) {
    std::string out;
    for (const IndexDef& index : openTable(path)->indexes()) out += index.name + ":" + index.fields + " ";
    return out;
}

std::string fieldNamesOf(const std::filesystem::path& path) {
    const auto table = openTable(path);
    std::string out;
    for (const FieldDef& field : table->fields()) out += field.name + " ";
    return out;
}

TEST_F(TableDefinitionTest, IndexesAreMadeAndDroppedOnParadoxTables) {
    ASSERT_EQ(execute("CREATE TABLE Orders (ID INTEGER, CODE CHAR(6), QTY INTEGER, PRIMARY KEY (ID))"),
              errkind::kNoResultSet);
    ASSERT_EQ(execute("INSERT INTO Orders VALUES (1, 'b', 5), (2, 'a', 5)"), errkind::kNoResultSet);
    EXPECT_EQ(execute("CREATE INDEX ByCode ON Orders (CODE DESC)"), errkind::kNoResultSet);
    EXPECT_EQ(indexesOf(folder_ / "Orders.DB"), ":ID ByCode:CODE ");
    EXPECT_EQ(execute("SELECT ID FROM Orders WHERE CODE = 'a'"), "rows");
    EXPECT_EQ(execute("CREATE UNIQUE INDEX ByQty ON Orders (QTY)"), errkind::kKeyViolation);
    EXPECT_EQ(execute("CREATE INDEX ByCode ON Orders (QTY)"), errkind::kValue);
    EXPECT_EQ(execute("CREATE INDEX ByCode ON Nowhere (QTY)"), errkind::kFile);
    EXPECT_EQ(execute("CREATE INDEX ByCode Orders (QTY)"), errkind::kValue);
    EXPECT_EQ(execute("DROP INDEX Orders.ByCode"), errkind::kNoResultSet);
    EXPECT_EQ(indexesOf(folder_ / "Orders.DB"), ":ID ");
    EXPECT_EQ(execute("DROP INDEX ByCode ON Orders"), errkind::kValue);
}

TEST_F(TableDefinitionTest, AlterAddsAndDropsColumnsKeepingTheRecords) {
    ASSERT_EQ(execute("CREATE TABLE Orders (ID INTEGER, CODE CHAR(6), QTY INTEGER, PRIMARY KEY (ID))"),
              errkind::kNoResultSet);
    ASSERT_EQ(execute("INSERT INTO Orders VALUES (1, 'b', 5)"), errkind::kNoResultSet);
    EXPECT_EQ(execute("SELECT * FROM Orders"), "rows");
    EXPECT_EQ(execute("ALTER TABLE Orders ADD COLUMN NOTE VARCHAR(10), DROP QTY"), errkind::kNoResultSet);
    EXPECT_EQ(fieldNamesOf(folder_ / "Orders.DB"), "ID CODE NOTE ");
    Query query(*connection_);
    query.setSql("SELECT * FROM Orders");
    query.open();
    ASSERT_EQ(query.fieldCount(), 3u) << "the connection sees the new structure";
    EXPECT_EQ(query.value(1).asString(), "b");
    EXPECT_TRUE(query.value(2).isNull());
    query.close();
    EXPECT_EQ(execute("ALTER TABLE Orders DROP ID"), errkind::kValue) << "ID is in the primary index";
    EXPECT_EQ(execute("ALTER TABLE Orders DROP NOPE"), errkind::kValue);
    EXPECT_EQ(execute("ALTER TABLE Orders RENAME NOTE"), errkind::kValue);
    EXPECT_EQ(fieldNamesOf(folder_ / "Orders.DB"), "ID CODE NOTE ");
}

TEST_F(TableDefinitionTest, NotNullColumnsOfParadoxTablesRefuseNulls) {
    ASSERT_EQ(execute("CREATE TABLE Staff (ID INTEGER, NAME CHAR(10) NOT NULL, PRIMARY KEY (ID))"),
              errkind::kNoResultSet);
    EXPECT_TRUE(openTable(folder_ / "Staff.DB")->fields()[1].required) << "kept in the .VAL file";
    for (const char* sql : {"INSERT INTO Staff VALUES (1, NULL)", "INSERT INTO Staff (ID) VALUES (1)"}) {
        const std::string outcome = outcomeOf(sql);
        EXPECT_TRUE(isError(outcome, errkind::kRequired)) << sql << ": " << outcome;
        EXPECT_NE(outcome.find("NAME"), std::string::npos) << outcome;
    }
    ASSERT_EQ(execute("INSERT INTO Staff VALUES (1, 'Ann')"), errkind::kNoResultSet);
    EXPECT_EQ(execute("UPDATE Staff SET NAME = NULL"), errkind::kRequired);

    // A column no record has a value for cannot be required of them.
    const std::string outcome = outcomeOf("ALTER TABLE Staff ADD COLUMN CODE CHAR(4) NOT NULL");
    EXPECT_TRUE(isError(outcome, errkind::kRequired)) << outcome;
    EXPECT_NE(outcome.find("CODE"), std::string::npos) << outcome;
    EXPECT_EQ(fieldNamesOf(folder_ / "Staff.DB"), "ID NAME ");
    ASSERT_EQ(execute("DELETE FROM Staff"), errkind::kNoResultSet);
    ASSERT_EQ(execute("ALTER TABLE Staff ADD COLUMN CODE CHAR(4) NOT NULL"), errkind::kNoResultSet);
    EXPECT_EQ(execute("INSERT INTO Staff VALUES (2, 'Bob', NULL)"), errkind::kRequired);
    EXPECT_EQ(execute("INSERT INTO Staff VALUES (2, 'Bob', 'B1')"), errkind::kNoResultSet);
}

TEST_F(TableDefinitionTest, NotNullIsAcceptedButNotKeptByDbaseTables) {
    ASSERT_EQ(execute("CREATE TABLE \"staff.dbf\" (ID INTEGER, NAME CHAR(10) NOT NULL)"), errkind::kNoResultSet);
    ASSERT_EQ(execute("ALTER TABLE \"staff.dbf\" ADD CODE CHAR(4) NOT NULL"), errkind::kNoResultSet);
    EXPECT_EQ(execute("INSERT INTO \"staff.dbf\" (ID) VALUES (1)"), errkind::kNoResultSet);
    EXPECT_FALSE(openTable(folder_ / "staff.dbf")->fields()[1].required);
}

// The table as python3-dbfread reads it: field names, then each record's values.
std::string dbfreadView(const std::filesystem::path& table) {
    const std::string script =
        "/usr/bin/python3 -c \"import dbfread,sys; t=dbfread.DBF(sys.argv[1]); "
        "print([f.name for f in t.fields], [list(r.values()) for r in t])\" " +
        table.string() + " > " + table.string() + ".out";
    EXPECT_EQ(std::system(script.c_str()), 0);
    std::ifstream in(table.string() + ".out");
    std::string line;
    std::getline(in, line);
    return line;
}

TEST_F(TableDefinitionTest, DbaseDefinitionsAreReadByDbfread) {
    const bool dbfread = std::system("/usr/bin/python3 -c 'import dbfread' 2>/dev/null") == 0;
    const auto parts = folder_ / "parts.dbf";
    ASSERT_EQ(execute("CREATE TABLE \"parts.dbf\" (NAME CHAR(10), QTY INTEGER, COST NUMERIC(8,2))"),
              errkind::kNoResultSet);
    ASSERT_EQ(execute("INSERT INTO \"parts.dbf\" VALUES ('bolt', 12, 0.25)"), errkind::kNoResultSet);
    if (dbfread) {
        EXPECT_EQ(dbfreadView(parts), "['NAME', 'QTY', 'COST'] [['bolt', 12, 0.25]]");
    }
    EXPECT_EQ(execute("CREATE INDEX BYNAME ON \"parts.dbf\" (NAME)"), errkind::kNoResultSet);
    EXPECT_EQ(indexesOf(parts), "BYNAME:NAME ");
    EXPECT_EQ(execute("ALTER TABLE \"parts.dbf\" ADD NOTE CHAR(8), DROP QTY"), errkind::kNoResultSet);
    EXPECT_EQ(indexesOf(parts), "BYNAME:NAME ");
    EXPECT_EQ(execute("DROP INDEX \"parts.dbf\".BYNAME"), errkind::kNoResultSet);
    EXPECT_EQ(indexesOf(parts), "");
    if (!dbfread) GTEST_SKIP() << "python3-dbfread is missing";
    EXPECT_EQ(dbfreadView(parts), "['NAME', 'COST', 'NOTE'] [['bolt', 0.25, '']]");
}

TEST_F(TableDefinitionTest, BadDefinitionsAreRefused) {
    EXPECT_EQ(execute("CREATE TABLE (ID INTEGER)"), errkind::kValue);
    EXPECT_EQ(execute("CREATE TABLE \"../out\" (ID INTEGER)"), errkind::kValue);
    EXPECT_FALSE(std::filesystem::exists(folder_.path().parent_path() / "out.DB"));
}

}  // namespace
}  // namespace tabulon::testing
