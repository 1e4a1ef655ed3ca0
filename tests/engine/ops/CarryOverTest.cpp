// What a rebuild through create + copy keeps beside records and indexes: a Paradox table's
// checks and view settings, a dBase table's attached .NDX files, and the table's format level.
#include <gtest/gtest.h>

#include "OpsFixture.h"
#include "engine/dbase/FixtureFiles.h"
#include "io/PagedFile.h"
#include "storage/paradox/ParadoxHeader.h"
#include "storage/paradox/ParadoxValidity.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {

constexpr std::size_t kLinkByte = 0x2E;

class CarryOverTest : public OpsFixture {
protected:
    // Gives ITEMS.DB the checks ID required and between 1 and 1000 (as the Integer field's
    // record bytes), and view settings.
    void addChecksAndViews(const std::filesystem::path& table) const {
        const auto header = paradox::ParadoxHeader::read(PagedFile::open(table, AccessMode::ReadOnly));
        paradox::ParadoxFieldCheck bounded{0, true, std::nullopt, std::nullopt, Bytes(28, 0)};
        bounded.stored[8] = bounded.stored[12] = 1;  // minimum and maximum present
        const Bytes bounds = {0x80, 0, 0, 1, 0x80, 0, 0x03, 0xE8};
        bounded.stored.insert(bounded.stored.end(), bounds.begin(), bounds.end());
        writeBytes(data() / "ITEMS.VAL", paradox::buildParadoxValidity(header, {bounded}));
        writeBytes(data() / "ITEMS.TV", Bytes{'v', 'i', 'e', 'w', 1, 2, 3});
        writeBytes(data() / "ITEMS.FAM", Bytes{'f', 'a', 'm', 4, 5});
    }

    static void expectRefused(const std::filesystem::path& path, const Record& record, const std::string& words) {
        const std::string error = errorOf([&] { openWritable(path)->append(record); });
        EXPECT_NE(error.find(words, error.find(':')), std::string::npos) << error;
    }

    TableDefinitions definitions_;
};

TEST_F(CarryOverTest, ParadoxIndexChangeKeepsChecksAndViewSettingsAsTheyWere) {
    const auto path = createItems("ITEMS.DB", 10);
    addChecksAndViews(path);
    const Bytes val = readBytes(data() / "ITEMS.VAL");
    definitions_.deleteIndex(path, "BYNAME");

    EXPECT_EQ(readBytes(data() / "ITEMS.TV"), (Bytes{'v', 'i', 'e', 'w', 1, 2, 3}));
    EXPECT_EQ(readBytes(data() / "ITEMS.FAM"), (Bytes{'f', 'a', 'm', 4, 5}));
    Bytes kept = readBytes(data() / "ITEMS.VAL");
    ASSERT_EQ(kept.size(), val.size());
    // Linked to the new .DB, otherwise unchanged.
    EXPECT_EQ(kept[0], readBytes(path)[kLinkByte]);
    kept[0] = val[0];
    EXPECT_EQ(kept, val);
    EXPECT_TRUE(openTable(path)->problems().empty());
    expectRefused(path, {Value::integer(1001), Value::string("x"), Value()}, "above the maximum 1000");
    EXPECT_EQ(idsOf(path).size(), 10u);
}

TEST_F(CarryOverTest, ParadoxRestructureKeepsTheChecksOfFieldsThatRemain) {
    const auto path = createItems("ITEMS.DB", 10);
    addChecksAndViews(path);
    Restructure restructure;
    // ID moves to second place, NAME widens, NOTE goes.
    restructure.fields = {{{"LABEL", ftString, 30, 0, false, ""}, "NAME"}, {{"ID", ftInteger, 0, 0, true, ""}, "ID"}};
    definitions_.restructure(path, restructure);

    expectRefused(path, {Value::string("x"), Value::integer(1001)}, "above the maximum 1000");
    expectRefused(path, {Value::string("x"), Value()}, "ID");
    // View settings describe the old field layout.
    EXPECT_TRUE(findFileIgnoringCase(data(), "ITEMS.TV").empty());
    EXPECT_TRUE(findFileIgnoringCase(data(), "ITEMS.FAM").empty());
    EXPECT_TRUE(std::filesystem::exists(trashFiles() / "ITEMS.TV"));
    EXPECT_EQ(openTable(path)->recordCount(), 10u);
}

TEST_F(CarryOverTest, ParadoxRestructureThatChangesACheckedFieldKeepsOnlyItsRequiredFlag) {
    const auto path = createItems("ITEMS.DB", 3);
    addChecksAndViews(path);
    Restructure restructure;
    restructure.fields = {{{"ID", ftFloat, 0, 0, true, ""}, "ID"}, {{"NAME", ftString, 20, 0, false, ""}, "NAME"}};
    definitions_.restructure(path, restructure);
    // The bounds were Integer record bytes; a Number field cannot use them.
    auto table = openWritable(path);
    EXPECT_TRUE(table->problems().empty());
    table->append({Value::floating(5000.5), Value::string("big")});
    EXPECT_TRUE(table->fields()[0].required);
}

TEST_F(CarryOverTest, ParadoxRebuildKeepsTheTableLevelUnlessTheIndexesNeedMore) {
    const auto path = data() / "LEVEL5.DB";
    CreateOptions level5;
    level5.version = "5";
    driverFor(ttParadox).create(path, itemFields(), itemIndexes(ttParadox), level5).reset();
    definitions_.deleteIndex(path, "BYNAME");
    EXPECT_EQ(openTable(path)->facts().version, "5");
    definitions_.addIndex(path, IndexDef{"BYNAME", "NAME", "", "", 0, "", true, ""});
    EXPECT_EQ(openTable(path)->facts().version, "5");
    // A unique secondary index exists from level 7 on.
    definitions_.addIndex(path, IndexDef{"UNAME", "NAME", "", "", ixUnique, "", true, ""});
    EXPECT_EQ(openTable(path)->facts().version, "7");
}

TEST_F(CarryOverTest, DbaseIIITableStaysDbaseIII) {
    const auto path = data() / "old.dbf";
    CreateOptions dbase3;
    dbase3.version = "dBase III";
    auto table = driverFor(ttDBase).create(path, itemFields(), {}, dbase3);
    table->append({Value::integer(1), Value::string("one"), Value::string("memo")});
    table.reset();
    Restructure restructure = currentStructure(path);
    restructure.fields[1].field.size = 40;
    definitions_.restructure(path, restructure);
    EXPECT_EQ(openTable(path)->facts().version, "dBase III with memo");
    expectDbfreadAgrees(path, {"NAME", "NOTE"});
}

// This program writes dBase III and IV tables only: a FoxPro table is refused, left as it was,
// rather than coming back in another dialect.
TEST_F(CarryOverTest, FoxProTableIsNotRebuiltAsAnotherDialect) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    for (const char* name : {"Foxpro2.dbf", "Foxpro2.fpt"})
        std::filesystem::copy_file(dbaseFixtures() / "foxpro2" / name, data() / name);
    const auto path = data() / "Foxpro2.dbf";
    const Bytes before = readBytes(path);
    Restructure restructure = currentStructure(path);
    restructure.fields[0].field.size = 30;
    const std::string error = errorOf([&] { definitions_.restructure(path, restructure); });
    EXPECT_TRUE(error.starts_with(errkind::kNotSupported)) << error;
    EXPECT_NE(error.find("FoxPro"), std::string::npos) << error;
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(namesIn(data()), (std::set<std::string>{"Foxpro2.dbf", "Foxpro2.fpt"}));
}

// Asked for, the nearest level this program writes takes a level 7 table, every record kept.
TEST_F(CarryOverTest, Level7TableIsRebuiltAtTheNearestWrittenLevelWhenAsked) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    const auto path = data() / "test_delete.dbf";
    std::filesystem::copy_file(dbaseFixtures() / "dbase7" / "test_delete.dbf", path);
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const auto before = recordsOf(path);
    Restructure restructure = currentStructure(path);
    restructure.version = nearestWrittenLevel(openTable(path)->facts());
    EXPECT_EQ(restructure.version, "dBase IV");
    definitions_.restructure(path, restructure);
    EXPECT_EQ(nearestWrittenLevel(openTable(path)->facts()), "") << openTable(path)->facts().version;
    EXPECT_EQ(recordsOf(path), before);
    expectDbfreadAgrees(path, {"FNAME"});
}

TEST_F(CarryOverTest, DbaseAttachedNdxIsRebuiltForTheNewRecordsOrDroppedWithItsField) {
    const auto path = createItems("items.dbf", 8);
    attachNdx(path, "names.ndx", "NAME");
    {
        // Record numbers change when the rebuild leaves the deleted records behind.
        auto table = openWritable(path);
        table->remove(1);
        table->remove(4);
    }
    definitions_.addIndex(path, IndexDef{"BYID", "ID", "", "", 0, "", true, ""}, {"names.ndx"});
    EXPECT_EQ(inIndexOrder(path, "names.ndx", 1, "names.ndx"),
              (std::vector<std::string>{"item2", "item3", "item5", "item6", "item7", "item8"}));

    Restructure restructure = currentStructure(path);
    restructure.fields.erase(restructure.fields.begin() + 1);  // NAME goes
    restructure.indexes = {};
    restructure.indexFiles = {"names.ndx"};
    definitions_.restructure(path, restructure);
    EXPECT_TRUE(findFileIgnoringCase(data(), "names.ndx").empty());
    EXPECT_TRUE(std::filesystem::exists(trashFiles() / "names.ndx"));
}

}  // namespace
