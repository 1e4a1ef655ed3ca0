// The data grid's model on the generated dBase table of 1,000,000 records: opening the table
// through the browser and reading the first screen of cells, and jumping to the last screen,
// in record order and in the order of an index tag. Targets: each within 100 ms.
#include <benchmark/benchmark.h>

#include <QAbstractItemModel>
#include <filesystem>

#include "DatasetTableBrowser.h"
#include "MillionRecordDbase.h"
#include "RecordGridModel.h"
#include "dataset/Session.h"
#include "dataset/Table.h"

using namespace tabulon;

namespace {
constexpr int kScreenRows = 40;

const std::filesystem::path& benchFolder() {
    static const std::filesystem::path folder = writeMillionRecordDbase("tabulon-grid-bench").parent_path();
    return folder;
}

// Asks for every cell of `rows` rows from `firstRow`, as a view painting them does.
void readScreen(QAbstractItemModel& model, int firstRow) {
    for (int row = firstRow; row < firstRow + kScreenRows; ++row)
        for (int column = 0; column < model.columnCount(); ++column)
            benchmark::DoNotOptimize(model.data(model.index(row, column)));
}

void reportMilliseconds(benchmark::State& state) {
    state.counters["ms"] =
        benchmark::Counter(static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

// Each round starts on the first screen with nothing else read, then jumps to the last.
void jumpFromFirstToLast(benchmark::State& state, TRecordGridModel& model) {
    for (auto _ : state) {
        state.PauseTiming();
        model.reload();
        readScreen(model, 0);
        state.ResumeTiming();
        readScreen(model, model.rowCount() - kScreenRows);
    }
    reportMilliseconds(state);
}

// A browser connected to the bench folder with the big table open, cached updates on.
struct OpenBrowser {
    Session session{"GridBench"};
    TDatasetTableBrowser browser{session};
    OpenBrowser() {
        browser.connectTo(QString::fromStdString(benchFolder().string()));
        if (!browser.open(QStringLiteral("big.dbf"), true)) throw std::runtime_error("big.dbf did not open");
    }
};
}  // namespace

static void OpenAndPaintFirstScreen(benchmark::State& state) {
    benchFolder();
    Session session("GridBenchOpen");
    TDatasetTableBrowser browser(session);
    browser.connectTo(QString::fromStdString(benchFolder().string()));
    for (auto _ : state) {
        browser.open(QStringLiteral("big.dbf"), true);
        readScreen(*browser.model(), 0);
    }
    reportMilliseconds(state);
}
BENCHMARK(OpenAndPaintFirstScreen)->Unit(benchmark::kMillisecond);

static void JumpToLastScreen(benchmark::State& state) {
    OpenBrowser open;
    jumpFromFirstToLast(state, static_cast<TRecordGridModel&>(*open.browser.model()));
}
BENCHMARK(JumpToLastScreen)->Unit(benchmark::kMillisecond);

static void JumpToLastScreenInTagOrder(benchmark::State& state) {
    OpenBrowser open;
    open.browser.datasetTable()->setIndexName("NAME");
    open.browser.refresh();
    jumpFromFirstToLast(state, static_cast<TRecordGridModel&>(*open.browser.model()));
}
BENCHMARK(JumpToLastScreenInTagOrder)->Unit(benchmark::kMillisecond);
