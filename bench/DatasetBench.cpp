// The dataset layer over a 1,000,000-record text table: filtering, counting the filtered view,
// and the memory an open, filtered table takes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"

using namespace tabulon;

namespace {
constexpr int kRecords = 1'000'000;
constexpr const char* kFilter = "AMOUNT > 500 AND CITY = 'Rome'";

// The generated table's folder, removed when the program ends.
struct BenchFolder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("tabulon-bench-" + std::to_string(::getpid()));
    BenchFolder() {
        std::filesystem::create_directories(path);
        std::ofstream out(path / "BIG.TXT");
        const char* cities[] = {"Rome", "Paris", "Oslo", "Milan", "Bern"};
        out << "ID,NAME,CITY,AMOUNT\n";
        for (std::int64_t i = 0; i < kRecords; ++i)
            out << i << ",Name" << (i * 7919 % kRecords) << "," << cities[i % 5] << "," << (i * 37 % 1000) << "."
                << (i % 100) << "\n";
    }
    ~BenchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

const std::filesystem::path& folder() {
    static const BenchFolder bench;
    return bench.path;
}

long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// A session, a connection and the big table, opened and filtered.
struct OpenBigTable {
    Session session{"Bench"};
    Connection& connection = session.addConnection("Folder");
    std::unique_ptr<Table> table;
    OpenBigTable() {
        connection.setParams({"PATH=" + folder().string(), "DEFAULT DRIVER=PARADOX", "ENABLE BCD=FALSE"});
        connection.connect();
        table = std::make_unique<Table>(connection);
        table->setTableName("big.txt");
        table->setFilter(kFilter);
        table->setFiltered(true);
        table->open();
    }
};
}  // namespace

static void FilterWholeTable(benchmark::State& state) {
    OpenBigTable big;
    std::int64_t shown = 0;
    for (auto _ : state) {
        shown = 0;
        for (big.table->first(); !big.table->eof(); big.table->next()) ++shown;
    }
    state.counters["records_shown"] = static_cast<double>(shown);
}
BENCHMARK(FilterWholeTable)->Unit(benchmark::kMillisecond)->Iterations(3);

static void FilteredRecordCount(benchmark::State& state) {
    OpenBigTable big;
    std::uint64_t count = 0;
    for (auto _ : state) count = big.table->recordCount();
    state.counters["record_count"] = static_cast<double>(count);
}
BENCHMARK(FilteredRecordCount)->Unit(benchmark::kMillisecond)->Iterations(3);

static void OpenFilteredTableMemory(benchmark::State& state) {
    folder();
    const long before = residentKiB();
    long above = 0;
    for (auto _ : state) {
        OpenBigTable big;
        big.table->last();
        above = residentKiB() - before;
    }
    state.counters["rss_above_baseline_MiB"] = static_cast<double>(above) / 1024.0;
}
BENCHMARK(OpenFilteredTableMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
