// Applying 10,000 cached edits to a 1,000,000-record on-disk table in one transaction, through
// the dataset layer (the test record format of tests/support stands in for a real driver).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "io/Transaction.h"
#include "support/FileRecordDriver.h"

using namespace tabulon;

namespace {
constexpr int kRecords = 1'000'000;
constexpr int kEdits = 10'000;

const testing::FileRecordDriver& driver() {
    static const testing::FileRecordDriver instance;
    return instance;
}

struct BigRecordTable {
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tabulon-bench-cache-" + std::to_string(::getpid()));
    BigRecordTable() {
        std::filesystem::create_directories(folder);
        auto table = driver().create(folder / "BIG.REC",
                                     {{"ID", ftInteger, 0, 0, false, ""}, {"N", ftInteger, 0, 0, false, ""}}, {}, {});
        Transaction transaction(folder / ("BIG.REC" + std::string(Transaction::kJournalExtension)));
        table->setTransaction(&transaction);
        for (int i = 0; i < kRecords; ++i) table->append({Value::integer(i), Value::integer(0)});
        transaction.commit();
    }
    ~BigRecordTable() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};
}  // namespace

static void ApplyTenThousandCachedEdits(benchmark::State& state) {
    static const BigRecordTable big;
    Session session("Bench");
    Connection& connection = session.addConnection("Folder");
    connection.setParams({"PATH=" + big.folder.string(), "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"});
    connection.connect();
    Table table(connection);
    table.setTableName("BIG.REC");
    table.setDriver(&driver());
    table.setCachedUpdates(true);
    table.open();
    std::int64_t round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        table.first();
        for (int i = 0; i < kEdits; ++i) {
            table.edit();
            table.fieldByName("F1").setValue(Value::integer(round));
            table.post();
            for (int skip = 0; skip < kRecords / kEdits; ++skip) table.next();
        }
        state.ResumeTiming();
        table.applyUpdates();
        table.commitUpdates();
    }
    state.counters["edits"] = kEdits;
}
BENCHMARK(ApplyTenThousandCachedEdits)->Unit(benchmark::kMillisecond)->Iterations(2);
