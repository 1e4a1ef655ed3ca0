// A writer killed at any instant leaves the family as it was before or after a commit: block
// splits, blob writes and index rebuilds included.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <random>

#include "ParadoxFamilyCheck.h"
#include "ParadoxFixtures.h"
#include "core/EngineError.h"
#include "io/Transaction.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {
constexpr int kRanges = 40;  // one record per range and batch: inserts land all along the chain
constexpr int kRangeWidth = 100000;

[[noreturn]] void writeForever(const std::filesystem::path& path) {
    auto table = openTable(path, {AccessMode::ReadWrite});
    for (int batch = static_cast<int>(table->recordCount() / kRanges) + 1;; ++batch) {
        Transaction transaction(path.string() + Transaction::kJournalExtension);
        table->setTransaction(&transaction);
        for (int range = 0; range < kRanges; ++range) {
            const std::string note(static_cast<std::size_t>((batch * 37 + range * 11) % 3000), 'a' + batch % 26);
            table->append({Value::integer(range * kRangeWidth + batch), Value::string("batch " + std::to_string(batch)),
                           note.empty() ? Value() : Value::string(note)});
        }
        transaction.commit();
        table->setTransaction(nullptr);
    }
}
}  // namespace

TEST(ParadoxCrash, KilledWritersLeaveWholeBatches) {
    TempFolder folder;
    const auto path = folder / "CRASH.DB";
    IndexDef primary{.fields = "Id", .options = ixPrimary | ixUnique};
    IndexDef byName{.name = "ByName", .fields = "Name", .options = ixCaseInsensitive};
    driverForPath(path)
        .create(path,
                {{"Id", ftInteger, 0, 0, false, ""},
                 {"Name", ftString, 16, 0, false, ""},
                 {"Note", ftMemo, 20, 0, false, ""}},
                {primary, byName}, {})
        .reset();
    const int runs = longTests() ? 200 : 12;
    std::mt19937 random(4242);
    std::size_t batchesAtTheEnd = 0;
    for (int run = 0; run < runs; ++run) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                writeForever(path);
            } catch (...) {
                _exit(3);
            }
        }
        // Mostly short lives (kills inside the first commits), every third one long enough for
        // several commits even in a slow sanitizer build.
        const bool longLife = run % 3 == 2;
        usleep(std::uniform_int_distribution<int>(longLife ? 300000 : 5000, longLife ? 1500000 : 120000)(random));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself in run " << run;

        Transaction::recoverFolder(folder.path());
        expectConsistentFamily(path);
        if (HasFatalFailure()) return;
        const auto table = openTable(path);
        std::map<int, int> perBatch;
        Record r;
        for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot) {
            table->readSlot(slot, r);
            const int batch = static_cast<int>(r[0].asInt() % kRangeWidth);
            ++perBatch[batch];
            ASSERT_EQ(r[1].asString(), "batch " + std::to_string(batch));
        }
        int expected = 1;
        for (const auto& [batch, count] : perBatch) {
            ASSERT_EQ(batch, expected++) << "run " << run;
            ASSERT_EQ(count, kRanges) << "run " << run << ": batch " << batch << " is torn";
        }
        batchesAtTheEnd = perBatch.size();
    }
    EXPECT_GT(batchesAtTheEnd, 0u) << "no writer ever committed: the test proved nothing";
}
