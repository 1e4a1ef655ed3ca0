// The dBase driver on a generated table of 1,000,000 records (10 fields, 127-byte records, one
// MDX tag on NAME): opening and reading the first records, a full scan decoding every field,
// the memory a scan costs, seeks through the tag, and building the tag.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>

#include "io/Transaction.h"
#include "storage/Drivers.h"
#include "storage/dbase/DbaseTable.h"
#include "storage/dbase/MdxWriter.h"

using namespace tabulon;

namespace {
constexpr std::uint32_t kRecords = 1'000'000;

std::vector<FieldDef> benchFields() {
    return {{"ID", ftInteger, 9, 0, false, "N"},      {"NAME", ftString, 30, 0, false, "C"},
            {"CITY", ftString, 20, 0, false, "C"},    {"AMOUNT", ftFloat, 12, 2, false, "N"},
            {"BORN", ftDate, 0, 0, false, "D"},       {"ACTIVE", ftBoolean, 0, 0, false, "L"},
            {"CODE", ftString, 10, 0, false, "C"},    {"QTY", ftInteger, 6, 0, false, "N"},
            {"RATE", ftFloat, 10, 4, false, "N"},     {"NOTE", ftString, 20, 0, false, "C"}};
}

// Made once per run through the engine, in one transaction (the tag is built at its commit).
const std::filesystem::path& benchTable() {
    static const std::filesystem::path path = [] {
        const auto folder = std::filesystem::temp_directory_path() / "tabulon-dbase-bench";
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        const auto file = folder / "big.dbf";
        const IndexDef byName{"NAME", "NAME", "", "", 0, "", true, ""};
        auto table = driverFor(ttDBase).create(file, benchFields(), {byName}, {});
        Transaction transaction(file.string() + Transaction::kJournalExtension);
        table->setTransaction(&transaction);
        for (std::uint32_t i = 0; i < kRecords; ++i)
            table->append({Value::integer(i + 1), Value::string("Name " + std::to_string(i * 7919 % kRecords)),
                           Value::string(i % 3 ? "Lisboa" : "Porto"), Value::floating(i * 1.25),
                           Value::date(Date::fromCivil(1950 + static_cast<int>(i % 60), 1 + static_cast<int>(i % 12),
                                                       1 + static_cast<int>(i % 28))),
                           Value::boolean(i % 2), Value::string("CODE"), Value::integer(i % 1000),
                           Value::floating(i / 1000.0), Value::string("note")});
        transaction.commit();
        return file;
    }();
    return path;
}

long maxResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
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
    state.counters["ms"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                              benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
                                              benchmark::Counter::kIs1000);
}
BENCHMARK(OpenAndReadFirst50)->Unit(benchmark::kMillisecond);

static void FullScanDecodingEveryField(benchmark::State& state) {
    const auto& path = benchTable();
    auto table = openTable(path);
    Record record;
    const long before = maxResidentKilobytes();
    for (auto _ : state) {
        for (std::uint64_t slot = 0; slot < table->slotCount(); ++slot) table->readSlot(slot, record);
        benchmark::DoNotOptimize(record);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords);
    state.counters["growth_bytes_per_record"] =
        static_cast<double>(maxResidentKilobytes() - before) * 1024.0 / kRecords;
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

static void OpenTagOfAMillionKeys(benchmark::State& state) {
    auto table = openTable(benchTable());
    for (auto _ : state) benchmark::DoNotOptimize(table->openIndex("NAME"));
}
BENCHMARK(OpenTagOfAMillionKeys)->Unit(benchmark::kMillisecond);

static void BuildTagOverAMillionKeys(benchmark::State& state) {
    const dbase::MdxTagSpec tag{"NAME", "NAME", 'C', 30, false, false, true};
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
