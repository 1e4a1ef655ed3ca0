// tabulon-cli on dBase tables: info shows the type mapping and problems, dump honours
// --encoding and --index, copy writes dBase targets.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliRunner.h"
#include "support/FoxProCandidateTable.h"
#include "support/TempFolder.h"

using tabulon::testing::runCli;

namespace {
const std::filesystem::path kFixtures = std::filesystem::path(TABULON_FIXTURES) / "dbase";

#define SKIP_WITHOUT_FIXTURES() \
    if (!std::filesystem::exists(kFixtures)) GTEST_SKIP() << "no fixtures at " << kFixtures.string()

TEST(DbaseCli, InfoShowsTheMappingOfEachTypeLetter) {
    SKIP_WITHOUT_FIXTURES();
    const auto o = runCli("info " + (kFixtures / "dbase4_memo/dbase_8b.dbf").string());
    ASSERT_EQ(o.status, 0) << o.output;
    EXPECT_NE(o.output.find("\"name\":\"NUMERICAL\",\"type\":\"ftFloat\",\"size\":20,\"required\":false,"
                            "\"native_type\":\"N\",\"decimals\":2"),
              std::string::npos)
        << o.output;
    EXPECT_NE(o.output.find("\"version\":\"dBase IV with memo\""), std::string::npos);
}

TEST(DbaseCli, EncodingOverridesTheLanguageDriver) {
    SKIP_WITHOUT_FIXTURES();
    const auto table = (kFixtures / "codepages/dbase_03_cyrillic.dbf").string();
    // Its language driver names no code page, so the text's own (UTF-8) is guessed.
    const auto guessed = runCli("dump " + table + " --format csv");
    const auto overridden = runCli("dump " + table + " --format csv --encoding CP1252");
    ASSERT_EQ(overridden.status, 0) << overridden.output;
    EXPECT_NE(guessed.output.find("ШАР,ПЛОЩА"), std::string::npos) << guessed.output;
    EXPECT_EQ(overridden.output.find("ПЛОЩА"), std::string::npos);
}

TEST(DbaseCli, DumpFollowsAnIndexFile) {
    SKIP_WITHOUT_FIXTURES();
    const auto o = runCli("dump " + (kFixtures / "dbase4_mdx/TEST.DBF").string() + " --index TEST1 --format csv");
    ASSERT_EQ(o.status, 0) << o.output;
    EXPECT_NE(o.output.find("0test3,15\r\ntest1,10\r\ntest2,20\r\n"), std::string::npos) << o.output;
}

TEST(DbaseCli, CopyWritesADbaseTarget) {
    SKIP_WITHOUT_FIXTURES();
    tabulon::testing::TempFolder dir;
    const auto copy = runCli("copy " + (kFixtures / "deleted/people.dbf").string() + " " + (dir / "out.dbf").string());
    ASSERT_EQ(copy.status, 0) << copy.output;
    EXPECT_NE(copy.output.find("{\"moved\":2,"), std::string::npos);
    const auto dump = runCli("dump " + (dir / "out.dbf").string() + " --format csv");
    EXPECT_EQ(dump.output, "NAME,BIRTHDATE\r\nAlice,1987-03-01\r\nBob,1980-11-12\r\n");
}

// No tag orders a FoxPro table unless chosen, not even a candidate one: dump and copy give every
// record in record order.
TEST(DbaseCli, DumpAndCopyOfAFoxProTableGiveEveryRecord) {
    tabulon::testing::TempFolder dir;
    tabulon::testing::createFoxProCandidateTable(dir / "t.dbf");
    const auto dump = runCli("dump " + (dir / "t.dbf").string() + " --format csv");
    ASSERT_EQ(dump.status, 0) << dump.output;
    EXPECT_EQ(dump.output, "NAME,AGE\r\ntom,12\r\nuna,40\r\nabe,20\r\nzoe,3\r\nbea,30\r\n");
    const auto copy = runCli("copy " + (dir / "t.dbf").string() + " " + (dir / "out.dbf").string());
    ASSERT_EQ(copy.status, 0) << copy.output;
    EXPECT_EQ(runCli("dump " + (dir / "out.dbf").string() + " --format csv").output, dump.output);
}

}  // namespace
