// Index order: the primary index walks the records in the file's key order and finds each key
// again; secondary indexes list every record once, in their own order.
#include <gtest/gtest.h>

#include <set>

#include "ParadoxFixtures.h"
#include "storage/Drivers.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {
const char* const kKeyedTables[] = {
    "aquatox/LOAD3.DB",
    "aquatox/LoadHourI.db",
    "aquatox/tempedit.db",
    "aquatox/LOAD4.DB",
    "paradoxdriver/areas/STATES.DB",
    "paradoxdriver/areas/ZIPCODES.DB",
    "paradoxdriver/db/AREACODE.DB",
    "paradoxdriver/db/AREACODES.DB",
    "paradoxdriver/db/GENERAL.DB",
    "paradoxdriver/geog/County.DB",
    "paradoxdriver/geog/tblAC.DB",
    "paradoxdriver/geog/tblsttes.DB",
    "paradoxdriver/joins/C.DB",
    "python-pxlib/KOMMENT.DB",
    "python-pxlib/LAND.DB",
    "rparadox/TypSammlung.DB",
    "pyparadoxdb/test.db",
};

class ParadoxPrimaryIndex : public ::testing::TestWithParam<const char*> {};
}  // namespace

TEST_P(ParadoxPrimaryIndex, WalksTheChainInKeyOrderAndFindsEveryKey) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    const auto table = openTable(paradoxFixtures() / GetParam());
    const auto indexes = table->indexes();
    ASSERT_FALSE(indexes.empty());
    EXPECT_EQ(indexes[0].options, ixPrimary | ixUnique);
    auto cursor = table->openIndex("");
    std::uint64_t slot = 0;
    for (bool more = cursor->first(); more; more = cursor->next(), ++slot) {
        ASSERT_EQ(cursor->recordId(), table->recordIdAt(slot));
    }
    ASSERT_EQ(slot, table->recordCount());
    // Exact seeks land on the record itself: the sort order agrees with the file's.
    auto probe = table->openIndex("");
    slot = 0;
    for (bool more = cursor->first(); more; more = cursor->next(), ++slot) {
        ASSERT_TRUE(probe->seek(cursor->key(), false)) << joinValues(cursor->key(), 4);
        ASSERT_EQ(probe->recordId(), cursor->recordId()) << joinValues(cursor->key(), 4);
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ParadoxPrimaryIndex, ::testing::ValuesIn(kKeyedTables), [](const auto& info) {
    std::string name = info.param;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
});

TEST(ParadoxSecondaryIndexes, ListTheirNamesFieldsAndOptions) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    const struct {
        const char* table;
        const char* name;
        const char* fields;
        IndexOptions options;
    } cases[] = {
        {"paradoxdriver/db/AREACODES.DB", "ste", "State", ixCaseInsensitive},
        {"paradoxdriver/joins/C.DB", "A", "A", 0},
        {"paradoxdriver/joins/C.DB", "B", "B", 0},
        {"paradoxdriver/joins/fk4.db", "reference", "FK1;FK", 0},
        {"paradoxdriver/joins/indexed.db", "Descending", "Indexed", ixDescending | ixCaseInsensitive},
        {"paradoxdriver/joins/multiple.db", "FK2", "FK2", 0},
        {"paradoxdriver/joins/case.db", "C", "C", 0},
    };
    for (const auto& c : cases) {
        const auto table = openTable(paradoxFixtures() / c.table);
        bool found = false;
        for (const auto& index : table->indexes())
            if (index.name == c.name) {
                found = true;
                EXPECT_EQ(index.fields, c.fields) << c.table;
                EXPECT_EQ(index.options, c.options) << c.table << " " << c.name;
                EXPECT_TRUE(index.usable);
            }
        EXPECT_TRUE(found) << c.table << " " << c.name;
    }
}

TEST(ParadoxSecondaryIndexes, ListEveryRecordOnceInIndexOrder) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    const struct {
        const char* table;
        const char* index;
        std::size_t field;
    } cases[] = {
        {"paradoxdriver/db/AREACODES.DB", "ste", 1}, {"paradoxdriver/joins/C.DB", "A", 1},
        {"paradoxdriver/joins/C.DB", "B", 2},        {"paradoxdriver/joins/fk4.db", "reference", 1},
        {"paradoxdriver/joins/case.db", "C", 0},
    };
    for (const auto& c : cases) {
        const auto table = openTable(paradoxFixtures() / c.table);
        auto cursor = table->openIndex(c.index);
        std::set<RecordId> seen;
        Record r;
        std::string previous;
        for (bool more = cursor->first(); more; more = cursor->next()) {
            ASSERT_TRUE(seen.insert(cursor->recordId()).second) << c.table;
            table->readRecord(cursor->recordId(), r);
            EXPECT_EQ(r[c.field].toText(), cursor->key()[0].toText()) << c.table;
            EXPECT_LE(previous, r[c.field].toText()) << c.table;  // these keys order alike as text
            previous = r[c.field].toText();
        }
        EXPECT_EQ(seen.size(), table->recordCount()) << c.table;
    }
}

TEST(ParadoxSecondaryIndexes, SeekFindsTheFirstEntryOfAKey) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    const auto table = openTable(paradoxFixtures() / "paradoxdriver/db/AREACODES.DB");
    auto cursor = table->openIndex("ste");
    ASSERT_TRUE(cursor->seek({Value::string("nj")}, false));  // a case-insensitive index
    Record r;
    table->readRecord(cursor->recordId(), r);
    EXPECT_EQ(r[1].asString(), "NJ");
    ASSERT_TRUE(cursor->prior());
    table->readRecord(cursor->recordId(), r);
    EXPECT_LT(r[1].asString(), "NJ");
}
