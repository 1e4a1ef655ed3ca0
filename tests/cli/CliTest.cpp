#include <gtest/gtest.h>

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

TEST(CliHelp, EveryCommandDescribesItselfAndHelpExitsZero) {
    for (const char* command : {"info", "dump", "find", "copy", "sql", "append", "update", "pack", "reindex", "empty",
                                "rename", "import", "update-records", "delete-records"}) {
        const Outcome o = runCli(std::string(command) + " --help");
        EXPECT_EQ(o.status, 0) << command << "\n" << o.output;
        EXPECT_EQ(o.output.rfind("usage: tabulon-cli ", 0), 0u) << o.output;
        EXPECT_NE(o.output.find(command, 19), std::string::npos) << o.output;
        EXPECT_NE(o.output.find("\n\n"), std::string::npos) << "a description follows the usage:\n" << o.output;
        EXPECT_NE(runCli("--help").output.find("  " + std::string(o.output, 19, o.output.find('\n') - 19)),
                  std::string::npos)
            << "the general usage lists " << command;
    }
    EXPECT_EQ(runCli("--version").output, "tabulon-cli 1.0\n");
}

TEST(CliHelp, BadUsageIsOneLineThenTheUsage) {
    for (const char* args : {"frobnicate", "--frobnicate", "dump t.db --bogus", "help frobnicate"}) {
        const Outcome o = runCli(args);
        EXPECT_EQ(o.status, 1) << args;
        EXPECT_EQ(o.output.find("tabulon-cli: "), 0u) << o.output;
        EXPECT_EQ(o.output.find("usage: tabulon-cli"), o.output.find('\n') + 1) << o.output;
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

TEST(CliParadox, InfoDumpAndCopyWorkOnRealTables) {
    const auto fixtures = std::filesystem::path(TABULON_FIXTURES) / "paradox";
    if (!std::filesystem::exists(fixtures)) GTEST_SKIP() << "no fixture folder at " << fixtures;
    const Outcome info = runCli("info " + (fixtures / "paradoxdriver/db/GENERAL.DB").string());
    EXPECT_EQ(info.status, 0) << info.output;
    EXPECT_NE(info.output.find("\"format\":\"paradox\",\"version\":\"5\",\"code_page\":\"CP936\","
                               "\"code_page_source\":\"header\""),
              std::string::npos)
        << info.output;
    EXPECT_NE(info.output.find("\"record_count\":3"), std::string::npos) << info.output;
    const Outcome mislabelled = runCli("info " + (fixtures / "pyparadoxdb/test.db").string());
    EXPECT_NE(mislabelled.output.find("\"code_page\":\"CP1251\",\"code_page_source\":\"guess\""), std::string::npos)
        << mislabelled.output;
    EXPECT_NE(info.output.find("\"capabilities\":{\"write\":true,\"transactions\":true,\"indexes\":true,"
                               "\"index_files\":false,\"memo_types\":[\"ftMemo\",\"ftFmtMemo\",\"ftBlob\","
                               "\"ftGraphic\",\"ftParadoxOle\"]}"),
              std::string::npos)
        << info.output;
    const Outcome dump = runCli("dump " + (fixtures / "paradoxdriver/db/GENERAL.DB").string() + " --limit 2");
    EXPECT_EQ(dump.status, 0);
    EXPECT_NE(dump.output.find("\n[1,\"Mari\",100]\n[2,\"Katty\",150]\n"), std::string::npos) << dump.output;
    const Outcome byIndex =
        runCli("dump " + (fixtures / "paradoxdriver/db/AREACODES.DB").string() + " --index ste --limit 1");
    EXPECT_NE(byIndex.output.find("[\"242\",\"--\",\"BAHAMAS (Atlantic Ocean)\"]"), std::string::npos)
        << byIndex.output;

    tabulon::testing::TempFolder dir;
    const Outcome copy =
        runCli("copy " + (fixtures / "python-pxlib/LAND.DB").string() + " " + (dir / "LAND.DB").string());
    EXPECT_EQ(copy.status, 0) << copy.output;
    EXPECT_EQ(copy.output, "{\"moved\":216,\"changed\":0,\"rejected\":0}\n");
    EXPECT_EQ(runCli("dump " + (dir / "LAND.DB").string()).output,
              runCli("dump " + (fixtures / "python-pxlib/LAND.DB").string()).output);
    const Outcome encrypted = runCli("info " + (fixtures / "paradoxdriver/encrypt/encrypted.db").string());
    EXPECT_EQ(encrypted.status, 2);
    EXPECT_NE(encrypted.output.find("password-protected table"), std::string::npos) << encrypted.output;
}
