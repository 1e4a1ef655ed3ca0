// A process killed at a random instant of pack, regenerate, restructure, empty, rename or batch
// move leaves the table as it was or as the operation makes it, never in between. TABULON_LONG_TESTS=1 runs 200 kills each.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "OpsFixture.h"
#include "ops/FamilySwap.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {

enum class CrashOp { Pack, Regenerate, BatchAppend, Restructure, Empty, Rename };

struct CrashCase {
    const char* label;
    const char* table;
    CrashOp op;
};

class OpsCrashTest : public OpsFixture, public ::testing::WithParamInterface<CrashCase> {
protected:
    // The template table: ids 1..60, every tenth deleted; and a source of ids 101..160.
    void SetUp() override {
        const auto path = createItems(GetParam().table, 60);
        auto table = openWritable(path);
        Record record;
        for (std::uint64_t slot = table->slotCount(); slot-- > 0;)
            if (table->readSlot(slot, record) && record[0].convertTo(ValueKind::Integer).asInt() % 10 == 0)
                table->remove(table->recordIdAt(slot));
        table.reset();
        std::vector<Record> sourceRows;
        for (int id = 101; id <= 160; ++id) sourceRows.push_back({Value::integer(id), Value::string("s"), Value()});
        tableWith("source.DB", itemFields(), sourceRows);
        std::filesystem::create_directories(folder_ / "template");
        for (const auto& entry : std::filesystem::directory_iterator(data()))
            std::filesystem::copy_file(entry.path(), folder_ / "template" / entry.path().filename());
    }

    void restoreTemplate() {
        std::filesystem::remove_all(data());
        std::filesystem::create_directories(data());
        for (const auto& entry : std::filesystem::directory_iterator(folder_ / "template"))
            std::filesystem::copy_file(entry.path(), data() / entry.path().filename());
    }

    void runOperation() {
        const auto path = data() / GetParam().table;
        switch (GetParam().op) {
            case CrashOp::Pack: openExclusive(path)->pack(); break;
            case CrashOp::Regenerate: openExclusive(path)->regenerateIndexes(); break;
            case CrashOp::BatchAppend: {
                auto source = openTable(data() / "source.DB");
                BatchMove(TableDefinitions()).run(*source, path, {});
                break;
            }
            case CrashOp::Restructure: {
                // One more field: the rebuilt table tells itself apart by its field count.
                Restructure restructure = currentStructure(path);
                restructure.fields.push_back({{"EXTRA", ftInteger, 0, 0, false, ""}, ""});
                TableDefinitions().restructure(path, restructure);
                break;
            }
            case CrashOp::Empty: TableDefinitions().empty(path); break;
            case CrashOp::Rename: TableDefinitions().rename(path, "moved"); break;
        }
    }

    struct State {
        std::string table;           // the file name the family has
        std::set<std::int64_t> ids;  // the live ids
        std::size_t fields = 0;
        bool indexAgrees = false;  // the BYNAME index holds exactly the live records
        bool operator==(const State& other) const {
            return table == other.table && ids == other.ids && fields == other.fields;
        }
    };
    State state() {
        // Finds the table the way every operation does: finishing a decided swap first.
        FamilySwap::recoverFolder(data(), DesktopTrash());
        std::set<std::string> stems;
        for (const auto& name : namesIn(data()))
            if (name.rfind(".tabulon-", 0) != 0 && name.rfind("~tabulon-", 0) != 0 &&
                name.rfind("source.", 0) != 0)
                stems.insert(name.substr(0, name.find('.')));
        EXPECT_EQ(stems.size(), 1u) << "a family split between names: " << ::testing::PrintToString(stems);
        if (stems.empty()) return {};
        const std::string name = *stems.begin() + std::filesystem::path(GetParam().table).extension().string();
        const auto path = existingTable(data() / name);
        const auto ids = idsOf(path);
        auto table = openTable(path);
        auto cursor = table->openIndex("BYNAME");
        std::set<std::int64_t> indexed;
        Record record;
        for (bool on = cursor->first(); on; on = cursor->next()) {
            table->readRecord(cursor->recordId(), record);
            if (record.empty()) continue;
            indexed.insert(record[0].convertTo(ValueKind::Integer).asInt());
        }
        return {name, ids, table->fields().size(), indexed == ids};
    }
};

TEST_P(OpsCrashTest, KilledAtAnyInstantLeavesTheOldOrTheNewTable) {
    restoreTemplate();
    const auto before = state();
    ASSERT_TRUE(before.indexAgrees);
    runOperation();
    const auto after = state();
    ASSERT_TRUE(after.indexAgrees);

    std::mt19937 random(20261207);
    const int runs = longTests() ? 200 : 6;
    for (int run = 0; run < runs; ++run) {
        restoreTemplate();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                runOperation();
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        ::usleep(std::uniform_int_distribution<unsigned>(0, 60000)(random));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const auto now = state();  // opening recovers a leftover journal
        EXPECT_TRUE(now.indexAgrees) << "run " << run << ": the index disagrees with the records";
        EXPECT_TRUE(now == before || now == after) << "run " << run << ": a half-made table";
    }
}

INSTANTIATE_TEST_SUITE_P(Operations, OpsCrashTest,
                         ::testing::Values(CrashCase{"PackParadox", "items.DB", CrashOp::Pack},
                                           CrashCase{"PackDbase", "items.DBF", CrashOp::Pack},
                                           CrashCase{"RegenerateParadox", "items.DB", CrashOp::Regenerate},
                                           CrashCase{"RegenerateDbase", "items.DBF", CrashOp::Regenerate},
                                           CrashCase{"BatchAppendParadox", "items.DB", CrashOp::BatchAppend},
                                           CrashCase{"BatchAppendDbase", "items.DBF", CrashOp::BatchAppend},
                                           CrashCase{"RestructureParadox", "items.DB", CrashOp::Restructure},
                                           CrashCase{"RestructureDbase", "items.DBF", CrashOp::Restructure},
                                           CrashCase{"EmptyParadox", "items.DB", CrashOp::Empty},
                                           CrashCase{"EmptyDbase", "items.DBF", CrashOp::Empty},
                                           CrashCase{"RenameParadox", "items.DB", CrashOp::Rename},
                                           CrashCase{"RenameDbase", "items.DBF", CrashOp::Rename}),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
