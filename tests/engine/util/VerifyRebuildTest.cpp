// Verification and rebuilding of damaged copies of a keyed table of each format.
#include <gtest/gtest.h>

#include <map>

#include "TableDamage.h"
#include "core/AsciiCase.h"
#include "ops/OpsFixture.h"
#include "ops/Progress.h"
#include "ops/TableRebuild.h"
#include "util/TableSalvage.h"
#include "util/TableVerification.h"

namespace tabulon::testing {
namespace {

struct DamageCase {
    const char* table;
    Damage damage;
    int level;
    std::vector<const char*> findings;  // parts of some findings, as described() gives them
    const char* ndx = nullptr;          // an .NDX on NAME, attached: index damage goes to it
};

// Every finding of `report`, one a line.
std::string described(const VerifyReport& report) {
    std::string all;
    for (const auto& f : report.findings) all += f.file + " | " + f.place + " | " + f.problem + "\n";
    return all;
}

std::ostream& operator<<(std::ostream& out, const DamageCase& c) {
    return out << c.table << " damage " << static_cast<int>(c.damage);
}

const DamageCase kDamageCases[] = {
    {"ITEMS.DB", Damage::Truncate, verifylevel::kPartial, {"the file ends inside its records"}},
    {"ITEMS.DB", Damage::ZeroBlock, verifylevel::kPartial, {"not in the chain"}},
    {"ITEMS.DB", Damage::BreakChain, verifylevel::kPartial, {"the chain loops back to block"}},
    {"ITEMS.DB", Damage::SwapKeys, verifylevel::kRepairable, {"out of key order"}},
    {"ITEMS.DB", Damage::StaleIndexes, verifylevel::kRepairable, {"key order is read from the table"}},
    {"ITEMS.DB", Damage::BadBlobPointer, verifylevel::kPartial, {}},
    {"ITEMS.DB", Damage::DuplicateKey, verifylevel::kPartial, {"repeats the key"}},
    {"ITEMS.DB", Damage::WrongRecordCount, verifylevel::kRepairable, {"records, the chain holds"}},
    {"ITEMS.DB", Damage::LostIndexEntry, verifylevel::kRepairable, {"an entry points to no record", "misses record"}},
    {"ITEMS.DB", Damage::BlobBlockType, verifylevel::kPartial, {"is of the unknown type", "points to a block of type"}},
    {"ITEMS.DB", Damage::FreeBlobBlockType, verifylevel::kRepairable, {"is of the unknown type"}},
    // The blob in the last block is whole: only the block's size is wrong.
    {"ITEMS.DB", Damage::BlobBlockPastEnd, verifylevel::kRepairable, {"past the end of the file"}},
    {"ITEMS.DB", Damage::BlobSlotsOverlap, verifylevel::kPartial, {"share bytes"}},
    {"ITEMS.DB", Damage::BlobPointerInsideBlock, verifylevel::kPartial, {"lies inside the ITEMS.MB block at"}},
    {"ITEMS.DBF", Damage::Truncate, verifylevel::kPartial, {"missing from the file"}},
    {"ITEMS.DBF",
     Damage::WrongRecordCount,
     verifylevel::kPartial,
     {"whole records follow", "an entry points to no record"}},
    {"ITEMS.DBF", Damage::StaleIndexes, verifylevel::kRepairable, {"misses record"}},
    {"ITEMS.DBF", Damage::ZeroBlock, verifylevel::kRepairable, {"deletion flag"}},
    {"ITEMS.DBF", Damage::BadBlobPointer, verifylevel::kPartial, {}},
    {"ITEMS.DBF", Damage::SwapTagKeys, verifylevel::kRepairable, {"ITEMS.MDX | index", "| is out of key order"}},
    {"ITEMS.DBF",
     Damage::SwapTagKeys,
     verifylevel::kRepairable,
     {"NAMES.NDX | index NAMES.NDX | is out of key order"},
     "NAMES.NDX"},
    {"ITEMS.DBF",
     Damage::StaleIndexes,
     verifylevel::kRepairable,
     {"NAMES.NDX | index NAMES.NDX | misses record"},
     "NAMES.NDX"},
};

class VerifyRebuildTest : public OpsFixture, public ::testing::WithParamInterface<std::tuple<DamageCase, unsigned>> {
protected:
    static constexpr int kRecords = 400;

    // The damaged table, its records the tolerant reader reads counted before.
    std::filesystem::path damaged(const DamageCase& c, unsigned seed) {
        const auto path = createItems(c.table, kRecords);
        if (c.ndx) attachNdx(path, c.ndx, "NAME");
        // An .NDX not attached to the table while it is written goes stale by itself.
        if (c.damage == Damage::StaleIndexes) {
            std::map<std::filesystem::path, Bytes> earlier;
            for (const auto& file : driverForPath(path).familyFiles(path))
                if (isIndexFile(file)) earlier[file] = readBytes(file);
            auto table = openWritable(path);
            for (int i = 0; i < 100; ++i)
                table->append({Value::integer(kRecords + 1 + i), Value::string("late"), Value()});
            table.reset();
            for (const auto& [file, bytes] : earlier) writeBytes(file, bytes);
        }
        if (c.damage >= Damage::BlobBlockType) storeBlobs(path);
        TableDamage(path, seed).apply(c.damage, c.ndx ? data() / c.ndx : std::filesystem::path());
        return path;
    }

    // Blobs in each kind of .MB block: small ones sharing a suballocated block, large ones in
    // blocks of their own, one of which is freed again.
    static void storeBlobs(const std::filesystem::path& path) {
        auto table = openWritable(path);
        Record record;
        const auto setMemo = [&](std::uint64_t slot, const std::string& memo) {
            const RecordId id = table->recordIdAt(slot);
            table->readRecord(id, record);
            record[2] = Value::string(memo);
            table->update(id, record);
        };
        for (std::uint64_t slot = 0; slot < 20; ++slot)
            setMemo(slot * 7, std::string(40, static_cast<char>('a' + slot)));
        for (std::uint64_t slot = 1; slot <= 3; ++slot) setMemo(slot * 50, std::string(5000, 'k'));
        setMemo(50, "short");
    }

    static bool isIndexFile(const std::filesystem::path& file) {
        const std::string extension = asciiUpper(file.extension().string());
        return extension == ".PX" || extension == ".MDX" || extension.starts_with(".X") || extension.starts_with(".Y");
    }

    static std::uint64_t tolerantlyReadable(const std::filesystem::path& path) {
        auto table = openTable(path);
        Record record;
        std::uint64_t count = 0;
        for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot) {
            try {
                count += table->readSlot(slot, record) ? 1 : 0;
            } catch (const EngineError&) {
            }
        }
        return count;
    }
};

TEST_P(VerifyRebuildTest, DamageGivesItsLevelAndTheRebuildKeepsEveryReadableRecord) {
    const auto& [c, seed] = GetParam();
    const auto path = damaged(c, seed);
    const std::vector<std::string> ndx = c.ndx ? std::vector<std::string>{c.ndx} : std::vector<std::string>{};
    const auto before = readBytes(path);
    const auto ndxBefore = c.ndx ? readBytes(data() / c.ndx) : Bytes();
    const VerifyReport report = verifyTable(path, ndx);
    const std::string all = described(report);
    EXPECT_EQ(report.level, c.level) << all;
    EXPECT_EQ(readBytes(path), before) << "verification changed the table";
    for (const char* finding : c.findings) EXPECT_NE(all.find(finding), std::string::npos) << all;

    const std::uint64_t readable = tolerantlyReadable(path);
    const DesktopTrash trash(folder_ / "home" / "Trash");
    const SalvageResult result = salvageTable(path, {}, std::nullopt, trash, ndx);
    EXPECT_GE(result.salvaged + result.keyViolations + result.problems, readable);
    EXPECT_EQ(recordsOf(path).size(), result.salvaged);
    EXPECT_TRUE(result.indexFilesNotRebuilt.empty());
    const VerifyReport after = verifyTable(path, ndx);
    EXPECT_EQ(after.level, verifylevel::kSound) << described(after);
    EXPECT_EQ(readBytes(findFileIgnoringCase(data(), "Backup" + path.extension().string())), before);
    if (c.damage == Damage::DuplicateKey) {
        EXPECT_EQ(recordsOf(data() / "KEYVIOL.DB").size(), 1U);
    }
    if (!c.ndx) return;
    EXPECT_EQ(readBytes(data() / ("Backup_" + ndx[0])), ndxBefore);
    // The next rebuild's copy replaces this one, which goes to the trash.
    const Bytes rebuiltNdx = readBytes(data() / ndx[0]);
    salvageTable(path, {}, std::nullopt, trash, ndx);
    EXPECT_EQ(readBytes(data() / ("Backup_" + ndx[0])), rebuiltNdx);
    EXPECT_EQ(readBytes(trashFiles() / ("Backup_" + ndx[0])), ndxBefore);
}

INSTANTIATE_TEST_SUITE_P(Seeds, VerifyRebuildTest,
                         ::testing::Combine(::testing::ValuesIn(kDamageCases), ::testing::Values(1U, 2U, 3U)));

class VerifyTest : public OpsFixture {};

TEST_F(VerifyTest, ASoundTableIsLevelZeroAndReportsEveryPhase) {
    for (const char* name : {"ITEMS.DB", "ITEMS.DBF"}) {
        const auto path = createItems(name, 301);
        {
            // A dBase tag keeps a deleted record's entry.
            auto table = openWritable(path);
            table->remove(table->recordIdAt(7));
        }
        std::set<int> phases;
        setProgressCallback([&](int, int phase) { phases.insert(phase); });
        const VerifyReport report = verifyTable(path);
        setProgressCallback({});
        EXPECT_EQ(report.level, verifylevel::kSound) << name << ": " << report.findings.front().problem;
        EXPECT_EQ(report.readableRecords, 300U);
        EXPECT_EQ(phases, (std::set<int>{verifyphase::kHeader, verifyphase::kIndexes, phase::kData}));
    }
}

TEST_F(VerifyTest, TagsOfEveryKindStayInKeyOrderThroughEdits) {
    // Descending, expression, unique and FOR-clause tags with runs of equal keys, then writes that
    // move keys within them in place: the key order check must find every tag sound.
    std::vector<Record> rows;
    for (int i = 1; i <= 300; ++i)
        rows.push_back({Value::integer(i), Value::string("item" + std::to_string(i)), Value()});
    const auto path = tableWith("ITEMS.DBF", itemFields(), rows, {},
                                {{"DOWN", "NAME", "", "", ixDescending, "", true, ""},
                                 {"STEM", "", "SUBSTR(NAME,1,5)", "", 0, "", true, ""},
                                 {"STEMDOWN", "", "SUBSTR(NAME,1,5)", "", ixDescending, "", true, ""},
                                 {"ONE", "", "SUBSTR(NAME,1,5)", "", ixUnique, "", true, ""},
                                 {"BYID", "ID", "", "", 0, "", true, ""},
                                 {"IDDOWN", "ID", "", "ID > 100", ixDescending, "", true, ""}});
    attachNdx(path, "NAMES.NDX", "NAME");
    {
        auto table = openWritable(path);
        table->attachIndexFile(data() / "NAMES.NDX");
        for (RecordId id = 290; id > 200; id -= 7)
            table->update(id, {Value::integer(static_cast<std::int64_t>(id)), Value::string("item1 again"), Value()});
        for (RecordId id = 3; id < 150; id += 11) table->remove(id);
        table->append({Value::integer(500), Value::string("item1"), Value()});
    }
    const VerifyReport report = verifyTable(path, {"NAMES.NDX"});
    EXPECT_EQ(report.level, verifylevel::kSound) << described(report);
}

TEST_F(VerifyTest, GarbageHeaderIsLevelFourAndRebuildRefusesIt) {
    for (const char* name : {"JUNK.DB", "JUNK.DBF"}) {
        writeBytes(data() / name, Bytes(100, 0xEE));
        EXPECT_EQ(verifyTable(data() / name).level, verifylevel::kUnrebuildable) << name;
        EXPECT_THROW(salvageTable(data() / name, {}, std::nullopt, DesktopTrash(folder_ / "home" / "Trash")),
                     EngineError);
        EXPECT_EQ(readBytes(data() / name), Bytes(100, 0xEE));
    }
}

TEST_F(VerifyTest, AnIndexFileThatCannotBeReadIsAFindingAndTheRebuildLeavesItToTheBackup) {
    const auto path = createItems("ITEMS.DBF", 50);
    writeBytes(data() / "JUNK.NDX", Bytes(700, 0xEE));
    const std::vector<std::string> files = {"JUNK.NDX", "NONE.NDX"};
    const VerifyReport report = verifyTable(path, files);
    EXPECT_EQ(report.level, verifylevel::kRepairable);
    const std::string all = described(report);
    for (const char* finding : {"JUNK.NDX | index JUNK.NDX | cannot be read", "NONE.NDX | index NONE.NDX | cannot be"})
        EXPECT_NE(all.find(finding), std::string::npos) << all;

    const DesktopTrash trash(folder_ / "home" / "Trash");
    EXPECT_THROW(salvageTable(path, {}, std::nullopt, trash, {"ITEMS.MDX"}), EngineError);
    const SalvageResult result = salvageTable(path, {}, std::nullopt, trash, files);
    EXPECT_EQ(result.salvaged, 50U);
    EXPECT_EQ(result.indexFilesNotRebuilt, files);
    EXPECT_FALSE(std::filesystem::exists(data() / "JUNK.NDX"));
    EXPECT_EQ(readBytes(data() / "Backup_JUNK.NDX"), Bytes(700, 0xEE));
}

TEST_F(VerifyTest, ARecordTheRebuiltTableRefusesGoesAsBytesToTheProblemTable) {
    const auto path = createItems("ITEMS.DB", 50);
    Bytes db = readBytes(path);
    const auto header = paradox::ParadoxHeader::read(PagedFile::open(path, AccessMode::ReadOnly));
    const std::size_t second = header.blockOffset(header.firstBlock) + 6 + static_cast<std::size_t>(header.recordSize);
    std::fill_n(db.begin() + static_cast<std::ptrdiff_t>(second), 4, 0);  // record 2's required ID left empty
    writeBytes(path, db);
    const SalvageResult result = salvageTable(path, {}, std::nullopt, DesktopTrash(folder_ / "home" / "Trash"));
    EXPECT_EQ(result.salvaged, 49U);
    EXPECT_EQ(result.problems, 1U);
    const auto problems = recordsOf(data() / "PROBLEM.DB");
    ASSERT_EQ(problems.size(), 1U);
    EXPECT_EQ(problems[0][0].toText(), "2");
    EXPECT_EQ(problems[0][2].asBytes(), Bytes(db.begin() + static_cast<std::ptrdiff_t>(second),
                                              db.begin() + static_cast<std::ptrdiff_t>(second) + header.recordSize));
}

TEST_F(VerifyTest, ARecordARebuiltUniqueIndexRefusesGoesToTheKeyViolationTable) {
    const auto path = createItems("ITEMS.DB", 5000);  // more than an index takes one by one
    {
        auto table = openWritable(path);
        table->update(table->recordIdAt(4000), {Value::integer(4001), Value::string("item7"), Value()});
    }
    SalvageStructure structure{itemFields(), itemIndexes(ttParadox)};
    structure.indexes[1].options |= ixUnique;
    const SalvageResult result = salvageTable(path, {}, structure, DesktopTrash(folder_ / "home" / "Trash"));
    EXPECT_EQ(result.salvaged, 4999U);
    EXPECT_EQ(result.keyViolations, 1U);
    ASSERT_EQ(recordsOf(data() / "KEYVIOL.DB").size(), 1U);
    EXPECT_EQ(recordsOf(data() / "KEYVIOL.DB")[0][0].toText(), "4001");
    EXPECT_EQ(verifyTable(path).level, verifylevel::kSound);
}

TEST_F(VerifyTest, RebuildsKeepTheBlockSizeAndTheSortOrder) {
    const DesktopTrash trash(folder_ / "home" / "Trash");
    const std::pair<const char*, std::function<void(const std::filesystem::path&)>> rebuilds[] = {
        {"salvage", [&](const auto& path) { salvageTable(path, {}, std::nullopt, trash); }},
        {"restructure", [&](const auto& path) { rebuildTable(path, currentStructure(path), trash); }},
    };
    CreateOptions options;
    options.encoding = "CP1252";
    options.sortOrder = "ANSIINTL";  // not the code page's default
    options.blockSize = 16 * 1024;
    for (const auto& [name, rebuild] : rebuilds) {
        const auto path = data() / (std::string(name) + ".DB");
        driverForPath(path).create(path, itemFields(), itemIndexes(ttParadox), options);
        rebuild(path);
        const TableFacts facts = openTable(path)->facts();
        EXPECT_EQ(facts.sortOrder, "ANSIINTL") << name;
        EXPECT_EQ(facts.blockSize, 16U * 1024) << name;
        EXPECT_EQ(readBytes(path).at(5), 16) << name << ": the header's block size in KiB";
    }
}

TEST_F(VerifyTest, ManyOfOneFaultAreShownFewTimesAndCounted) {
    Findings findings;
    for (int i = 0; i < 100; ++i) findings.add({"T.DB", "record " + std::to_string(i), "bad", 1}, "bad");
    const auto list = findings.list();
    ASSERT_EQ(list.size(), Findings::kShownPerKind + 1U);
    EXPECT_EQ(list.back().problem, "80 more places like record 0: bad");
}

// Real-world files verify at level 0, except these (by file name), which are as their level says.
const std::map<std::string, int> kFixturesNotSound = {
    {"encrypted.db", 4},
    {"encrypted35.db", 4},
    {"encryptedmemo.db", 4},                // password-protected
    {"class.DBF", 3},                       // its writer left two record slots after the records counted
    {"concurr.dbf", 3},                     // the same, by a writer caught mid-append
    {"dbase3_invalid_last_update.dbf", 3},  // the same
    {"dbase_83_missing_memo.dbf", 3},       // its .DBT is not there
    {"dbase3_invalid_fields.dbf", 3},       // a field of length 0, fields longer than the record
    {"dbase3_invalid_fields_type.dbf", 3},  // the same, and a field no type can read
    {"dbase3_invalid_terminator.dbf", 1},   // no end of the field descriptors
    {"mazovia.dbf", 1},                     // deletion flags of byte 0
    // The header names a production index that is not in the set.
    {"carts.dbf", 1},
    {"cp1251.dbf", 1},
    {"dbase_31.dbf", 1},
    {"visual_fox_pro6.dbf", 1},
};

TEST(FixtureVerifyTest, FixtureTablesVerifyAtTheirLevel) {
    const std::filesystem::path fixtures = TABULON_FIXTURES;
    if (!std::filesystem::exists(fixtures)) GTEST_SKIP() << "no fixtures";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(fixtures)) {
        const TableType type = tableTypeForPath(entry.path());
        if (!entry.is_regular_file() || !entry.path().has_extension() || (type != ttParadox && type != ttDBase))
            continue;
        // A dBase table's .NDX files are those beside it.
        std::vector<std::string> ndx;
        if (type == ttDBase)
            for (const auto& beside : std::filesystem::directory_iterator(entry.path().parent_path()))
                if (asciiUpper(beside.path().extension().string()) == ".NDX")
                    ndx.push_back(beside.path().filename().string());
        const VerifyReport report = verifyTable(entry.path(), ndx);
        const auto known = kFixturesNotSound.find(entry.path().filename().string());
        const std::string all = described(report);
        EXPECT_EQ(report.level, known == kFixturesNotSound.end() ? 0 : known->second) << entry.path() << "\n" << all;
    }
}

}  // namespace
}  // namespace tabulon::testing
