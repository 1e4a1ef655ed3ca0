// The family swap finishes what a killed process decided and discards what it had not.
#include <gtest/gtest.h>

#include <fstream>

#include "OpsFixture.h"
#include "io/FolderMoves.h"
#include "ops/FamilySwap.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {

class FamilySwapTest : public OpsFixture {
protected:
    static void write(const std::filesystem::path& file, const std::string& text) { std::ofstream(file) << text; }
    static std::string read(const std::filesystem::path& file) {
        std::ifstream in(file);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // The staging folder a killed process leaves, its owner's lock gone with it.
    std::filesystem::path deadStaging() const {
        const auto staging = data() / ".tabulon-swap-1-1";
        std::filesystem::create_directories(staging / "old");
        write(staging / ".owner", "");
        return staging;
    }
    void writeManifest(const std::string& text) const {
        write(data() / ("~tabulon-1-1" + std::string(FolderMoves::kManifestExtension)), text);
    }
};

TEST_F(FamilySwapTest, CommitReplacesOldMembersAndTrashesThem) {
    write(data() / "T.DB", "old");
    write(data() / "T.X02", "old index");
    {
        FamilySwap swap(data(), {data() / "T.DB", data() / "T.X02"}, DesktopTrash());
        write(swap.staged("T.DB"), "new");
        swap.commit();
    }
    EXPECT_EQ(namesIn(data()), (std::set<std::string>{"T.DB"}));
    EXPECT_EQ(read(data() / "T.DB"), "new");
    EXPECT_EQ(namesIn(trashFiles()), (std::set<std::string>{"T.DB", "T.X02"}));
}

TEST_F(FamilySwapTest, AnUncommittedSwapLeavesNothing) {
    write(data() / "T.DB", "old");
    {
        FamilySwap swap(data(), {data() / "T.DB"}, DesktopTrash());
        write(swap.staged("T.DB"), "new");
    }
    EXPECT_EQ(namesIn(data()), (std::set<std::string>{"T.DB"}));
    EXPECT_EQ(read(data() / "T.DB"), "old");
}

TEST_F(FamilySwapTest, RecoveryFinishesADecidedSwapKilledHalfway) {
    // Killed after T.DB left, before T.PX left and before anything arrived.
    const auto staging = deadStaging();
    writeManifest(
        "T.DB\t.tabulon-swap-1-1/old/T.DB\nT.PX\t.tabulon-swap-1-1/old/T.PX\n"
        ".tabulon-swap-1-1/T.DB\tT.DB\n.tabulon-swap-1-1/T.PX\tT.PX\nend\n");
    write(staging / "old" / "T.DB", "old");
    write(data() / "T.PX", "old px");
    write(staging / "T.DB", "new");
    write(staging / "T.PX", "new px");
    FamilySwap::recoverFolder(data(), DesktopTrash());
    EXPECT_EQ(namesIn(data()), (std::set<std::string>{"T.DB", "T.PX"}));
    EXPECT_EQ(read(data() / "T.DB"), "new");
    EXPECT_EQ(read(data() / "T.PX"), "new px");
    EXPECT_EQ(namesIn(trashFiles()), (std::set<std::string>{"T.DB", "T.PX"}));
}

TEST_F(FamilySwapTest, AnyTableOpenFinishesTheMovesOfADecidedSwap) {
    const auto path = createItems("items.db", 3);
    const auto staging = deadStaging();
    std::filesystem::rename(path, staging / "items.db");  // moved out, killed before the rest
    writeManifest(
        "items.db\t.tabulon-swap-1-1/old/items.db\n"
        ".tabulon-swap-1-1/items.db\titems.db\nend\n");
    EXPECT_EQ(openTable(path)->recordCount(), 3u);
}

TEST_F(FamilySwapTest, RecoveryDiscardsAnUndecidedSwapAndKeepsADamagedOne) {
    write(data() / "T.DB", "old");
    const auto staging = deadStaging();
    write(staging / "T.DB", "half built");
    FamilySwap::recoverFolder(data(), DesktopTrash());
    EXPECT_EQ(namesIn(data()), (std::set<std::string>{"T.DB"}));
    EXPECT_EQ(read(data() / "T.DB"), "old");

    // A list without its end line is damage: nothing moves, nothing is discarded.
    deadStaging();
    write(staging / "T.DB", "new");
    writeManifest("T.DB\t.tabulon-swap-1-1/old/T.DB\n");
    FamilySwap::recoverFolder(data(), DesktopTrash());
    EXPECT_EQ(read(data() / "T.DB"), "old");
    EXPECT_EQ(read(staging / "T.DB"), "new");
}

TEST_F(FamilySwapTest, AListNamingFilesOutsideTheFolderIsNotRun) {
    std::filesystem::create_directories(folder_ / "outside");
    write(folder_ / "outside" / "secret", "kept");
    writeManifest("../outside/secret\ttaken\nend\n");
    FamilySwap::recoverFolder(data(), DesktopTrash());
    EXPECT_EQ(read(folder_ / "outside" / "secret"), "kept");
    EXPECT_FALSE(std::filesystem::exists(data() / "taken"));
}

TEST_F(FamilySwapTest, RecoveryLeavesASwapWhoseBuilderIsAlive) {
    FamilySwap swap(data(), {}, DesktopTrash());
    write(swap.staged("N.DBF"), "building");
    FamilySwap::recoverFolder(data(), DesktopTrash());
    EXPECT_TRUE(std::filesystem::exists(swap.staged("N.DBF")));
    swap.commit();
    EXPECT_EQ(namesIn(data()), (std::set<std::string>{"N.DBF"}));
}

}  // namespace
