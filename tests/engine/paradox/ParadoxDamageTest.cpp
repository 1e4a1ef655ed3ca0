// Damaged files: a tolerant open reads what it can and names each problem; a strict open fails
// with an error naming the file; neither crashes, hangs or allocates without bound.
#include <gtest/gtest.h>

#include <fstream>

#include "ParadoxFixtures.h"
#include "core/EngineError.h"
#include "storage/Drivers.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {
void patch(const std::filesystem::path& file, std::uint64_t offset, std::vector<std::uint8_t> bytes) {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string allProblems(const StorageTable& table) {
    std::string text;
    for (const auto& p : table.problems()) text += p.file + ": " + p.message + "\n";
    return text;
}

struct DamageCase {
    const char* name;
    const char* table;
    std::uint64_t offset;
    std::vector<std::uint8_t> bytes;
    const char* problem;            // part of the reported problem
    std::uint64_t readableRecords;  // what a tolerant open still reads
};

// LAND.DB: header 2048, 4 KiB blocks, 216 records in blocks 1..5.
const DamageCase kChainDamage[] = {
    {"ChainLoop", "python-pxlib/LAND.DB", 2048 + 4096, {2, 0}, "loops back to block 2", 90},
    {"ChainPastTheEnd", "python-pxlib/LAND.DB", 2048, {0xE7, 0x03}, "past the end of the file", 45},
    {"RecordCountLies", "python-pxlib/LAND.DB", 0x06, {1, 0, 0, 0}, "the header counts 1 records", 216},
    {"BlockClaimsTooManyRecords", "python-pxlib/LAND.DB", 2048 + 4, {0xFF, 0x7F}, "claims", 216},
};

void PrintTo(const DamageCase& c, std::ostream* out) { *out << c.name; }

class ParadoxChainDamage : public ::testing::TestWithParam<DamageCase> {};
}  // namespace

TEST_P(ParadoxChainDamage, TolerantOpenReportsStrictOpenFails) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    const DamageCase& c = GetParam();
    TempFolder folder;
    const auto path = copyParadoxFamily(c.table, folder);
    patch(path, c.offset, c.bytes);

    const auto table = openTable(path);
    EXPECT_NE(allProblems(*table).find(c.problem), std::string::npos) << allProblems(*table);
    EXPECT_EQ(table->recordCount(), c.readableRecords);
    Record r;
    for (std::uint64_t i = 0; i < table->slotCount(); ++i) table->readSlot(i, r);

    try {
        openTable(path, {.tolerant = false});
        ADD_FAILURE() << "strict open accepted the damage";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kFormat);
        EXPECT_NE(e.message().find(path.filename().string()), std::string::npos) << e.message();
    }
}

INSTANTIATE_TEST_SUITE_P(Damage, ParadoxChainDamage, ::testing::ValuesIn(kChainDamage),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ParadoxDamage, UnusableHeadersFailNamingTheFileAndTheFault) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    const struct {
        std::uint64_t offset;
        std::vector<std::uint8_t> bytes;
        const char* fault;
    } cases[] = {
        {0x02, {0xFF, 0xFF}, "header size"}, {0x05, {0x00}, "block size"},        {0x21, {0x00, 0x00}, "field count"},
        {0x00, {0x01, 0x00}, "record size"}, {0x78, {0x33}, "unknown type code"}, {0x04, {0x09}, "unknown file type"},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const auto path = copyParadoxFamily("python-pxlib/LAND.DB", folder);
        patch(path, c.offset, c.bytes);
        try {
            openTable(path);
            ADD_FAILURE() << c.fault << " accepted";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.kind(), errkind::kFormat);
            EXPECT_NE(e.message().find("LAND.DB"), std::string::npos) << e.message();
            EXPECT_NE(e.message().find(c.fault), std::string::npos) << e.message();
        }
    }
}

TEST(ParadoxDamage, FileCutInsideTheChainReadsWhatIsThere) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    TempFolder folder;
    const auto path = copyParadoxFamily("python-pxlib/LAND.DB", folder);
    std::filesystem::resize_file(path, 2048 + 4096 + 100);  // block 2 starts, blocks 3..5 are gone
    const auto table = openTable(path);
    EXPECT_NE(allProblems(*table).find("past the end of the file"), std::string::npos);
    Record r;
    table->readSlot(0, r);
    EXPECT_EQ(r[0].asString(), "AFG");
}

TEST(ParadoxDamage, BlobPointersPastTheEndReadAsEmptyAndAreReported) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    TempFolder folder;
    const auto path = copyParadoxFamily("paradoxdriver/fields/memo.db", folder);
    // Record 1 of block 1: Id (4 bytes), then the M250 field: 240-byte leader, then the pointer.
    patch(path, 2048 + 6 + 4 + 240, {0x00, 0x00, 0xF0, 0x7F});
    const auto table = openTable(path);
    Record r;
    table->readSlot(0, r);
    EXPECT_TRUE(r[1].isNull());
    EXPECT_NE(allProblems(*table).find("memo.mb: the blob at 0x7FF00000 lies outside the file"), std::string::npos)
        << allProblems(*table);
    table->readSlot(1, r);
    EXPECT_EQ(r[1].asString(), "01234567890\n");

    const auto strictTable = openTable(path, {.tolerant = false});
    EXPECT_THROW(strictTable->readSlot(0, r), EngineError);
}

TEST(ParadoxDamage, ADamagedSecondaryIndexIsListedAsUnusable) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    TempFolder folder;
    const auto path = copyParadoxFamily("paradoxdriver/joins/C.DB", folder);
    patch(folder / "C.X02", 0x21, {0x00, 0x00});
    const auto table = openTable(path);
    bool listed = false;
    for (const auto& index : table->indexes())
        if (index.file == "C.X02") {
            listed = true;
            EXPECT_FALSE(index.usable);
            EXPECT_NE(index.problem.find("field count"), std::string::npos);
            EXPECT_THROW(table->openIndex(index.name), EngineError);
        }
    EXPECT_TRUE(listed);
    EXPECT_NE(allProblems(*table).find("C.X02"), std::string::npos);
}
