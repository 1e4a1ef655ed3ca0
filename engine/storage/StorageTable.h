#pragma once
// The interface every storage format (Paradox, dBase, text) implements.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../core/CodePageGuess.h"
#include "../core/FieldDef.h"
#include "../core/Value.h"
#include "../io/File.h"

namespace tabulon {

class StorageDriver;
class Transaction;

// Identifies a record until the table next changes (dBase: the record number; Paradox: the
// block and the slot in it, which inserts in a keyed table may move).
using RecordId = std::uint64_t;

struct OpenOptions {
    AccessMode access = AccessMode::ReadOnly;
    ShareMode share = ShareMode::Shared;
    std::string encoding;  // code page that overrides the file's own ("CP1252"); empty: the file's
    bool tolerant = true;  // read what is readable of a damaged file and report each problem
};

struct CreateOptions {
    std::string version;   // the format's own level ("7", "dBase IV"); empty: the driver's default
    std::string encoding;  // code page; empty: the driver's default
    // Paradox: the sort order (language driver name, "ANSIINTL") for the code page; empty, or one
    // the code page does not have: the code page's default.
    std::string sortOrder;
    // With a version: the lowest level wanted; fields or indexes that need a later one raise it
    // instead of being refused.
    bool versionAtLeast = false;
    // Paradox: the bytes of the table's blocks (1, 2, 3 or 4 KiB; from level 5 also 8, 16 or
    // 32 KiB); 0: the driver's default for the record. With versionAtLeast, a size between those
    // or too small for the record is enlarged instead of being refused. Other formats have none
    // and ignore it.
    std::uint32_t blockSize = 0;
};

// What a long pack() or regenerateIndexes() is doing when it reports progress.
enum class WorkPhase { Records, Indexes };
using ProgressHook = std::function<void(int percent, WorkPhase phase)>;

struct TableFacts {
    std::string format;     // "paradox", "dbase", "text"
    std::string version;    // "7", "dBase IV with memo", ...
    std::string codePage;   // "CP437"
    std::string sortOrder;  // Paradox: the language driver's name ("ascii"); else empty
    CodePageSource codePageSource = CodePageSource::Header;
    std::string codePageNote;     // why the code page was not guessed, or why the header's was not kept
    std::uint32_t blockSize = 0;  // Paradox: the bytes of the table's blocks; else 0
};

// What a table can do, so callers ask it rather than guess from its file name or type.
struct TableCapabilities {
    bool write = false;         // append, update, remove, empty and pack, when opened ReadWrite
    bool transactions = false;  // setTransaction(): writes wait for the transaction's commit
    bool indexes = false;       // create() takes indexes, writes keep them, regenerateIndexes()
    bool indexFiles = false;    // attachIndexFile(): extra index files beside the table
    // Field types kept outside the record that create() makes and reads and writes keep,
    // in the format's own order (memo before binary kinds).
    std::vector<FieldType> memoTypes;
};

// Something found wrong while opening or reading a damaged table in tolerant mode.
struct TableProblem {
    std::string file;  // file name without folder
    std::string message;
};

// Ordered access through one index. Starts before the first entry; after next() or prior()
// returns false it stays off the end until first(), last() or seek(). Valid while its table
// is open and unchanged. Same thread as its table.
class KeyCursor {
public:
    virtual ~KeyCursor() = default;
    virtual const IndexDef& definition() const = 0;
    virtual bool first() = 0;  // false when the index is empty
    virtual bool last() = 0;
    virtual bool next() = 0;
    virtual bool prior() = 0;
    // Goes to the first entry whose key is >= `key` in index order, comparing the leading
    // key.size() key fields only (so a short key finds the start of its range). With `partial`,
    // a string last field matches every key that begins with it. False when no entry is >= key.
    virtual bool seek(const Record& key, bool partial) = 0;
    virtual RecordId recordId() const = 0;
    virtual Record key() const = 0;  // the current entry's key values, one per key field
    // Whether every live record has an entry; an index that selects records (a dBase tag with
    // a FOR clause, or a unique one that keeps the first record of each key) holds fewer.
    virtual bool holdsEveryRecord() const { return true; }
    // After next() returned true: whether the entry it reached sorts before the one it came
    // from in the index's own order, which only a damaged index file shows. Cursors that walk
    // the entries as the file stores them answer; the others say false.
    virtual bool reachedOutOfOrder() const { return false; }
};

// An open table. Reads may fill caches, so even they are not const; one thread at a time.
// Errors are EngineError: EFileError for I/O, EFormatError for damage found in a strict open,
// EValueError for a value that does not fit its field (naming the field), EKeyViolation.
class StorageTable {
public:
    virtual ~StorageTable() = default;

    virtual const std::filesystem::path& path() const = 0;
    virtual const StorageDriver& driver() const = 0;
    virtual TableFacts facts() const = 0;
    virtual const std::vector<FieldDef>& fields() const = 0;
    // In engine order: a Paradox table's primary index first.
    virtual std::vector<IndexDef> indexes() const = 0;
    virtual std::vector<TableProblem> problems() const = 0;
    virtual TableCapabilities capabilities() const = 0;

    // Live records, deleted ones not counted.
    virtual std::uint64_t recordCount() const = 0;
    // Positions in natural order (dBase: record number - 1, deleted records included; Paradox:
    // block-chain order).
    virtual std::uint64_t slotCount() const = 0;
    // Reads the record at `slot` into `out` (one value per field). False, with `out` unspecified,
    // when the slot holds a deleted record.
    virtual bool readSlot(std::uint64_t slot, Record& out) = 0;
    // Reads only the fields at `positions` (indexes into fields()) of the record at `slot`:
    // `out` is sized to one value per field and the other values are left as they were, so a
    // scan that tests a few fields decodes only those. False when the slot holds a deleted
    // record. By default the whole record is read.
    virtual bool readSlotFields(std::uint64_t slot, [[maybe_unused]] const std::vector<std::size_t>& positions,
                                Record& out) {
        return readSlot(slot, out);
    }
    virtual RecordId recordIdAt(std::uint64_t slot) = 0;
    virtual std::uint64_t slotOf(RecordId id) = 0;
    virtual void readRecord(RecordId id, Record& out) = 0;
    // readRecord() of only the fields at `positions`, as readSlotFields() does for a slot.
    virtual void readRecordFields(RecordId id, [[maybe_unused]] const std::vector<std::size_t>& positions,
                                  Record& out) {
        readRecord(id, out);
    }

    // `name` as indexes() gives it. Throws EValueError when there is no such index or it is
    // not usable (with the reason).
    virtual std::unique_ptr<KeyCursor> openIndex(const std::string& name) = 0;
    // openIndex() without passing over entries whose record is deleted or missing, for a
    // check that matches every entry with the records itself (looking each record up as
    // the walk goes costs a random read per entry). By default openIndex(), for formats whose
    // cursors pass over nothing.
    virtual std::unique_ptr<KeyCursor> openIndexEntries(const std::string& name) { return openIndex(name); }
    // Whether the stored entries of index `name` are exactly those its records give, told from
    // one pass over each file, without following entries to records; nullopt where the format
    // cannot tell so (then a check matches the entries of openIndexEntries()).
    virtual std::optional<bool> indexMatchesRecords(const std::string& /*name*/) { return std::nullopt; }

    // Whether a write may change the ids of other records (a keyed Paradox table keeps records
    // in key order, splitting blocks). Then callers find records again by primary key.
    virtual bool writesMoveRecords() const { return false; }
    // Whether natural (slot) order is the primary index's order, so that the n-th record in key
    // order is slot n (a keyed Paradox table keeps its records sorted in its block chain).
    virtual bool slotsFollowPrimaryOrder() const { return false; }

    // Extra index files attached to the table (a dBase table's .MDX, .NDX, .CDX), by file name.
    virtual std::vector<std::string> indexFiles() const { return {}; }
    // Attaches an index file, whose indexes then appear in indexes(); attaching one already
    // attached does nothing. Formats without index files throw ENotSupported.
    virtual void attachIndexFile(const std::filesystem::path& file);

    // --- Writes: tables opened ReadWrite only. ---
    // With a transaction set, writes wait for its commit; without one, each call commits itself.
    // Writers of a table take turns: a write first takes the table's writers' lock, held until
    // the transaction (or the change committing itself) ends, and then catches up with what
    // other writers committed since this table last read its files; so no change is made from
    // stale counters, block chains, free lists or indexes. Another writer keeping the lock
    // beyond File::lockWait() makes the write fail with ETableBusy, changing nothing.
    virtual void setTransaction(Transaction* transaction) = 0;
    // Takes the writers' lock for the set transaction now rather than at its first write, so
    // what the transaction reads before writing is what its writes start from. Formats
    // without writers' locks do nothing.
    virtual void beginWriting() {}
    virtual RecordId append(const Record& values) = 0;
    // Returns the record's id afterwards, which may differ.
    virtual RecordId update(RecordId id, const Record& values) = 0;
    virtual void remove(RecordId id) = 0;
    // No records; indexes and memo file emptied; structure kept.
    virtual void empty() = 0;
    // Removes deleted records and compacts the files; regenerates the indexes.
    virtual void pack() = 0;
    // Re-reads what other sessions and processes committed.
    virtual void refresh() = 0;
    // Lets go of the lock the open took, keeping the files open, so a table kept open between
    // uses does not keep others from opening it exclusively meanwhile. resumeUse() takes the
    // lock again (ETableBusy when another holds it in a conflicting mode now); a table must
    // not be read or written while suspended. Formats without locks do nothing.
    virtual void suspendUse() {}
    virtual void resumeUse() {}
    // Builds every index anew from the records. Formats without maintained indexes throw
    // ENotSupported.
    virtual void regenerateIndexes();

    // Called with the percent done (rising, ending at 100) as pack() and regenerateIndexes() go
    // on, at intervals the format chooses. None by default.
    void setProgressHook(ProgressHook hook) { progressHook_ = std::move(hook); }

protected:
    // The share of a pack's progress percents that the pass over the records takes.
    static constexpr int kPackRecordsShare = 50;
    // Reports one pack() or regenerateIndexes() while it lives: percents rise from 0 to 100,
    // the pass over the records taking those below `indexesFrom`, the index rebuild the rest.
    class WorkReport {
    public:
        WorkReport(StorageTable& table, int indexesFrom);
        WorkReport(const WorkReport&) = delete;
        WorkReport& operator=(const WorkReport&) = delete;
        ~WorkReport() { table_.indexesFrom_ = -1; }
        void finish() { table_.report(100, WorkPhase::Indexes); }

    private:
        StorageTable& table_;
    };
    // `done` of `total` records passed or indexed; nothing outside a WorkReport.
    void recordsDone(std::uint64_t done, std::uint64_t total) {
        if (indexesFrom_ > 0) report(share(done, total, 0, indexesFrom_), WorkPhase::Records);
    }
    void indexesDone(std::uint64_t done, std::uint64_t total) {
        if (indexesFrom_ >= 0) report(share(done, total, indexesFrom_, 100), WorkPhase::Indexes);
    }

private:
    static int share(std::uint64_t done, std::uint64_t total, int from, int to) {
        return total == 0 ? to : from + static_cast<int>((to - from) * std::min(done, total) / total);
    }
    void report(int percent, WorkPhase phase);

    ProgressHook progressHook_;
    int indexesFrom_ = -1;  // -1: no pack() or regenerateIndexes() is reporting
    int reported_ = -1;
};

// One storage format. Stateless; shared by all threads.
class StorageDriver {
public:
    virtual ~StorageDriver() = default;
    virtual TableType tableType() const = 0;
    virtual std::string format() const = 0;                   // as TableFacts::format
    virtual std::vector<std::string> extensions() const = 0;  // upper case, with dot: ".DB"

    virtual std::unique_ptr<StorageTable> open(const std::filesystem::path& path, const OpenOptions& options) const = 0;
    // Creates the table's files; fails if the table exists. Returns it open for writing.
    virtual std::unique_ptr<StorageTable> create(const std::filesystem::path& path, const std::vector<FieldDef>& fields,
                                                 const std::vector<IndexDef>& indexes,
                                                 const CreateOptions& options) const = 0;
    // Every existing file of the table's family, the table itself first.
    virtual std::vector<std::filesystem::path> familyFiles(const std::filesystem::path& table) const = 0;
    // The nearest field this format holds, for copies from other formats. Throws EValueError
    // when there is none.
    virtual FieldDef nearestField(const FieldDef& source) const = 0;
    // Gives every file of the closed table's family the base name `newBaseName`, keeping each
    // file's extension and the folder. Refuses, changing nothing, when any target name exists
    // (letter case ignored); the files move as one FolderMoves list, then storeFamilyNames()
    // runs. Throws EFileError.
    virtual void renameFamily(const std::filesystem::path& table, const std::string& newBaseName) const;
    // Carries into `rebuilt`, a table just made from `original` by create + copy, what the
    // original's family holds besides records and indexes: checks, view settings, and the
    // attached index files named in `indexFiles` (written beside `rebuilt` under the same names).
    // `sources` gives, per field of `rebuilt`, the position of the original field feeding it
    // (-1: a new field). What no longer applies to the new fields is dropped. Nothing by default.
    virtual void carryOver(const std::filesystem::path& /*original*/, StorageTable& /*rebuilt*/,
                           const std::vector<int>& /*sources*/, const std::vector<std::string>& /*indexFiles*/) const {}

    // Makes the closed table's header name `codePage` ("CP1251"), changing nothing else in its
    // files; the text stays as it is, now read in that code page. Throws EValueError when the
    // header has no way to name it, ENotSupported for formats (or levels) whose header names
    // none, as by default.
    virtual void storeCodePage(const std::filesystem::path& table, const std::string& codePage) const;

protected:
    // Writes their own names into the files of the family of `table` where the format stores
    // them (renameFamily() calls it after the moves). Nothing by default.
    virtual void storeFamilyNames(const std::filesystem::path& /*table*/) const {}
};

}  // namespace tabulon
