// The cursor that walks an index tree page by page agrees with a sort of the records (random
// keys, duplicates, descending and unique tags, FOR clauses, after keys moved in place with
// page splits), with the whole-tag reader on real files, and keeps its place while the table
// changes under it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>

#include "core/EngineError.h"
#include "engine/dbase/FixtureFiles.h"
#include "engine/dbase/RandomEdits.h"
#include "io/Transaction.h"
#include "storage/Drivers.h"
#include "storage/dbase/DbaseTable.h"
#include "storage/dbase/MdxFile.h"
#include "storage/dbase/NdxFile.h"
#include "storage/dbase/NdxWriter.h"
#include "storage/dbase/TreeCursor.h"
#include "support/TempFolder.h"

using namespace tabulon;
using tabulon::testing::dbaseFixtures;
using tabulon::testing::editAtRandom;
using tabulon::testing::TempFolder;

namespace {
std::vector<FieldDef> fields() { return {{"NAME", ftString, 8, 0, false, "C"}, {"AGE", ftInteger, 4, 0, false, "N"}}; }

// Tag, key field, descending, unique, FOR clause.
struct TagCase {
    std::string name;
    std::size_t field;
    bool descending;
    bool unique;
    std::string condition;  // AGE > 100 when set
};
const std::vector<TagCase> kTags = {{"BYNAME", 0, false, false, ""},
                                    {"BYAGE", 1, true, false, ""},
                                    {"UNIQNAME", 0, false, true, ""},
                                    {"OLDNAMES", 0, false, false, "AGE > 100"}};

std::vector<IndexDef> indexes() {
    std::vector<IndexDef> out;
    for (const TagCase& t : kTags) {
        IndexDef d{t.name, fields()[t.field].name, "", "", 0, "", true, ""};
        if (t.descending) d.options |= ixDescending;
        if (t.unique) d.options |= ixUnique;
        d.condition = t.condition;
        out.push_back(d);
    }
    return out;
}

std::unique_ptr<StorageTable> makeTable(const std::filesystem::path& path) {
    return driverFor(ttDBase).create(path, fields(), indexes(), {});
}

// Record ids in the order a sort of the live records gives: by key (reversed for a descending
// tag), equal keys by record; a unique tag keeps the first record of each key.
std::vector<RecordId> sortedOrder(dbase::DbaseTable& table, const TagCase& tag) {
    std::vector<std::pair<Value, RecordId>> keyed;
    std::vector<std::pair<Value, RecordId>> firstOfKey;
    for (RecordId id = 1; id <= table.slotCount(); ++id) {
        Record values;
        table.readRecord(id, values);
        if (!tag.condition.empty() && values[1].asInt() <= 100) continue;
        std::pair<Value, RecordId> entry{values[tag.field], id};
        if (tag.unique) {
            // A unique tag holds the first record with each key among all records, deleted or not.
            if (std::none_of(firstOfKey.begin(), firstOfKey.end(),
                             [&](const auto& e) { return e.first == entry.first; }))
                firstOfKey.push_back(entry);
            continue;
        }
        if (table.isLive(id)) keyed.push_back(entry);
    }
    if (tag.unique)
        for (const auto& e : firstOfKey)
            if (table.isLive(e.second)) keyed.push_back(e);
    std::sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        const int c = a.first.compare(b.first);
        if (c != 0) return tag.descending ? c > 0 : c < 0;
        return a.second < b.second;
    });
    std::vector<RecordId> ids;
    for (const auto& e : keyed) ids.push_back(e.second);
    return ids;
}

std::vector<RecordId> forward(KeyCursor& cursor) {
    std::vector<RecordId> ids;
    for (bool more = cursor.first(); more; more = cursor.next()) ids.push_back(cursor.recordId());
    return ids;
}

std::vector<RecordId> backward(KeyCursor& cursor) {
    std::vector<RecordId> ids;
    for (bool more = cursor.last(); more; more = cursor.prior()) ids.push_back(cursor.recordId());
    std::reverse(ids.begin(), ids.end());
    return ids;
}

std::string randomName(std::mt19937& random) { return "n" + std::to_string(random() % 700); }

void appendRandom(StorageTable& table, std::mt19937& random, int count) {
    for (int i = 0; i < count; ++i)
        table.append({Value::string(randomName(random)), Value::integer(static_cast<std::int64_t>(random() % 400))});
}

// Appends in one transaction (its keys moved in place unless there are too many).
void appendCommitted(StorageTable& table, const std::filesystem::path& path, std::mt19937& random, int count) {
    Transaction transaction(path.string() + Transaction::kJournalExtension);
    table.setTransaction(&transaction);
    appendRandom(table, random, count);
    transaction.commit();
    table.setTransaction(nullptr);
}

void expectEveryTagSorted(dbase::DbaseTable& table) {
    for (const TagCase& tag : kTags) {
        auto cursor = table.openIndex(tag.name);
        const std::vector<RecordId> expected = sortedOrder(table, tag);
        EXPECT_EQ(forward(*cursor), expected) << tag.name;
        EXPECT_EQ(backward(*cursor), expected) << tag.name;
    }
}
}  // namespace

TEST(DbaseTreeCursor, WalksEveryTagInTheOrderOfASortOfTheRecords) {
    TempFolder dir;
    auto table = makeTable(dir / "t.dbf");
    std::mt19937 random(5);
    appendCommitted(*table, dir / "t.dbf", random, 6000);  // several levels of 1 KB blocks
    auto reopened = openTable(dir / "t.dbf");
    auto* dbase = dynamic_cast<dbase::DbaseTable*>(reopened.get());
    ASSERT_NE(dbase, nullptr);
    expectEveryTagSorted(*dbase);
}

TEST(DbaseTreeCursor, SeeksTheFirstKeyAtOrAfterTheOneAsked) {
    TempFolder dir;
    auto table = makeTable(dir / "t.dbf");
    std::mt19937 random(9);
    appendCommitted(*table, dir / "t.dbf", random, 3000);
    auto* dbase = dynamic_cast<dbase::DbaseTable*>(table.get());
    const TagCase& byName = kTags[0];
    const std::vector<RecordId> expected = sortedOrder(*dbase, byName);
    auto nameOf = [&](RecordId id) {
        Record values;
        table->readRecord(id, values);
        return values[0].asString();
    };
    auto cursor = table->openIndex("BYNAME");
    for (const std::string probe : {"n1", "n350", "n35", "n699", "n7", "a", "z", "n0"}) {
        const auto at =
            std::find_if(expected.begin(), expected.end(), [&](RecordId id) { return nameOf(id) >= probe; });
        ASSERT_EQ(cursor->seek({Value::string(probe)}, false), at != expected.end()) << probe;
        if (at == expected.end()) continue;
        EXPECT_EQ(cursor->recordId(), *at) << probe;
        // The equal-key range and what follows it, read on from the seek.
        for (auto it = at + 1; it != expected.end() && it < at + 40; ++it) {
            ASSERT_TRUE(cursor->next());
            EXPECT_EQ(cursor->recordId(), *it);
        }
    }
    // A descending numeric tag seeks the first key at or below the one asked.
    auto byAge = table->openIndex("BYAGE");
    ASSERT_TRUE(byAge->seek({Value::integer(250)}, false));
    Record values;
    table->readRecord(byAge->recordId(), values);
    EXPECT_LE(values[1].asInt(), 250);
    ASSERT_TRUE(byAge->prior());
    table->readRecord(byAge->recordId(), values);
    EXPECT_GT(values[1].asInt(), 250);
}

TEST(DbaseTreeCursor, AgreesWithASortAfterKeysMovedInPlaceWithSplits) {
    TempFolder dir;
    auto table = makeTable(dir / "t.dbf");
    // An .NDX too: 512-byte pages, so many more splits.
    dbase::MdxTagSpec ndxTag;
    ndxTag.name = "name.ndx";
    ndxTag.expression = "NAME";
    ndxTag.keyType = 'C';
    ndxTag.keyLength = 8;
    const std::string empty = dbase::buildNdx(ndxTag, {});
    std::ofstream(dir / "name.ndx", std::ios::binary).write(empty.data(), static_cast<std::streamsize>(empty.size()));
    table->attachIndexFile(dir / "name.ndx");
    std::mt19937 random(17);
    appendCommitted(*table, dir / "t.dbf", random, 1500);
    auto* dbase = dynamic_cast<dbase::DbaseTable*>(table.get());
    editAtRandom(
        *dbase, dir / "t.dbf", random, 8, 80, 4, 0, [&] { appendRandom(*table, random, 1); },
        [&] {
            return Record{Value::string(randomName(random)), Value::integer(static_cast<std::int64_t>(random() % 400))};
        });
    expectEveryTagSorted(*dbase);
    auto ndx = table->openIndex("name.ndx");
    const std::vector<RecordId> expected = sortedOrder(*dbase, {"name.ndx", 0, false, false, ""});
    EXPECT_EQ(forward(*ndx), expected);
    EXPECT_EQ(backward(*ndx), expected);
}

// The dataset layer keeps its cursor open while its writes move keys and split pages.
TEST(DbaseTreeCursor, KeepsItsPlaceWhileKeysAreMovedUnderIt) {
    TempFolder dir;
    auto table = makeTable(dir / "t.dbf");
    std::mt19937 random(23);
    appendCommitted(*table, dir / "t.dbf", random, 2000);
    auto* dbase = dynamic_cast<dbase::DbaseTable*>(table.get());
    auto cursor = table->openIndex("BYNAME");
    ASSERT_TRUE(cursor->first());
    for (int i = 0; i < 700; ++i) ASSERT_TRUE(cursor->next());
    const RecordId standing = cursor->recordId();
    Transaction transaction((dir / "t.dbf").string() + Transaction::kJournalExtension);
    table->setTransaction(&transaction);
    appendRandom(*table, random, 1500);  // splits all over the tree
    table->remove(standing == 1 ? 2 : 1);
    const std::vector<RecordId> expected = sortedOrder(*dbase, kTags[0]);
    const auto at = std::find(expected.begin(), expected.end(), standing);
    ASSERT_NE(at, expected.end());
    ASSERT_TRUE(cursor->next());
    EXPECT_EQ(cursor->recordId(), *(at + 1));
    ASSERT_TRUE(cursor->prior());
    ASSERT_TRUE(cursor->prior());
    EXPECT_EQ(cursor->recordId(), *(at - 1));
    // Its own record gone, the cursor goes on from where that record stood.
    table->remove(*at);
    ASSERT_TRUE(cursor->next());
    EXPECT_EQ(cursor->recordId(), *(at + 1));
    transaction.commit();
    table->setTransaction(nullptr);
}

// A branch deep in the tree whose children lead back to the root must end in a named error,
// not a hang.
TEST(DbaseTreeCursor, ALoopFoundWhileWalkingFailsNamingTheFile) {
    TempFolder dir;
    {
        auto table = makeTable(dir / "t.dbf");
        std::mt19937 random(3);
        appendCommitted(*table, dir / "t.dbf", random, 3000);
    }
    // The root's last child becomes a branch of one key whose two children are the root.
    std::uint32_t root = 0;
    std::uint64_t lastChild = 0;
    std::size_t entriesAt = 0;
    std::size_t entryLength = 0;
    {
        dbase::MdxFile mdx(PagedFile::open(dir / "t.MDX", AccessMode::ReadOnly));
        const auto shape = mdx.treeShape(0);
        ASSERT_TRUE(shape);
        entriesAt = shape->entriesAt;
        entryLength = shape->entryLength;
        shape->file->read(shape->rootAt, &root, 4);
        std::vector<std::uint8_t> node(shape->nodeSize);
        shape->file->read(std::uint64_t{root} * 512, node.data(), node.size());
        std::uint32_t count = 0;
        std::uint32_t child = 0;
        std::memcpy(&count, node.data(), 4);
        std::memcpy(&child, node.data() + entriesAt + count * entryLength, 4);
        lastChild = std::uint64_t{child} * 512;
    }
    ASSERT_NE(lastChild, 0u);
    {
        std::fstream f(dir / "t.MDX", std::ios::in | std::ios::out | std::ios::binary);
        const std::uint32_t one = 1;
        f.seekp(static_cast<std::streamoff>(lastChild));
        f.write(reinterpret_cast<const char*>(&one), 4);
        for (const std::size_t at : {entriesAt, entriesAt + entryLength}) {
            f.seekp(static_cast<std::streamoff>(lastChild + at));
            f.write(reinterpret_cast<const char*>(&root), 4);
        }
    }
    auto table = openTable(dir / "t.dbf");
    auto cursor = table->openIndex("BYNAME");
    try {
        for (bool more = cursor->first(); more; more = cursor->next()) {
        }
        FAIL() << "a looping tree was walked to its end";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kFormat);
        EXPECT_NE(e.message().find("t.MDX"), std::string::npos) << e.message();
    }
    EXPECT_THROW(cursor->last(), EngineError);
}

// On the real files the walking cursor reads the same entries, in the same order, as the
// reader that loads the whole tag, and finds each key by seeking it.
TEST(DbaseTreeCursor, ReadsRealFilesAsTheWholeTagReaderDoes) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    TextCodec codec("CP437");
    std::vector<std::unique_ptr<dbase::IndexFile>> files;
    files.push_back(std::make_unique<dbase::MdxFile>(
        PagedFile::open(dbaseFixtures() / "dbase4_mdx/TEST.MDX", AccessMode::ReadOnly)));
    for (const char* name : {"classId.ndx", "TchrClass.ndx"})
        files.push_back(
            std::make_unique<dbase::NdxFile>(PagedFile::open(dbaseFixtures() / "ndx" / name, AccessMode::ReadOnly)));
    std::size_t tagsCompared = 0;
    for (const auto& file : files) {
        for (std::size_t t = 0; t < file->tags().size(); ++t) {
            const dbase::IndexTag& tag = file->tags()[t];
            if (tag.typeLetter != 'C') continue;  // character keys need no expression to decode
            const std::vector<dbase::IndexEntry> loaded = file->load(t, dbase::KeyEncoding::Raw, 0);
            dbase::TreeCursor cursor(tag.def, *file, t, {}, tag.descending, codec, [](RecordId) { return true; });
            std::vector<RecordId> walked;
            for (bool more = cursor.first(); more; more = cursor.next()) walked.push_back(cursor.recordId());
            std::vector<RecordId> expected;
            for (const auto& e : loaded) expected.push_back(e.record);
            EXPECT_EQ(walked, expected) << file->path() << " " << tag.def.name;
            for (const auto& e : loaded) {
                std::string key = e.key;
                while (!key.empty() && key.back() == ' ') key.pop_back();
                ASSERT_TRUE(cursor.seek({Value::string(codec.decode(key))}, false)) << key;
                EXPECT_EQ(cursor.key().front().asString(), codec.decode(key));
            }
            ++tagsCompared;
        }
    }
    EXPECT_GE(tagsCompared, 3u);
}
