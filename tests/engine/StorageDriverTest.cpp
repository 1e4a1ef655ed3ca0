#include <gtest/gtest.h>

#include <fstream>

#include "core/EngineError.h"
#include "storage/Drivers.h"
#include "support/TempFolder.h"

using namespace tabulon;
using tabulon::testing::TempFolder;

namespace {
// A driver whose family is every file sharing the table's base name; enough for the shared
// rename logic, which asks nothing else of a driver.
class FamilyOnlyDriver : public StorageDriver {
public:
    TableType tableType() const override { return ttParadox; }
    std::string format() const override { return "family-only"; }
    std::vector<std::string> extensions() const override { return {".DB"}; }
    std::unique_ptr<StorageTable> open(const std::filesystem::path&, const OpenOptions&) const override {
        return nullptr;
    }
    std::unique_ptr<StorageTable> create(const std::filesystem::path&, const std::vector<FieldDef>&,
                                         const std::vector<IndexDef>&, const CreateOptions&) const override {
        return nullptr;
    }
    std::vector<std::filesystem::path> familyFiles(const std::filesystem::path& table) const override {
        std::vector<std::filesystem::path> files;
        for (const auto& e : std::filesystem::directory_iterator(table.parent_path()))
            if (e.path().stem() == table.stem()) files.push_back(e.path());
        std::sort(files.begin(), files.end());
        return files;
    }
    FieldDef nearestField(const FieldDef& f) const override { return f; }
};

void touch(const std::filesystem::path& p) { std::ofstream(p) << p.filename().string(); }
}  // namespace

TEST(RenameFamily, MovesEveryMemberKeepingItsExtension) {
    TempFolder dir;
    for (const char* name : {"CUST.DB", "CUST.PX", "CUST.X02", "CUST.MB", "OTHER.DB"}) touch(dir / name);
    FamilyOnlyDriver().renameFamily(dir / "CUST.DB", "CLIENTS");
    for (const char* name : {"CLIENTS.DB", "CLIENTS.PX", "CLIENTS.X02", "CLIENTS.MB", "OTHER.DB"})
        EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
    EXPECT_FALSE(std::filesystem::exists(dir / "CUST.DB"));
    std::ifstream in(dir / "CLIENTS.X02");
    std::string content;
    in >> content;
    EXPECT_EQ(content, "CUST.X02");
}

TEST(RenameFamily, RefusesWithoutChangingAnythingWhenATargetExists) {
    TempFolder dir;
    for (const char* name : {"CUST.DB", "CUST.PX", "clients.px"}) touch(dir / name);
    try {
        FamilyOnlyDriver().renameFamily(dir / "CUST.DB", "CLIENTS");
        FAIL() << "an existing member of another table was overwritten";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), "EFileError");
        EXPECT_NE(e.message().find("clients.px"), std::string::npos) << e.message();
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "CUST.DB"));
    EXPECT_TRUE(std::filesystem::exists(dir / "CUST.PX"));
    EXPECT_FALSE(std::filesystem::exists(dir / "CLIENTS.DB"));
    EXPECT_THROW(FamilyOnlyDriver().renameFamily(dir / "CUST.DB", "a/b"), EngineError);
}

TEST(TableTypes, FollowTheExtensionWhateverItsCase) {
    EXPECT_EQ(tableTypeForPath("x/CUSTOMER.DB"), ttParadox);
    EXPECT_EQ(tableTypeForPath("x/customer"), ttParadox);
    EXPECT_EQ(tableTypeForPath("orders.dbf"), ttDBase);
    EXPECT_EQ(tableTypeForPath("Notes.Txt"), ttASCII);
    EXPECT_EQ(tableTypeForPath("picture.png"), ttDefault);
}

TEST(TableTypes, FindsFilesWithoutRegardToCase) {
    TempFolder dir;
    touch(dir / "calls.CDX");
    EXPECT_EQ(findFileIgnoringCase(dir.path(), "CALLS.cdx"), dir / "calls.CDX");
    EXPECT_TRUE(findFileIgnoringCase(dir.path(), "calls.fpt").empty());
}
