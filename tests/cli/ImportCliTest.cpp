// import from the command line: the appended count and the refused lines, by number.
#include <gtest/gtest.h>

#include <fstream>

#include "CliRunner.h"
#include "Commands.h"
#include "storage/Drivers.h"
#include "support/TempFolder.h"

namespace tabulon::testing {
namespace {

TEST(ImportCliTest, PrintsTheAppendedCountAndTheRefusedLines) {
    TempFolder folder;
    driverFor(ttDBase).create(folder / "T.DBF",
                              {{"ID", ftInteger, 4, 0, false, ""}, {"NAME", ftString, 8, 0, false, ""}}, {}, {});
    std::ofstream(folder / "in.txt", std::ios::binary) << "NAME;ID\nann;1\nbob;x\ncy;3\n";
    const Outcome outcome = runCli("import " + (folder / "in.txt").string() + " " + (folder / "T.DBF").string() +
                                   " --format text --separator ';' --header");
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(
        outcome.output.substr(0, outcome.output.find('\n')),
        "{\"appended\":2,\"refused\":[{\"line\":3,\"message\":\"Line 3: 'x' is not a valid value for field ID\"}]}");
    EXPECT_NE(outcome.output.find("were refused, the first: Line 3"), std::string::npos) << outcome.output;
    EXPECT_EQ(openTable(folder / "T.DBF")->recordCount(), 2u);
}

}  // namespace
}  // namespace tabulon::testing
