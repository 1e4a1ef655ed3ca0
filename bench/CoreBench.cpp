// Costs of the value layer that every record read pays.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "core/CodePageGuess.h"
#include "core/CsvText.h"
#include "core/Decimal.h"
#include "core/TextCodec.h"
#include "core/Value.h"
#include "io/PagedFile.h"

using namespace tabulon;

static void DecimalParseAndFormat(benchmark::State& state) {
    for (auto _ : state) {
        const Decimal d = Decimal::parse("-12345678901234.567890");
        benchmark::DoNotOptimize(d.toString());
    }
}
BENCHMARK(DecimalParseAndFormat);

// The most an open pays for the code page guess: a full sample of Cyrillic text.
static void CodePageGuessFullSample(benchmark::State& state) {
    const auto value = TextCodec("CP1251").encode("Инвентарный номер и наименование основного средства");
    TextSample sample;
    while (!sample.full()) sample.add(*value);
    for (auto _ : state) benchmark::DoNotOptimize(chooseCodePage({}, "CP437", sample));
}
BENCHMARK(CodePageGuessFullSample)->Unit(benchmark::kMillisecond);

static void DateText(benchmark::State& state) {
    std::int32_t day = 0;
    for (auto _ : state) benchmark::DoNotOptimize(Date{day++ % 100000}.toText());
}
BENCHMARK(DateText);

// One CSV line of the million-record benchmark table's kinds, as an export writes it.
static void CsvRecordText(benchmark::State& state) {
    const Record record = {Value::integer(123457),
                           Value::string("Name 864197"),
                           Value::string("Lisboa"),
                           Value::floating(154321.25),
                           Value::date(Date::fromCivil(1987, 6, 15)),
                           Value::boolean(true),
                           Value::string("CODE"),
                           Value::integer(457),
                           Value::floating(123.457),
                           Value::string("note")};
    std::string line;
    for (auto _ : state) {
        line.clear();
        appendCsvRecord(line, record);
        benchmark::DoNotOptimize(line.data());
    }
}
BENCHMARK(CsvRecordText);

static void SingleByteDecode(benchmark::State& state) {
    const TextCodec codec("CP850");
    const std::string field = "M\x81ller & S\x94hne GmbH          ";
    for (auto _ : state) benchmark::DoNotOptimize(codec.decode(field));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * field.size()));
}
BENCHMARK(SingleByteDecode);

// Reading fixed-size records through the page cache, as a table scan does.
static void PagedFileSequentialRecords(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() / "tabulon-bench-paged.bin";
    constexpr std::size_t kRecord = 120, kRecords = 100'000;
    std::ofstream(path, std::ios::binary) << std::string(kRecord * kRecords, 'x');
    PagedFile file = PagedFile::open(path, AccessMode::ReadOnly);
    char record[kRecord];
    for (auto _ : state) {
        for (std::size_t i = 0; i < kRecords; ++i) file.read(i * kRecord, record, kRecord);
        benchmark::DoNotOptimize(record[0]);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kRecords));
    std::filesystem::remove(path);
}
BENCHMARK(PagedFileSequentialRecords);
