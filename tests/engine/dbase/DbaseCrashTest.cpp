// A writer killed at a random instant leaves the table as it was before or after the change it
// was making: header, records and memo file in agreement. The child runs a fixed sequence of
// appends, memo updates, deletions and packs; after the kill the table, its memos and its
// production index must equal the model of that sequence after some number of whole operations.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>

#include "storage/Drivers.h"
#include "support/TempFolder.h"

using namespace tabulon;
using tabulon::testing::TempFolder;

namespace {
constexpr int kOperations = 40;

struct Row {
    std::string name;
    std::string memo;
    bool deleted = false;
};
using Model = std::vector<Row>;

std::vector<FieldDef> crashFields() {
    return {{"NAME", ftString, 10, 0, false, "C"}, {"MEMO", ftMemo, 0, 0, false, "M"}};
}
std::vector<IndexDef> crashIndexes() { return {{"BYNAME", "NAME", "", "", 0, "", true, ""}}; }

void createCrashTable(const std::filesystem::path& path) {
    driverFor(ttDBase).create(path, crashFields(), crashIndexes(), {});
}

std::string memoFor(int i) {
    return std::string(static_cast<std::size_t>(100 + (i * 397) % 1500), static_cast<char>('a' + i % 26));
}

// Operation `i` applied to the model; the same choice drives the child's table.
enum class Op { Append, Update, Remove, Pack };
Op operation(int i, const Model& model) {
    if (model.size() < 3 || i % 5 < 2) return Op::Append;
    if (i % 10 == 9) return Op::Pack;
    return i % 5 == 2 || i % 5 == 3 ? Op::Update : Op::Remove;
}

void apply(int i, Model& model, StorageTable* table) {
    const Op op = operation(i, model);
    const std::size_t target = model.empty() ? 0 : static_cast<std::size_t>(i * 7) % model.size();
    switch (op) {
        case Op::Append:
            model.push_back({"R" + std::to_string(i), memoFor(i), false});
            if (table) table->append({Value::string(model.back().name), Value::string(model.back().memo)});
            break;
        case Op::Update:
            model[target].name = "U" + std::to_string(i);
            model[target].memo = memoFor(i);
            if (table)
                table->update(target + 1, {Value::string(model[target].name), Value::string(model[target].memo)});
            break;
        case Op::Remove:
            model[target].deleted = true;
            if (table) table->remove(target + 1);
            break;
        case Op::Pack:
            std::erase_if(model, [](const Row& r) { return r.deleted; });
            if (table) table->pack();
            break;
    }
}

bool matches(StorageTable& table, const Model& model) {
    if (table.slotCount() != model.size()) return false;
    Record r;
    for (std::size_t slot = 0; slot < model.size(); ++slot) {
        const bool live = table.readSlot(slot, r);
        if (live == model[slot].deleted) return false;
        table.readRecord(slot + 1, r);
        if (r[0].toText() != model[slot].name || r[1].toText() != model[slot].memo) return false;
    }
    // The index holds every record, deleted ones too, in name order.
    std::vector<std::pair<std::string, RecordId>> expected;
    for (std::size_t slot = 0; slot < model.size(); ++slot) expected.emplace_back(model[slot].name, slot + 1);
    std::sort(expected.begin(), expected.end());
    auto cursor = table.openIndex("BYNAME");
    std::vector<RecordId> live;
    for (bool more = cursor->first(); more; more = cursor->next()) live.push_back(cursor->recordId());
    std::vector<RecordId> wanted;
    for (const auto& e : expected)
        if (!model[e.second - 1].deleted) wanted.push_back(e.second);
    return live == wanted;
}

// Runs the whole sequence in a child process; returns it (to be killed or waited for).
// Starts a child that applies every operation, writing one byte to `progress` after each, so
// the parent can kill it inside a chosen operation however loaded the machine is.
pid_t startWriter(const std::filesystem::path& table, int progress = -1) {
    const pid_t child = fork();
    if (child == 0) {
        auto open = openTable(table, {AccessMode::ReadWrite});
        Model model;
        for (int i = 0; i < kOperations; ++i) {
            apply(i, model, open.get());
            if (progress >= 0 && write(progress, "x", 1) != 1) _exit(1);
        }
        _exit(0);
    }
    return child;
}

// How long the whole sequence takes here, so that kills spread over all of it.
std::chrono::microseconds sequenceDuration() {
    TempFolder dir;
    createCrashTable(dir / "crash.dbf");
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    waitpid(startWriter(dir / "crash.dbf"), &status, 0);
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
}

TEST(DbaseCrash, AKilledWriterLeavesTheTableBeforeOrAfterEachChange) {
    const int runs = tabulon::testing::longTests() ? 200 : 12;
    std::mt19937 random(20240607);
    std::vector<Model> states(1);
    for (int i = 0; i < kOperations; ++i) {
        states.push_back(states.back());
        apply(i, states.back(), nullptr);
    }
    // Kill at a random instant inside a randomly chosen operation: wait for the operations before
    // it to finish, then up to about one operation's time more.
    const auto perOperation =
        static_cast<useconds_t>(std::max<std::int64_t>(100, sequenceDuration().count() / kOperations));
    int interrupted = 0;
    for (int run = 0; run < runs; ++run) {
        TempFolder dir;
        createCrashTable(dir / "crash.dbf");
        int progress[2];
        ASSERT_EQ(pipe(progress), 0);
        const pid_t child = startWriter(dir / "crash.dbf", progress[1]);
        ASSERT_GE(child, 0);
        close(progress[1]);
        const int before = std::uniform_int_distribution<int>(0, kOperations - 2)(random);
        char byte = 0;
        for (int done = 0; done < before && read(progress[0], &byte, 1) == 1;) ++done;
        usleep(std::uniform_int_distribution<useconds_t>(0, perOperation)(random));
        kill(child, SIGKILL);
        close(progress[0]);
        int status = 0;
        waitpid(child, &status, 0);
        if (WIFSIGNALED(status)) ++interrupted;

        auto table = openTable(dir / "crash.dbf", {.tolerant = false});
        EXPECT_TRUE(table->problems().empty()) << "run " << run << ": " << table->problems().front().message;
        bool found = false;
        for (const Model& state : states)
            if (matches(*table, state)) found = true;
        EXPECT_TRUE(found) << "run " << run << ": the table matches no state between two operations";
        EXPECT_TRUE(table->problems().empty()) << "run " << run << ": " << table->problems().front().message;
    }
    // Most runs must really be cut short, or the test proves nothing.
    EXPECT_GE(interrupted, runs / 2);
    RecordProperty("interrupted", interrupted);
}

}  // namespace
