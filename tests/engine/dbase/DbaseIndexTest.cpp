// Ordered access, seeks and equal-key ranges through the .MDX, .CDX and .NDX fixtures, and
// damaged index files that must fail by name instead of looping.
#include <gtest/gtest.h>

#include <fstream>

#include "core/EngineError.h"
#include "engine/dbase/FixtureFiles.h"
#include "storage/Drivers.h"
#include "storage/dbase/DbaseTable.h"
#include "storage/dbase/IndexKeyCodec.h"
#include "storage/dbase/MdxWriter.h"
#include "support/TempFolder.h"

using namespace tabulon;
using tabulon::testing::dbaseFixtures;
using tabulon::testing::TempFolder;

namespace {
std::vector<RecordId> order(StorageTable& table, const std::string& index) {
    auto cursor = table.openIndex(index);
    std::vector<RecordId> ids;
    for (bool more = cursor->first(); more; more = cursor->next()) ids.push_back(cursor->recordId());
    return ids;
}

std::vector<RecordId> reverseOrder(StorageTable& table, const std::string& index) {
    auto cursor = table.openIndex(index);
    std::vector<RecordId> ids;
    for (bool more = cursor->last(); more; more = cursor->prior()) ids.insert(ids.begin(), cursor->recordId());
    return ids;
}

struct OrderCase {
    const char* table;
    const char* index;
    std::vector<RecordId> records;
};
std::ostream& operator<<(std::ostream& out, const OrderCase& c) { return out << c.table << " " << c.index; }

class IndexOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(IndexOrder, ReadsRecordsInKeyOrderBothWays) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    auto table = openTable(dbaseFixtures() / GetParam().table);
    EXPECT_EQ(order(*table, GetParam().index), GetParam().records);
    EXPECT_EQ(reverseOrder(*table, GetParam().index), GetParam().records);
}

INSTANTIATE_TEST_SUITE_P(Manifest, IndexOrder,
                         ::testing::Values(OrderCase{"dbase4_mdx/TEST.DBF", "TEST1", {3, 1, 2}},
                                           OrderCase{"dbase4_mdx/TEST.DBF", "test2", {1, 3, 2}},
                                           OrderCase{"foxpro_cdx/setup.dbf", "KEY_NAME", {1, 2, 3}},
                                           OrderCase{"foxpro_cdx/contacts.dbf", "TYPE_ID", {2, 4, 5, 1, 3}},
                                           OrderCase{"foxpro_cdx/calls.dbf",
                                                     "CALL_ID",
                                                     {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}},
                                           OrderCase{"foxpro_cdx/types.dbf", "TYPE_ID", {1, 2}},
                                           // Record 4 of the index lies beyond the table's header count: not shown.
                                           OrderCase{"ndx/class.DBF", "classId.ndx", {1, 2, 3}},
                                           OrderCase{"ndx/class.DBF", "TchrClass.ndx", {1, 2, 3}}));

TEST(IndexDefinitions, ListTagsWithTheirExpressionsAndOptions) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    auto table = openTable(dbaseFixtures() / "foxpro_cdx/contacts.dbf");
    const auto indexes = table->indexes();
    ASSERT_EQ(indexes.size(), 2u);
    EXPECT_EQ(indexes[0].name, "CONTACT_ID");
    EXPECT_EQ(indexes[0].fields, "CONTACT_ID");
    EXPECT_TRUE(indexes[0].options & ixUnique);
    EXPECT_EQ(indexes[1].expression, "contact_type_id");
    EXPECT_EQ(indexes[1].file, "contacts.CDX");
    EXPECT_TRUE(indexes[1].usable);
}

struct SeekCase {
    const char* table;
    const char* index;
    Value key;
    bool partial;
    bool found;
    RecordId record;
};
std::ostream& operator<<(std::ostream& out, const SeekCase& c) { return out << c.index << " " << c.key.toText(); }

class IndexSeek : public ::testing::TestWithParam<SeekCase> {};

TEST_P(IndexSeek, GoesToTheNearestKey) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    const SeekCase& c = GetParam();
    auto table = openTable(dbaseFixtures() / c.table);
    auto cursor = table->openIndex(c.index);
    ASSERT_EQ(cursor->seek({c.key}, c.partial), c.found);
    if (c.found) {
        EXPECT_EQ(cursor->recordId(), c.record);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Manifest, IndexSeek,
    ::testing::Values(SeekCase{"dbase4_mdx/TEST.DBF", "TEST1", Value::string("test2"), false, true, 2},
                      SeekCase{"dbase4_mdx/TEST.DBF", "TEST1", Value::string("test"), true, true, 1},
                      SeekCase{"dbase4_mdx/TEST.DBF", "TEST1", Value::string("a"), false, true, 1},
                      SeekCase{"dbase4_mdx/TEST.DBF", "TEST1", Value::string("zzz"), false, false, 0},
                      SeekCase{"dbase4_mdx/TEST.DBF", "TEST2", Value::integer(10), false, true, 1},
                      SeekCase{"dbase4_mdx/TEST.DBF", "TEST2", Value::integer(15), false, true, 3},
                      SeekCase{"dbase4_mdx/TEST.DBF", "TEST2", Value::floating(20), false, true, 2},
                      SeekCase{"dbase4_mdx/TEST.DBF", "TEST2", Value::integer(16), false, true, 2},
                      SeekCase{"dbase4_mdx/TEST.DBF", "TEST2", Value::integer(30), false, false, 0},
                      SeekCase{"foxpro_cdx/calls.dbf", "CALL_ID", Value::integer(9), false, true, 9},
                      SeekCase{"foxpro_cdx/setup.dbf", "KEY_NAME", Value::string("CONTACT_"), true, true, 3},
                      SeekCase{"foxpro_cdx/setup.dbf", "KEY_NAME", Value::string("CONTACTS"), false, true, 2},
                      SeekCase{"ndx/class.DBF", "TchrClass.ndx", Value::string("3000"), true, true, 2}));

// An NDX whose root page points to itself as its own child.
TEST(IndexDamage, APageLoopFailsNamingTheFile) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    TempFolder dir;
    for (const char* name : {"class.DBF", "class.dbt", "classId.ndx"})
        std::filesystem::copy_file(dbaseFixtures() / "ndx" / name, dir / name);
    {
        std::fstream f(dir / "classId.ndx", std::ios::in | std::ios::out | std::ios::binary);
        const char branch[] = {1, 0, 0, 0, 1, 0, 0, 0};  // one key whose child is page 1 itself
        f.seekp(512);
        f.write(branch, sizeof branch);
    }
    auto table = openTable(dir / "class.DBF");
    try {
        table->openIndex("classId.ndx");
        FAIL() << "a looping index opened";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kFormat);
        EXPECT_NE(e.message().find("classId.ndx"), std::string::npos);
    }
}

TEST(IndexDamage, AMissingProductionIndexIsAProblemNotAFailure) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    TempFolder dir;
    std::filesystem::copy_file(dbaseFixtures() / "dbase4_mdx/TEST.DBF", dir / "TEST.DBF");
    auto table = openTable(dir / "TEST.DBF");
    EXPECT_TRUE(table->indexes().empty());
    ASSERT_FALSE(table->problems().empty());
    EXPECT_EQ(table->problems().back().file, "TEST.MDX");
}

}  // namespace

namespace {
// Numeric .MDX keys hold 20 significant digits; whole numbers and fractions, large and small,
// signed and not, read back as the numbers they were made from.
TEST(IndexKeys, NumericKeysReadBackAsTheirNumbers) {
    for (const double value : {1.0, 9.0, 10.0, 42.0, 1000.0, 999999.0, 1234567890123.0, 99999999999999999.0, 1e17, 1e18,
                               1e19, 0.5, 12.25, 1.0 / 3, 123456.789, -1.0, -10.0, -777.0, -0.125}) {
        const std::string key = tabulon::dbase::encodeBcdKey(value, 20);
        ASSERT_EQ(key.size(), 12u);
        EXPECT_DOUBLE_EQ(tabulon::dbase::decodeBcdKey(reinterpret_cast<const std::uint8_t*>(key.data())), value)
            << value;
    }
}
}  // namespace
