// Changing and deleting the records a filter selects, interrupted at each of the file
// operations the change makes in turn: the table then holds every change or none. (What the
// changes do is tested through the Special page.)
#include <gtest/gtest.h>

#include "OpsFixture.h"
#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "io/FaultInjection.h"
#include "ops/SelectedRecords.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {

struct Change {
    std::string label;
    std::string filter;
    std::string field;  // empty: delete
    std::string value;
    // The NAME each id 1..30 holds afterwards; "" for a deleted record.
    std::function<std::string(int id)> expected;
};

void PrintTo(const Change& change, std::ostream* out) { *out << change.label; }

std::string itemName(int id) { return "item" + std::to_string(id); }

const std::vector<Change> kChanges = {
    // Each change takes its record out of the view, and every one is still changed.
    {"UpdateLeavesTheView", "NAME >= 'item2'", "NAME", "a",
     [](int id) { return itemName(id) >= "item2" ? "a" : itemName(id); }},
    {"DeleteSelected", "ID > 25", "", "", [](int id) { return id > 25 ? "" : itemName(id); }},
};

class SelectedRecords : public OpsFixture, public ::testing::WithParamInterface<std::tuple<Change, const char*>> {
protected:
    void SetUp() override { path_ = createItems(std::get<1>(GetParam()), 30); }
    void TearDown() override { FaultInjection::disarm(); }

    // Runs the change on a freshly opened table; the table is closed afterwards either way.
    void run() {
        Session session("Selected");
        Connection connection(session, "Folder");
        connection.setParams(Connection::folderParams(data().string()));
        connection.connect();
        Table table(connection);
        table.setTableName(path_.filename().string());
        const Change& change = std::get<0>(GetParam());
        table.setFilter(change.filter);
        table.setFiltered(!change.filter.empty());
        if (path_.extension() == ".DBF") table.addIndexFile("items.MDX");
        table.open();
        if (change.field.empty())
            deleteSelectedRecords(table);
        else
            updateSelectedRecords(table, change.field, change.value);
    }

    // id -> NAME of the live records.
    std::map<int, std::string> names() const {
        std::map<int, std::string> out;
        for (const Record& r : recordsOf(path_))
            out[static_cast<int>(r[0].convertTo(ValueKind::Integer).asInt())] = r[1].toText();
        return out;
    }

    std::map<int, std::string> expectedNames() const {
        std::map<int, std::string> out;
        for (int id = 1; id <= 30; ++id)
            if (const std::string name = std::get<0>(GetParam()).expected(id); !name.empty()) out[id] = name;
        return out;
    }

    std::filesystem::path path_;
};

// Every write, flush, creation, rename and removal the change makes is made to fail in turn:
// the table then holds either all the changes or none.
TEST_P(SelectedRecords, AnInjectedFailureLeavesAllOrNothing) {
    const auto before = names();
    const auto template_ = folder_ / "template";
    std::filesystem::copy(data(), template_);
    FaultInjection::skipFlushes(true);
    FaultInjection::count();
    run();
    const std::uint64_t calls = FaultInjection::calls();
    ASSERT_EQ(names(), expectedNames());
    for (std::uint64_t n = 1; n <= calls; ++n) {
        std::filesystem::remove_all(data());
        std::filesystem::copy(template_, data());
        FaultInjection::failAt(n);
        bool failed = false;
        try {
            run();
        } catch (const EngineError&) {
            failed = true;
        }
        FaultInjection::disarm();
        EXPECT_EQ(names(), failed ? before : expectedNames()) << "call " << n;
    }
    FaultInjection::skipFlushes(false);
}

INSTANTIATE_TEST_SUITE_P(Formats, SelectedRecords,
                         ::testing::Combine(::testing::ValuesIn(kChanges), ::testing::Values("items.DB", "items.DBF")),
                         [](const auto& info) {
                             return std::get<0>(info.param).label +
                                    (std::string(std::get<1>(info.param)) == "items.DB" ? "Paradox" : "Dbase");
                         });

}  // namespace
