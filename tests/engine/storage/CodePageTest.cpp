// Where a table's code page comes from: its header, a guess from its text, or the user.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/AsciiCase.h"
#include "core/CodePageGuess.h"
#include "core/EngineError.h"
#include "core/TextCodec.h"
#include "storage/Drivers.h"
#include "support/TempFolder.h"

namespace tabulon {
namespace {

const std::filesystem::path kFixtures = TABULON_FIXTURES;

TextSample sampleOf(const std::string& utf8, const std::string& codePage) {
    TextSample sample;
    const auto bytes = TextCodec(codePage).encode(utf8);
    for (int i = 0; i < 20; ++i) sample.add(*bytes);
    return sample;
}

struct ChoiceCase {
    const char* text;
    const char* storedIn;  // the code page the sample's bytes are in
    const char* named;     // what the header names
    const char* chosen;
    CodePageSource source;
    bool noted;
};

class CodePageChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(CodePageChoiceTest, FollowsTheHeaderUnlessTheTextPlainlyDisagrees) {
    const ChoiceCase& c = GetParam();
    const CodePageChoice choice = chooseCodePage(c.named, "CP437", sampleOf(c.text, c.storedIn));
    EXPECT_EQ(choice.codePage, c.chosen);
    EXPECT_EQ(choice.source, c.source);
    EXPECT_EQ(!choice.note.empty(), c.noted) << choice.note;
}

const char* const kRussian = "Инвентарный номер, наименование основного средства и дата приобретения. ";
const char* const kCatalan = "Comarca de l'Alt Penedès, país valencià, químic catòlic, Aiguamúrcia. ";
INSTANTIATE_TEST_SUITE_P(
    Cases, CodePageChoiceTest,
    ::testing::Values(ChoiceCase{"Plain ASCII text only", "CP1252", "", "CP437", CodePageSource::Header, true},
                      ChoiceCase{"Plain ASCII text only", "CP1252", "CP850", "CP850", CodePageSource::Header, true},
                      ChoiceCase{kRussian, "CP1251", "", "CP1251", CodePageSource::Guess, false},
                      ChoiceCase{kRussian, "CP866", "", "CP866", CodePageSource::Guess, false},
                      ChoiceCase{kRussian, "UTF-8", "CP437", "UTF-8", CodePageSource::Guess, true},
                      ChoiceCase{kRussian, "CP1251", "CP1252", "CP1251", CodePageSource::Guess, true},
                      ChoiceCase{kRussian, "CP1251", "CP1251", "CP1251", CodePageSource::Header, false},
                      ChoiceCase{kCatalan, "CP437", "", "CP437", CodePageSource::Header, true},
                      ChoiceCase{kCatalan, "CP1252", "CP850", "CP850", CodePageSource::Header, false}));

std::string contentsOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct FixtureCase {
    const char* relative;  // under the fixture folder
    const char* codePage;
    CodePageSource source;
};

class CodePageFixtureTest : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(CodePageFixtureTest, GuessesMissingOrWrongCodePagesAndKeepsRightOnesWithoutWriting) {
    const FixtureCase& c = GetParam();
    const std::filesystem::path source = kFixtures / c.relative;
    if (!std::filesystem::exists(source)) GTEST_SKIP() << "no fixture " << source;
    const testing::TempFolder folder;
    for (const auto& entry : std::filesystem::directory_iterator(source.parent_path()))
        if (equalsIgnoringAsciiCase(entry.path().stem().string(), source.stem().string()))
            std::filesystem::copy_file(entry.path(), folder.path() / entry.path().filename());
    const std::filesystem::path copy = folder.path() / source.filename();
    const std::string before = contentsOf(copy);

    const TableFacts facts = openTable(copy)->facts();
    EXPECT_EQ(facts.codePage, c.codePage) << facts.codePageNote;
    EXPECT_EQ(facts.codePageSource, c.source) << facts.codePageNote;
    EXPECT_EQ(contentsOf(copy), before);

    const TableFacts chosen = openTable(copy, {.encoding = "CP1250"})->facts();
    EXPECT_EQ(chosen.codePage, "CP1250");
    EXPECT_EQ(chosen.codePageSource, CodePageSource::User);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, CodePageFixtureTest,
    ::testing::Values(FixtureCase{"dbase/codepages/WSPMST.DBF", "CP874", CodePageSource::Guess},
                      FixtureCase{"dbase/codepages/dbase_03_cyrillic.dbf", "UTF-8", CodePageSource::Guess},
                      FixtureCase{"paradox/rparadox/of.db", "CP866", CodePageSource::Guess},
                      FixtureCase{"paradox/pyparadoxdb/test.db", "CP1251", CodePageSource::Guess},
                      FixtureCase{"dbase/foxpro2/dbase_f5.dbf", "CP437", CodePageSource::Guess},
                      FixtureCase{"dbase/codepages/cp1251.dbf", "CP1251", CodePageSource::Header},
                      FixtureCase{"dbase/codepages/provincias_es.dbf", "CP1252", CodePageSource::Header},
                      FixtureCase{"dbase/dbase3/dbase_03.dbf", "CP437", CodePageSource::Header},
                      FixtureCase{"paradox/rparadox/of_cp866.db", "CP866", CodePageSource::Header},
                      FixtureCase{"paradox/python-pxlib/LAND.DB", "CP865", CodePageSource::Header},
                      FixtureCase{"paradox/paradoxdriver/db/GENERAL.DB", "CP936", CodePageSource::Header},
                      FixtureCase{"paradox/paradoxdriver/db/ROMAN8.db", "HP-ROMAN8", CodePageSource::Header},
                      FixtureCase{"paradox/paradoxdriver/fields/bcd.db", "CP850", CodePageSource::Header}));

class MemoTextGuessTest : public ::testing::TestWithParam<std::pair<TableType, const char*>> {};

TEST_P(MemoTextGuessTest, MemosAloneShowTheHeadersCodePageWrong) {
    const auto [type, file] = GetParam();
    const testing::TempFolder folder;
    const std::filesystem::path path = folder.path() / file;
    {
        auto table = driverFor(type).create(
            path, {{"ID", ftInteger, 0, 0, false, ""}, {"NOTE", ftMemo, 10, 0, false, ""}}, {}, {.encoding = "CP1251"});
        std::string note;
        for (int i = 0; i < 20; ++i) note += kRussian;
        for (int id = 1; id <= 3; ++id) table->append({Value::integer(id), Value::string(note)});
    }
    driverFor(type).storeCodePage(path, "CP1252");
    const TableFacts facts = openTable(path)->facts();
    EXPECT_EQ(facts.codePage, "CP1251") << facts.codePageNote;
    EXPECT_EQ(facts.codePageSource, CodePageSource::Guess);
}

INSTANTIATE_TEST_SUITE_P(Formats, MemoTextGuessTest,
                         ::testing::Values(std::pair{ttDBase, "M.DBF"}, std::pair{ttParadox, "M.DB"}));

struct StoreCase {
    TableType type;
    const char* file;
    const char* codePage;
    std::size_t changedBytes;  // 0: refused
};

class StoreCodePageTest : public ::testing::TestWithParam<StoreCase> {};

TEST_P(StoreCodePageTest, RewritesOnlyTheHeadersCodePage) {
    const StoreCase& c = GetParam();
    const testing::TempFolder folder;
    const std::filesystem::path path = folder.path() / c.file;
    driverFor(c.type)
        .create(path, {{"NAME", ftString, 10, 0, false, ""}}, {}, {.encoding = "CP437"})
        ->append({Value::string("plain")});
    const std::string before = contentsOf(path);
    if (c.changedBytes == 0) {
        EXPECT_THROW(driverFor(c.type).storeCodePage(path, c.codePage), EngineError);
    } else {
        driverFor(c.type).storeCodePage(path, c.codePage);
        const TableFacts facts = openTable(path)->facts();
        EXPECT_EQ(facts.codePage, c.codePage);
        EXPECT_EQ(facts.codePageSource, CodePageSource::Header);
    }
    const std::string after = contentsOf(path);
    ASSERT_EQ(after.size(), before.size());
    std::size_t changed = 0;
    for (std::size_t i = 0; i < after.size(); ++i) changed += after[i] != before[i];
    EXPECT_EQ(changed, c.changedBytes);
}

INSTANTIATE_TEST_SUITE_P(Formats, StoreCodePageTest,
                         ::testing::Values(StoreCase{ttDBase, "T.DBF", "CP1251", 1},
                                           StoreCase{ttParadox, "T.DB", "CP1251", 2},
                                           StoreCase{ttDBase, "T.DBF", "CP1258", 0},
                                           StoreCase{ttParadox, "T.DB", "HP-ROMAN8", 0}));

}  // namespace
}  // namespace tabulon
