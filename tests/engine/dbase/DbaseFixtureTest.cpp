// Every table in the shared dBase fixtures reads as its MANIFEST states.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "core/EngineError.h"
#include "engine/dbase/FixtureFiles.h"
#include "storage/Drivers.h"

using namespace tabulon;
using tabulon::testing::dbaseFixtures;

namespace {
struct FieldValue {
    const char* field;
    const char* text;  // Value::toText() of the value; "" for null
};

struct FixtureCase {
    const char* file;
    const char* version;
    const char* codePage;
    std::uint64_t slots;
    std::uint64_t live;
    std::size_t fieldCount;
    std::vector<FieldValue> firstLive;  // the first record that is not deleted
    const char* encoding = "";
};

std::ostream& operator<<(std::ostream& out, const FixtureCase& c) { return out << c.file; }

std::size_t fieldIndex(const StorageTable& table, const std::string& name) {
    for (std::size_t i = 0; i < table.fields().size(); ++i)
        if (table.fields()[i].name == name) return i;
    ADD_FAILURE() << "no field " << name;
    return 0;
}

Record firstLiveRecord(StorageTable& table) {
    Record record;
    for (std::uint64_t slot = 0; slot < table.slotCount(); ++slot)
        if (table.readSlot(slot, record)) return record;
    return {};
}

class DbaseFixture : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(DbaseFixture, ReadsAsTheManifestSays) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    const FixtureCase& c = GetParam();
    auto table = openTable(dbaseFixtures() / c.file, {.encoding = c.encoding});
    EXPECT_EQ(table->facts().format, "dbase");
    EXPECT_EQ(table->facts().version, c.version);
    EXPECT_EQ(table->facts().codePage, c.codePage);
    EXPECT_EQ(table->slotCount(), c.slots);
    EXPECT_EQ(table->recordCount(), c.live);
    EXPECT_EQ(table->fields().size(), c.fieldCount);
    if (c.firstLive.empty()) return;
    const Record record = firstLiveRecord(*table);
    ASSERT_EQ(record.size(), c.fieldCount);
    for (const FieldValue& expected : c.firstLive)
        EXPECT_EQ(record[fieldIndex(*table, expected.field)].toText(), expected.text) << expected.field;
}

INSTANTIATE_TEST_SUITE_P(
    Manifest, DbaseFixture,
    ::testing::Values(
        FixtureCase{
            "dbase3/dbase_03.dbf", "dBase III", "CP437", 14, 12, 31, {{"Point_ID", "0507121"}, {"Type", "CMP"}}},
        FixtureCase{"dbase3/dbase_03_nullchar.dbf", "dBase III", "CP437", 3, 3, 2, {{"TXTCOL", "1234test"}}},
        FixtureCase{
            "dbase3/contain_none_float.dbf",
            "dBase III",
            "CP437",
            1,
            1,
            5,
            {{"name", "tralala"}, {"value_f", "12.345"}, {"value_f_non", ""}, {"value_n", "4"}, {"value_n_non", ""}}},
        FixtureCase{
            "dbase3/dBaseIII_nomemo.dbf", "dBase III", "CP437", 10, 10, 18, {{"REGN", "1"}, {"NUM_SC", "10605"}}},
        FixtureCase{"dbase3/dbase3.dbf",
                    "dBase III",
                    "CP437",
                    2,
                    2,
                    6,
                    {{"N_ID", "1"}, {"C_CHAR10", "char"}, {"L_BOOL", "True"}, {"D_DATE", "2001-01-01"}}},
        FixtureCase{"dbase3/dbase3_empty_boolean.dbf", "dBase III", "CP437", 2, 1, 6, {{"L_BOOL", ""}}},
        FixtureCase{
            "dbase3/dbase3_empty_number.dbf", "dBase III", "CP437", 2, 2, 6, {{"N_DECIMAL", ""}, {"N_INT", "1"}}},
        FixtureCase{"dbase3_memo/dbase_83.dbf",
                    "dBase III with memo",
                    "CP437",
                    67,
                    67,
                    15,
                    {{"ID", "87"}, {"NAME", "Assorted Petits Fours"}}},
        FixtureCase{"dbase3_memo/dBaseIII.dbf",
                    "dBase III with memo",
                    "CP1252",
                    3,
                    3,
                    6,
                    {{"NAME", "Groot"}, {"BIRTHDAY", "1960-11-01"}, {"IS_MAN", "False"}}},
        FixtureCase{"dbase4_memo/dbase_8b.dbf",
                    "dBase IV with memo",
                    "CP437",
                    10,
                    10,
                    6,
                    {{"CHARACTER", "One"},
                     {"NUMERICAL", "1"},
                     {"DATE", "1970-01-01"},
                     {"LOGICAL", "True"},
                     {"FLOAT", "1.23456789012346"},
                     {"MEMO", "First memo\r\n"}}},
        FixtureCase{"dbase4_mdx/TEST.DBF", "dBase III", "CP437", 3, 3, 2, {{"TEST1", "test1"}, {"TEST2", "10"}}},
        FixtureCase{"dbase7/test_delete.dbf", "dBase 7", "CP437", 3, 2, 1, {{"FNAME", "john"}}},
        FixtureCase{"dbase7/dBaseVII.dbf",
                    "dBase 7 with memo",
                    "CP866",
                    3,
                    3,
                    12,
                    {{"AUTO_INC", "0"},
                     {"INTEGER", "1"},
                     {"LARGE_INT", "4"},
                     {"DATETIME", "1800-01-01T01:01:01.000"},
                     {"BLOB", "cXdl"},
                     {"DBASE_OLE", ""}}},
        FixtureCase{"dbase7/dBaseVII_int.dbf", "dBase 7", "CP866", 6, 6, 1, {{"INT", "1"}}},
        FixtureCase{"dbase7/dBaseVII_double.dbf", "dBase 7", "CP437", 5, 5, 1, {{"double", "-199.99"}}},
        FixtureCase{"dbase7/dBaseVII_ts.dbf", "dBase 7", "CP866", 15, 9, 1, {{"TS", "1900-01-01T00:00:00.000"}}},
        FixtureCase{"ndx/class.DBF",
                    "dBase III with memo",
                    "CP437",
                    3,
                    3,
                    8,
                    {{"CLASSID", "JAVA10100"}, {"CREDITS", "3"}, {"UNDERGRAD", "True"}, {"DISCUSS", "Intro class"}}},
        FixtureCase{
            "foxpro2/dbase_f5.dbf", "FoxPro 2 with memo", "CP437", 975, 975, 59, {{"NF", "1"}, {"NOM", "joan-ramon"}}},
        FixtureCase{"foxpro2/Foxpro2.dbf",
                    "FoxPro 2 with memo",
                    "CP1252",
                    3,
                    3,
                    8,
                    {{"NAME", "Groot"}, {"MONEY", "12.1235"}, {"RATE", "1.2"}}},
        FixtureCase{"foxpro_cdx/calls.dbf",
                    "Visual FoxPro with memo",
                    "CP1252",
                    16,
                    16,
                    6,
                    {{"CALL_ID", "1"}, {"CALL_DATE", "1994-11-21T13:35:39.000"}, {"SUBJECT", "Buy flavored coffees."}}},
        FixtureCase{
            "foxpro_cdx/contacts.dbf", "Visual FoxPro with memo", "CP1252", 5, 5, 29, {{"FIRST_NAME", "Nancy"}}},
        FixtureCase{
            "foxpro_cdx/setup.dbf", "Visual FoxPro", "CP1252", 3, 3, 2, {{"KEY_NAME", "CALLS"}, {"VALUE", "21"}}},
        FixtureCase{"foxpro_cdx/types.dbf", "Visual FoxPro", "CP1252", 2, 2, 2, {{"CONTACT_T2", "Buyer"}}},
        FixtureCase{"vfp/dbase_30.dbf", "Visual FoxPro with memo", "CP1252", 34, 34, 145, {{"ACCESSNO", "1999.1"}}},
        FixtureCase{"vfp/dbase_31.dbf",
                    "Visual FoxPro",
                    "CP1252",
                    77,
                    77,
                    10,
                    {{"PRODUCTID", "1"},
                     {"PRODUCTNAM", "Chai"},
                     {"REORDERLEV", "10"},
                     {"DISCONTINU", "False"},
                     {"UNITPRICE", "18"}}},
        FixtureCase{"vfp/dbase_32.dbf", "Visual FoxPro", "CP1252", 1, 1, 1, {{"NAME", "Bad Meets Evil"}}},
        FixtureCase{"vfp/vfp9_30.dbf",
                    "Visual FoxPro",
                    "CP1252",
                    3,
                    2,
                    6,
                    {{"FIELD2", "2013-12-12"}, {"FIELD3", "2013-12-12T08:30:00.000"}}},
        FixtureCase{"vfp/vfp9_30_memo.dbf",
                    "Visual FoxPro with memo",
                    "CP1252",
                    3,
                    2,
                    6,
                    {{"DATE", "2021-10-11"}, {"TIME", "2021-10-11T22:34:50.000"}}},
        FixtureCase{
            "vfp/vfp9_memo_bs1.dbf", "Visual FoxPro with memo", "CP1252", 5, 5, 2, {{"NOTES", "Some notes here\r\n"}}},
        FixtureCase{"vfp/TEST.DBF",
                    "Visual FoxPro with memo",
                    "CP1252",
                    3,
                    2,
                    16,
                    {{"PRODUCTID", "1"}, {"PRICE", "12.3456"}, {"DATE", "2022-04-10"}}},
        FixtureCase{"vfp/memotest.dbf",
                    "Visual FoxPro with memo",
                    "CP437",
                    3,
                    2,
                    3,
                    {{"NAME", "Alice"}, {"BIRTHDATE", "1987-03-01"}, {"MEMO", "Alice memo"}}},
        FixtureCase{"codepages/cp1251.dbf",
                    "Visual FoxPro",
                    "CP1251",
                    4,
                    4,
                    2,
                    {{"RN", "1"}, {"NAME", "амбулаторно-поликлиническое"}}},
        FixtureCase{"codepages/dbase_03_cyrillic.dbf", "dBase III", "UTF-8", 2, 2, 2, {{"ПЛОЩА", "36.3"}}, "UTF-8"},
        FixtureCase{"codepages/provincias_es.dbf", "dBase III", "CP1252", 52, 52, 5, {{"Texto", "Álava"}}},
        FixtureCase{"codepages/WSPMST.DBF",
                    "dBase III",
                    "TIS-620",
                    6802,
                    6797,
                    32,
                    {{"DISPNAME", "รองเท้าบุรุษADDA 61S02-M1"}},
                    "TIS-620"},
        FixtureCase{"large/words.dbf", "dBase III", "CP437", 60247, 60247, 1, {{"WORD", "A/C"}}},
        // 15 descriptors, one of them the hidden _NullFlags.
        FixtureCase{"empty/visual_fox_pro6.dbf", "Visual FoxPro with memo", "CP1252", 0, 0, 14, {}},
        FixtureCase{"empty/carts.dbf", "dBase III", "CP437", 0, 0, 4, {}},
        FixtureCase{"empty/polygon.dbf", "dBase III", "CP437", 1, 1, 0, {}},
        FixtureCase{"empty/a.dbf", "dBase III", "CP437", 0, 0, 1, {}},
        FixtureCase{"deleted/PYACFL.DBF",
                    "dBase III",
                    "CP437",
                    45,
                    15,
                    20,
                    {{"AFCLPD", "W"}, {"AFHRPW", "2.92308"}, {"AFLVCL", "0"}, {"AFCRDA", "1999-03-25"}}},
        FixtureCase{
            "deleted/people.dbf", "dBase III", "CP437", 3, 2, 2, {{"NAME", "Alice"}, {"BIRTHDATE", "1987-03-01"}}},
        FixtureCase{"damaged/concurr.dbf", "dBase III", "CP437", 99, 99, 2, {}},
        FixtureCase{"damaged/contain_null_padded_numeric.dbf", "dBase III", "CP437", 1, 1, 1, {{"number", "1234"}}},
        FixtureCase{"damaged/invalid_value.dbf", "dBase III", "CP437", 3, 2, 2, {{"NAME", "Alice"}, {"BIRTHDATE", ""}}},
        FixtureCase{"damaged/dbase3_invalid_terminator.dbf", "dBase III", "CP437", 2, 2, 6, {{"C_CHAR10", "char"}}},
        FixtureCase{"damaged/dbase3_invalid_last_update.dbf", "dBase III", "CP437", 0, 0, 6, {}},
        FixtureCase{"damaged/dbase_83_missing_memo.dbf",
                    "dBase III with memo",
                    "CP437",
                    67,
                    67,
                    15,
                    {{"ID", "87"}, {"DESC", ""}}}));

TEST(DbaseDeletedRecords, ReadRecordStillReachesADeletedOne) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    auto table = openTable(dbaseFixtures() / "deleted/PYACFL.DBF");
    Record record;
    EXPECT_FALSE(table->readSlot(0, record));
    table->readRecord(table->recordIdAt(0), record);
    EXPECT_EQ(record[11].toText(), "1991-04-15");
}

std::string trimmed(const std::string& s) {
    const auto begin = s.find_first_not_of(' ');
    return begin == std::string::npos ? "" : s.substr(begin, s.find_last_not_of(' ') - begin + 1);
}

// Values as the sources' own CSVs print them: dd/mm/yyyy dates, date-times cut to the second,
// numbers in any notation, text trimmed.
bool sameAsCsv(const Value& value, const std::string& expected) {
    if (value.kind() == ValueKind::Timestamp) {
        const Timestamp wanted = Timestamp::parse(expected.substr(6, 4) + "-" + expected.substr(3, 2) + "-" +
                                                  expected.substr(0, 2) + "T" + expected.substr(11));
        return std::llabs(value.asTimestamp().milliseconds - wanted.milliseconds) <= 1000;
    }
    if (value.kind() == ValueKind::Date) {
        const CivilDate d = value.asDate().toCivil();
        char text[16];
        std::snprintf(text, sizeof text, "%02d/%02d/%04d", d.day, d.month, d.year);
        return expected == text;
    }
    if (value.kind() == ValueKind::Float || value.kind() == ValueKind::Integer || value.kind() == ValueKind::Currency) {
        char* end = nullptr;
        const double wanted = std::strtod(expected.c_str(), &end);
        return end && *end == '\0' && !expected.empty() &&
               std::fabs(value.asDouble() - wanted) <= 1e-9 * (1 + std::fabs(wanted));
    }
    if (value.kind() == ValueKind::Boolean)
        return expected == (value.asBool() ? "T" : "F") || expected == (value.asBool() ? "true" : "false");
    return trimmed(value.toText()) == expected;
}

struct CsvCase {
    const char* table;
    const char* csv;
};
std::ostream& operator<<(std::ostream& out, const CsvCase& c) { return out << c.table; }

class DbaseCsv : public ::testing::TestWithParam<CsvCase> {};

TEST_P(DbaseCsv, EveryValueMatchesTheSourcesCsv) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    auto table = openTable(dbaseFixtures() / GetParam().table);
    const auto rows = tabulon::testing::readCsv(dbaseFixtures() / GetParam().csv);
    ASSERT_EQ(rows.size(), table->slotCount() + 1);
    const std::size_t columns = std::min(rows[0].size(), table->fields().size());
    for (std::size_t i = 0; i < columns; ++i) EXPECT_EQ(rows[0][i], table->fields()[i].name);
    Record record;
    for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot) {
        table->readRecord(table->recordIdAt(slot), record);
        for (std::size_t i = 0; i < columns; ++i)
            EXPECT_TRUE(sameAsCsv(record[i], rows[slot + 1][i]))
                << "record " << slot + 1 << " field " << rows[0][i] << ": read '" << record[i].toText()
                << "', expected '" << rows[slot + 1][i] << "'";
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, DbaseCsv,
                         ::testing::Values(CsvCase{"dbase3/dbase_03.dbf", "dbase3/dbase_03.csv"},
                                           CsvCase{"dbase3/dbase_03_nullchar.dbf", "dbase3/dbase_03_nullchar.csv"},
                                           CsvCase{"vfp/foxpro_currency_01.dbf", "vfp/foxpro_currency_01.csv"},
                                           CsvCase{"vfp/dbase_30.dbf", "vfp/dbase_30.csv"}));

}  // namespace
