// The dBase driver on a generated table of 1,000,000 records (10 fields, 127-byte records, one
// MDX tag on NAME): opening and reading the first records, a full scan decoding every field,
// the memory a scan costs, seeks through the tag, building the tag, and 10,000 edits whose
// keys move in the tag.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <filesystem>

#include "MillionRecordDbase.h"
#include "io/Transaction.h"
#include "storage/Drivers.h"
#include "storage/dbase/DbaseTable.h"
#include "storage/dbase/MdxWriter.h"

using namespace tabulon;

namespace {
// The benchmark tables live in a folder of their own, so benchmarks can run side by side.
const std::filesystem::path& benchTable() {
    static const std::filesystem::path path = writeMillionRecordDbase("tabulon-dbase-bench");
    return path;
}

// Heap bytes in use (what the process holds live, whatever the allocator keeps resident).
double heapBytesInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}
}  // namespace

static void OpenAndReadFirst50(benchmark::State& state) {
    const auto& path = benchTable();
    Record record;
    for (auto _ : state) {
        auto table = openTable(path);
        for (std::uint64_t slot = 0; slot < 50; ++slot) table->readSlot(slot, record);
        benchmark::DoNotOptimize(record);
    }
    state.counters["ms"] =
        benchmark::Counter(static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(OpenAndReadFirst50)->Unit(benchmark::kMillisecond);

// What the code page guess costs an open at worst: 200,000 records of blank text and empty memos,
// where no look at text ever fills the sample.
static void OpenTableOfBlankText(benchmark::State& state) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "tabulon-blank-text-bench" / "BLANK.DBF";
    if (!std::filesystem::exists(path)) {
        std::filesystem::create_directories(path.parent_path());
        auto table = driverFor(ttDBase).create(
            path, {{"NAME", ftString, 40, 0, false, ""}, {"NOTE", ftMemo, 10, 0, false, ""}}, {}, {});
        Transaction transaction(path.string() + Transaction::kJournalExtension);
        table->setTransaction(&transaction);
        for (int i = 0; i < 200000; ++i) table->append({Value::string(""), Value()});
        transaction.commit();
    }
    for (auto _ : state) benchmark::DoNotOptimize(openTable(path));
}
BENCHMARK(OpenTableOfBlankText)->Unit(benchmark::kMillisecond);

static void FullScanDecodingEveryField(benchmark::State& state) {
    const auto& path = benchTable();
    auto table = openTable(path);
    Record record;
    const double before = heapBytesInUse();
    for (auto _ : state) {
        for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot) table->readSlot(slot, record);
        benchmark::DoNotOptimize(record);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords);
    state.counters["growth_bytes_per_record"] = (heapBytesInUse() - before) / kRecords;
}
BENCHMARK(FullScanDecodingEveryField)->Unit(benchmark::kMillisecond);

static void SeekByTag(benchmark::State& state) {
    auto table = openTable(benchTable());
    auto cursor = table->openIndex("NAME");
    std::uint32_t i = 0;
    for (auto _ : state) {
        const std::string key = "Name " + std::to_string((i++ * 104729) % kRecords);
        benchmark::DoNotOptimize(cursor->seek({Value::string(key)}, false));
        benchmark::DoNotOptimize(cursor->recordId());
    }
}
BENCHMARK(SeekByTag)->Unit(benchmark::kMicrosecond);

// Opening the tag and reading its first 50 entries: the cursor walks pages, so neither the
// time nor the memory grows with the table.
static void OpenTagOfAMillionKeys(benchmark::State& state) {
    auto table = openTable(benchTable());
    const double before = heapBytesInUse();
    std::unique_ptr<KeyCursor> cursor;
    for (auto _ : state) {
        cursor.reset();
        cursor = table->openIndex("NAME");
        bool more = cursor->first();
        for (int i = 1; i < 50 && more; ++i) more = cursor->next();
        benchmark::DoNotOptimize(cursor->recordId());
    }
    state.counters["growth_bytes_per_record"] = (heapBytesInUse() - before) / kRecords;
}
BENCHMARK(OpenTagOfAMillionKeys)->Unit(benchmark::kMillisecond);

// Browsing the whole tag from its first key to its last, and the memory that takes.
static void WalkTagOfAMillionKeys(benchmark::State& state) {
    auto table = openTable(benchTable());
    auto cursor = table->openIndex("NAME");
    double growth = 0;
    for (auto _ : state) {
        const double before = heapBytesInUse();
        std::uint64_t count = 0;
        for (bool more = cursor->first(); more; more = cursor->next()) ++count;
        growth = heapBytesInUse() - before;
        if (count != kRecords) state.SkipWithError("the walk missed entries");
    }
    state.counters["growth_bytes_per_record"] = growth / kRecords;
}
BENCHMARK(WalkTagOfAMillionKeys)->Unit(benchmark::kMillisecond)->Iterations(2);

static void BuildTagOverAMillionKeys(benchmark::State& state) {
    const dbase::MdxTagSpec tag{"NAME", "NAME", 'C', 30, false, false, true, ""};
    std::vector<dbase::MdxKey> keys(kRecords);
    for (std::uint32_t i = 0; i < kRecords; ++i) {
        keys[i].bytes = "Name " + std::to_string(i * 7919 % kRecords);
        keys[i].bytes.resize(30, ' ');
        keys[i].record = i + 1;
    }
    for (auto _ : state) benchmark::DoNotOptimize(dbase::buildMdx("BIG", {tag}, {keys}));
}
BENCHMARK(BuildTagOverAMillionKeys)->Unit(benchmark::kMillisecond);

static void ReindexTableOfAMillionRecords(benchmark::State& state) {
    OpenOptions writable;
    writable.access = AccessMode::ReadWrite;
    auto table = openTable(benchTable(), writable);
    for (auto _ : state) dynamic_cast<dbase::DbaseTable&>(*table).reindex();
}
BENCHMARK(ReindexTableOfAMillionRecords)->Unit(benchmark::kMillisecond)->Iterations(2);

// 10,000 updates of the tagged field in one transaction, as cached edits are applied, on a copy
// of the table (made outside the timing).
static void TenThousandEditsKeepTheTag(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() / "tabulon-dbase-bench-edits";
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        for (const char* name : {"big.dbf", "big.MDX"})
            std::filesystem::copy_file(benchTable().parent_path() / name, folder / name);
        OpenOptions writable;
        writable.access = AccessMode::ReadWrite;
        auto table = openTable(folder / "big.dbf", writable);
        Record record;
        table->readRecord(1, record);
        state.ResumeTiming();
        Transaction transaction((folder / "big.dbf").string() + Transaction::kJournalExtension);
        table->setTransaction(&transaction);
        for (std::uint32_t i = 0; i < 10'000; ++i) {
            const RecordId id = 1 + (i * 104729ULL) % kRecords;
            table->readRecord(id, record);
            record[1] = Value::string("Edited " + std::to_string(i));
            table->update(id, record);
        }
        transaction.commit();
        table->setTransaction(nullptr);
    }
}
BENCHMARK(TenThousandEditsKeepTheTag)->Unit(benchmark::kMillisecond)->Iterations(2);
