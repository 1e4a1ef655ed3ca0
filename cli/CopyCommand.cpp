#include "Commands.h"

#include "Arguments.h"
#include "core/EngineError.h"
#include "io/Transaction.h"
#include "storage/Drivers.h"

namespace tabulon::cli {

void runCopy(const std::vector<std::string>& words, std::ostream& out) {
    const Arguments args(words, {"--encoding"}, {});
    args.expectPositionals(2, 2);
    const std::filesystem::path sourcePath = args.positionals()[0];
    const std::filesystem::path targetPath = args.positionals()[1];
    OpenOptions options;
    options.encoding = args.value("--encoding");
    const auto source = openTable(sourcePath, options);
    const StorageDriver& targetDriver = driverForPath(targetPath);
    if (!findFileIgnoringCase(targetPath.parent_path(), targetPath.filename().string()).empty())
        throw EngineError(errkind::kFile, "Table " + targetPath.string() + " exists already");

    std::vector<FieldDef> fields;
    for (const FieldDef& f : source->fields()) fields.push_back(targetDriver.nearestField(f));
    auto target = targetDriver.create(targetPath, fields, source->indexes(), {});
    try {
        Transaction transaction(targetPath.string() + Transaction::kJournalExtension);
        target->setTransaction(&transaction);
        Record record;
        std::uint64_t copied = 0;
        for (std::uint64_t slot = 0; slot < source->slotCount(); ++slot) {
            if (!source->readSlot(slot, record)) continue;
            for (std::size_t i = 0; i < record.size(); ++i)
                record[i] = record[i].convertTo(valueKindFor(fields[i].type));
            target->append(record);
            ++copied;
        }
        transaction.commit();
        target->setTransaction(nullptr);
        out << copied << " records copied\n";
    } catch (...) {
        // The target is ours alone and half made: remove it rather than leave it behind.
        const auto family = targetDriver.familyFiles(targetPath);
        target.reset();
        std::error_code ec;
        for (const auto& file : family) std::filesystem::remove(file, ec);
        throw;
    }
}

}  // namespace tabulon::cli
