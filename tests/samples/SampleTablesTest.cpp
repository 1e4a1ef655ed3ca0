// The sample tables: each is written through the engine and reads back with its records,
// indexes and memos; writing over existing samples is refused.
#include <gtest/gtest.h>

#include <algorithm>

#include "SampleTables.h"
#include "core/EngineError.h"
#include "storage/Drivers.h"
#include "support/TempFolder.h"

using namespace tabulon;
using tabulon::testing::TempFolder;

namespace {

struct SampleCase {
    const char* file;
    std::uint64_t records;
    std::size_t fields;
    std::vector<std::string> indexNames;
};

bool hasIndex(const StorageTable& table, const std::string& name) {
    const auto indexes = table.indexes();
    return std::any_of(indexes.begin(), indexes.end(), [&](const IndexDef& index) { return index.name == name; });
}

// One folder of samples, written once for every test of the suite.
class SampleFolder : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<TempFolder>();
        samples::writeSampleTables(folder_->path());
    }
    static void TearDownTestSuite() { folder_.reset(); }
    static std::unique_ptr<TempFolder> folder_;
};
std::unique_ptr<TempFolder> SampleFolder::folder_;

class SampleTablesTest : public SampleFolder, public ::testing::WithParamInterface<SampleCase> {};

TEST_P(SampleTablesTest, ReadsBackWithItsRecordsAndIndexes) {
    const SampleCase& c = GetParam();
    OpenOptions strict;
    strict.tolerant = false;
    auto table = openTable(folder_->path() / c.file, strict);
    EXPECT_EQ(table->recordCount(), c.records);
    EXPECT_EQ(table->fields().size(), c.fields);
    for (const std::string& name : c.indexNames) EXPECT_TRUE(hasIndex(*table, name)) << name;
    for (const IndexDef& index : table->indexes()) EXPECT_TRUE(index.usable) << index.name << ": " << index.problem;
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleTablesTest,
                         ::testing::Values(SampleCase{"CUSTOMER.DB", 16, 5, {"ByCompany", "ByCountry"}},
                                           SampleCase{"ORDERS.DB", 48, 5, {"ByCustomer"}},
                                           SampleCase{"PARTS.DBF", 12, 4, {"PARTNO", "DESCRIPT"}},
                                           SampleCase{"COUNTRY.TXT", 11, 4, {}}));

TEST_F(SampleFolder, OrdersCarryMemosAndCustomersAKey) {
    auto orders = openTable(folder_->path() / "ORDERS.DB");
    Record record;
    ASSERT_TRUE(orders->readSlot(0, record));
    ASSERT_FALSE(record.at(4).isNull());
    EXPECT_NE(record.at(4).asString().find("Ship by sea"), std::string::npos);
    const auto indexes = openTable(folder_->path() / "CUSTOMER.DB")->indexes();
    ASSERT_FALSE(indexes.empty());
    EXPECT_NE(indexes.front().options & ixPrimary, 0);
    EXPECT_TRUE(std::filesystem::exists(folder_->path() / "PARTS.MDX"));
}

TEST_F(SampleFolder, ExistingSamplesAreNotOverwritten) {
    EXPECT_THROW(samples::writeSampleTables(folder_->path()), EngineError);
    EXPECT_EQ(openTable(folder_->path() / "CUSTOMER.DB")->recordCount(), 16u);
}

}  // namespace
