// The direct calls' statuses on every path, and what pack, regenerate and restructure leave.
#include <gtest/gtest.h>

#include <fstream>

#include "OpsFixture.h"
#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "ops/DirectCalls.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {

class DirectCallsTest : public OpsFixture {
protected:
    void SetUp() override {
        connection_ = &session_.addConnection("Folder");
        connection_->setParams({"PATH=" + data().string(), "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"});
        connection_->connect();
    }

    std::unique_ptr<Table> openDataset(const std::string& name, bool exclusive) {
        auto table = std::make_unique<Table>(*connection_);
        table->setTableName(name);
        table->setExclusive(exclusive);
        table->open();
        return table;
    }

    // Deletes every record whose id is a multiple of `step`.
    void removeEvery(const std::filesystem::path& path, int step) {
        auto table = openWritable(path);
        Record record;
        std::vector<RecordId> doomed;
        for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot)
            if (table->readSlot(slot, record) && record[0].convertTo(ValueKind::Integer).asInt() % step == 0)
                doomed.push_back(table->recordIdAt(slot));
        // Paradox ids move as records go: remove from the end of the chain.
        for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) table->remove(*it);
    }

    Session session_{"Ops"};
    Connection* connection_ = nullptr;
};

TEST_F(DirectCallsTest, RegenerateStatuses) {
    createItems("items.dbf", 3);
    EXPECT_EQ(DirectCalls::regenerateIndexes(nullptr), status::kInvalidHandle);
    Table closed(*connection_);
    EXPECT_EQ(DirectCalls::regenerateIndexes(&closed), status::kInvalidHandle);
    EXPECT_EQ(DirectCalls::regenerateIndexes(openDataset("items.dbf", false).get()), status::kNeedExclusive);
    std::ofstream(data() / "plain.txt") << "A,B\n1,2\n";
    EXPECT_EQ(DirectCalls::regenerateIndexes(openDataset("plain.txt", true).get()), status::kNotSupported);
}

TEST_F(DirectCallsTest, RegenerateRebuildsIndexesOfBothFormats) {
    for (const std::string name : {"items.db", "items.dbf"}) {
        const auto path = createItems(name, 40);
        const auto expected = inIndexOrder(path, "BYNAME", 0);
        ASSERT_EQ(expected.size(), 40u);
        EXPECT_EQ(DirectCalls::regenerateIndexes(openDataset(name, true).get()), status::kOk) << name;
        EXPECT_EQ(inIndexOrder(path, "BYNAME", 0), expected) << name;
    }
}

TEST_F(DirectCallsTest, PackStatuses) {
    createItems("items.dbf", 3);
    EXPECT_EQ(DirectCalls::packTable(connection_, nullptr), status::kInvalidHandle);
    EXPECT_EQ(DirectCalls::packTable(connection_, nullptr, "absent.dbf"), status::kNoSuchTable);
    EXPECT_EQ(DirectCalls::packTable(connection_, nullptr, "items.dbf", "NOSUCHTYPE"), status::kUnknownTableType);
    EXPECT_EQ(DirectCalls::packTable(connection_, nullptr, "items.dbf", "PARADOX"), status::kUnknownTableType);
    EXPECT_EQ(DirectCalls::packTable(connection_, openDataset("items.dbf", false).get()), status::kNeedExclusive);
    auto holder = openDataset("items.dbf", false);
    EXPECT_EQ(DirectCalls::packTable(connection_, nullptr, "items.dbf"), status::kNeedExclusive);
}

TEST_F(DirectCallsTest, PackDropsDeletedRecordsAndKeepsIndexesConsistent) {
    for (const std::string name : {"items.db", "items.dbf"}) {
        const auto path = createItems(name, 100);
        removeEvery(path, 10);
        EXPECT_EQ(DirectCalls::packTable(connection_, openDataset(name, true).get()), status::kOk) << name;
        auto table = openTable(path);
        EXPECT_EQ(table->slotCount(), 90u) << name;
        EXPECT_EQ(idsOf(path).size(), 90u) << name;
        EXPECT_EQ(inIndexOrder(path, "BYNAME", 0).size(), 90u) << name;
    }
}

TEST_F(DirectCallsTest, PackByNameWorksOnAClosedTable) {
    const auto path = createItems("items.dbf", 20);
    removeEvery(path, 2);
    EXPECT_EQ(DirectCalls::packTable(connection_, nullptr, "ITEMS.DBF", "DBASE"), status::kOk);
    EXPECT_EQ(openTable(path)->slotCount(), 10u);
    expectDbfreadAgrees(path, {"ID", "NAME", "NOTE"});
}

TEST_F(DirectCallsTest, RestructureStatusesAndSaveAsLeavesTheOriginal) {
    createItems("items.dbf", 2);
    EXPECT_EQ(DirectCalls::restructureTable(nullptr, {"items.db", "PARADOX", true, std::nullopt}),
              status::kInvalidHandle);
    EXPECT_EQ(DirectCalls::restructureTable(connection_, {"items.db", "PARADOX", true, std::nullopt}),
              status::kNoSuchTable);
    EXPECT_EQ(DirectCalls::restructureTable(connection_, {"items.dbf", "PARADOX", true, std::nullopt}),
              status::kNotSupported);

    const auto path = createItems("items.db", 50);
    removeEvery(path, 5);
    const auto before = idsOf(path);
    EXPECT_EQ(DirectCalls::restructureTable(connection_, {"items.db", "PARADOX", true, std::nullopt}, "packed.db"),
              status::kOk);
    EXPECT_EQ(idsOf(data() / "packed.db"), before);
    EXPECT_EQ(inIndexOrder(data() / "packed.db", "BYNAME", 0).size(), before.size());
    EXPECT_EQ(idsOf(path), before);
    // Saving over an existing table replaces it; the replaced family goes to the trash.
    EXPECT_EQ(DirectCalls::restructureTable(connection_, {"items.db", "PARADOX", true, std::nullopt}, "PACKED"),
              status::kOk);
    EXPECT_TRUE(namesIn(trashFiles()).count("packed.db"));
    EXPECT_EQ(idsOf(data() / "packed.db"), before);
    EXPECT_EQ(DirectCalls::restructureTable(connection_, {"items.db", "", true, std::nullopt}), status::kOk);
    EXPECT_EQ(idsOf(path), before);
}

TEST_F(DirectCallsTest, RestructureCarriesFieldAndIndexChanges) {
    const auto path = createItems("items.db", 20);
    Restructure structure;
    structure.fields = {{{"ID", ftInteger, 0, 0, true, ""}, "ID"},
                        {{"LABEL", ftString, 30, 0, false, ""}, "NAME"},
                        {{"ADDED", ftDate, 0, 0, false, ""}, ""}};
    structure.indexes = {IndexDef{"", "ID", "", "", ixPrimary | ixUnique, "", true, ""},
                         IndexDef{"BYLABEL", "LABEL", "", "", ixCaseInsensitive, "", true, ""}};
    RestructureRequest request{"items.db", "PARADOX", false, structure};
    std::vector<int> percents;
    DirectCalls::registerCallback(kProgressCallbackKind, [&](int percent, int) { percents.push_back(percent); });
    ASSERT_EQ(DirectCalls::restructureTable(connection_, request), status::kOk);
    DirectCalls::registerCallback(kProgressCallbackKind, {});
    auto table = openTable(path);
    ASSERT_EQ(table->fields().size(), 3u);
    EXPECT_EQ(table->fields()[1].name, "LABEL");
    EXPECT_EQ(table->fields()[1].size, 30);
    EXPECT_EQ(inIndexOrder(path, "BYLABEL", 0).size(), 20u);
    EXPECT_GT(percents.size(), 3u);  // reports along the way, not only 0 and 100
    table.reset();
    // A field fed by a field the table does not have is refused, changing nothing.
    request.structure->fields[2].from = "NOSUCH";
    const auto before = namesIn(data());
    EXPECT_EQ(DirectCalls::restructureTable(connection_, request), status::kFailed);
    EXPECT_EQ(namesIn(data()), before);
}

// Pack and regenerate report to a callback of kind 23 along the way, not only at the ends:
// percents that never fall and end at 100, records first and indexes after; until unregistered.
TEST_F(DirectCallsTest, PackAndRegenerateReportRisingProgressOfBothFormats) {
    EXPECT_EQ(DirectCalls::registerCallback(22, [](int, int) {}), status::kNotSupported);
    for (const std::string name : {"items.db", "items.dbf"}) {
        const auto path = createItems(name, 3000);
        removeEvery(path, 10);
        std::vector<std::pair<int, int>> reports;
        ASSERT_EQ(DirectCalls::registerCallback(kProgressCallbackKind,
                                                [&](int percent, int phase) { reports.emplace_back(percent, phase); }),
                  status::kOk);
        auto expectRising = [&](const char* call, std::size_t fewest) {
            ASSERT_GE(reports.size(), fewest) << name << " " << call;
            for (std::size_t i = 1; i < reports.size(); ++i) {
                EXPECT_LT(reports[i - 1].first, reports[i].first) << name << " " << call << " report " << i;
                EXPECT_LE(reports[i - 1].second, reports[i].second) << name << " " << call << " report " << i;
            }
            EXPECT_EQ(reports.front().first, 0) << name << " " << call;
            EXPECT_EQ(reports.back(), std::make_pair(100, phase::kRebuild)) << name << " " << call;
            reports.clear();
        };
        ASSERT_EQ(DirectCalls::packTable(connection_, nullptr, name), status::kOk);
        expectRising("pack", 3);
        EXPECT_EQ(idsOf(path).size(), 2700u);
        auto table = openDataset(name, true);
        ASSERT_EQ(DirectCalls::regenerateIndexes(table.get()), status::kOk);
        expectRising("regenerate", 2);
        table.reset();
        EXPECT_EQ(DirectCalls::registerCallback(kProgressCallbackKind, {}), status::kOk);
        ASSERT_EQ(DirectCalls::packTable(connection_, nullptr, name), status::kOk);
        EXPECT_TRUE(reports.empty()) << name << ": reported after unregistering";
    }
}

}  // namespace
