// Text tables opened through the driver registry, with and without schema files.
#include <gtest/gtest.h>

#include <fstream>

#include "core/EngineError.h"
#include "storage/Drivers.h"
#include "support/TempFolder.h"

namespace tabulon {
namespace {

using testing::TempFolder;

void write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<Record> readAll(StorageTable& table) {
    std::vector<Record> records;
    Record record;
    for (std::uint64_t slot = 0; slot < table.slotCount(); ++slot)
        if (table.readSlot(slot, record)) records.push_back(record);
    return records;
}

TEST(TextTable, SniffedTableHasHeaderNamesTypesAndValues) {
    TempFolder folder;
    write(folder / "people.txt",
          "ID;NAME;AMOUNT;BORN\r\n1;\"Smith; J\";10.5;1970-01-02\r\n\r\n2;\"two\nlines\";7;\r\n");
    const auto table = openTable(folder / "PEOPLE.TXT");
    ASSERT_EQ(table->fields().size(), 4u);
    EXPECT_EQ(table->fields()[0].name, "ID");
    EXPECT_EQ(table->fields()[0].type, ftInteger);
    EXPECT_EQ(table->fields()[1].type, ftString);
    EXPECT_EQ(table->fields()[2].type, ftFloat);
    EXPECT_EQ(table->fields()[3].type, ftDate);
    EXPECT_EQ(table->facts().format, "text");
    const auto records = readAll(*table);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(table->recordCount(), 2u);
    EXPECT_EQ(records[0][1].asString(), "Smith; J");
    EXPECT_EQ(records[0][3].asDate(), Date::fromCivil(1970, 1, 2));
    EXPECT_EQ(records[1][1].asString(), "two\nlines");
    EXPECT_TRUE(records[1][3].isNull());
    EXPECT_TRUE(table->problems().empty());
}

TEST(TextTable, WithoutHeaderFieldsAreNumbered) {
    TempFolder folder;
    write(folder / "n.txt", "1,a\n2,b\n");
    const auto table = openTable(folder / "n.txt");
    EXPECT_EQ(table->fields()[0].name, "Field1");
    EXPECT_EQ(table->fields()[1].name, "Field2");
    EXPECT_EQ(readAll(*table).size(), 2u);
}

TEST(TextTable, SchemaFileGivesFieldsAndDialect) {
    TempFolder folder;
    write(folder / "orders.txt", "'A1'|12|T|3/4/2001\n'B''2'|-5|F|\n");
    write(folder / "ORDERS.sch",
          "[ORDERS]\nFILETYPE=VARYING\nCHARSET=ansi\nDELIMITER='\nSEPARATOR=|\n"
          "Field1=CODE,CHAR,5,00,00\nField2=QTY,LONGINT,4,00,00\nField3=OK,BOOL,1,00,00\nField4=DAY,DATE,10,00,00\n");
    const auto table = openTable(folder / "orders.txt");
    ASSERT_EQ(table->fields().size(), 4u);
    EXPECT_EQ(table->fields()[0].size, 5);
    EXPECT_EQ(table->facts().codePage, "CP1252");
    const auto records = readAll(*table);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1][0].asString(), "B'2");
    EXPECT_EQ(records[1][1].asInt(), -5);
    EXPECT_FALSE(records[1][2].asBool());
    EXPECT_EQ(records[0][3].asDate(), Date::fromCivil(2001, 3, 4));
}

TEST(TextTable, FixedSchemaCutsColumns) {
    TempFolder folder;
    write(folder / "f.txt", "Ann  0012\nBob  0340\n");
    write(folder / "f.sch", "FILETYPE=FIXED\nField1=NAME,CHAR,5,0,0\nField2=N,LONGINT,4,0,5\n");
    const auto table = openTable(folder / "f.txt");
    const auto records = readAll(*table);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1][0].asString(), "Bob");
    EXPECT_EQ(records[1][1].asInt(), 340);
    EXPECT_EQ(table->facts().version, "fixed");
}

TEST(TextTable, ValueThatDoesNotReadIsNullAndAProblem) {
    TempFolder folder;
    write(folder / "t.txt", "N\n1\n2\n");
    write(folder / "t.sch", "Field1=N,LONGINT,4,0,0\n");
    const auto table = openTable(folder / "t.txt");
    const auto records = readAll(*table);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_TRUE(records[0][0].isNull());
    ASSERT_EQ(table->problems().size(), 1u);
    EXPECT_NE(table->problems()[0].message.find("'N'"), std::string::npos);
}

TEST(TextTable, DecodesTheCodePage) {
    TempFolder folder;
    write(folder / "c.txt", "NAME,CITY\nJos\xe9,K\xf6ln\n");
    const auto table = openTable(folder / "c.txt");
    EXPECT_EQ(table->facts().codePage, "CP1252");
    EXPECT_EQ(readAll(*table).at(0)[1].asString(), "K\xc3\xb6ln");
}

TEST(TextTable, FamilyHoldsTheSchema) {
    TempFolder folder;
    write(folder / "h.txt", "1\n");
    write(folder / "h.SCH", "Field1=N,LONGINT,4,0,0\n");
    const auto files = driverFor(ttASCII).familyFiles(folder / "h.txt");
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[1].filename(), "h.SCH");
}

class DamagedSchema : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(DamagedSchema, NamesTheFileAndTheProblem) {
    TempFolder folder;
    write(folder / "d.txt", "1\n");
    write(folder / "d.sch", GetParam().first);
    try {
        openTable(folder / "d.txt");
        FAIL() << "opened";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kFormat);
        EXPECT_NE(e.message().find("d.sch"), std::string::npos) << e.message();
        EXPECT_NE(e.message().find(GetParam().second), std::string::npos) << e.message();
    }
}

INSTANTIATE_TEST_SUITE_P(Schemas, DamagedSchema,
                         ::testing::Values(std::pair{"Field1=N,WHATEVER,4,0,0\n", "unknown field type"},
                                           std::pair{"Field2=N,LONGINT,4,0,0\n", "out of sequence"},
                                           std::pair{"Field1=N,LONGINT\n", "name,type,width,decimals,offset"},
                                           std::pair{"Field1=N,CHAR,99999999,0,0\n", "the width"},
                                           std::pair{"FILETYPE=ODD\nField1=N,CHAR,1,0,0\n", "VARYING or FIXED"},
                                           std::pair{"garbage\n", "KEY=VALUE"},
                                           std::pair{"FILETYPE=FIXED\n", "no Field1"}));

TEST(TextTable, OverlongRecordIsCutAndReported) {
    TempFolder folder;
    {
        std::ofstream out(folder / "long.txt", std::ios::binary);
        out << "A,B\n1,x\n2,y\n3,";
        const std::string chunk(1 << 20, 'x');
        for (int i = 0; i < 17; ++i) out << chunk;
        out << "\n4,z\n";
    }
    const auto table = openTable(folder / "long.txt");
    Record record;
    ASSERT_EQ(table->recordCount(), 4u);
    table->readSlot(2, record);
    EXPECT_LE(record[1].asString().size(), 16u << 20);
    ASSERT_FALSE(table->problems().empty());
    EXPECT_NE(table->problems()[0].message.find("longer than"), std::string::npos);
    table->readSlot(3, record);
    EXPECT_EQ(record[1].asString(), "z");
}

}  // namespace
}  // namespace tabulon
