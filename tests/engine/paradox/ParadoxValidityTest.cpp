// The .VAL file: required flags read from real files and written on create; required, minimum
// and maximum enforced on appends and updates; damaged check files reported, not trusted.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "ParadoxFamilyCheck.h"
#include "ParadoxFixtures.h"
#include "core/EngineError.h"
#include "storage/Drivers.h"
#include "storage/paradox/ParadoxBytes.h"
#include "storage/paradox/ParadoxHeaderBuilder.h"
#include "storage/paradox/ParadoxValidity.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {
std::vector<bool> requiredFlags(const StorageTable& table) {
    std::vector<bool> flags;
    for (const auto& f : table.fields()) flags.push_back(f.required);
    return flags;
}

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::unique_ptr<StorageTable> openForWriting(const std::filesystem::path& path) {
    return openTable(path, {AccessMode::ReadWrite});
}

void expectRefused(StorageTable& table, const Record& record, const char* kind, const std::string& words) {
    try {
        table.append(record);
        ADD_FAILURE() << "accepted a record that breaks a check: " << words;
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), kind) << e.message();
        EXPECT_NE(e.message().find(words), std::string::npos) << e.message();
    }
}

std::vector<FieldDef> orderFields() {
    return {{"Id", ftInteger, 0, 0, true, ""},
            {"Customer", ftString, 20, 0, true, ""},
            {"Quantity", ftSmallint, 0, 0, false, ""},
            {"Note", ftMemo, 10, 0, true, ""}};
}

IndexDef primaryKey() {
    IndexDef primary{.fields = "Id", .options = ixPrimary | ixUnique};
    return primary;
}
}  // namespace

TEST(ParadoxValidity, RequiredFlagsOfRealFilesAreRead) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    const struct {
        const char* table;
        std::vector<bool> required;
    } cases[] = {
        {"paradoxdriver/joins/paradox-ascii.db", {true}},
        {"paradoxdriver/joins/C.DB", {true, true, false}},
        {"paradoxdriver/joins/multiple.db", {false, true, false, false}},
        {"paradoxdriver/fields/logical.db", {true}},                     // required, with a default
        {"paradoxdriver/db/AREACODE.DB", {false, false, false, false}},  // pictures only
        {"paradoxdriver/areas/ZIPCODES.DB", {false, false, false}},
        {"paradoxdriver/joins/origin.db", {false, false}},  // a lookup
        {"paradoxdriver/joins/fk1.db", {false, false}},     // a referential link
    };
    for (const auto& c : cases) {
        const auto table = openTable(paradoxFixtures() / c.table, {.tolerant = false});
        EXPECT_EQ(requiredFlags(*table), c.required) << c.table;
    }
}

TEST(ParadoxValidity, ARealRequiredFieldRefusesAnEmptyValue) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    TempFolder folder;
    const auto path = copyParadoxFamily("paradoxdriver/joins/paradox-ascii.db", folder);
    const Bytes checks = readFile(folder / "paradox-ascii.val");
    {
        auto table = openForWriting(path);
        expectRefused(*table, {Value()}, errkind::kRequired, "Field A");
        table->append({Value::string("filled")});
        EXPECT_EQ(table->recordCount(), 1u);
    }
    EXPECT_EQ(readFile(folder / "paradox-ascii.val"), checks);  // writes leave the checks as they are
    expectConsistentFamily(path);
}

TEST(ParadoxValidity, CreatedTablesKeepTheirRequiredFields) {
    TempFolder folder;
    const auto path = folder / "ORDERS.DB";
    driverForPath(path).create(path, orderFields(), {primaryKey()}, {}).reset();
    const Bytes checks = readFile(folder / "ORDERS.VAL");
    ASSERT_FALSE(checks.empty());
    EXPECT_EQ(checks[0], readFile(path)[0x2E]);  // linked to this version of the table

    auto table = openForWriting(path);
    EXPECT_EQ(requiredFlags(*table), (std::vector<bool>{true, true, false, true}));
    const std::uintmax_t blobBytes = std::filesystem::file_size(folder / "ORDERS.MB");
    expectRefused(*table, {Value::integer(1), Value(), Value::integer(2), Value::string("n")}, errkind::kRequired,
                  "Customer");
    expectRefused(*table, {Value::integer(1), Value::string("Ann"), Value(), Value::string("")}, errkind::kRequired,
                  "Note");
    const RecordId id =
        table->append({Value::integer(1), Value::string("Ann"), Value(), Value::string(std::string(400, 'n'))});
    try {
        table->update(id, {Value::integer(1), Value::string(""), Value(), Value::string("short")});
        ADD_FAILURE() << "an update emptied a required field";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kRequired);
    }
    EXPECT_EQ(table->recordCount(), 1u);
    table.reset();
    EXPECT_GT(std::filesystem::file_size(folder / "ORDERS.MB"), blobBytes);  // only the accepted memo went there
    expectConsistentFamily(path);
}

TEST(ParadoxValidity, TablesWithoutRequiredFieldsGetNoCheckFile) {
    TempFolder folder;
    const auto path = folder / "FREE.DB";
    driverForPath(path).create(path, {{"Name", ftString, 10, 0, false, ""}}, {}, {}).reset();
    EXPECT_TRUE(findFileIgnoringCase(folder.path(), "FREE.VAL").empty());
}

TEST(ParadoxValidity, MinimumAndMaximumBoundTheValues) {
    TempFolder folder;
    const auto path = folder / "RANGE.DB";
    driverForPath(path)
        .create(path, {{"Id", ftInteger, 0, 0, false, ""}, {"Grade", ftString, 1, 0, false, ""}}, {primaryKey()}, {})
        .reset();
    // Checks as another program writes them: Id between 10 and 99, Grade at least "B".
    const auto header = readFile(path);
    Bytes checks = paradox::buildParadoxValidity(
        paradox::ParadoxHeader::parse(Bytes(header.begin(), header.begin() + paradox::le16(header.data() + 2)),
                                      "RANGE.DB"),
        {});
    const std::size_t footer = paradox::le16(checks.data() + 9);
    Bytes idCheck(28, 0), gradeCheck(28, 0);
    idCheck[0] = 0;
    idCheck[8] = idCheck[12] = 1;  // minimum and maximum present
    const Bytes idBounds = {0x80, 0, 0, 10, 0x80, 0, 0, 99};
    gradeCheck[0] = 1;
    gradeCheck[8] = 1;
    const Bytes gradeMinimum = {'B'};
    Bytes middle = idCheck;
    middle.insert(middle.end(), idBounds.begin(), idBounds.end());
    middle.insert(middle.end(), gradeCheck.begin(), gradeCheck.end());
    middle.insert(middle.end(), gradeMinimum.begin(), gradeMinimum.end());
    checks.insert(checks.begin() + static_cast<std::ptrdiff_t>(footer), middle.begin(), middle.end());
    checks[2] = 2;
    paradox::putLe16(checks.data() + 9, static_cast<std::uint32_t>(footer + middle.size()));
    writeFile(folder / "RANGE.VAL", checks);

    auto table = openForWriting(path);
    expectRefused(*table, {Value::integer(9), Value::string("C")}, errkind::kValue, "Id: 9 is below the minimum 10");
    expectRefused(*table, {Value::integer(100), Value::string("C")}, errkind::kValue, "above the maximum 99");
    expectRefused(*table, {Value::integer(50), Value::string("A")}, errkind::kValue, "Grade");
    table->append({Value::integer(10), Value::string("B")});
    table->append({Value::integer(99), Value()});  // an empty value is not out of range
    EXPECT_EQ(table->recordCount(), 2u);
}

TEST(ParadoxValidity, DamagedCheckFilesAreReportedNotTrusted) {
    TempFolder folder;
    const auto path = folder / "BROKEN.DB";
    driverForPath(path).create(path, orderFields(), {primaryKey()}, {}).reset();
    const Bytes good = readFile(folder / "BROKEN.VAL");
    Bytes otherVersion = good;
    otherVersion[0] ^= 0xFF;
    Bytes strangeField = good;
    strangeField[0x35] = 40;
    for (const Bytes& damaged : {Bytes(good.begin(), good.begin() + 0x40), otherVersion, strangeField, Bytes(3, 0)}) {
        writeFile(folder / "BROKEN.VAL", damaged);
        EXPECT_THROW(openTable(path, {.tolerant = false}), EngineError);
        const auto table = openTable(path);
        ASSERT_EQ(table->problems().size(), 1u);
        EXPECT_EQ(table->problems()[0].file, "BROKEN.VAL");
        EXPECT_EQ(requiredFlags(*table), (std::vector<bool>{false, false, false, false}));
    }
}

TEST(ParadoxValidity, RandomDamageIsRefusedCleanly) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    const auto table = paradoxFixtures() / "paradoxdriver/db/AREACODE.DB";
    const Bytes tableBytes = readFile(table);
    const auto header = paradox::ParadoxHeader::parse(
        Bytes(tableBytes.begin(), tableBytes.begin() + paradox::le16(tableBytes.data() + 2)), "AREACODE.DB");
    const Bytes good = readFile(paradoxFixtures() / "paradoxdriver/db/AREACODE.VAL");
    std::mt19937 random(5);
    for (int round = 0; round < 2000; ++round) {
        Bytes damaged = good;
        for (int hits = 1 + static_cast<int>(random() % 4); hits > 0; --hits)
            damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
        damaged.resize(random() % 4 ? damaged.size() : random() % damaged.size());
        try {
            for (const auto& check : paradox::parseParadoxValidity(damaged, header, "AREACODE.VAL")) {
                ASSERT_LT(check.field, header.fields.size());
                if (check.minimum) {
                    ASSERT_EQ(check.minimum->size(), static_cast<std::size_t>(header.fields[check.field].bytes));
                }
            }
        } catch (const EngineError& e) {
            ASSERT_EQ(e.kind(), errkind::kFormat) << e.message();
        }
    }
}
