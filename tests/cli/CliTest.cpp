#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>

#include "Arguments.h"
#include "CliRunner.h"
#include "Json.h"
#include "support/TempFolder.h"

using namespace tabulon;

using tabulon::testing::Outcome;
using tabulon::testing::runCli;

TEST(CliExitStatus, BadUsageIsOne) {
    for (const char* args : {"", "frobnicate x", "info", "info a.db b.db", "dump t.db --format xml",
                             "dump t.db --limit ten", "dump t.db --bogus", "dump t.db --index", "copy a.db"}) {
        const Outcome o = runCli(args);
        EXPECT_EQ(o.status, 1) << args << "\n" << o.output;
        EXPECT_NE(o.output.find("usage: tabulon-cli"), std::string::npos) << args;
    }
}

TEST(CliExitStatus, UnreadableTablesAreTwoWithTheKindAndTheFile) {
    tabulon::testing::TempFolder dir;
    const Outcome missing = runCli("info " + (dir / "nothere.db").string());
    EXPECT_EQ(missing.status, 2) << missing.output;
    EXPECT_NE(missing.output.find("nothere.db"), std::string::npos) << missing.output;
    EXPECT_EQ(missing.output.back(), '\n');
    EXPECT_NE(missing.output.find(".\n"), std::string::npos) << "\"Kind: message.\" ends with a full stop";

    std::ofstream(dir / "notes.doc") << "hello";
    const Outcome unknown = runCli("dump " + (dir / "notes.doc").string());
    EXPECT_EQ(unknown.status, 2) << unknown.output;
    EXPECT_EQ(unknown.output.rfind("ENotSupported: ", 0), 0u) << unknown.output;
}

TEST(CliJson, EscapesStringsAndWritesValueForms) {
    EXPECT_EQ(cli::jsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
    EXPECT_EQ(cli::jsonValue(Value()), "null");
    EXPECT_EQ(cli::jsonValue(Value::boolean(true)), "true");
    EXPECT_EQ(cli::jsonValue(Value::integer(-3)), "-3");
    EXPECT_EQ(cli::jsonValue(Value::floating(0.1)), "0.1");
    EXPECT_EQ(cli::jsonValue(Value::bcd(Decimal::parse("1.50"))), "\"1.50\"");
    EXPECT_EQ(cli::jsonValue(Value::date(Date::parse("-0001-12-31"))), "\"-0001-12-31\"");
    EXPECT_EQ(cli::jsonValue(Value::bytes({1, 2, 3})), "\"AQID\"");
}

TEST(CliCsv, QuotesOnlyWhenNeeded) {
    EXPECT_EQ(cli::csvField("plain"), "plain");
    EXPECT_EQ(cli::csvField("a,b"), "\"a,b\"");
    EXPECT_EQ(cli::csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(cli::csvField("two\nlines"), "\"two\nlines\"");
}
