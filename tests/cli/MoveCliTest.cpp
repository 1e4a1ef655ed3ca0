// copy, append and update count what they could not write and fail when it was kept nowhere;
// dump writes numbers as plain decimals.
#include <gtest/gtest.h>

#include "CliRunner.h"
#include "storage/Drivers.h"
#include "support/TempFolder.h"

namespace tabulon::testing {
namespace {

class MoveCliTest : public ::testing::Test {
protected:
    // A Paradox table in CP866 whose second record CP1252 cannot hold.
    std::filesystem::path cyrillicSource() const {
        const auto path = folder_ / "SOURCE.DB";
        CreateOptions options;
        options.encoding = "CP866";
        auto table = driverFor(ttParadox).create(path, {{"TEXT", ftString, 20, 0, false, ""}}, {}, options);
        table->append({Value::string("abc")});
        table->append({Value::string("\xD0\x96\xD0\xB0\xD1\x80")});  // "Жар"
        return path;
    }

    TempFolder folder_;
};

TEST_F(MoveCliTest, RejectedRecordsAreCountedAndFailTheCommandUnlessKept) {
    const std::string source = cyrillicSource().string();
    const std::string target = (folder_ / "TARGET.DB").string();
    const struct {
        std::string arguments;
        int status;
    } cases[] = {
        {"copy " + source + " " + target + " --target-encoding CP1252", 2},
        {"append " + source + " " + target, 2},
        {"append " + source + " " + target + " --problems LOST", 0},
    };
    for (const auto& c : cases) {
        const Outcome outcome = runCli(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << c.arguments << "\n" << outcome.output;
        EXPECT_NE(outcome.output.find("\"rejected\":1"), std::string::npos) << outcome.output;
    }
    EXPECT_EQ(openTable(folder_ / "LOST.DB")->recordCount(), 1u);
    // Without --target-encoding the copy keeps the source's code page and every record.
    const Outcome kept = runCli("copy " + source + " " + (folder_ / "KEPT.DBF").string());
    EXPECT_EQ(kept.status, 0) << kept.output;
    EXPECT_EQ(kept.output, "{\"moved\":2,\"changed\":0,\"rejected\":0}\n");
}

TEST_F(MoveCliTest, DumpWritesNumbersWithoutExponents) {
    const auto path = folder_ / "PRICES.DBF";
    driverFor(ttDBase)
        .create(path, {{"ID", ftFloat, 10, 0, false, "N"}, {"PRICE", ftFloat, 10, 2, false, "N"}}, {}, {})
        ->append({Value::floating(1000000), Value::floating(100000)});
    const Outcome json = runCli("dump " + path.string());
    EXPECT_NE(json.output.find("\n[1000000,100000]\n"), std::string::npos) << json.output;
    const Outcome csv = runCli("dump " + path.string() + " --format csv");
    EXPECT_EQ(csv.output, "ID,PRICE\r\n1000000,100000\r\n");
}

}  // namespace
}  // namespace tabulon::testing
