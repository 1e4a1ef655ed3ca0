#include "TableVerification.h"

#include <set>

#include "../core/AsciiCase.h"
#include "../core/EngineError.h"
#include "../ops/Progress.h"
#include "../storage/Drivers.h"
#include "DbaseFileCheck.h"
#include "ParadoxFamilyCheck.h"

namespace tabulon {

namespace {

// Whether `file` is a memo or blob file, whose loss takes values with it.
bool isMemoFile(const std::string& file) {
    const std::string extension = asciiUpper(std::filesystem::path(file).extension().string());
    return extension == ".MB" || extension == ".DBT" || extension == ".FPT";
}

class Verification {
public:
    Verification(const std::filesystem::path& path, const std::vector<std::string>& indexFiles)
        : path_(path), name_(path.filename().string()), indexFiles_(indexFiles) {}

    VerifyReport run() {
        if (checkFiles()) {
            reportProgress(100, verifyphase::kHeader);
            try {
                OpenOptions options;
                options.tolerant = true;
                table_ = openTable(path_, options);
                // The table's own file was checked above; the driver's view of it adds nothing.
                takeNewProblems("opening", [&](const TableProblem& p) {
                    if (p.file == name_) return -1;
                    return isMemoFile(p.file) ? verifylevel::kPartial : verifylevel::kRepairable;
                });
                checkRecords();
                attachIndexFiles();
                checkIndexes();
            } catch (const std::exception& e) {
                stop(e);
            }
        }
        VerifyReport report;
        report.findings = findings_.list();
        report.level = findings_.level();
        if (stopped_ && report.level != verifylevel::kUnrebuildable) report.level = verifylevel::kUnfinished;
        report.readableRecords = readable_;
        return report;
    }

private:
    // The structure of the table's own file; false when nothing more can be checked.
    bool checkFiles() {
        reportProgress(0, verifyphase::kHeader);
        place_ = "header";
        try {
            return checkTableFile(path_, findings_);
        } catch (const EngineError& e) {
            if (e.kind() == errkind::kFormat || e.kind() == errkind::kFile || e.kind() == errkind::kNotSupported)
                findings_.add({name_, "header", e.message(), verifylevel::kUnrebuildable});
            else
                stop(e);
        } catch (const std::exception& e) {
            stop(e);
        }
        return false;
    }

    void stop(const std::exception& e) {
        findings_.add(
            {name_, place_, std::string("the verification stopped here: ") + e.what(), verifylevel::kUnfinished});
        stopped_ = true;
    }

    // Adds the table's problems not seen before, at the level `levelOf` gives (-1: left out).
    template <typename LevelOf>
    void takeNewProblems(const std::string& place, LevelOf levelOf) {
        for (const TableProblem& p : table_->problems()) {
            if (!seen_.insert(p.file + '\n' + p.message).second) continue;
            if (const int level = levelOf(p); level >= 0) findings_.add({p.file, place, p.message, level});
        }
    }

    void checkRecords() {
        place_ = "records";
        const std::uint64_t slots = table_->slotCount();
        live_.assign(slots, false);
        Record record;
        ProgressSteps progress(phase::kData, slots);
        for (std::uint64_t slot = 0; slot < slots; ++slot) {
            place_ = "record " + std::to_string(slot + 1);
            try {
                live_[slot] = table_->readSlot(slot, record);
                readable_ += live_[slot] ? 1 : 0;
            } catch (const EngineError& e) {
                if (e.kind() != errkind::kFormat && e.kind() != errkind::kValue) throw;
                findings_.add({name_, place_, "cannot be read: " + e.message(), verifylevel::kPartial},
                              "unreadable record");
            }
            progress.advance(slot + 1);
        }
        progress.advance(slots);
        // What the records' values showed: blobs and memos that could not be read are lost. A
        // .DBF's own complaints here are about deletion flags, which its check above lists.
        const bool dbase = tableTypeForPath(path_) == ttDBase;
        takeNewProblems("records",
                        [&](const TableProblem& p) { return dbase && p.file == name_ ? -1 : verifylevel::kPartial; });
    }

    // An index file that cannot be attached is left out of the checks that follow.
    void attachIndexFiles() {
        for (const std::string& name : indexFiles_) {
            place_ = "index " + name;
            try {
                const std::filesystem::path file = findFileIgnoringCase(path_.parent_path(), name);
                if (file.empty()) throw EngineError(errkind::kFile, name + " does not exist");
                table_->attachIndexFile(file);
            } catch (const EngineError& e) {
                if (e.kind() != errkind::kFormat && e.kind() != errkind::kFile && e.kind() != errkind::kNotSupported)
                    throw;
                findings_.add({name, place_, "cannot be read: " + e.message(), verifylevel::kRepairable});
            }
        }
    }

    void checkIndexes() {
        const std::vector<IndexDef> indexes = table_->indexes();
        ProgressSteps progress(verifyphase::kIndexes, indexes.size());
        for (std::size_t i = 0; i < indexes.size(); ++i) {
            checkIndex(indexes[i]);
            progress.advance(i + 1);
        }
        progress.advance(indexes.size());
        // A rebuild builds every index anew, so nothing wrong in one loses a record.
        takeNewProblems("indexes", [](const TableProblem&) { return verifylevel::kRepairable; });
    }

    void checkIndex(const IndexDef& index) {
        place_ = "index " + (index.name.empty() ? std::string("primary") : index.name);
        const std::string file = index.file.empty() ? name_ : index.file;
        if (!index.usable) {
            findings_.add({file, place_, "cannot be used: " + index.problem, verifylevel::kRepairable});
            return;
        }
        // Each entry is matched to its record, deleted or not, against what the pass over the
        // records found. Where records move (a keyed Paradox table), an entry names its record by
        // primary key, found from the block the entry remembers.
        std::unique_ptr<KeyCursor> cursor;
        try {
            // Following every entry to its record costs a random read each where an entry names
            // its record by key: told sound from the files alone, the index needs no more.
            if (table_->indexMatchesRecords(index.name) == true) return;
            cursor = table_->openIndexEntries(index.name);
        } catch (const EngineError& e) {
            if (e.kind() != errkind::kFormat && e.kind() != errkind::kValue) throw;
            findings_.add({file, place_, "cannot be read: " + e.message(), verifylevel::kRepairable});
            return;
        }
        matchEntries(*cursor, file);
    }

    void matchEntries(KeyCursor& cursor, const std::string& file) {
        std::vector<bool> listed(live_.size(), false);
        bool disordered = false;
        for (bool on = cursor.first(); on; on = cursor.next()) {
            // Once per index: every entry after a misplaced one may be out of order with it.
            if (!disordered && cursor.reachedOutOfOrder()) {
                disordered = true;
                findings_.add({file, place_,
                               "is out of key order at the entry for record " + std::to_string(cursor.recordId()),
                               verifylevel::kRepairable});
            }
            std::uint64_t slot = live_.size();
            try {
                slot = table_->slotOf(cursor.recordId());
            } catch (const EngineError&) {
                // Left as past the end: reported below.
            }
            if (slot >= live_.size()) {
                findings_.add({file, place_, "an entry points to no record", verifylevel::kRepairable},
                              place_ + " dangling");
            } else if (listed[slot]) {
                findings_.add(
                    {file, place_, "lists record " + std::to_string(slot + 1) + " twice", verifylevel::kRepairable},
                    place_ + " twice");
            }
            if (slot < listed.size()) listed[slot] = true;
        }
        if (!cursor.holdsEveryRecord()) return;
        for (std::uint64_t slot = 0; slot < live_.size(); ++slot)
            if (live_[slot] && !listed[slot])
                findings_.add({file, place_, "misses record " + std::to_string(slot + 1), verifylevel::kRepairable},
                              place_ + " misses");
    }

    std::filesystem::path path_;
    std::string name_;
    std::vector<std::string> indexFiles_;
    Findings findings_;
    std::unique_ptr<StorageTable> table_;
    std::set<std::string> seen_;
    std::vector<bool> live_;
    std::uint64_t readable_ = 0;
    std::string place_ = "header";
    bool stopped_ = false;
};

}  // namespace

bool checkTableFile(const std::filesystem::path& table, Findings& findings) {
    return tableTypeForPath(table) == ttDBase ? checkDbaseFile(table, findings) : checkParadoxData(table, findings);
}

VerifyReport verifyTable(const std::filesystem::path& table, const std::vector<std::string>& indexFiles) {
    return Verification(table, indexFiles).run();
}

}  // namespace tabulon
