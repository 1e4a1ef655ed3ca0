#include <gtest/gtest.h>

#include <fstream>

#include "storage/Drivers.h"
#include "support/TempFolder.h"

using namespace tabulon;
using tabulon::testing::TempFolder;

TEST(TableTypes, FollowTheExtensionWhateverItsCase) {
    EXPECT_EQ(tableTypeForPath("x/CUSTOMER.DB"), ttParadox);
    EXPECT_EQ(tableTypeForPath("x/customer"), ttParadox);
    EXPECT_EQ(tableTypeForPath("orders.dbf"), ttDBase);
    EXPECT_EQ(tableTypeForPath("Notes.Txt"), ttASCII);
    EXPECT_EQ(tableTypeForPath("picture.png"), ttDefault);
}

TEST(TableTypes, FindsFilesWithoutRegardToCase) {
    TempFolder dir;
    std::ofstream(dir / "calls.CDX").flush();
    EXPECT_EQ(findFileIgnoringCase(dir.path(), "CALLS.cdx"), dir / "calls.CDX");
    EXPECT_TRUE(findFileIgnoringCase(dir.path(), "calls.fpt").empty());
}
