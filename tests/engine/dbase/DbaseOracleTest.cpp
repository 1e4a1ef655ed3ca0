// Independent implementations agree: dbfread reads what the engine writes, and the engine
// reads what python-dbf writes, value by value. Skips when python3 or its modules are missing.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>

#include "storage/Drivers.h"
#include "support/TempFolder.h"

using namespace tabulon;
using tabulon::testing::TempFolder;

namespace {
const std::filesystem::path kOracle = std::filesystem::path(TABULON_TESTS_SOURCE) / "engine/dbase/dbf_oracle.py";
constexpr int kSkipStatus = 77;

std::string json(const Value& v) {
    switch (v.kind()) {
        case ValueKind::Null:
            return "null";
        case ValueKind::Boolean:
            return v.asBool() ? "true" : "false";
        case ValueKind::Integer:
        case ValueKind::Float:
        case ValueKind::Currency:
            return v.toText();
        default: {
            std::string out = "\"";
            for (unsigned char c : v.toText()) {
                if (c == '"' || c == '\\')
                    out += '\\', out += static_cast<char>(c);
                else if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else
                    out += static_cast<char>(c);
            }
            return out + "\"";
        }
    }
}

// Every live record of `table` as JSON lines.
void writeValues(StorageTable& table, const std::filesystem::path& path) {
    std::ofstream out(path);
    Record r;
    for (std::uint64_t slot = 0; slot < table.slotCount(); ++slot) {
        if (!table.readSlot(slot, r)) continue;
        for (std::size_t i = 0; i < r.size(); ++i) out << (i ? "," : "[") << json(r[i]);
        out << "]\n";
    }
}

// Runs the oracle; returns its exit status and what it printed.
int runOracle(const std::string& arguments, std::string& output) {
    const char* python = std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    const std::string command = std::string(python) + " " + kOracle.string() + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<FieldDef> everyDbaseIvType() {
    return {{"NAME", ftString, 20, 0, false, "C"}, {"COUNT", ftInteger, 6, 0, false, "N"},
            {"PRICE", ftFloat, 12, 3, false, "N"}, {"RATE", ftFloat, 20, 8, false, "F"},
            {"DAY", ftDate, 0, 0, false, "D"},     {"OK", ftBoolean, 0, 0, false, "L"},
            {"NOTES", ftMemo, 0, 0, false, "M"}};
}

TEST(DbaseOracle, DbfreadReadsWhatTheEngineWrites) {
    TempFolder dir;
    {
        auto table = driverFor(ttDBase).create(dir / "mine.dbf", everyDbaseIvType(), {}, {});
        table->append({Value::string("Zoë"), Value::integer(-12), Value::floating(3.125), Value::floating(0.00000001),
                       Value::date(Date::fromCivil(2024, 2, 29)), Value::boolean(false),
                       Value::string("café\r\nnoir")});
        table->append({Value::string("plain"), Value::integer(999999), Value::floating(-0.5), Value::floating(123456.5),
                       Value::date(Date::fromCivil(1899, 12, 31)), Value::boolean(true),
                       Value::string(std::string(700, 'm'))});
        table->append({Value(), Value(), Value(), Value(), Value(), Value(), Value()});
        table->remove(2);
        table->append({Value::string("last"), Value::integer(0), Value::floating(0), Value::floating(1),
                       Value::date(Date::fromCivil(1970, 1, 1)), Value::boolean(true), Value::string("x")});
    }
    auto table = openTable(dir / "mine.dbf");
    writeValues(*table, dir / "ours.jsonl");
    std::string output;
    const int status =
        runOracle("check " + (dir / "mine.dbf").string() + " cp1252 " + (dir / "ours.jsonl").string(), output);
    if (status == kSkipStatus) GTEST_SKIP() << "python3-dbfread is not installed";
    EXPECT_EQ(status, 0) << output;
}

TEST(DbaseOracle, DbfreadReadsWhatTheEngineWritesInAUserChosenCodePage) {
    TempFolder dir;
    driverFor(ttDBase).create(dir / "chosen.dbf", {{"NAME", ftString, 20, 0, false, "C"}}, {}, {});
    OpenOptions chosen;
    chosen.access = AccessMode::ReadWrite;
    chosen.encoding = "CP1251";
    openTable(dir / "chosen.dbf", chosen)->append({Value::string("\xD0\x96\xD0\xB0\xD1\x80")});  // "Жар"
    chosen.access = AccessMode::ReadOnly;
    writeValues(*openTable(dir / "chosen.dbf", chosen), dir / "ours.jsonl");
    std::string output;
    const int status =
        runOracle("check " + (dir / "chosen.dbf").string() + " cp1251 " + (dir / "ours.jsonl").string(), output);
    if (status == kSkipStatus) GTEST_SKIP() << "python3-dbfread is not installed";
    EXPECT_EQ(status, 0) << output;
}

class DbaseOracleWritten : public ::testing::TestWithParam<const char*> {};

TEST_P(DbaseOracleWritten, TheEngineReadsWhatPythonDbfWrites) {
    TempFolder dir;
    std::string output;
    const int status = runOracle(std::string("write ") + GetParam() + " " + (dir / "theirs.dbf").string(), output);
    if (status == kSkipStatus) GTEST_SKIP() << "python3-dbf is not installed";
    ASSERT_EQ(status, 0) << output;
    auto table = openTable(dir / "theirs.dbf");
    EXPECT_TRUE(table->problems().empty());
    writeValues(*table, dir / "ours.jsonl");
    output.clear();
    EXPECT_EQ(runOracle(std::string("check-written ") + GetParam() + " " + (dir / "ours.jsonl").string(), output), 0)
        << output;
}

INSTANTIATE_TEST_SUITE_P(Dialects, DbaseOracleWritten, ::testing::Values("db3", "vfp"));

}  // namespace
