#pragma once
// All-or-nothing commits over any number of files, crash-safe through a rollback journal.
#include <filesystem>
#include <type_traits>
#include <vector>

#include "File.h"

namespace tabulon {

class PagedFile;

// A table taking part in a transaction: it writes what it still holds in memory (header
// counters, index upkeep) before the commit, and forgets its in-memory state after a rollback.
class TransactionParticipant {
public:
    virtual ~TransactionParticipant() = default;
    virtual void prepareCommit() = 0;
    virtual void afterCommit() {}
    virtual void afterRollback() = 0;
};

// Gathers the pending writes of enlisted files and commits them as one unit:
//  1. the original bytes of every page about to change go to the journal, which is flushed;
//  2. the new pages are written and every file is flushed;
//  3. the journal is removed.
// A process killed during 2 leaves the journal; recover() (run by every table open) puts the
// original bytes back, so the files read as before the commit. Killed during 1, the journal is
// incomplete, the files are untouched, and recover() just removes it.
// Steps 1-3 hold each changed file's commit lock (File::lockCommit), so readers that load a
// table's state under its shared lock never see it half-written.
// Not thread-safe; the files must outlive the transaction.
class Transaction {
public:
    static constexpr const char* kJournalExtension = ".tjournal";

    // `journalPath` names the journal; it lies in the folder of the first table written.
    explicit Transaction(std::filesystem::path journalPath);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    // Drops pending writes that were not committed; never throws.
    ~Transaction();

    // Throws EUsageError for a file outside the journal's folder.
    void enlist(PagedFile& file);
    void enlist(TransactionParticipant& participant);
    bool enlisted(const PagedFile& file) const;
    // Calls every participant's prepareCommit(), then writes. Throws EngineError(EFileError) when
    // the disk refuses, ETableBusy when a reader holds a file's commit lock beyond the wait; the
    // files are then as before and the pending writes are still held, for rollback() or another
    // commit().
    void commit();
    void rollback();

    // Puts back the files a leftover journal names and removes it. Returns whether there was
    // one to recover; a journal whose commit is still running (in any process) is left alone.
    // Throws EFileError when the journal exists and cannot be applied.
    static bool recover(const std::filesystem::path& journalPath);
    // recover() for every journal in `folder`, after finishing its FolderMoves lists.
    static void recoverFolder(const std::filesystem::path& folder);
    // A journal name in `folder` that no other transaction, of this process or another, uses.
    static std::filesystem::path newJournalPath(const std::filesystem::path& folder);

private:
    void writeChanged(const std::vector<PagedFile*>& changed);
    static void applyJournal(const std::filesystem::path& journalPath, const File& journal);
    std::filesystem::path journalPath_;
    std::vector<PagedFile*> files_;
    std::vector<TransactionParticipant*> participants_;
};

// Runs `change` and commits `transaction`, giving back what `change` returns. When either
// throws, the transaction is left uncommitted for its owner to drop.
template <typename Change>
auto commitAfter(Transaction& transaction, Change&& change) -> decltype(change()) {
    if constexpr (std::is_void_v<decltype(change())>) {
        change();
        transaction.commit();
    } else {
        auto result = change();
        transaction.commit();
        return result;
    }
}

}  // namespace tabulon
