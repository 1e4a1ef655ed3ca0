#include "Commands.h"

#include "Arguments.h"
#include "Json.h"
#include "core/EngineError.h"
#include "storage/Drivers.h"

namespace tabulon::cli {

namespace {
class RecordWriter {
public:
    RecordWriter(std::ostream& out, bool csv) : out_(out), csv_(csv) {}

    void header(const std::vector<FieldDef>& fields) {
        if (!csv_) {
            out_ << "{\"fields\":" << jsonFields(fields) << "}\n";
            return;
        }
        for (std::size_t i = 0; i < fields.size(); ++i) out_ << (i ? "," : "") << csvField(fields[i].name);
        out_ << "\r\n";
    }

    void record(const Record& values) {
        if (csv_) {
            for (std::size_t i = 0; i < values.size(); ++i) out_ << (i ? "," : "") << csvField(values[i].toText());
            out_ << "\r\n";
            return;
        }
        out_ << "[";
        for (std::size_t i = 0; i < values.size(); ++i) out_ << (i ? "," : "") << jsonValue(values[i]);
        out_ << "]\n";
    }

private:
    std::ostream& out_;
    bool csv_;
};
}  // namespace

void runDump(const std::vector<std::string>& words, std::ostream& out) {
    const Arguments args(words, {"--format", "--index", "--filter", "--encoding", "--limit"},
                         {"--case-insensitive", "--no-partial-compare"});
    args.expectPositionals(1, 1);
    const std::string format = args.value("--format", "jsonl");
    if (format != "jsonl" && format != "csv") throw UsageError("--format is jsonl or csv, not '" + format + "'");
    const std::size_t limit = args.count("--limit", SIZE_MAX);
    if (args.has("--filter") || args.has("--case-insensitive") || args.has("--no-partial-compare"))
        throw EngineError(errkind::kNotSupported, "Filters are not available in this build");

    OpenOptions options;
    options.encoding = args.value("--encoding");
    const auto table = openTable(args.positionals()[0], options);
    RecordWriter writer(out, format == "csv");
    writer.header(table->fields());

    Record record;
    std::size_t written = 0;
    if (args.has("--index")) {
        auto cursor = table->openIndex(args.value("--index"));
        for (bool more = cursor->first(); more && written < limit; more = cursor->next(), ++written) {
            table->readRecord(cursor->recordId(), record);
            writer.record(record);
        }
        return;
    }
    for (std::uint64_t slot = 0; slot < table->slotCount() && written < limit; ++slot) {
        if (!table->readSlot(slot, record)) continue;
        writer.record(record);
        ++written;
    }
}

}  // namespace tabulon::cli
