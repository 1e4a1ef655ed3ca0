// Result windows over the generated dBase table of 1,000,000 records: from Execute to the first
// screen of SELECT *, the longest stall of the interface thread while a GROUP BY runs, and how
// soon Stop ends a running statement. Targets: 150 ms, 50 ms, 100 ms.
#include <benchmark/benchmark.h>

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <chrono>

#include "DBGrid.h"
#include "FormQuery.h"
#include "MillionRecordDbase.h"

using namespace tabulon;

namespace {
constexpr int kScreenRows = 40;
const QString kGroupBy = QStringLiteral("SELECT CITY, COUNT(*), SUM(AMOUNT) FROM big GROUP BY CITY");

const QString& benchFolder() {
    static const QString folder =
        QString::fromStdString(writeMillionRecordDbase("tabulon-result-bench").parent_path().string());
    return folder;
}

// Runs the event loop until `done` holds.
template <typename Condition>
void spinUntil(Condition done) {
    while (!done()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void FirstScreenOfSelectAll(benchmark::State& state) {
    benchFolder();
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        TFormQuery* window = RunQueryInBackground(QStringLiteral("Q"), benchFolder(), "SELECT * FROM big", false);
        spinUntil([&] { return window->DBGrid1->model() != nullptr || !window->running(); });
        QAbstractItemModel* model = window->DBGrid1->model();
        if (model == nullptr) {
            state.SkipWithError(qPrintable(window->MemoMessage->toPlainText()));
            break;
        }
        for (int row = 0; row < kScreenRows; ++row)
            for (int column = 0; column < model->columnCount(); ++column)
                benchmark::DoNotOptimize(model->data(model->index(row, column)));
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        delete window;
    }
}

void LongestStallWhileGroupByRuns(benchmark::State& state) {
    benchFolder();
    qint64 longest = 0;
    for (auto _ : state) {
        TFormQuery* window = RunQueryInBackground(QStringLiteral("Q"), benchFolder(), kGroupBy, false);
        QElapsedTimer sinceTick;
        sinceTick.start();
        QTimer ticker;
        ticker.setInterval(5);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longest = std::max(longest, sinceTick.restart());
            window->repaint();
        });
        ticker.start();
        spinUntil([&] { return !window->running(); });
        delete window;
    }
    state.counters["longest_stall_ms"] = static_cast<double>(longest);
}

void StopTakesEffect(benchmark::State& state) {
    benchFolder();
    for (auto _ : state) {
        TFormQuery* window = RunQueryInBackground(QStringLiteral("Q"), benchFolder(), kGroupBy, false);
        QElapsedTimer warm;
        warm.start();
        spinUntil([&] { return warm.elapsed() > 100; });
        QElapsedTimer timer;
        timer.start();
        window->BtnStop->click();
        spinUntil([&] { return !window->running(); });
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        delete window;
    }
}

}  // namespace

BENCHMARK(FirstScreenOfSelectAll)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(LongestStallWhileGroupByRuns)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(StopTakesEffect)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
