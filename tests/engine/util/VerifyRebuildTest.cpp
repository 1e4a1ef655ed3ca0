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
    std::vector<const char*> findings;  // parts of the problems some findings name
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
};

class VerifyRebuildTest : public OpsFixture, public ::testing::WithParamInterface<std::tuple<DamageCase, unsigned>> {
protected:
    static constexpr int kRecords = 400;

    // The damaged table, its records the tolerant reader reads counted before.
    std::filesystem::path damaged(const DamageCase& c, unsigned seed) {
        const auto path = createItems(c.table, kRecords);
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
        TableDamage(path, seed).apply(c.damage);
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
    const auto before = readBytes(path);
    const VerifyReport report = verifyTable(path);
    const std::string all = described(report);
    EXPECT_EQ(report.level, c.level) << all;
    EXPECT_EQ(readBytes(path), before) << "verification changed the table";
    for (const char* finding : c.findings) EXPECT_NE(all.find(finding), std::string::npos) << all;

    const std::uint64_t readable = tolerantlyReadable(path);
    const SalvageResult result = salvageTable(path, {}, std::nullopt, DesktopTrash(folder_ / "home" / "Trash"));
    EXPECT_GE(result.salvaged + result.keyViolations + result.problems, readable);
    EXPECT_EQ(recordsOf(path).size(), result.salvaged);
    EXPECT_EQ(verifyTable(path).level, verifylevel::kSound) << all;
    EXPECT_EQ(readBytes(findFileIgnoringCase(data(), "Backup" + path.extension().string())), before);
    if (c.damage == Damage::DuplicateKey) EXPECT_EQ(recordsOf(data() / "KEYVIOL.DB").size(), 1U);
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

TEST_F(VerifyTest, GarbageHeaderIsLevelFourAndRebuildRefusesIt) {
    for (const char* name : {"JUNK.DB", "JUNK.DBF"}) {
        writeBytes(data() / name, Bytes(100, 0xEE));
        EXPECT_EQ(verifyTable(data() / name).level, verifylevel::kUnrebuildable) << name;
        EXPECT_THROW(salvageTable(data() / name, {}, std::nullopt, DesktopTrash(folder_ / "home" / "Trash")),
                     EngineError);
        EXPECT_EQ(readBytes(data() / name), Bytes(100, 0xEE));
    }
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
        const VerifyReport report = verifyTable(entry.path());
        const auto known = kFixturesNotSound.find(entry.path().filename().string());
        const std::string all = described(report);
        EXPECT_EQ(report.level, known == kFixturesNotSound.end() ? 0 : known->second) << entry.path() << "\n" << all;
    }
}

}  // namespace
}  // namespace tabulon::testing
