// The three sniffing steps of text tables, each against hand-made samples.
#include <gtest/gtest.h>

#include "storage/text/DelimitedRow.h"
#include "storage/text/DialectSniffer.h"
#include "storage/text/HeaderSniffer.h"
#include "storage/text/TypeSniffer.h"

namespace tabulon {
namespace {

struct DialectCase {
    const char* sample;
    char separator;
    char quote;
};

class DialectSniffing : public ::testing::TestWithParam<DialectCase> {};

TEST_P(DialectSniffing, FindsSeparatorAndQuote) {
    const auto dialect = sniffDialect(GetParam().sample, true);
    EXPECT_EQ(dialect.separator, GetParam().separator);
    EXPECT_EQ(dialect.quote, GetParam().quote);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, DialectSniffing,
    ::testing::Values(DialectCase{"a,b,c\n1,2,3\n4,5,6\n", ',', '"'}, DialectCase{"a;b;c\n1,5;2;3\n4;5;6\n", ';', '"'},
                      DialectCase{"a\tb\n1\t2\n", '\t', '"'}, DialectCase{"a|b|c\n1|2|3\n", '|', '"'},
                      DialectCase{"'x,y';b\n'p,q';c\n'r';d\n", ';', '\''},
                      DialectCase{"name,note\n\"Smith, J\",\"said \"\"hi\"\"\"\n\"Doe\",\"two\nlines\"\n", ',', '"'}));

TEST(DelimitedRow, KeepsSeparatorsQuotesAndLineBreaksInsideQuotes) {
    TextDialect dialect;
    std::vector<std::string> cells;
    const std::string text = "\"a,b\",\"say \"\"x\"\"\",\"1\n2\"\r\nnext";
    const auto end = readDelimitedRow(text, 0, dialect, cells);
    EXPECT_EQ(cells, (std::vector<std::string>{"a,b", "say \"x\"", "1\n2"}));
    EXPECT_EQ(text.substr(end), "next");
}

TEST(DelimitedRow, UnterminatedQuoteRunsToTheEnd) {
    std::vector<std::string> cells;
    const std::string text = "1,\"open\nstill";
    EXPECT_EQ(readDelimitedRow(text, 0, TextDialect{}, cells), text.size());
    EXPECT_EQ(cells, (std::vector<std::string>{"1", "open\nstill"}));
}

TEST(FixedRow, CutsColumnsAndTrimsTrailingBlanks) {
    std::vector<std::string> cells;
    readFixedRow("ab   12  x", {{0, 5}, {5, 4}, {9, 3}, {20, 2}}, cells);
    EXPECT_EQ(cells, (std::vector<std::string>{"ab", "12", "x", ""}));
}

struct TypeCase {
    std::vector<std::string> values;
    FieldType expected;
};

class TypeSniffing : public ::testing::TestWithParam<TypeCase> {};

TEST_P(TypeSniffing, PicksTheMostSpecificType) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& v : GetParam().values) rows.push_back({v});
    EXPECT_EQ(sniffColumnTypes(rows, 1).at(0), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Columns, TypeSniffing,
                         ::testing::Values(TypeCase{{"true", "False", "T"}, ftBoolean},
                                           TypeCase{{"1", "-20", ""}, ftInteger}, TypeCase{{"1", "2.5"}, ftFloat},
                                           TypeCase{{"3000000000"}, ftFloat},
                                           TypeCase{{"2024-02-29", "1/31/1999"}, ftDate},
                                           TypeCase{{"12:30", "7:05:09"}, ftTime},
                                           TypeCase{{"2024-01-02 10:00:00", "2024-01-03T11:00"}, ftDateTime},
                                           TypeCase{{"2023-02-29"}, ftString}, TypeCase{{"1", "x"}, ftString},
                                           TypeCase{{"", ""}, ftString}));

struct HeaderCase {
    std::vector<std::vector<std::string>> rows;
    bool header;
};

class HeaderSniffing : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderSniffing, TellsNamesFromData) {
    const auto& rows = GetParam().rows;
    const std::vector<std::vector<std::string>> body(rows.begin() + 1, rows.end());
    EXPECT_EQ(sniffHeader(rows, sniffColumnTypes(body, rows.front().size())), GetParam().header);
}

INSTANTIATE_TEST_SUITE_P(Samples, HeaderSniffing,
                         ::testing::Values(HeaderCase{{{"ID", "NAME"}, {"1", "a"}, {"2", "b"}}, true},
                                           HeaderCase{{{"7", "x"}, {"1", "a"}, {"2", "b"}}, false},
                                           HeaderCase{{{"NAME", "CITY"}, {"Ann", "Rome"}}, true},
                                           HeaderCase{{{"Ann", "Ann"}, {"Bob", "Rome"}}, false},
                                           HeaderCase{{{"Ann", ""}, {"Bob", "Rome"}}, false},
                                           HeaderCase{{{"ID", "NAME"}}, false}));

}  // namespace
}  // namespace tabulon
