// Copies: a copy within one format keeps the table's definition; across formats every record
// arrives with every digit, under names the destination holds, or is counted as a problem.
#include <gtest/gtest.h>

#include "OpsFixture.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {

const std::filesystem::path kFixtures = TABULON_FIXTURES;

// What a header says of the table's definition: dBase: the version and each field descriptor's
// name, type letter, width and decimals (other writers leave bytes behind a name's NUL and in
// the reserved ones); Paradox: version, sort order, code page and each field's type and size.
Bytes definitionBytes(const std::filesystem::path& table) {
    const Bytes file = readBytes(table);
    if (tableTypeForPath(table) == ttDBase) {
        const std::size_t headerLength = file[8] | file[9] << 8;
        Bytes out{file[0]};
        for (std::size_t at = 32; at + 32 <= headerLength && file[at] != 0x0D; at += 32) {
            bool named = true;
            for (std::size_t i = 0; i < 11; ++i) out.push_back((named = named && file[at + i] != 0) ? file[at + i] : 0);
            out.insert(out.end(), {file[at + 11], file[at + 16], file[at + 17]});
        }
        return out;
    }
    const std::size_t fields = file[0x21];
    Bytes out{file[0x39], file[0x29], file[0x6A], file[0x6B]};
    out.insert(out.end(), file.begin() + 0x78, file.begin() + 0x78 + static_cast<long>(2 * fields));
    return out;
}

class BatchMoveCopyTest : public OpsFixture {
protected:
    BatchMoveResult copy(const std::filesystem::path& source, const std::filesystem::path& target,
                         const std::string& encoding = {}) const {
        BatchMoveOptions options;
        options.mode = BatchMode::Copy;
        options.encoding = encoding;
        return move(source, target, options);
    }
    // A fixture table's family, copied into the data folder.
    std::filesystem::path fixture(const std::string& relative) const {
        const auto from = kFixtures / relative;
        for (const auto& file : driverForPath(from).familyFiles(from))
            std::filesystem::copy_file(file, data() / file.filename());
        return data() / from.filename();
    }
    // Appends the source to `narrow`, its misfits going to PROBLEMS.DB.
    BatchMoveResult appendWithProblems(const std::filesystem::path& source, const std::filesystem::path& narrow) const {
        BatchMoveOptions append;
        append.problemTable = "PROBLEMS";
        return move(source, narrow, append);
    }
};

#define SKIP_WITHOUT_FIXTURES() \
    if (!std::filesystem::exists(kFixtures)) GTEST_SKIP() << "no fixtures at " << kFixtures.string()

TEST_F(BatchMoveCopyTest, SameFormatCopyKeepsTheDefinitionByteForByte) {
    const auto dbase = tableWith("shapes.dbf",
                                 {{"WHOLE", ftInteger, 9, 0, false, "N"},
                                  {"SMALL", ftInteger, 6, 0, false, "N"},
                                  {"PRICE", ftFloat, 10, 2, false, "N"},
                                  {"RATIO", ftFloat, 12, 5, false, "F"},
                                  {"NAME", ftString, 30, 0, false, "C"},
                                  {"NOTE", ftMemo, 0, 0, false, "M"}},
                                 {{Value::integer(100000000), Value::integer(12), Value::floating(100000),
                                   Value::floating(0.5), Value::string("a"), Value::string("memo")}},
                                 "CP437");
    const auto paradox = tableWith("shapes.db",
                                   {{"NAME", ftString, 30, 0, false, ""},
                                    {"AMOUNT", ftFloat, 0, 0, false, ""},
                                    {"COUNT", ftSmallint, 0, 0, false, ""},
                                    {"PRICE", ftBCD, 4, 0, false, ""},
                                    {"NOTE", ftMemo, 20, 0, false, ""}},
                                   {{Value::string("a"), Value::floating(0.25), Value::integer(3),
                                     Value::bcd(Decimal::parse("1.5")), Value::string("memo")}},
                                   "CP850");
    std::vector<std::filesystem::path> sources{dbase, paradox};
    if (std::filesystem::exists(kFixtures))
        for (const char* table : {"dbase/codepages/WSPMST.DBF", "paradox/aquatox/tempedit.db",
                                  "paradox/paradoxdriver/fields/fmemo.db", "paradox/rparadox/TypSammlung.DB"})
            sources.push_back(fixture(table));
    for (const auto& source : sources) {
        const auto target = data() / ("copy_" + source.filename().string());
        const std::uint64_t records = openTable(source)->recordCount();
        const BatchMoveResult result = copy(source, target);
        EXPECT_EQ(result.moved, records) << source;
        EXPECT_EQ(result.rejected, 0u) << source;
        EXPECT_EQ(definitionBytes(target), definitionBytes(source)) << source;
        EXPECT_EQ(recordsOf(target), recordsOf(source)) << source;
        const TableFacts kept = openTable(target)->facts(), original = openTable(source)->facts();
        EXPECT_EQ(kept.codePage, original.codePage) << source;
        EXPECT_EQ(kept.sortOrder, original.sortOrder) << source;
        EXPECT_EQ(kept.blockSize, original.blockSize) << source;
    }
}

// Text the default code page cannot hold used to be left out of copies.
TEST_F(BatchMoveCopyTest, CrossFormatCopyKeepsTheSourceCodePageAndEveryRecord) {
    SKIP_WITHOUT_FIXTURES();
    const struct {
        const char* source;
        const char* target;
    } cases[] = {{"dbase/codepages/WSPMST.DBF", "wspmst.db"}, {"paradox/paradoxdriver/fields/fmemo.db", "fmemo.dbf"}};
    for (const auto& c : cases) {
        const auto source = fixture(c.source);
        const BatchMoveResult result = copy(source, data() / c.target);
        EXPECT_EQ(result.moved, openTable(source)->recordCount()) << c.source;
        EXPECT_EQ(result.rejected, 0u) << c.source;
        EXPECT_EQ(openTable(data() / c.target)->facts().codePage, openTable(source)->facts().codePage);
        const auto copied = recordsOf(data() / c.target);
        const auto original = recordsOf(source);
        ASSERT_EQ(copied.size(), original.size());
        for (std::size_t row = 0; row < copied.size(); ++row)
            for (std::size_t field = 0; field < copied[row].size(); ++field)
                EXPECT_EQ(copied[row][field].toText(), original[row][field].toText()) << c.source << " " << row;
    }
}

TEST_F(BatchMoveCopyTest, NamesAreCutAndNumberedWithinTheTargetsLimit) {
    const std::string cyrillic17 =
        "\xD0\x9D\xD0\xB0\xD0\xB8\xD0\xBC\xD0\xB5\xD0\xBD\xD0\xBE\xD0\xB2\xD0\xB0\xD0\xBD"
        "\xD0\xB8\xD0\xB5_\xD0\xB3\xD0\xBE\xD0\xB4\xD0\xB0";  // "Наименование_года"
    const auto source =
        tableWith("long.db",
                  {{"Feed_Half_Sat_A", ftFloat, 0, 0, false, ""},
                   {"Feed_Half_Sat_B", ftFloat, 0, 0, false, ""},
                   {"Feed_Half_", ftFloat, 0, 0, false, ""},
                   {cyrillic17, ftString, 10, 0, false, ""}},
                  {{Value::floating(1), Value::floating(2), Value::floating(3), Value::string("x")}}, "CP866");
    const auto result = copy(source, data() / "short.dbf");
    const std::vector<std::pair<std::string, std::string>> renamed{{"Feed_Half_Sat_A", "Feed_Half_"},
                                                                   {"Feed_Half_Sat_B", "Feed_Hal_2"},
                                                                   {"Feed_Half_", "Feed_Hal_3"},
                                                                   {cyrillic17, cyrillic17.substr(0, 20)}};
    EXPECT_EQ(result.renamedFields, renamed);
    EXPECT_EQ(result.moved, 1u);
    auto target = openTable(data() / "short.dbf");
    EXPECT_EQ(target->facts().codePage, "CP866");
    for (std::size_t i = 0; i < renamed.size(); ++i) EXPECT_EQ(target->fields()[i].name, renamed[i].second);
    // Within Paradox the name fits: 17 letters are 17 bytes in CP866.
    EXPECT_TRUE(copy(source, data() / "again.db").renamedFields.empty());
    if (std::filesystem::exists(kFixtures)) {  // a dBase table with a name used twice
        const auto repeated = fixture("dbase/dbase3/dbase_03.dbf");
        const auto again = copy(repeated, data() / "dbase_03_copy.dbf");
        EXPECT_EQ(again.moved, openTable(repeated)->recordCount());
        EXPECT_EQ(again.renamedFields, (std::vector<std::pair<std::string, std::string>>{{"Point_ID", "Point_ID_2"}}));
        // Its rejected records keep both fields in the problem table.
        const auto narrow = tableWith("narrow.dbf", {{"Point_ID", ftString, 1, 0, false, "C"}}, {});
        const auto result = appendWithProblems(repeated, narrow);
        EXPECT_GT(result.problems, 0u);
        EXPECT_EQ(recordsOf(data() / "PROBLEMS.DB").size(), result.problems);
    }
}

// A double reaches a dBase number digit for digit: the copy's field is as wide as the values
// need; a field too narrow for them makes the record a problem instead of rounding it.
TEST_F(BatchMoveCopyTest, NumbersKeepEveryDigitOrAreProblems) {
    const std::vector<double> values{0.21478260869565224, 100000, -7.5, 1e-7, 123456789.25};
    std::vector<Record> rows;
    for (const double v : values) rows.push_back({Value::floating(v)});
    const auto source = tableWith("floats.db", {{"RATE", ftFloat, 0, 0, false, ""}}, rows);
    EXPECT_EQ(copy(source, data() / "floats.dbf").moved, values.size());
    std::vector<double> copied;
    for (const auto& row : recordsOf(data() / "floats.dbf")) copied.push_back(row[0].asDouble());
    EXPECT_EQ(copied, values);
    if (const auto theirs =
            dbfreadAvailable() ? dbfreadColumn((data() / "floats.dbf").string(), "RATE") : std::nullopt) {
        std::vector<double> read;
        for (const auto& text : *theirs) read.push_back(std::stod(text));
        EXPECT_EQ(read, values);
    }

    const auto narrow = tableWith("narrow.dbf", {{"RATE", ftFloat, 11, 2, false, "N"}}, {});
    const auto result = appendWithProblems(source, narrow);
    EXPECT_EQ(result.moved, 2u);  // 100000 and -7.5
    EXPECT_EQ(result.problems, 3u);
    EXPECT_EQ(recordsOf(data() / "PROBLEMS.DB").size(), 3u);
}

TEST_F(BatchMoveCopyTest, WideDbaseNumbersAndLongParadoxRecordsCopy) {
    std::vector<FieldDef> wide;
    Record row;
    for (int i = 0; i < 20; ++i) {
        wide.push_back({"TEXT" + std::to_string(i), ftString, 254, 0, false, "C"});
        row.push_back(Value::string(std::string(254, static_cast<char>('a' + i))));
    }
    wide.push_back({"BIG", ftFloat, 50, 3, false, "F"});
    row.push_back(Value::floating(12345678901234.5));
    const auto source = tableWith("wide.dbf", wide, {row});
    for (const char* target : {"wide2.dbf", "wide.db"}) {
        EXPECT_EQ(copy(source, data() / target).moved, 1u) << target;
        EXPECT_EQ(recordsOf(data() / target), recordsOf(source)) << target;
    }
    EXPECT_EQ(openTable(data() / "wide2.dbf")->fields().back().size, 50);
    EXPECT_EQ(openTable(data() / "wide.db")->facts().version, "5");
    if (std::filesystem::exists(kFixtures)) {
        const auto fixtureSource = fixture("dbase/dbase3/contain_none_float.dbf");
        for (const char* target : {"none2.dbf", "none.db"}) {
            EXPECT_EQ(copy(fixtureSource, data() / target).moved, 1u) << target;
            EXPECT_EQ(recordsOf(data() / target), recordsOf(fixtureSource)) << target;
        }
    }
}

// A keyed table takes its records in its own key order, whatever order the source kept.
TEST_F(BatchMoveCopyTest, KeyedCopyIsInTheNewTablesSortOrder) {
    std::vector<Record> rows;
    for (const char* name : {"Zebra", "Cryptomonas CR", "apple", "Cryptomonas Cloern"})
        rows.push_back({Value::string(name)});
    const auto source = tableWith("intl.db", {{"NAME", ftString, 20, 0, true, ""}}, rows, "CP437",
                                  {{"", "NAME", "", "", ixPrimary | ixUnique, "", true, ""}}, "intl");
    const auto names = [](const std::filesystem::path& table) {
        std::vector<std::string> out;
        for (const auto& row : recordsOf(table)) out.push_back(row[0].asString());
        return out;
    };
    ASSERT_EQ(openTable(source)->facts().sortOrder, "intl");
    EXPECT_EQ(names(source), (std::vector<std::string>{"apple", "Cryptomonas Cloern", "Cryptomonas CR", "Zebra"}));
    copy(source, data() / "ansi.db", "CP1252");
    EXPECT_EQ(openTable(data() / "ansi.db")->facts().sortOrder, "DBWINUS0");
    const std::vector<std::string> binary{"Cryptomonas CR", "Cryptomonas Cloern", "Zebra", "apple"};
    EXPECT_EQ(names(data() / "ansi.db"), binary);
    auto copied = openTable(data() / "ansi.db");
    auto primary = copied->openIndex("");
    std::vector<std::string> indexed;
    for (bool more = primary->first(); more; more = primary->next()) indexed.push_back(primary->key()[0].asString());
    EXPECT_EQ(indexed, binary);
}

}  // namespace
