// The Paradox driver's figures on a generated 1,000,000-record keyed table with ten fields, a
// memo field and one secondary index: open and the first 50 records in key order, a full scan,
// seeks by primary and secondary key, 100,000 inserts in random key order, and a commit of
// 10,000 edits to the 1,000,000-record table.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "io/Transaction.h"
#include "storage/Drivers.h"

using namespace tabulon;

namespace {
constexpr int kRecords = 1'000'000;

std::vector<FieldDef> benchFields() {
    return {{"Id", ftInteger, 0, 0, false, ""},   {"Code", ftString, 8, 0, false, ""},
            {"Name", ftString, 30, 0, false, ""}, {"City", ftString, 20, 0, false, ""},
            {"Amount", ftFloat, 0, 0, false, ""}, {"Price", ftCurrency, 0, 0, false, ""},
            {"Qty", ftSmallint, 0, 0, false, ""}, {"Day", ftDate, 0, 0, false, ""},
            {"Flag", ftBoolean, 0, 0, false, ""}, {"Note", ftMemo, 10, 0, false, ""}};
}

std::vector<IndexDef> benchIndexes() {
    IndexDef primary;
    primary.fields = "Id";
    primary.options = ixPrimary | ixUnique;
    IndexDef byName;
    byName.name = "ByName";
    byName.fields = "Name";
    byName.options = ixCaseInsensitive;
    return {primary, byName};
}

std::string nameOf(int key) { return "Name " + std::to_string((key * 7919) % 1'000'003); }

Record recordOf(int key) {
    return {Value::integer(key),          Value::string("C" + std::to_string(key % 100000)),
            Value::string(nameOf(key)),   Value::string(key % 2 ? "Springfield" : "Shelbyville"),
            Value::floating(key * 0.25),  Value::currency(key % 1000 + 0.5),
            Value::integer(key % 30000),  Value::date(Date{key % 20000}),
            Value::boolean(key % 3 == 0), key % 10 ? Value::string("short") : Value::string(std::string(100, 'n'))};
}

// Built once per process in a temporary folder.
const std::filesystem::path& benchTable() {
    static const std::filesystem::path path = [] {
        const auto folder = std::filesystem::temp_directory_path() / "tabulon-paradox-bench";
        const auto table = folder / "BIG.DB";
        if (std::filesystem::exists(table) && openTable(table)->recordCount() == kRecords) return table;
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        auto created = driverForPath(table).create(table, benchFields(), benchIndexes(), {});
        Transaction transaction(table.string() + Transaction::kJournalExtension);
        created->setTransaction(&transaction);
        for (int key = 1; key <= kRecords; ++key) created->append(recordOf(key * 2));
        transaction.commit();
        return table;
    }();
    return path;
}

void OpenAndFirst50InKeyOrder(benchmark::State& state) {
    const auto& path = benchTable();
    Record record;
    for (auto _ : state) {
        const auto table = openTable(path);
        auto cursor = table->openIndex("");
        int read = 0;
        for (bool more = cursor->first(); more && read < 50; more = cursor->next(), ++read)
            table->readRecord(cursor->recordId(), record);
        benchmark::DoNotOptimize(record);
    }
}
BENCHMARK(OpenAndFirst50InKeyOrder)->Unit(benchmark::kMillisecond);

void FullScan(benchmark::State& state) {
    const auto table = openTable(benchTable());
    Record record;
    for (auto _ : state) {
        for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot) table->readSlot(slot, record);
        benchmark::DoNotOptimize(record);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords);
}
BENCHMARK(FullScan)->Unit(benchmark::kMillisecond);

void SeekByPrimaryKey(benchmark::State& state) {
    const auto table = openTable(benchTable());
    auto cursor = table->openIndex("");
    std::mt19937 random(1);
    std::uniform_int_distribution<int> keys(1, kRecords);
    for (auto _ : state) benchmark::DoNotOptimize(cursor->seek({Value::integer(keys(random) * 2)}, false));
}
BENCHMARK(SeekByPrimaryKey)->Unit(benchmark::kMicrosecond);

void SeekBySecondaryKey(benchmark::State& state) {
    const auto table = openTable(benchTable());
    auto cursor = table->openIndex("ByName");
    std::mt19937 random(2);
    std::uniform_int_distribution<int> keys(1, kRecords);
    for (auto _ : state) {
        cursor->seek({Value::string(nameOf(keys(random) * 2))}, false);
        benchmark::DoNotOptimize(cursor->recordId());
    }
}
BENCHMARK(SeekBySecondaryKey)->Unit(benchmark::kMicrosecond);

void InsertsInRandomKeyOrder(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() / "tabulon-paradox-bench-inserts";
    std::vector<int> keys(100'000);
    for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = static_cast<int>(i);
    std::shuffle(keys.begin(), keys.end(), std::mt19937(3));
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        auto table = driverForPath(folder / "INS.DB").create(folder / "INS.DB", benchFields(), benchIndexes(), {});
        state.ResumeTiming();
        Transaction transaction((folder / "INS.DB").string() + Transaction::kJournalExtension);
        table->setTransaction(&transaction);
        for (int key : keys) table->append(recordOf(key));
        transaction.commit();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 100'000);
}
BENCHMARK(InsertsInRandomKeyOrder)->Unit(benchmark::kMillisecond)->Iterations(1);

// Edits held in memory (as cached updates hold them) and applied in one transaction: the name
// (the secondary index's field) and the amount of 10,000 records spread over the table.
void CommitOf10000Edits(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() / "tabulon-paradox-bench-edits";
    std::mt19937 random(4);
    std::uniform_int_distribution<int> keys(1, kRecords);
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        for (const auto& entry : std::filesystem::directory_iterator(benchTable().parent_path()))
            if (entry.path().stem() == "BIG")
                std::filesystem::copy_file(entry.path(), folder / entry.path().filename());
        OpenOptions options;
        options.access = AccessMode::ReadWrite;
        auto table = openTable(folder / "BIG.DB", options);
        std::vector<std::pair<RecordId, Record>> edits;
        auto cursor = table->openIndex("");
        for (int i = 0; i < 10'000; ++i) {
            const int key = keys(random) * 2;
            if (!cursor->seek({Value::integer(key)}, false)) continue;
            Record record = recordOf(key);
            record[2] = Value::string("Edited " + std::to_string(i));
            record[4] = Value::floating(i);
            edits.emplace_back(cursor->recordId(), std::move(record));
        }
        state.ResumeTiming();
        Transaction transaction((folder / "BIG.DB").string() + Transaction::kJournalExtension);
        table->setTransaction(&transaction);
        for (const auto& [id, record] : edits) table->update(id, record);
        transaction.commit();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 10'000);
}
BENCHMARK(CommitOf10000Edits)->Unit(benchmark::kMillisecond)->Iterations(3);
}  // namespace
