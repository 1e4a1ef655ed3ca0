// The dBase driver on a generated table of 1,000,000 records (10 fields, 127-byte records, one
// MDX tag on NAME): opening and reading the first records, a full scan decoding every field,
// the memory a scan costs, seeks through the tag, and building the tag.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

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

// Made once per run with the engine's header and records written in bulk.
const std::filesystem::path& benchTable() {
    static const std::filesystem::path path = [] {
        const auto folder = std::filesystem::temp_directory_path() / "tabulon-dbase-bench";
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        const auto file = folder / "big.dbf";
        const IndexDef byName{"NAME", "NAME", "", "", 0, "", true, ""};
        driverFor(ttDBase).create(file, benchFields(), {byName}, {});
        std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
        out.seekp(0, std::ios::end);
        const std::streamoff dataStart = static_cast<std::streamoff>(out.tellp()) - 1;  // over the EOF marker
        out.seekp(dataStart);
        char record[128];
        std::string chunk;
        for (std::uint32_t i = 0; i < kRecords; ++i) {
            std::snprintf(record, sizeof record, " %9u%-30s%-20s%12.2f%04u%02u%02u%c%-10s%6u%10.4f%-20s", i + 1,
                          ("Name " + std::to_string(i * 7919 % kRecords)).c_str(), i % 3 ? "Lisboa" : "Porto",
                          i * 1.25, 1950 + i % 60, 1 + i % 12, 1 + i % 28, i % 2 ? 'T' : 'F', "CODE", i % 1000,
                          i / 1000.0, "note");
            chunk.append(record, 127);
            if (chunk.size() > (1 << 20)) {
                out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
                chunk.clear();
            }
        }
        chunk += '\x1A';
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const unsigned char count[4] = {kRecords & 0xFF, (kRecords >> 8) & 0xFF, (kRecords >> 16) & 0xFF, kRecords >> 24};
        out.seekp(4);
        out.write(reinterpret_cast<const char*>(count), 4);
        out.close();
        OpenOptions writable;
        writable.access = AccessMode::ReadWrite;
        auto table = openTable(file, writable);
        dynamic_cast<dbase::DbaseTable&>(*table).reindex();
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
