// Every table of the fixture set reads as its MANIFEST states: level, code page, record count,
// first and last rows, walked along the block chain.
#include <gtest/gtest.h>

#include "ParadoxFixtures.h"
#include "core/EngineError.h"
#include "storage/Drivers.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {
struct FixtureCase {
    const char* path;
    const char* level;
    const char* codePage;
    std::uint64_t records;
    const char* first;  // first 8 fields, "|"-joined
    const char* last;   // first 4 fields
};

const FixtureCase kCases[] = {
    {"aquatox/ANIMFORM.DB", "7", "CP437", 10, "Chironomid|1|prof. judgment|3|Leidy & Ploskey 1980, p. 95|0||1.62",
     "Largemouth Bass, Lg|1.5|Leidy & Jenkins '77 (2.0)|0.055"},
    {"aquatox/AnimToxForm.DB", "7", "CP437", 11,
     "Trout|142|96|est. K2 based on size; Mayer & Ellersieck '85|0.0018651336968480837|0|0|0", "Other|0|0|"},
    {"aquatox/CHEMFORM.DB", "7", "CP437", 1,
     "Esfenvalerate|419.91|0.002|Knisel et al. in press|0.000000061|Piranha|PKA Reference|0",
     "Esfenvalerate|419.91|0.002|Knisel et al. in press"},
    {"aquatox/InitCond.DB", "7", "CP1252", 40, "NH3 & NH4+|0.05|mg/L", "pH|6.5|pH"},
    {"aquatox/LOAD3.DB", "7", "CP437", 3195, "1998-01-01|607779.776967876", "2006-09-30|1425619.59093216"},
    {"aquatox/LOAD4.DB", "7", "CP437", 0, "", ""},
    {"aquatox/LOAD5.DB", "7", "CP437", 0, "", ""},
    {"aquatox/LOAD6.DB", "7", "CP437", 3195, "1998-01-01|635425.462893387", "2006-09-30|1478691.06438495"},
    {"aquatox/Load7.db", "7", "CP437", 5, "1994-01-19|626323.41504", "1994-01-23|643449.44592"},
    {"aquatox/LOAD8.DB", "7", "CP437", 0, "", ""},
    {"aquatox/LOADING.DB", "7", "CP437", 0, "", ""},
    {"aquatox/loadhour.DB", "7", "CP437", 0, "", ""},
    {"aquatox/LoadHourI.db", "7", "CP437", 5, "1997-05-01T00:00:00.000|0.67246330316741",
     "1997-05-01T04:00:00.000|0.785929916794388"},
    {"aquatox/PlantToxForm.DB", "7", "CP437", 4, "Greens|0|24|0||20.5244|0|0", "Macrophytes|0|24|0"},
    {"aquatox/PLNTFORM.DB", "7", "CP437", 6,
     "Phyto, Diatom wrm|22.5|C&W p. 41; generally accepted = 150|0.017|Collins & Wlosinski '83, p. 33, 0.055, "
     "0.001|0.011|Collins & Wlosinski '83, p. 36|0.054",
     "Cylindrospermopsis|18|Jones and Sauter 2005 = 23.5|0.001"},
    {"aquatox/REMNFORM.DB", "7", "CP437", 1,
     "Default Remin Record|0.0159|Gunnison 1985, p. 63 (phytoplankton)|2|no longer used|25|temperature at which "
     "degradation measured|65",
     "Default Remin Record|0.0159|Gunnison 1985, p. 63 (phytoplankton)|2"},
    {"aquatox/SITEFORM.DB", "7", "CP437", 1,
     "Seg 2|13.08396672|Model schematic Troy Smith|161020.468610515|based on ave. 0.32 m depth|457938.8352|ave 74.8 "
     "m width from Hydraulic Calcs BCN.xls|1.87482190840241",
     "Seg 2|13.08396672|Model schematic Troy Smith|161020.468610515"},
    {"aquatox/tempedit.db", "7", "CP437", 69, "Chara|100|low-light adapted|0||0||0",
     "Stigeoclonium, peri.|27|Asaeda & Son 2000,Hill 1996, 139; G  & R 1996; Boston & Hill 1991, 131; Rosemond: "
     "only if >> nutrients|0.0093"},
    {"aquatox/TLOADING.DB", "7", "CP437", 0, "", ""},
    {"paradoxdriver/areas/AREACODE.DB", "3.0", "CP437", 239, "011|20|Egypt               |||",
     "10|777|(Sprint access)|"},
    {"paradoxdriver/areas/STATES.DB", "3.0", "CP437", 53, "AK|Alaska|995|999", "WY|Wyoming|820|831"},
    {"paradoxdriver/areas/ZIPCODES.DB", "4", "CP437", 43185, "00401|NY|Pleasantville", "99950|AK|Ketchikan"},
    {"paradoxdriver/db/AREACODE.DB", "4", "CP437", 135, "201|United States|New Jersey|NJ",
     "919|United States|North Carolina|NC"},
    {"paradoxdriver/db/AREACODES.DB", "7", "CP1252", 370, "201|NJ|Hackensack, Jersey City (201/551 overlay)",
     "989|MI|Saginaw"},
    {"paradoxdriver/db/DECIMAL.DB", "7", "CP1252", 9, "-200", "-1.387"},
    {"paradoxdriver/db/GENERAL.DB", "5", "CP936", 3, "1|Mari|100", "333333333|Elizabet|75"},
    {"paradoxdriver/db/ROMAN8.db", "4", "HP-ROMAN8", 1, "Š½ƒ¶", "Š½ƒ¶"},
    {"paradoxdriver/fields/bytes.db", "5", "CP850", 1, "", ""},
    {"paradoxdriver/fields/date35.db", "3.5", "CP437", 3, "2018-01-01", "2018-01-02"},
    {"paradoxdriver/fields/date4.db", "4", "CP850", 3, "2018-01-01", "2018-01-02"},
    {"paradoxdriver/fields/date5.db", "5", "CP850", 3, "2018-01-01|10:00:00.000", "2018-01-02|09:25:25.000"},
    {"paradoxdriver/fields/date7.db", "5", "CP850", 5, "2018-01-01|10:00:00.000", "2018-01-01|"},
    {"paradoxdriver/fields/long.db", "5", "CP850", 3, "1|1", "3|"},
    {"paradoxdriver/fields/logical.db", "5", "CP1252", 4, "True", "True"},
    {"paradoxdriver/fields/time.db", "5", "CP1252", 3, "01:00:01.000", "03:00:03.000"},
    {"paradoxdriver/fields/timestamp.db", "5", "CP850", 2, "", "2020-02-01T01:00:01.000"},
    {"paradoxdriver/geog/County.DB", "7", "CP437", 3218, "1|Abbeville|SC|45001", "3218|Ziebach|SD|46137"},
    {"paradoxdriver/geog/tblAC.DB", "7", "CP437", 220, "201|NJ||Hackensack, Jersey City, Newark, Morristown",
     "978|MA|1997-09-01|Lowell, Lawrence, Billerica, Concord, Wilmington, Sudbury, Fitchburg, P"},
    {"paradoxdriver/geog/tblsttes.DB", "7", "CP437", 58, "AK||Alaska|Juneau|1784|1959-01-03|49|",
     "WY|Mountain|Wyoming|Cheyenne"},
    {"paradoxdriver/joins/A.db", "5", "CP1252", 3, "1", "3"},
    {"paradoxdriver/joins/B.db", "5", "CP1252", 3, "4", "6"},
    {"paradoxdriver/joins/C.DB", "5", "CP1252", 3, "1|1|4", "3|3|6"},
    {"paradoxdriver/joins/case.db", "4", "CP1252", 1, "case", "case"},
    {"paradoxdriver/joins/destination.db", "5", "CP850", 1, "1|Test", "1|Test"},
    {"paradoxdriver/joins/fk4.db", "5", "CP850", 2, "1||1|", "2||2|"},
    {"paradoxdriver/joins/joina.db", "4", "CP1252", 3, "1", "3"},
    {"paradoxdriver/joins/joinb.db", "4", "CP1252", 3, "2", "4"},
    {"paradoxdriver/joins/origin.db", "5", "CP850", 1, "1|1", "1|1"},
    {"pyparadoxdb/test.db", "7", "CP1251", 2, "", ""},  // the header says CP1252; the text is CP1251
    {"python-pxlib/LAND.DB", "4", "CP865", 216, "AFG|SAS|Afghanistan|Afghanistan|#|ISL|AF|21765000",
     "ZZZ|ZZZ|Uspes. (Verden)|Unspecified (World)"},
    {"rparadox/empty.db", "7", "CP1252", 0, "", ""},
    {"rparadox/mushrooms.db", "7", "CP1252", 5, "", "5|Amanita virosa|Destroying Angel|Agaricales"},
    {"rparadox/of.db", "3.5", "CP866", 2197,
     "001370009||4732|АП-Т УЗТ-ПЕРЕНОСНОЙ|1972-01-01|20|154|Получено 29.09.2000 от 170 МОЛ",
     "5270||7007|ТУМБА ДЛЯ ТЕЛЕФОНА"},
    {"rparadox/of_cp866.db", "4", "CP866", 2197,
     "001370009||4732|АП-Т УЗТ-ПЕРЕНОСНОЙ|1972-01-01|20|154|Получено 29.09.2000 от 170 МОЛ",
     "5270||7007|ТУМБА ДЛЯ ТЕЛЕФОНА"},
};

class ParadoxFixture : public ::testing::TestWithParam<FixtureCase> {};
}  // namespace

TEST_P(ParadoxFixture, ReadsAsTheManifestStates) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    const FixtureCase& c = GetParam();
    const auto table = openTable(paradoxFixtures() / c.path, {.tolerant = false});
    EXPECT_TRUE(table->problems().empty());
    EXPECT_EQ(table->facts().format, "paradox");
    EXPECT_EQ(table->facts().version, c.level);
    EXPECT_EQ(table->facts().codePage, c.codePage);
    ASSERT_EQ(table->recordCount(), c.records);
    ASSERT_EQ(table->slotCount(), c.records);
    if (c.records == 0) return;
    Record record;
    ASSERT_TRUE(table->readSlot(0, record));
    EXPECT_EQ(record.size(), table->fields().size());
    if (*c.first) {
        EXPECT_EQ(joinValues(record, 8), c.first);
    }
    ASSERT_TRUE(table->readSlot(c.records - 1, record));
    if (*c.last) {
        EXPECT_EQ(joinValues(record, 4), c.last);
    }
    // Every record reads, and ids map back to their positions.
    for (std::uint64_t slot = 0; slot < c.records; ++slot) {
        const RecordId id = table->recordIdAt(slot);
        ASSERT_EQ(table->slotOf(id), slot);
        table->readRecord(id, record);
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ParadoxFixture, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name = info.param.path;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
});

TEST(ParadoxFixtures, EncryptedTablesAreRefusedWithAClearMessage) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    for (const char* name : {"encrypted.db", "encrypted35.db", "encryptedmemo.db"}) {
        try {
            openTable(paradoxFixtures() / "paradoxdriver/encrypt" / name);
            ADD_FAILURE() << name << " opened";
        } catch (const EngineError& e) {
            EXPECT_NE(e.message().find("password-protected table"), std::string::npos) << e.message();
            EXPECT_NE(e.message().find(name), std::string::npos) << e.message();
        }
    }
}

TEST(ParadoxFixtures, FieldNamesAndTypesComeFromTheHeader) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    const auto typs = openTable(paradoxFixtures() / "rparadox/TypSammlung.DB");
    const char* expected[][2] = {{"Alpha", "ftString"},         {"Numerisch", "ftFloat"},
                                 {"Währung", "ftCurrency"},     {"Integer kurz", "ftSmallint"},
                                 {"Integer lang", "ftInteger"}, {"BCD", "ftBCD"},
                                 {"Datum", "ftDate"},           {"Zeit", "ftTime"},
                                 {"Datum/Zeit", "ftDateTime"},  {"Memo", "ftMemo"},
                                 {"Logisch", "ftBoolean"},      {"Zähler", "ftAutoInc"},
                                 {"Binär", "ftBlob"},           {"Bytes", "ftBytes"}};
    ASSERT_EQ(typs->fields().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(typs->fields()[i].name, expected[i][0]);
        EXPECT_EQ(fieldTypeName(typs->fields()[i].type), expected[i][1]);
    }
    EXPECT_EQ(typs->fields()[5].size, 6);  // BCD: digits after the point
    EXPECT_EQ(typs->fields()[9].size, 1);  // memo: the part kept in the record
    EXPECT_EQ(typs->fields()[13].size, 255);

    const auto of = openTable(paradoxFixtures() / "rparadox/of.db");
    ASSERT_EQ(of->fields().size(), 19u);
    EXPECT_EQ(of->fields()[0].name, "Инвентарный номер");
    EXPECT_EQ(of->fields()[18].name, "Мол");
    const auto empty = openTable(paradoxFixtures() / "rparadox/empty.db");
    std::string names;
    for (const auto& f : empty->fields()) names += f.name + ",";
    EXPECT_EQ(names, "ID,ScientificName,CommonName,Order,Genus,Notes,Picture,");
}

TEST(ParadoxFixtures, EncodingOverrideReadsMislabelledText) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    const auto table = openTable(paradoxFixtures() / "pyparadoxdb/test.db", {.encoding = "CP1251"});
    EXPECT_EQ(table->facts().codePage, "CP1251");
    Record record;
    table->readSlot(0, record);
    EXPECT_EQ(joinValues(record, 5), "1|0|Внешний мир||");
    table->readSlot(1, record);
    EXPECT_EQ(joinValues(record, 3), "2|1|Офис");
}
