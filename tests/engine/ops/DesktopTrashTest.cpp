// The desktop trash: files land under files/ with an info record saying where they came from,
// names never collide, and a file that cannot be moved stays where it was.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/EngineError.h"
#include "ops/DesktopTrash.h"
#include "support/TempFolder.h"

using namespace tabulon;
using tabulon::testing::TempFolder;

namespace {

void writeFile(const std::filesystem::path& path, const std::string& text) { std::ofstream(path) << text; }

std::string readFile(const std::filesystem::path& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

TEST(DesktopTrash, MovesTheFileAndRecordsItsOrigin) {
    TempFolder folder;
    writeFile(folder / "My Table.DB", "old");
    const DesktopTrash trash(folder / "Trash");
    const auto moved = trash.moveToTrash(folder / "My Table.DB");
    EXPECT_EQ(moved, folder / "Trash" / "files" / "My Table.DB");
    EXPECT_FALSE(std::filesystem::exists(folder / "My Table.DB"));
    EXPECT_EQ(readFile(moved), "old");
    const std::string info = readFile(folder / "Trash" / "info" / "My Table.DB.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=", 0), 0u) << info;
    EXPECT_NE(info.find("/My%20Table.DB\n"), std::string::npos) << info;
    EXPECT_NE(info.find("\nDeletionDate=20"), std::string::npos) << info;
}

TEST(DesktopTrash, SameNameTwiceKeepsBoth) {
    TempFolder folder;
    const DesktopTrash trash(folder / "Trash");
    writeFile(folder / "T.DBF", "first");
    const auto first = trash.moveToTrash(folder / "T.DBF");
    writeFile(folder / "T.DBF", "second");
    const auto second = trash.moveToTrash(folder / "T.DBF");
    EXPECT_NE(first, second);
    EXPECT_EQ(readFile(first), "first");
    EXPECT_EQ(readFile(second), "second");
    EXPECT_TRUE(std::filesystem::exists(folder / "Trash" / "info" / (second.filename().string() + ".trashinfo")));
}

TEST(DesktopTrash, MissingFileIsAnErrorNamingItAndLeavesNoInfo) {
    TempFolder folder;
    const DesktopTrash trash(folder / "Trash");
    try {
        trash.moveToTrash(folder / "GONE.DB");
        FAIL() << "no error";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), errkind::kFile);
        EXPECT_NE(e.message().find("GONE.DB"), std::string::npos);
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder / "Trash" / "info"));
}

TEST(DesktopTrash, UserTrashFollowsXdgDataHome) {
    TempFolder folder;
    ::setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
    EXPECT_EQ(DesktopTrash().folder(), folder / "data" / "Trash");
}

}  // namespace
