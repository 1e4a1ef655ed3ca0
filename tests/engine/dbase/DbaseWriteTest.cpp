// Creating tables and changing them as dBase lays them out: header, memo blocks, deletion marks
// and recalls, memo layouts of other writers, null flags and code pages.
#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

#include "core/EngineError.h"
#include "engine/dbase/FixtureFiles.h"
#include "storage/Drivers.h"
#include "storage/dbase/DbaseTable.h"
#include "support/TempFolder.h"

using namespace tabulon;
using tabulon::testing::dbaseFixtures;
using tabulon::testing::TempFolder;

namespace {
std::vector<FieldDef> peopleFields() {
    return {{"NAME", ftString, 12, 0, false, "C"},   {"AGE", ftInteger, 3, 0, false, "N"},
            {"SALARY", ftFloat, 10, 2, false, "N"},  {"BORN", ftDate, 0, 0, false, "D"},
            {"ACTIVE", ftBoolean, 0, 0, false, "L"}, {"NOTES", ftMemo, 0, 0, false, "M"}};
}

Record person(const std::string& name, std::int64_t age, const std::string& notes) {
    return {Value::string(name),     Value::integer(age),
            Value::floating(1234.5), Value::date(Date::fromCivil(1990, 5, 17)),
            Value::boolean(true),    notes.empty() ? Value() : Value::string(notes)};
}

std::unique_ptr<StorageTable> createPeople(const TempFolder& dir, const std::string& version = "") {
    return driverFor(ttDBase).create(dir / "people.dbf", peopleFields(), {}, {.version = version});
}

std::unique_ptr<StorageTable> reopen(const TempFolder& dir) {
    return openTable(dir / "people.dbf", {.tolerant = false});
}

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::vector<std::string> names(StorageTable& table) {
    std::vector<std::string> out;
    Record r;
    for (std::uint64_t slot = 0; slot < table.slotCount(); ++slot)
        if (table.readSlot(slot, r)) out.push_back(r[0].asString());
    return out;
}

class DbaseCreate : public ::testing::TestWithParam<const char*> {};

TEST_P(DbaseCreate, WritesAHeaderThatReadsBackAsGiven) {
    TempFolder dir;
    createPeople(dir, GetParam());
    auto table = reopen(dir);
    ASSERT_EQ(table->fields().size(), 6u);
    EXPECT_EQ(table->fields()[0].name, "NAME");
    EXPECT_EQ(table->fields()[2].decimals, 2);
    EXPECT_EQ(table->fields()[5].type, ftMemo);
    EXPECT_EQ(table->facts().codePage, "CP1252");
    const std::string bytes = fileBytes(dir / "people.dbf");
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[0]), std::string(GetParam()) == "dBase III" ? 0x83 : 0x8B);
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_TRUE(std::filesystem::exists(dir / "people.DBT"));
}

INSTANTIATE_TEST_SUITE_P(Versions, DbaseCreate, ::testing::Values("", "dBase IV", "dBase III"));

TEST(DbaseCreateRefusals, NamesTheFieldOrTheReason) {
    TempFolder dir;
    const auto& driver = driverFor(ttDBase);
    auto fields = peopleFields();
    fields[1].name = "NAME";
    EXPECT_THROW(driver.create(dir / "dup.dbf", fields, {}, {}), EngineError);
    fields = peopleFields();
    fields[0].name = "AVERYLONGFIELDNAME";
    EXPECT_THROW(driver.create(dir / "long.dbf", fields, {}, {}), EngineError);
    EXPECT_THROW(driver.create(dir / "v.dbf", peopleFields(), {}, {.version = "dBase 2"}), EngineError);
    EXPECT_FALSE(std::filesystem::exists(dir / "dup.dbf"));
}

TEST(DbaseAppend, RecordsReadBackAfterReopen) {
    TempFolder dir;
    {
        auto table = createPeople(dir);
        EXPECT_EQ(table->append(person("Ann", 34, "likes tea")), 1u);
        EXPECT_EQ(table->append(person("Bob", 41, "")), 2u);
        EXPECT_EQ(table->recordCount(), 2u);
    }
    auto table = reopen(dir);
    ASSERT_EQ(table->slotCount(), 2u);
    Record r;
    table->readRecord(1, r);
    EXPECT_EQ(r[0].asString(), "Ann");
    EXPECT_EQ(r[1].asInt(), 34);
    EXPECT_EQ(r[2].asDouble(), 1234.5);
    EXPECT_EQ(r[3].toText(), "1990-05-17");
    EXPECT_TRUE(r[4].asBool());
    EXPECT_EQ(r[5].asString(), "likes tea");
    table->readRecord(2, r);
    EXPECT_TRUE(r[5].isNull());
    const std::string bytes = fileBytes(dir / "people.dbf");
    EXPECT_EQ(bytes[4], 2);  // the header's record count
    EXPECT_EQ(bytes.size(), 32u + 6 * 32 + 1 + 2 * (1 + 12 + 3 + 10 + 8 + 1 + 10) + 1);
}

TEST(DbaseUpdate, MemosReuseTheirBlocksOrMoveWithoutTouchingOthers) {
    TempFolder dir;
    auto table = createPeople(dir);
    table->append(person("Ann", 34, "short"));
    table->append(person("Bob", 41, "bob's memo"));
    const auto sizeBefore = std::filesystem::file_size(dir / "people.DBT");
    table->update(1, person("Ann", 35, "still short"));
    EXPECT_EQ(std::filesystem::file_size(dir / "people.DBT"), sizeBefore);
    table->update(1, person("Ann", 35, std::string(2000, 'x')));
    EXPECT_GT(std::filesystem::file_size(dir / "people.DBT"), sizeBefore);
    auto again = reopen(dir);
    Record r;
    again->readRecord(1, r);
    EXPECT_EQ(r[1].asInt(), 35);
    EXPECT_EQ(r[5].asString(), std::string(2000, 'x'));
    again->readRecord(2, r);
    EXPECT_EQ(r[5].asString(), "bob's memo");
}

TEST(DbaseDelete, MarksRecallsPacksAndEmpties) {
    TempFolder dir;
    auto table = createPeople(dir);
    for (const char* n : {"Ann", "Bob", "Cid", "Dee"}) table->append(person(n, 20, std::string(n) + " notes"));
    auto& dbase = dynamic_cast<dbase::DbaseTable&>(*table);
    table->remove(2);
    table->remove(4);
    EXPECT_EQ(table->recordCount(), 2u);
    EXPECT_EQ(names(*reopen(dir)), (std::vector<std::string>{"Ann", "Cid"}));
    dbase.recall(4);
    EXPECT_EQ(names(*reopen(dir)), (std::vector<std::string>{"Ann", "Cid", "Dee"}));
    table->pack();
    auto packed = reopen(dir);
    EXPECT_EQ(packed->slotCount(), 3u);
    Record r;
    packed->readRecord(3, r);
    EXPECT_EQ(r[0].asString(), "Dee");
    EXPECT_EQ(r[5].asString(), "Dee notes");
    table->empty();
    EXPECT_EQ(reopen(dir)->slotCount(), 0u);
    EXPECT_EQ(std::filesystem::file_size(dir / "people.DBT"), 512u);
}

TEST(DbaseCopy, FixturesCopyIntoNewTablesValueByValue) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    TempFolder dir;
    auto source = openTable(dbaseFixtures() / "dbase4_memo/dbase_8b.dbf");
    std::vector<FieldDef> fields;
    for (const FieldDef& f : source->fields()) fields.push_back(driverFor(ttDBase).nearestField(f));
    auto target = driverFor(ttDBase).create(dir / "copy.dbf", fields, {}, {});
    Record r;
    for (std::uint64_t slot = 0; slot < source->slotCount(); ++slot)
        if (source->readSlot(slot, r)) target->append(r);
    target.reset();
    auto copy = openTable(dir / "copy.dbf");
    ASSERT_EQ(copy->slotCount(), source->slotCount());
    Record a, b;
    for (std::uint64_t slot = 0; slot < copy->slotCount(); ++slot) {
        source->readSlot(slot, a);
        copy->readSlot(slot, b);
        EXPECT_EQ(a, b) << "record " << slot + 1;
    }
}

}  // namespace

namespace {
struct MemoCase {
    const char* folder;
    const char* table;
    const char* memo;
    const char* field;
};
std::ostream& operator<<(std::ostream& out, const MemoCase& c) { return out << c.table; }

class DbaseMemoWrite : public ::testing::TestWithParam<MemoCase> {};

// Every memo layout takes new and longer memos without disturbing the others.
TEST_P(DbaseMemoWrite, LongerMemosMoveAndOthersStayAsTheyWere) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    const MemoCase& c = GetParam();
    TempFolder dir;
    for (const char* name : {c.table, c.memo})
        std::filesystem::copy_file(dbaseFixtures() / c.folder / name, dir / name);
    auto table = openTable(dir / c.table, {AccessMode::ReadWrite});
    std::size_t field = 0;
    while (table->fields()[field].name != c.field) ++field;
    std::vector<Record> before(table->slotCount());
    for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot) table->readRecord(slot + 1, before[slot]);

    Record changed = before[0];
    changed[field] = Value::string(std::string(3000, 'L') + "\r\nend");
    table->update(1, changed);
    Record added = before[0];
    added[field] = Value::string("a new memo");
    const RecordId id = table->append(added);

    auto reopened = openTable(dir / c.table, {.tolerant = false});
    Record r;
    reopened->readRecord(1, r);
    EXPECT_EQ(r[field], changed[field]);
    reopened->readRecord(id, r);
    EXPECT_EQ(r[field], added[field]);
    for (std::uint64_t slot = 1; slot < before.size(); ++slot) {
        reopened->readRecord(slot + 1, r);
        EXPECT_EQ(r, before[slot]) << "record " << slot + 1;
    }
    EXPECT_TRUE(reopened->problems().empty());
}

INSTANTIATE_TEST_SUITE_P(Layouts, DbaseMemoWrite,
                         ::testing::Values(MemoCase{"dbase3_memo", "dbase_83.dbf", "dbase_83.dbt", "DESC"},
                                           MemoCase{"dbase4_memo", "dbase_8b.dbf", "dbase_8b.dbt", "MEMO"},
                                           MemoCase{"vfp", "memotest.dbf", "memotest.FPT", "MEMO"},
                                           MemoCase{"vfp", "vfp9_memo_bs1.dbf", "vfp9_memo_bs1.fpt", "NOTES"},
                                           MemoCase{"foxpro2", "dbase_f5.dbf", "dbase_f5.fpt", "OBSE"}));
}  // namespace

TEST(DbaseNullFlags, VisualFoxProNullsAndVarcharLengthsWriteBack) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    TempFolder dir;
    std::filesystem::copy_file(dbaseFixtures() / "vfp/dbase_31.dbf", dir / "t.dbf");
    std::filesystem::copy_file(dbaseFixtures() / "vfp/dbase_32.dbf", dir / "v.dbf");
    const OpenOptions writable{AccessMode::ReadWrite};
    {
        auto table = openTable(dir / "t.dbf", writable);
        Record r;
        table->readRecord(1, r);
        r[2] = Value();                // SUPPLIERID, nullable
        r[5] = Value::currency(19.5);  // UNITPRICE
        table->update(1, r);
        r[0] = Value();  // PRODUCTID: the next autoincrement value
        EXPECT_EQ(table->append(r), 78u);
        auto varchar = openTable(dir / "v.dbf", writable);
        varchar->update(1, {Value::string("short")});
        varchar->append({Value::string(std::string(250, 'v'))});
    }
    auto table = openTable(dir / "t.dbf");
    Record r;
    table->readRecord(1, r);
    EXPECT_TRUE(r[2].isNull());
    EXPECT_EQ(r[5].asDouble(), 19.5);
    EXPECT_EQ(r[1].asString(), "Chai");
    table->readRecord(78, r);
    EXPECT_EQ(r[0].asInt(), 78);
    EXPECT_TRUE(r[2].isNull());
    auto varchar = openTable(dir / "v.dbf");
    varchar->readRecord(1, r);
    EXPECT_EQ(r[0].asString(), "short");
    varchar->readRecord(2, r);
    EXPECT_EQ(r[0].asString(), std::string(250, 'v'));
}

namespace {
// Code pages 620 and 895 come from the codec's own tables: a table written in each names it in
// its language-driver byte and reads its text back.
TEST(DbaseCodePages, MazoviaAndKamenickyTablesRoundTrip) {
    TempFolder dir;
    const std::vector<FieldDef> fields = {{"NAME", ftString, 24, 0, false, "C"}};
    for (const auto& [encoding, text, driverByte] :
         {std::tuple{"CP620", "Zażółć gęślą jaźń", 0x69}, std::tuple{"CP895", "Příliš žluťoučký kůň", 0x68}}) {
        const auto path = dir / (std::string(encoding) + ".dbf");
        driverFor(ttDBase).create(path, fields, {}, {.encoding = encoding})->append({Value::string(text)});
        std::ifstream file(path, std::ios::binary);
        file.seekg(29);
        EXPECT_EQ(file.get(), driverByte) << encoding;
        auto table = openTable(path);
        EXPECT_EQ(table->facts().codePage, encoding);
        Record record;
        table->readRecord(1, record);
        EXPECT_EQ(record[0].asString(), text) << encoding;
        // A letter the code page lacks is refused, not replaced.
        EXPECT_THROW(openTable(path, {AccessMode::ReadWrite})->append({Value::string("€")}), EngineError) << encoding;
    }
}
}  // namespace
