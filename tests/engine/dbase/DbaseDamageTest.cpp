// Damaged tables open tolerantly with each problem listed, or strictly with an error naming
// the file; never a crash, a hang or an allocation the file size does not justify.
#include <gtest/gtest.h>

#include <fstream>
#include <utility>
#include <vector>

#include "core/EngineError.h"
#include "engine/dbase/FixtureFiles.h"
#include "storage/Drivers.h"
#include "support/TempFolder.h"

using namespace tabulon;
using tabulon::testing::dbaseFixtures;
using tabulon::testing::TempFolder;

namespace {
bool mentions(const std::vector<TableProblem>& problems, const std::string& file, const std::string& words) {
    for (const TableProblem& p : problems)
        if (p.file == file && p.message.find(words) != std::string::npos) return true;
    return false;
}

struct DamagedFixture {
    const char* file;
    const char* problemWords;
};
std::ostream& operator<<(std::ostream& out, const DamagedFixture& c) { return out << c.file; }

class DbaseDamagedFixture : public ::testing::TestWithParam<DamagedFixture> {};

TEST_P(DbaseDamagedFixture, TolerantOpenListsTheProblemAndStrictOpenRefuses) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    const std::filesystem::path path = dbaseFixtures() / "damaged" / GetParam().file;
    auto table = openTable(path);
    EXPECT_TRUE(mentions(table->problems(), path.filename().string(), GetParam().problemWords));
    Record record;
    for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot) table->readSlot(slot, record);

    try {
        openTable(path, {.tolerant = false});
        ADD_FAILURE() << "a strict open accepted " << path;
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kFormat);
        EXPECT_NE(e.message().find(path.filename().string()), std::string::npos) << e.message();
    }
}

INSTANTIATE_TEST_SUITE_P(Manifest, DbaseDamagedFixture,
                         ::testing::Values(DamagedFixture{"dbase3_invalid_fields.dbf", "has length 0"},
                                           DamagedFixture{"dbase3_invalid_fields_type.dbf", "cannot be 19 bytes long"},
                                           DamagedFixture{"dbase3_invalid_terminator.dbf", "no 0x0D terminator"}));

TEST(DbaseDamage, MissingMemoFileNamesItAndLeavesMemosNull) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    auto table = openTable(dbaseFixtures() / "damaged/dbase_83_missing_memo.dbf");
    EXPECT_TRUE(mentions(table->problems(), "dbase_83_missing_memo.DBT", "memo file is missing"));
    Record record;
    ASSERT_TRUE(table->readSlot(0, record));
    EXPECT_TRUE(record[11].isNull());
    EXPECT_THROW(openTable(dbaseFixtures() / "damaged/dbase_83_missing_memo.dbf", {.tolerant = false}), EngineError);
}

TEST(DbaseDamage, ARecordCountOfZeroWithDataBehindIsReported) {
    SKIP_WITHOUT_DBASE_FIXTURES();
    auto table = openTable(dbaseFixtures() / "damaged/dbase3_invalid_last_update.dbf");
    EXPECT_EQ(table->slotCount(), 0u);
    EXPECT_TRUE(mentions(table->problems(), "dbase3_invalid_last_update.dbf", "bytes follow the records"));
    EXPECT_TRUE(mentions(table->problems(), "dbase3_invalid_last_update.dbf", "date of last update"));
}

// A small valid dBase III table (one C5 field, two records) to damage byte by byte.
std::string smallTable() {
    std::string bytes(32, '\0');
    bytes[0] = 0x03;
    bytes[1] = 124, bytes[2] = 1, bytes[3] = 2;
    bytes[4] = 2;   // records
    bytes[8] = 65;  // header length
    bytes[10] = 6;  // record length
    std::string field(32, '\0');
    field.replace(0, 4, "NAME");
    field[11] = 'C';
    field[16] = 5;
    return bytes + field + "\x0D" + " alpha beta \x1A";
}

struct Mutation {
    const char* what;
    std::size_t offset;
    std::string bytes;
    std::uint64_t slots;  // readable afterwards
};
std::ostream& operator<<(std::ostream& out, const Mutation& m) { return out << m.what; }

class DbaseHostileHeader : public ::testing::TestWithParam<Mutation> {};

TEST_P(DbaseHostileHeader, OpensWithinTheFileAndSaysWhatIsWrong) {
    TempFolder dir;
    std::string bytes = smallTable();
    bytes.replace(GetParam().offset, GetParam().bytes.size(), GetParam().bytes);
    std::ofstream(dir / "t.dbf", std::ios::binary) << bytes;
    auto table = openTable(dir / "t.dbf");
    EXPECT_EQ(table->slotCount(), GetParam().slots);
    EXPECT_FALSE(table->problems().empty());
    Record record;
    for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot) table->readSlot(slot, record);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, DbaseHostileHeader,
    ::testing::Values(Mutation{"record count of four billion", 4, std::string("\xFF\xFF\xFF\xFF", 4), 2},
                      Mutation{"header length past the end", 8, std::string("\xFF\xFF", 2), 2},
                      Mutation{"header length inside the descriptors", 8, std::string("\x21\x00", 2), 2},
                      Mutation{"record length of zero", 10, std::string("\x00\x00", 2), 0},
                      Mutation{"record length longer than the file", 10, std::string("\xFF\x7F", 2), 0},
                      Mutation{"field longer than the record", 48, std::string("\xFF", 1), 2},
                      Mutation{"unknown version byte", 0, std::string("\x77", 1), 2}));

// Numeric text as other writers leave it, in a whole-number field (N5) and one with decimals
// (N8.2): the number it shows, or null, never garbage.
TEST(DbaseNumericText, ReadsTheNumberOrNull) {
    const std::vector<std::pair<std::string, Value>> cases = {
        {"   42", Value::integer(42)},
        {"-0042", Value::integer(-42)},
        {"7    ", Value::integer(7)},
        {std::string("12\0\0\0", 5), Value::integer(12)},
        {"  1.0", Value::integer(1)},
        {"*****", Value()},
        {"     ", Value()},
        {"  1.5", Value()},
        {" 12a ", Value()},
        {"  - 3", Value()},
    };
    std::string header(32, '\0');
    header[0] = 0x03;
    header[4] = static_cast<char>(cases.size());
    header[8] = 97;   // header length
    header[10] = 14;  // record length
    std::string whole(32, '\0'), decimals(32, '\0');
    whole.replace(0, 5, "WHOLE");
    whole[11] = 'N';
    whole[16] = 5;
    decimals.replace(0, 3, "DEC");
    decimals[11] = 'N';
    decimals[16] = 8;
    decimals[17] = 2;
    std::string records;
    for (const auto& c : cases) records += " " + c.first + "  -12.50";
    TempFolder dir;
    std::ofstream(dir / "n.dbf", std::ios::binary) << header + whole + decimals + "\x0D" + records + "\x1A";
    auto table = openTable(dir / "n.dbf");
    Record record;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        table->readRecord(i + 1, record);
        EXPECT_EQ(record[0], cases[i].second) << "'" << cases[i].first << "'";
        EXPECT_EQ(record[1], Value::floating(-12.5));
    }
}
}  // namespace
