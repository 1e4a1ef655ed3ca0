// Batch moves meeting values that do not fit their destination field: the problem table or an
// abort; text carried between code pages or kept as bytes; progress reported along the way.
#include <gtest/gtest.h>

#include "OpsFixture.h"
#include "core/TextCodec.h"
#include "ops/Progress.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {

using BatchMoveProblemsTest = OpsFixture;

// Wide values for narrow fields of each kind a destination limits: text length, a dBase
// number's width, a Paradox short's range.
TEST_F(BatchMoveProblemsTest, EveryKindOfMisfitIsAProblemRecordWithItsSourceValues) {
    const auto source = tableWith("wide.db", {{"ID", ftInteger, 0, 0, false, ""}, {"TEXT", ftString, 40, 0, false, ""}},
                                  {{Value::integer(1), Value::string("ok")},
                                   {Value::integer(2), Value::string("eleven char")},
                                   {Value::integer(123456), Value::string("ok")},
                                   {Value::integer(3), Value::string("fine")}});
    for (const std::string target : {"narrow.dbf", "narrow.db"}) {
        const FieldDef id = target == "narrow.dbf" ? FieldDef{"ID", ftInteger, 4, 0, false, "N"}
                                                   : FieldDef{"ID", ftSmallint, 0, 0, false, ""};
        const auto destination = tableWith(target, {id, {"TEXT", ftString, 10, 0, false, ""}}, {});
        BatchMoveOptions options;
        options.problemTable = "PROBLEMS";
        const auto result = move(source, destination, options);
        EXPECT_EQ(result.moved, 2u) << target;
        EXPECT_EQ(result.rejected, 2u) << target;
        const auto problems = recordsOf(data() / "PROBLEMS.DB");
        ASSERT_EQ(problems.size(), 2u) << target;
        EXPECT_EQ(problems[0][1].asString(), "eleven char");
        EXPECT_EQ(problems[1][0].asInt(), 123456);
        const auto moved = recordsOf(destination);
        ASSERT_EQ(moved.size(), 2u);
        EXPECT_EQ(moved[1][1].asString(), "fine");
    }
}

TEST_F(BatchMoveProblemsTest, AbortOnProblemNamesTheRecordAndLeavesTheDestination) {
    const auto source = tableWith("wide.db", {{"TEXT", ftString, 40, 0, false, ""}},
                                  {{Value::string("a")}, {Value::string("far too long")}});
    const auto destination = tableWith("narrow.dbf", {{"TEXT", ftString, 4, 0, false, ""}}, {{Value::string("old")}});
    BatchMoveOptions options;
    options.abortOnProblem = true;
    options.problemTable = "PROBLEMS";
    const std::string error = errorOf([&] { move(source, destination, options); });
    EXPECT_TRUE(error.starts_with(errkind::kValue)) << error;
    EXPECT_NE(error.find("record 2"), std::string::npos) << error;
    const auto rows = recordsOf(destination);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].asString(), "old");
    EXPECT_FALSE(std::filesystem::exists(data() / "PROBLEMS.DB"));
}

TEST_F(BatchMoveProblemsTest, TextIsCarriedBetweenCodePages) {
    const std::string latin =
        "Gr\xC3\xBC\xC3\x9F"
        "e \xC3\xA9t\xC3\xA9";                                // "Grüße été"
    const std::string cyrillic = "\xD0\x96\xD0\xB0\xD1\x80";  // "Жар"
    const auto dos = tableWith("dos.dbf", {{"TEXT", ftString, 20, 0, false, ""}}, {{Value::string(latin)}}, "CP850");
    BatchMoveOptions copy;
    copy.mode = BatchMode::Copy;
    move(dos, data() / "windows.db", copy);
    EXPECT_EQ(recordsOf(data() / "windows.db")[0][0].asString(), latin);

    // A letter the destination's code page lacks makes a problem record, not a wrong letter.
    const auto russian = tableWith("russian.dbf", {{"TEXT", ftString, 20, 0, false, ""}},
                                   {{Value::string(cyrillic)}, {Value::string("abc")}}, "CP866");
    const auto western = tableWith("western.db", {{"TEXT", ftString, 20, 0, false, ""}}, {}, "CP1252");
    BatchMoveOptions options;
    options.problemTable = "PROBLEMS";
    EXPECT_EQ(move(russian, western, options).rejected, 1u);
    ASSERT_EQ(recordsOf(data() / "PROBLEMS.DB").size(), 1u);
    EXPECT_EQ(recordsOf(data() / "PROBLEMS.DB")[0][0].asString(), cyrillic);
    EXPECT_EQ(recordsOf(western).size(), 1u);
}

TEST_F(BatchMoveProblemsTest, WithoutTransliterationTextKeepsItsBytes) {
    const std::string acute = "\xC3\xA9";  // "é": 0x82 in CP850, a low quote in CP1252
    const auto dos = tableWith("dos.dbf", {{"TEXT", ftString, 20, 0, false, ""}}, {{Value::string(acute)}}, "CP850");
    const auto latin1 = tableWith("latin.dbf", {{"TEXT", ftString, 20, 0, false, ""}}, {}, "CP1252");
    BatchMoveOptions options;
    options.transliterate = false;
    move(dos, latin1, options);
    options.transliterate = true;
    move(dos, latin1, options);
    const auto records = recordsOf(latin1);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0][0].asString(), TextCodec("CP1252").decode("\x82"));
    EXPECT_EQ(records[1][0].asString(), acute);
}

TEST_F(BatchMoveProblemsTest, ProgressIsReportedAlongTheWay) {
    std::vector<Record> rows;
    for (int i = 0; i < 400; ++i) rows.push_back({Value::integer(i)});
    const auto source = tableWith("many.db", {{"ID", ftInteger, 0, 0, false, ""}}, rows);
    const auto destination = tableWith("into.dbf", {{"ID", ftInteger, 9, 0, false, "N"}}, {});
    std::vector<std::pair<int, int>> reports;
    setProgressCallback([&](int percent, int phase) { reports.emplace_back(percent, phase); });
    move(source, destination, {});
    setProgressCallback({});
    ASSERT_GT(reports.size(), 50u);
    for (std::size_t i = 1; i < reports.size(); ++i) {
        EXPECT_LT(reports[i - 1].first, reports[i].first);
        EXPECT_EQ(reports[i].second, phase::kData);
    }
    EXPECT_EQ(reports.back().first, 100);
}

}  // namespace
