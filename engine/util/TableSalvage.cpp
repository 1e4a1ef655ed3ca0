#include "TableSalvage.h"

#include <algorithm>
#include <numeric>

#include "../core/AsciiCase.h"
#include "../core/EngineError.h"
#include "../io/Transaction.h"
#include "../ops/FamilySwap.h"
#include "../ops/Progress.h"
#include "../ops/RejectTable.h"
#include "../ops/TableDefinitions.h"
#include "../storage/Drivers.h"
#include "RawRecords.h"
#include "TableVerification.h"

namespace tabulon {

namespace {

// The table of records that cannot be decoded: their number, why, and their stored bytes.
class ProblemTable {
public:
    ProblemTable(std::filesystem::path path, const TableDefinitions& definitions)
        : path_(std::move(path)), definitions_(definitions) {}

    void add(std::uint64_t slot, const std::string& why, const std::vector<std::uint8_t>& bytes) {
        ++count_;
        if (!table_) {
            definitions_.create(path_, ttParadox,
                                {{"Record", ftInteger, 0, 0, false, ""},
                                 {"Problem", ftString, 255, 0, false, ""},
                                 {"Bytes", ftBlob, 10, 0, false, ""}},
                                {});
            table_ = openExclusive(path_);
        }
        table_->append({Value::integer(static_cast<std::int64_t>(slot + 1)), Value::string(why.substr(0, 255)),
                        Value::bytes(Bytes(bytes.begin(), bytes.end()))});
    }
    std::uint64_t count() const { return count_; }

private:
    std::filesystem::path path_;
    const TableDefinitions& definitions_;
    std::unique_ptr<StorageTable> table_;
    std::uint64_t count_ = 0;
};

bool recordIsRefused(const EngineError& e) { return e.kind() == errkind::kValue || e.kind() == errkind::kRequired; }

// The .NDX files of `names` found in `folder`, each once.
std::vector<std::filesystem::path> findIndexFiles(const std::filesystem::path& folder,
                                                  const std::vector<std::string>& names) {
    std::vector<std::filesystem::path> found;
    for (const std::string& name : names) {
        if (name.find('/') != std::string::npos ||
            asciiUpper(std::filesystem::path(name).extension().string()) != ".NDX")
            throw EngineError(errkind::kValue, "'" + name + "' names no .NDX file beside the table");
        const std::filesystem::path file = findFileIgnoringCase(folder, name);
        if (!file.empty() && std::find(found.begin(), found.end(), file) == found.end()) found.push_back(file);
    }
    return found;
}

bool named(const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& n) { return equalsIgnoringAsciiCase(n, name); });
}

}  // namespace

SalvageResult salvageTable(const std::filesystem::path& table, const SalvageNames& names,
                           const std::optional<SalvageStructure>& structure, const DesktopTrash& trash,
                           const std::vector<std::string>& indexFiles) {
    const std::filesystem::path actual = existingTable(table);
    const std::filesystem::path folder = actual.parent_path();
    Findings fileCheck;  // for the records out of the reader's reach
    checkTableFile(actual, fileCheck);
    // Opened for writing only to hold the exclusive lock: nobody changes it while it is read.
    OpenOptions openOptions;
    openOptions.access = AccessMode::ReadWrite;
    openOptions.share = ShareMode::Exclusive;
    openOptions.tolerant = true;
    auto source = openTable(actual, openOptions);
    const StorageDriver& driver = source->driver();
    if (!indexFiles.empty() && !source->capabilities().indexFiles)
        throw EngineError(errkind::kNotSupported, actual.filename().string() + " takes no index files beside it");

    const std::string backupBase = std::filesystem::path(names.backup).stem().string();
    const std::filesystem::path backup = findFileIgnoringCase(folder, backupBase + actual.extension().string());
    if (!backup.empty() && std::filesystem::equivalent(backup, actual))
        throw EngineError(errkind::kFile, "Cannot keep " + actual.filename().string() + " as its own backup");
    std::vector<std::filesystem::path> leaving = driver.familyFiles(actual);
    std::vector<std::pair<std::filesystem::path, std::string>> backupCopies;
    for (const auto& file : leaving) backupCopies.emplace_back(file, familyMemberName(file, actual, backupBase));
    if (!backup.empty())
        for (const auto& file : driver.familyFiles(backup)) leaving.push_back(file);
    // An .NDX keeps its own name, so its copy is named after the backup and itself.
    std::vector<std::string> ndxNames;
    const std::vector<std::filesystem::path> ndxFiles = findIndexFiles(folder, indexFiles);
    for (const auto& file : ndxFiles) ndxNames.push_back(file.filename().string());
    for (const auto& file : ndxFiles) {
        const std::string copy = backupBase + "_" + file.filename().string();
        if (named(ndxNames, copy))
            throw EngineError(errkind::kFile, "Cannot keep a copy of " + file.filename().string() + " as " + copy +
                                                  ", which is rebuilt too");
        leaving.push_back(file);
        if (const auto earlier = findFileIgnoringCase(folder, copy); !earlier.empty()) leaving.push_back(earlier);
        backupCopies.emplace_back(file, copy);
    }

    FamilySwap swap(folder, leaving, trash);
    for (const auto& [file, copy] : backupCopies) std::filesystem::copy_file(file, swap.staged(copy));

    const TableDefinitions definitions(trash);
    RejectTable keyViolations(names.keyViolations, folder, *source, definitions);
    ProblemTable problems(sideTablePath(names.problems, folder), definitions);
    RawRecords raw(actual);
    SalvageResult result;
    {
        SalvageStructure wanted = structure.value_or(SalvageStructure{source->fields(), source->indexes()});
        for (auto& index : wanted.indexes) index.file.clear();  // the driver names its own files
        const TableFacts facts = source->facts();
        CreateOptions options;
        options.encoding = facts.codePage;
        options.version = facts.version;
        options.versionAtLeast = true;
        options.sortOrder = facts.sortOrder;
        options.blockSize = facts.blockSize;
        auto rebuilt = driver.create(swap.staged(actual.filename().string()), wanted.fields, wanted.indexes, options);

        Transaction transaction(Transaction::newJournalPath(rebuilt->path().parent_path()));
        rebuilt->setTransaction(&transaction);
        const std::uint64_t slots = source->slotCount();
        ProgressSteps progress(phase::kRebuild, slots);
        Record record;
        for (std::uint64_t slot = 0; slot < slots; ++slot) {
            progress.advance(slot);
            bool live = false;
            try {
                live = source->readSlot(slot, record);
            } catch (const EngineError& e) {
                if (e.kind() != errkind::kFormat && e.kind() != errkind::kValue) throw;
                problems.add(slot, e.message(), raw.at(slot));
                continue;
            }
            if (!live) continue;
            try {
                rebuilt->append(record);
                ++result.salvaged;
            } catch (const EngineError& e) {
                if (e.kind() == errkind::kKeyViolation)
                    keyViolations.add(record);
                else if (recordIsRefused(e))
                    problems.add(slot, e.message(), raw.at(slot));
                else
                    throw;
            }
        }
        progress.advance(slots);
        transaction.commit();
        rebuilt->setTransaction(nullptr);
        std::vector<int> sources(wanted.fields.size());
        std::iota(sources.begin(), sources.end(), 0);
        driver.carryOver(actual, *rebuilt, sources, ndxNames);
        const std::vector<std::string> rebuiltFiles = rebuilt->indexFiles();
        for (const std::string& name : indexFiles)
            if (!named(rebuiltFiles, name)) result.indexFilesNotRebuilt.push_back(name);
    }
    source.reset();
    swap.commit();
    result.keyViolations = keyViolations.count();
    result.problems = problems.count();
    result.lost = fileCheck.unreachable();
    return result;
}

}  // namespace tabulon
