// Every index attached to a table (production .MDX, .NDX, .CDX) stays in agreement with the
// records after every committed change, on tables the engine creates and on ones other software
// wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <tuple>

#include "core/EngineError.h"
#include "engine/dbase/FixtureFiles.h"
#include "engine/dbase/RandomEdits.h"
#include "io/Transaction.h"
#include "storage/Drivers.h"
#include "storage/dbase/CdxFile.h"
#include "storage/dbase/CdxWriter.h"
#include "storage/dbase/DbaseTable.h"
#include "storage/dbase/NdxWriter.h"
#include "support/FoxProCandidateTable.h"
#include "support/TempFolder.h"

using namespace tabulon;
using tabulon::testing::dbaseFixtures;
using tabulon::testing::editAtRandom;
using tabulon::testing::TempFolder;

namespace {
std::vector<FieldDef> fields() {
    return {{"NAME", ftString, 10, 0, false, "C"},
            {"AGE", ftInteger, 3, 0, false, "N"},
            {"BORN", ftDate, 0, 0, false, "D"}};
}

std::vector<IndexDef> indexes() {
    IndexDef byName{"BYNAME", "NAME", "", "", 0, "", true, ""};
    IndexDef byAge{"BYAGE", "AGE", "", "", ixDescending, "", true, ""};
    IndexDef composite{"NAMEBORN", "", "UPPER(NAME)+DTOS(BORN)", "", ixExpression, "", true, ""};
    IndexDef unique{"UNIQAGE", "AGE", "", "", ixUnique, "", true, ""};
    IndexDef twoFields{"AGEBORN", "AGE;BORN", "", "", 0, "", true, ""};
    return {byName, byAge, composite, unique, twoFields};
}

Record row(const std::string& name, std::int64_t age, int year) {
    return {Value::string(name), Value::integer(age), Value::date(Date::fromCivil(year, 1, 2))};
}

// Record ids in index order, and the keys as text.
std::vector<RecordId> order(StorageTable& table, const std::string& index) {
    auto cursor = table.openIndex(index);
    std::vector<RecordId> ids;
    for (bool more = cursor->first(); more; more = cursor->next()) ids.push_back(cursor->recordId());
    return ids;
}

std::unique_ptr<StorageTable> reopen(const std::filesystem::path& path) { return openTable(path, {.tolerant = false}); }

TEST(DbaseIndexUpkeep, ANewTableKeepsEveryTagInOrder) {
    TempFolder dir;
    {
        auto table = driverFor(ttDBase).create(dir / "t.dbf", fields(), indexes(), {});
        table->append(row("carol", 30, 1990));
        table->append(row("alice", 41, 1980));
        table->append(row("bob", 30, 1970));
        table->append(row("Alice", 25, 1975));
    }
    auto table = reopen(dir / "t.dbf");
    ASSERT_EQ(table->indexes().size(), 5u);
    EXPECT_EQ(table->indexes()[2].expression, "UPPER(NAME)+DTOS(BORN)");
    EXPECT_EQ(table->indexes()[4].expression, "STR(AGE,3,0)+DTOS(BORN)");
    EXPECT_EQ(order(*table, "BYNAME"), (std::vector<RecordId>{4, 2, 3, 1}));
    EXPECT_EQ(order(*table, "BYAGE"), (std::vector<RecordId>{2, 1, 3, 4}));
    EXPECT_EQ(order(*table, "NAMEBORN"), (std::vector<RecordId>{4, 2, 3, 1}));
    EXPECT_EQ(order(*table, "UNIQAGE"), (std::vector<RecordId>{4, 1, 2}));
    EXPECT_EQ(order(*table, "AGEBORN"), (std::vector<RecordId>{4, 3, 1, 2}));
    auto cursor = table->openIndex("BYAGE");
    ASSERT_TRUE(cursor->seek({Value::integer(30)}, false));
    EXPECT_EQ(cursor->recordId(), 1u);
    ASSERT_TRUE(cursor->next());
    EXPECT_EQ(cursor->recordId(), 3u);
}

TEST(DbaseIndexUpkeep, AFixtureMdxFollowsChangesToItsTable) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    TempFolder dir;
    for (const char* name : {"TEST.DBF", "TEST.MDX"})
        std::filesystem::copy_file(dbaseFixtures() / "dbase4_mdx" / name, dir / name);
    auto table = openTable(dir / "TEST.DBF", {AccessMode::ReadWrite});
    table->append({Value::string("aaa"), Value::integer(12)});
    table->update(2, {Value::string("zzz"), Value::integer(1)});
    auto reopened = reopen(dir / "TEST.DBF");
    EXPECT_EQ(order(*reopened, "TEST1"), (std::vector<RecordId>{3, 4, 1, 2}));
    EXPECT_EQ(order(*reopened, "TEST2"), (std::vector<RecordId>{2, 1, 4, 3}));
    auto cursor = reopened->openIndex("TEST2");
    ASSERT_TRUE(cursor->seek({Value::integer(12)}, false));
    EXPECT_EQ(cursor->recordId(), 4u);
}

TEST(DbaseIndexUpkeep, IndexesThatCannotBeBuiltAreRefusedByName) {
    TempFolder dir;
    IndexDef logical{"FLAG", "", "AGE > 3", "", ixExpression, "", true, ""};
    try {
        driverFor(ttDBase).create(dir / "t.dbf", fields(), {logical}, {});
        FAIL() << "a logical key was accepted";
    } catch (const EngineError& e) {
        EXPECT_NE(e.message().find("FLAG"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "t.dbf"));
    IndexDef notACondition{"ADULTS", "NAME", "", "AGE + 18", 0, "", true, ""};
    EXPECT_THROW(driverFor(ttDBase).create(dir / "c.dbf", fields(), {notACondition}, {}), EngineError);
    EXPECT_FALSE(std::filesystem::exists(dir / "c.dbf"));
}

// Keys moved in place, one commit per change, end in the order a rebuild from the records gives.
TEST(DbaseIndexUpkeep, KeysMovedInPlaceMatchARebuild) {
    TempFolder dir;
    // Without the unique tag, whose changes are rebuilt, every key is moved in place.
    std::vector<IndexDef> nonUnique = indexes();
    std::erase_if(nonUnique, [](const IndexDef& d) { return d.options & ixUnique; });
    auto table = driverFor(ttDBase).create(dir / "t.dbf", fields(), nonUnique, {});
    // .NDX files too: small pages, so many splits and several levels.
    for (const auto& [file, expression, type] :
         {std::tuple{"name.ndx", "NAME", 'C'}, std::tuple{"age.ndx", "AGE", 'N'}}) {
        dbase::MdxTagSpec tag;
        tag.name = file;
        tag.expression = expression;
        tag.keyType = type;
        tag.keyLength = type == 'C' ? 10 : 8;
        const std::string empty = dbase::buildNdx(tag, {});
        std::ofstream(dir / file, std::ios::binary).write(empty.data(), static_cast<std::streamsize>(empty.size()));
        table->attachIndexFile(dir / file);
    }
    std::mt19937 random(11);
    auto randomRow = [&] {
        return row("k" + std::to_string(random() % 500), static_cast<std::int64_t>(random() % 100),
                   1900 + static_cast<int>(random() % 100));
    };
    // The first record alone: a table whose every record is new builds its indexes at commit,
    // and the 2,499 after it are to be moved in place, long runs of equal keys among them.
    for (const int count : {1, 2499}) {
        Transaction transaction((dir / "t.dbf").string() + Transaction::kJournalExtension);
        table->setTransaction(&transaction);
        for (int i = 0; i < count; ++i) table->append(randomRow());
        transaction.commit();
        table->setTransaction(nullptr);
    }
    auto* dbase = dynamic_cast<dbase::DbaseTable*>(table.get());
    ASSERT_NE(dbase, nullptr);
    // Small batches: each commits its moved keys, and no batch is large enough for a rebuild.
    editAtRandom(
        *dbase, dir / "t.dbf", random, 12, 60, 5, 2500, [&] { table->append(randomRow()); }, randomRow);
    const std::vector<std::string> tags = {"BYNAME", "BYAGE", "NAMEBORN", "AGEBORN", "name.ndx", "age.ndx"};
    // And again after a pack, which builds every index anew, the .NDX files too.
    for (const bool packed : {false, true}) {
        if (packed) table->pack();
        std::map<std::string, std::vector<RecordId>> kept;
        for (const std::string& tag : tags) kept[tag] = order(*reopen(dir / "t.dbf"), tag);
        EXPECT_EQ(kept["BYNAME"].size(), reopen(dir / "t.dbf")->recordCount());
        EXPECT_EQ(kept["name.ndx"].size(), kept["BYNAME"].size());
        dbase->reindex();
        for (const std::string& tag : tags) EXPECT_EQ(order(*reopen(dir / "t.dbf"), tag), kept[tag]) << tag;
    }
}

TEST(DbaseIndexUpkeep, ATagWithAForClauseHoldsOnlyTheRecordsItSelects) {
    TempFolder dir;
    IndexDef adults{"ADULTS", "NAME", "", "AGE >= 18", 0, "", true, ""};
    {
        auto table = driverFor(ttDBase).create(dir / "t.dbf", fields(), {adults}, {});
        table->append(row("tom", 12, 2010));     // 1: left out
        table->append(row("una", 40, 1980));     // 2
        table->append(row("abe", 18, 2004));     // 3
        table->append(row("zoe", 30, 1990));     // 4
        table->update(1, row("tom", 19, 2005));  // now selected
        table->update(4, row("zoe", 3, 2020));   // now left out
        table->update(3, row("bea", 20, 2004));  // selected still, key moved
    }
    auto table = reopen(dir / "t.dbf");
    ASSERT_EQ(table->indexes().size(), 1u);
    EXPECT_EQ(table->indexes()[0].condition, "AGE >= 18");
    EXPECT_EQ(order(*table, "ADULTS"), (std::vector<RecordId>{3, 1, 2}));
    table.reset();
    auto writer = openTable(dir / "t.dbf", {AccessMode::ReadWrite});
    writer->remove(2);
    writer->pack();  // rebuilt from the records: the clause still applies
    EXPECT_EQ(order(*reopen(dir / "t.dbf"), "ADULTS"), (std::vector<RecordId>{2, 1}));
}

}  // namespace

namespace {
// A tag without a FOR clause holding fewer keys than the table has records is stale already:
// its old keys could not be found to move them.
TEST(DbaseIndexUpkeep, ATagThatDoesNotHoldEveryRecordIsNotRebuilt) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    TempFolder dir;
    for (const char* name : {"TEST.DBF", "TEST.MDX"})
        std::filesystem::copy_file(dbaseFixtures() / "dbase4_mdx" / name, dir / name);
    {
        std::fstream dbf(dir / "TEST.DBF", std::ios::in | std::ios::out | std::ios::binary);
        dbf.seekp(4);
        dbf.put(2);  // two records counted, three keys in each tag
    }
    auto table = openTable(dir / "TEST.DBF", {AccessMode::ReadWrite});
    try {
        table->append({Value::string("new"), Value::integer(1)});
        FAIL() << "a tag with a key too many was rebuilt";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kNotSupported);
        EXPECT_NE(e.message().find("TEST1"), std::string::npos) << e.message();
    }
}
}  // namespace

namespace {
TEST(DbaseIndexUpkeep, FixtureNdxFilesFollowChangesToTheirTable) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    TempFolder dir;
    for (const char* name : {"class.DBF", "class.dbt", "classId.ndx", "TchrClass.ndx"})
        std::filesystem::copy_file(dbaseFixtures() / "ndx" / name, dir / name);
    auto table = openTable(dir / "class.DBF", {AccessMode::ReadWrite});
    table->openIndex("TchrClass.ndx");
    table->openIndex("classId.ndx");
    Record record;
    table->readRecord(2, record);
    record[0] = Value::string("AAA100");  // CLASSID
    table->update(2, record);
    record[0] = Value::string("ZZZ100");
    record[2] = Value::string("000000001");  // TEACHERID
    table->append(record);
    auto reopened = reopen(dir / "class.DBF");
    EXPECT_EQ(order(*reopened, "classId.ndx"), (std::vector<RecordId>{2, 1, 3, 4}));
    EXPECT_EQ(order(*reopened, "TchrClass.ndx"), (std::vector<RecordId>{4, 1, 3, 2}));
}
}  // namespace

namespace {
// A production index damaged under a writer fails the change, naming the file, and leaves the
// table as it was.
TEST(DbaseIndexUpkeep, ADamagedTreeFailsTheChangeAndLeavesTheTableAsItWas) {
    TempFolder dir;
    const IndexDef byName{"BYNAME", "NAME", "", "", 0, "", true, ""};
    driverFor(ttDBase).create(dir / "t.dbf", fields(), {byName}, {})->append(row("ann", 1, 2000));
    {
        // The tag's only block (a leaf) follows the four header pages and the tag header.
        std::fstream mdx(dir / "t.MDX", std::ios::in | std::ios::out | std::ios::binary);
        ASSERT_TRUE(mdx.is_open());
        mdx.seekp(6 * 512);
        const char count[4] = {'\xFF', '\xFF', 0, 0};
        mdx.write(count, 4);
    }
    auto table = openTable(dir / "t.dbf", {AccessMode::ReadWrite});
    try {
        table->update(1, row("bob", 2, 2001));
        FAIL() << "a change went through a damaged index";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kFormat);
        EXPECT_NE(e.message().find("t.MDX"), std::string::npos) << e.message();
    }
    Record record;
    reopen(dir / "t.dbf")->readRecord(1, record);
    EXPECT_EQ(record[0].asString(), "ann");
}

TEST(DbaseIndexUpkeep, AnAttachedIndexThatIsNotKeptRefusesWrites) {
    TempFolder dir;
    const IndexDef byName{"BYNAME", "NAME", "", "", 0, "", true, ""};
    driverFor(ttDBase).create(dir / "other.dbf", fields(), {byName}, {});
    auto table = driverFor(ttDBase).create(dir / "t.dbf", fields(), {}, {});
    table->attachIndexFile(dir / "other.MDX");
    try {
        table->append(row("ann", 1, 2000));
        FAIL() << "a table with an index it does not keep accepted an append";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kNotSupported);
        EXPECT_NE(e.message().find("other.MDX"), std::string::npos) << e.message();
    }
}
}  // namespace

namespace {
// A FoxPro table's structural .CDX is rebuilt at each commit: integer and character tags.
TEST(DbaseIndexUpkeep, AStructuralCdxFollowsChangesToItsTable) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    TempFolder dir;
    for (const char* name : {"types.dbf", "types.CDX", "setup.dbf", "setup.CDX"})
        std::filesystem::copy_file(dbaseFixtures() / "foxpro_cdx" / name, dir / name);
    const OpenOptions writable{AccessMode::ReadWrite};
    {
        auto types = openTable(dir / "types.dbf", writable);
        types->append({Value::integer(3), Value::string("Agent")});
        types->update(1, {Value::integer(9), Value::string("Buyer")});
        auto setup = openTable(dir / "setup.dbf", writable);
        Record record;
        setup->readRecord(1, record);
        record[0] = Value::string("ZETA");
        setup->update(1, record);
        record[0] = Value::string("ALPHA");
        setup->append(record);
    }
    auto types = reopen(dir / "types.dbf");
    EXPECT_TRUE(types->problems().empty());
    const std::string typeTag = types->indexes().at(0).name;
    EXPECT_EQ(order(*types, typeTag), (std::vector<RecordId>{2, 3, 1}));
    auto cursor = types->openIndex(typeTag);
    ASSERT_TRUE(cursor->seek({Value::integer(3)}, false));
    EXPECT_EQ(cursor->recordId(), 3u);
    auto setup = reopen(dir / "setup.dbf");
    EXPECT_EQ(order(*setup, "KEY_NAME"), (std::vector<RecordId>{4, 2, 3, 1}));
}

// A candidate tag holds each key it selects once: a second record with such a key is refused and
// changes nothing, while a record its FOR clause leaves out may repeat a key.
TEST(DbaseIndexUpkeep, ACandidateTagRefusesASecondRecordOfAKey) {
    TempFolder dir;
    tabulon::testing::createFoxProCandidateTable(dir / "t.dbf");
    {
        auto table = openTable(dir / "t.dbf", {AccessMode::ReadWrite});
        table->append({Value::string("tom"), Value::integer(15)});  // 6: left out, as record 1
        try {
            table->append({Value::string("una"), Value::integer(50)});
            FAIL() << "a second record of key una went into the candidate tag";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.kind(), errkind::kKeyViolation);
            EXPECT_NE(e.message().find("ADULTS"), std::string::npos) << e.message();
        }
    }
    auto table = reopen(dir / "t.dbf");
    EXPECT_EQ(table->recordCount(), 6u);
    EXPECT_EQ(order(*table, "ADULTS"), (std::vector<RecordId>{3, 5, 2}));
}

// Without memo fields FoxPro writes the dBase version byte; the .CDX is still the table's
// structural index and is kept up by writes.
TEST(DbaseIndexUpkeep, AStructuralCdxBehindADbaseVersionByteIsKeptUp) {
    TempFolder dir;
    tabulon::testing::createFoxProCandidateTable(dir / "t.dbf", '\x03');
    openTable(dir / "t.dbf", {AccessMode::ReadWrite})->append({Value::string("amy"), Value::integer(60)});
    EXPECT_EQ(order(*reopen(dir / "t.dbf"), "ADULTS"), (std::vector<RecordId>{3, 6, 5, 2}));
}

// Many keys, sharing prefixes and trailing blanks, make several leaves and branch levels that
// read back in order.
TEST(DbaseCdxWriter, ATreeOfManyCompressedKeysReadsBackInOrder) {
    TempFolder dir;
    std::string directory(1024, '\0');
    directory[12] = 10;
    directory[14] = '\xE0';
    std::string header(1024, '\0');
    header[12] = 12;
    header[14] = '\x60';
    std::memcpy(header.data() + 512, "NAME", 4);
    dbase::CdxTagImage tag{"NAME", header, 12, ' ', false, false};
    std::vector<dbase::CdxKey> keys;
    std::mt19937 random(5);
    for (RecordId id = 1; id <= 5000; ++id) keys.push_back({"K" + std::to_string(random() % 700), id});
    const std::string bytes = dbase::buildCdx(directory, {tag}, {keys});
    std::ofstream(dir / "t.cdx", std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    const dbase::CdxFile cdx(PagedFile::open(dir / "t.cdx", AccessMode::ReadOnly));
    ASSERT_EQ(cdx.tags().size(), 1u);
    EXPECT_EQ(cdx.tags()[0].def.name, "NAME");
    std::vector<std::pair<std::string, RecordId>> expected;
    for (const auto& k : keys) expected.emplace_back(k.bytes + std::string(12 - k.bytes.size(), ' '), k.record);
    std::sort(expected.begin(), expected.end());
    std::vector<std::pair<std::string, RecordId>> read;
    for (const auto& e : cdx.load(0, dbase::KeyEncoding::Raw, 0)) read.emplace_back(e.key, e.record);
    EXPECT_EQ(read, expected);
}
}  // namespace

namespace {
// A FOR clause that cannot be evaluated leaves the tag readable in its order, but refuses writes
// that could not keep it.
TEST(DbaseIndexUpkeep, AnUnreadableForClauseKeepsTheOrderButRefusesWrites) {
    TempFolder dir;
    const IndexDef adults{"ADULTS", "NAME", "", "AGE >= 18", 0, "", true, ""};
    {
        auto table = driverFor(ttDBase).create(dir / "t.dbf", fields(), {adults}, {});
        table->append(row("una", 40, 1980));
        table->append(row("abe", 30, 1990));
    }
    {
        // The only tag's header follows the four header pages; its FOR clause lies at 762.
        std::fstream mdx(dir / "t.MDX", std::ios::in | std::ios::out | std::ios::binary);
        ASSERT_TRUE(mdx.is_open());
        mdx.seekp(4 * 512 + 762);
        mdx.write("NOSUCH > 1", 11);
    }
    auto table = openTable(dir / "t.dbf", {AccessMode::ReadWrite});
    EXPECT_EQ(table->indexes().at(0).condition, "NOSUCH > 1");
    EXPECT_EQ(order(*table, "ADULTS"), (std::vector<RecordId>{2, 1}));
    try {
        table->append(row("cy", 50, 1970));
        FAIL() << "a write went through a tag it could not keep";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kNotSupported);
        EXPECT_NE(e.message().find("NOSUCH"), std::string::npos) << e.message();
    }
}
// A key with a function the evaluator does not know (another dialect's, or an abbreviation) is
// never evaluated as something else: its tag is listed unusable and writes are refused.
TEST(DbaseIndexUpkeep, AKeyWithAnUnknownFunctionLeavesItsTagUnusable) {
    for (const std::string expression : {"SOUNDEX(NAME)", "SUBS(NAME,1,3)"}) {
        TempFolder dir;
        {
            const IndexDef byName{"BYNAME", "NAME", "", "", 0, "", true, ""};
            driverFor(ttDBase).create(dir / "t.dbf", fields(), {byName}, {})->append(row("una", 40, 1980));
            // The only tag's header follows the four header pages; its key expression lies at 24.
            std::fstream mdx(dir / "t.MDX", std::ios::in | std::ios::out | std::ios::binary);
            mdx.seekp(4 * 512 + 24);
            mdx.write(expression.c_str(), static_cast<std::streamsize>(expression.size() + 1));
        }
        auto table = openTable(dir / "t.dbf", {AccessMode::ReadWrite});
        const IndexDef tag = table->indexes().at(0);
        EXPECT_EQ(tag.expression, expression);
        EXPECT_FALSE(tag.usable) << expression;
        EXPECT_THROW(table->openIndex("BYNAME"), EngineError) << expression;
        try {
            table->append(row("cy", 50, 1970));
            FAIL() << "a write went through a tag keyed on " << expression;
        } catch (const EngineError& e) {
            EXPECT_EQ(e.kind(), errkind::kNotSupported);
            EXPECT_NE(e.message().find(expression), std::string::npos) << e.message();
        }
    }
}
}  // namespace
