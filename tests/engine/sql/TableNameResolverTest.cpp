// Table names of statements: bare names try .DB, .DBF, .TXT; letter case never matters.
#include <gtest/gtest.h>

#include <fstream>

#include "core/EngineError.h"
#include "sql/TableNameResolver.h"
#include "support/TempFolder.h"

namespace tabulon::testing {
namespace {

struct ResolveCase {
    const char* name;
    const char* expected;  // path relative to the folder; "" for none
};

class TableNameResolverTest : public ::testing::TestWithParam<ResolveCase> {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder();
        std::filesystem::create_directories(folder_->path() / "Sub");
        for (const char* file : {"CUSTOMER.DB", "CUSTOMER.DBF", "orders.dbf", "Cities.txt", "Sub/Orders.DB"}) {
            std::ofstream(folder_->path() / file) << "x";
        }
    }
    static void TearDownTestSuite() { delete folder_; }
    static TempFolder* folder_;
};
TempFolder* TableNameResolverTest::folder_ = nullptr;

TEST_P(TableNameResolverTest, FindsTheFile) {
    const auto found = resolveTableName(folder_->path(), GetParam().name);
    const std::string expected = GetParam().expected;
    EXPECT_EQ(found, expected.empty() ? std::filesystem::path() : folder_->path() / expected);
}

INSTANTIATE_TEST_SUITE_P(Names, TableNameResolverTest,
                         ::testing::Values(ResolveCase{"CUSTOMER", "CUSTOMER.DB"},
                                           ResolveCase{"customer", "CUSTOMER.DB"},
                                           ResolveCase{"customer.dbf", "CUSTOMER.DBF"},
                                           ResolveCase{"ORDERS", "orders.dbf"}, ResolveCase{"cities", "Cities.txt"},
                                           ResolveCase{"sub/orders.db", "Sub/Orders.DB"},
                                           ResolveCase{"sub/orders", "Sub/Orders.DB"}, ResolveCase{"missing", ""},
                                           ResolveCase{"nosub/orders.db", ""}, ResolveCase{"orders.db", ""}));

TEST(TableNameResolverRefusals, NamesLeavingTheFolderAreRefused) {
    TempFolder folder;
    for (const char* name : {"../CUSTOMER", "/etc/passwd", "sub/../../x.db", ""}) {
        try {
            resolveTableName(folder.path(), name);
            ADD_FAILURE() << name << " was accepted";
        } catch (const EngineError& e) {
            EXPECT_EQ(e.kind(), errkind::kValue) << name;
        }
    }
}

}  // namespace
}  // namespace tabulon::testing
