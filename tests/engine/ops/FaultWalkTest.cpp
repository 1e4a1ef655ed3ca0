// Each write, flush, truncation, creation, rename and removal that an operation makes is made to
// fail in turn, then the process to die there: the operation reports the failure, and the table,
// reopened (recovering from what the operation left), holds exactly its old or its new state,
// opens strictly, and its indexes agree with its records. The die walk forks once per call it
// tries: every few calls, or every call with TABULON_LONG_TESTS=1.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "OpsFixture.h"
#include "core/EngineError.h"
#include "engine/paradox/ParadoxFamilyCheck.h"
#include "io/FaultInjection.h"
#include "io/Transaction.h"
#include "ops/BatchMove.h"
#include "ops/FamilySwap.h"
#include "support/CheckedRecords.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {

enum class Op { Commit, Pack, Regenerate, Restructure, Reshape, Empty, BatchAppend, BatchCopy, Rename };

struct WalkCase {
    std::string label;
    const char* table;  // items.DB keyed, plain.DB unkeyed, items.DBF with a production index
    Op op;
};

void PrintTo(const WalkCase& walk, std::ostream* out) { *out << walk.label; }

struct State {
    std::string table;  // the file name the family has
    std::size_t fields = 0;
    std::vector<std::string> records;
    bool operator==(const State&) const = default;
};

class FaultWalk : public OpsFixture, public ::testing::WithParamInterface<WalkCase> {
protected:
    // The template: ids 1..30 with every tenth deleted (an unkeyed table has no index), and a
    // source of ids 101..110 for the batch append.
    void SetUp() override {
        FaultInjection::skipFlushes(true);
        const std::string name = GetParam().table;
        const auto path = data() / name;
        if (name == "items.TXT") {
            std::ofstream text(path);
            text << "ID,NAME\n";
            for (int i = 1; i <= 30; ++i) text << i << ",item" << i << "\n";
        } else {
            if (name == "plain.DB")
                driverFor(ttParadox).create(path, itemFields(), {}, {}).reset();
            else
                createItems(name, 0);
            OpenOptions write;
            write.access = AccessMode::ReadWrite;
            auto table = openTable(path, write);
            for (int i = 1; i <= 30; ++i)
                table->append({Value::integer(i), Value::string("item" + std::to_string(i)),
                               i % 3 == 0 ? Value::string("memo " + std::to_string(i)) : Value()});
            for (std::uint64_t slot = table->slotCount(); slot-- > 0;) {
                Record record;
                if (table->readSlot(slot, record) && record[0].convertTo(ValueKind::Integer).asInt() % 10 == 0)
                    table->remove(table->recordIdAt(slot));
            }
        }
        auto source = driverFor(ttParadox).create(data() / "source.DB", itemFields(), {}, {});
        for (int id = 101; id <= 110; ++id) source->append({Value::integer(id), Value::string("s"), Value()});
        source.reset();
        std::filesystem::copy(data(), folder_ / "template");
    }

    void TearDown() override {
        FaultInjection::disarm();
        FaultInjection::skipFlushes(false);
    }

    void restoreTemplate() {
        std::filesystem::remove_all(data());
        std::filesystem::remove_all(folder_ / "home");  // the trash: names taken there change the calls made
        std::filesystem::copy(folder_ / "template", data());
    }

    void runOperation() {
        const auto path = data() / GetParam().table;
        switch (GetParam().op) {
            case Op::Commit:
                commitChanges(path);
                break;
            case Op::Pack:
                openExclusive(path)->pack();
                break;
            case Op::Regenerate:
                openExclusive(path)->regenerateIndexes();
                break;
            case Op::Restructure: {
                Restructure restructure = currentStructure(path);
                restructure.fields.push_back({{"EXTRA", ftInteger, 0, 0, false, ""}, ""});
                TableDefinitions().restructure(path, restructure);
                break;
            }
            case Op::Reshape: {
                // As the restructure window saves: a field dropped, one cut shorter, one added.
                Restructure restructure = currentStructure(path);
                restructure.fields.pop_back();
                restructure.fields[1].field.size = 4;
                restructure.fields.push_back({{"EXTRA", ftInteger, 0, 0, false, ""}, ""});
                restructure.emptyLostValues = true;
                TableDefinitions().restructure(path, restructure);
                break;
            }
            case Op::Empty:
                TableDefinitions().empty(path);
                break;
            case Op::BatchAppend:
            case Op::BatchCopy: {
                auto source = openTable(data() / "source.DB");
                BatchMoveOptions options;
                if (GetParam().op == Op::BatchCopy) options.mode = BatchMode::Copy;
                BatchMove(TableDefinitions()).run(*source, path, options);
                break;
            }
            case Op::Rename:
                TableDefinitions().rename(path, "moved");
                break;
        }
    }

    // Two inserts, two updates (name and memo) and a deletion in one transaction.
    void commitChanges(const std::filesystem::path& path) {
        OpenOptions write;
        write.access = AccessMode::ReadWrite;
        auto table = openTable(path, write);
        Transaction transaction(Transaction::newJournalPath(data()));
        table->setTransaction(&transaction);
        try {
            for (int id : {201, 202})
                table->append({Value::integer(id), Value::string("new"), Value::string(std::string(900, 'n'))});
            for (std::uint64_t slot : {0, 1}) {
                Record record;
                table->readRecord(table->recordIdAt(slot), record);
                record[1] = Value::string("changed");
                record[2] = Value::string(std::string(700, 'c'));
                table->update(table->recordIdAt(slot), record);
            }
            table->remove(table->recordIdAt(2));
            transaction.commit();
        } catch (...) {
            table->setTransaction(nullptr);
            throw;
        }
        table->setTransaction(nullptr);
    }

    State state() {
        // Found the way every operation finds a table: finishing a decided swap first.
        FamilySwap::recoverFolder(data(), DesktopTrash());
        std::set<std::string> stems;
        for (const auto& name : namesIn(data()))
            if (name.rfind(".tabulon-", 0) != 0 && name.rfind("~tabulon-", 0) != 0 && name.rfind("source.", 0) != 0)
                stems.insert(name.substr(0, name.find('.')));
        EXPECT_EQ(stems.size(), 1u) << "a family split between names: " << ::testing::PrintToString(stems);
        if (stems.empty()) return {};
        const std::string name = *stems.begin() + std::filesystem::path(GetParam().table).extension().string();
        const auto path = existingTable(data() / name);
        if (tableTypeForPath(path) == ttParadox) expectConsistentFamily(path);
        return {name, openTable(path)->fields().size(), checkedRecords(path)};
    }

    // The table before and after the operation, and the calls it makes.
    void measure() {
        restoreTemplate();
        before_ = state();
        FaultInjection::count();
        runOperation();
        calls_ = FaultInjection::calls();
        FaultInjection::disarm();
        after_ = state();
        ASSERT_GT(calls_, 0u);
        // Else "old or new" would say little; a pack or regeneration keeps what a reader sees.
        if (GetParam().op != Op::Pack && GetParam().op != Op::Regenerate) {
            ASSERT_FALSE(after_ == before_);
        }
        RecordProperty("calls", static_cast<int>(calls_));
    }

    void expectOldOrNew(std::uint64_t call, const std::string& how) {
        const State now = state();
        EXPECT_TRUE(now == before_ || now == after_)
            << "call " << call << " of " << calls_ << " " << how << ": the table is neither old nor new";
    }

    static const char* kindName(IoCall kind) {
        static const char* const names[] = {"create", "write", "truncate", "flush", "rename", "removal"};
        return names[static_cast<int>(kind)];
    }

    State before_, after_;
    std::uint64_t calls_ = 0;
};

TEST_P(FaultWalk, AnyFailingCallIsReportedAndLeavesTheOldOrTheNewTable) {
    ASSERT_NO_FATAL_FAILURE(measure());
    for (std::uint64_t call = 1; call <= calls_; ++call) {
        restoreTemplate();
        FaultInjection::failAt(call);
        std::string error;
        try {
            runOperation();
        } catch (const EngineError& e) {
            error = e.formatted();
            EXPECT_EQ(e.kind(), errkind::kFile) << "call " << call << ": " << error;
        }
        FaultInjection::disarm();
        const std::optional<IoCall> failed = FaultInjection::injected();
        ASSERT_TRUE(failed) << "call " << call << " was not made: the operation's calls vary";
        if (error.empty()) {
            // Only the removal of a leftover that recovery also removes may fail unreported,
            // and the operation is then done.
            EXPECT_EQ(*failed, IoCall::Remove)
                << "call " << call << " (a " << kindName(*failed) << ") failed unnoticed";
            EXPECT_TRUE(state() == after_) << "call " << call << ": a failure unreported, and the operation not done";
        } else {
            // A journal left by a failure would be applied by a later recovery, over later commits.
            for (const auto& name : namesIn(data()))
                EXPECT_FALSE(name.ends_with(Transaction::kJournalExtension))
                    << "call " << call << " left " << name << " (" << error << ")";
            expectOldOrNew(call, std::string("failing (a ") + kindName(*failed) + ": " + error + ")");
        }
        if (HasFailure()) return;
    }
}

TEST_P(FaultWalk, DyingAtAnyCallLeavesTheOldOrTheNewTable) {
    ASSERT_NO_FATAL_FAILURE(measure());
    const std::uint64_t step = longTests() ? 1 : std::max<std::uint64_t>(1, calls_ / 8);
    for (std::uint64_t call = 1; call <= calls_; call += step) {
        restoreTemplate();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            FaultInjection::failAt(call, FaultInjection::Effect::Die);
            try {
                runOperation();
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == FaultInjection::kDiedStatus)
            << "call " << call << ": the child did not die there (status " << status << ")";
        expectOldOrNew(call, "dying");
        if (HasFailure()) return;
    }
}

std::vector<WalkCase> walkCases() {
    const std::pair<const char*, const char*> formats[] = {
        {"Keyed", "items.DB"}, {"Unkeyed", "plain.DB"}, {"Dbase", "items.DBF"}};
    const std::pair<const char*, Op> ops[] = {
        {"Commit", Op::Commit},           {"Pack", Op::Pack},           {"Regenerate", Op::Regenerate},
        {"Restructure", Op::Restructure}, {"Reshape", Op::Reshape},     {"Empty", Op::Empty},
        {"BatchAppend", Op::BatchAppend}, {"BatchCopy", Op::BatchCopy}, {"Rename", Op::Rename}};
    std::vector<WalkCase> cases;
    for (const auto& [format, table] : formats)
        for (const auto& [name, op] : ops) cases.push_back({std::string(name) + format, table, op});
    // Text tables are read-only: a rename is all that writes.
    cases.push_back({"RenameText", "items.TXT", Op::Rename});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Operations, FaultWalk, ::testing::ValuesIn(walkCases()),
                         [](const auto& info) { return info.param.label; });

}  // namespace
