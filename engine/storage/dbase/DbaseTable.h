#pragma once
// An open .DBF table with its memo file and indexes.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "../../core/CodePageGuess.h"
#include "../../core/TextCodec.h"
#include "../../io/PagedFile.h"
#include "../../io/Transaction.h"
#include "../StorageTable.h"
#include "DbaseHeader.h"

namespace tabulon::dbase {

class IndexCatalog;
class IndexFile;
class CdxFile;
class MdxFile;
class MemoFile;
class NdxFile;
class TagKeys;
class RecordDecoder;
class RecordEncoder;

// Reads dBase III/IV/5/7, FoxBASE, FoxPro 2 and Visual FoxPro tables. A damaged file opened
// tolerantly reads what is readable and lists each problem; opened strictly it throws
// EngineError(EFormatError) naming the file and the damage. A missing memo file leaves the memo
// fields null with a problem. Records are numbered from 1 (RecordId = slot + 1). The production
// .MDX (dBase) or structural .CDX (FoxPro) opens with the table when the header says it exists.
//
// Writes (tables opened ReadWrite) go through the engine's rollback journal: each call commits
// by itself, or with the transaction set. The header's record count, last-update date, the EOF
// marker and the memo file's next free block are written with every commit. A value that does
// not fit is refused with EValueError naming the field, before anything is written. The
// production .MDX and attached .NDX files are kept in place with each change (keys moved in
// their B-trees); after pack, empty, a change to a unique tag, a tree it cannot follow or a
// batch too large for that to pay, they are rebuilt from the records when the transaction
// commits, so they never go stale. Attached .CDX files (the FoxPro structural one included) are
// rebuilt from the records at every commit that changed them. A table with an unusable or
// damaged tag, or one whose keys this build cannot make, refuses writes with ENotSupported
// rather than let it go stale. Writers take turns (see StorageTable::setTransaction); a write
// first re-reads the header, the memo header and the index headers and forgets cached pages, so
// it starts from what other writers committed.
// One thread at a time.
class DbaseTable : public StorageTable, private TransactionParticipant {
public:
    DbaseTable(const StorageDriver& driver, const std::filesystem::path& path, const OpenOptions& options);
    ~DbaseTable() override;

    const std::filesystem::path& path() const override { return path_; }
    const StorageDriver& driver() const override { return driver_; }
    TableFacts facts() const override;
    const std::vector<FieldDef>& fields() const override { return fields_; }
    std::vector<IndexDef> indexes() const override;
    std::vector<TableProblem> problems() const override;
    TableCapabilities capabilities() const override {
        return {.write = true,
                .transactions = true,
                .indexes = true,
                .indexFiles = true,
                .memoTypes = {ftMemo, ftTypedBinary, ftDBaseOle}};
    }

    std::uint64_t recordCount() const override;
    std::uint64_t slotCount() const override { return header_.readableRecords; }
    bool readSlot(std::uint64_t slot, Record& out) override;
    bool readSlotFields(std::uint64_t slot, const std::vector<std::size_t>& positions, Record& out) override;
    RecordId recordIdAt(std::uint64_t slot) override { return slot + 1; }
    std::uint64_t slotOf(RecordId id) override { return id - 1; }
    void readRecord(RecordId id, Record& out) override;
    void readRecordFields(RecordId id, const std::vector<std::size_t>& positions, Record& out) override;
    // Whether record `id` exists and is not marked deleted.
    bool isLive(RecordId id);

    // `name` is a tag of an attached index, or the file name of an .NDX beside the table,
    // which is then attached.
    std::unique_ptr<KeyCursor> openIndex(const std::string& name) override;
    // A tag keeps deleted records' keys: this cursor stands on those too, and on entries
    // pointing past the last record.
    std::unique_ptr<KeyCursor> openIndexEntries(const std::string& name) override;
    std::vector<std::string> indexFiles() const override;
    // Attaches an .NDX, .MDX or .CDX file. Throws EFormatError naming it when it is damaged.
    void attachIndexFile(const std::filesystem::path& path) override { attachIndex(path); }

    void setTransaction(Transaction* transaction) override;
    void beginWriting() override;
    RecordId append(const Record& values) override;
    RecordId update(RecordId id, const Record& values) override;
    void remove(RecordId id) override;
    void empty() override;
    void pack() override;
    void regenerateIndexes() override;
    void refresh() override;
    void suspendUse() override;
    void resumeUse() override;
    // Clears the deletion mark of record `id`.
    void recall(RecordId id);
    // Builds the production index anew from the records.
    void reindex();

    const DbaseHeader& header() const { return header_; }
    const TextCodec& codec() const { return *codec_; }

private:
    // Progress is reported every so many records, keeping the hook off the hot path.
    static constexpr std::uint64_t kRecordsPerReport = 4096;

    IndexFile& attachIndex(const std::filesystem::path& path);
    // openIndex() with `live` telling which entries the cursor stands on.
    std::unique_ptr<KeyCursor> openTag(const std::string& name, std::function<bool(RecordId)> live);
    void chooseCodec();
    // The field names and the first records' character values, as stored.
    TextSample sampleText() const;
    void openMemo();
    void openStructuralIndex();
    // The record's bytes, valid until the next loadSlot() or change.
    const std::uint8_t* loadSlot(std::uint64_t slot);
    void forgetWindow();
    void addProblem(const std::string& file, const std::string& message);
    // Runs `change` within the set transaction, or within one of its own that it commits.
    // `what` names the change in refusals ("append to").
    template <typename Change>
    auto write(const char* what, Change&& change);
    // Takes the writers' lock and catches up on the first write of a transaction, checks the
    // table may be written, and enlists its files.
    void enlistIn(Transaction& transaction, const char* what);
    // Re-reads what another writer may have committed since this table last read its files.
    void catchUp();
    // Forgets cached pages and re-reads the counters and the headers of every file.
    void rereadFiles();
    void endWriting();
    // The state of every file of the table, and whether it is old enough to tell later writes
    // apart (file times have the resolution of the system's clock tick).
    std::vector<FileStamp> familyStamps() const;
    void noteStamps();
    void requireWritable(const char* what) const;
    void checkRecord(RecordId id) const;
    void checkProductionTagsHoldEveryRecord(const char* what) const;
    // Encodes `values` over `record` (whose old memo pointers are reused where they fit).
    void encodeRecord(const Record& values, std::uint8_t* record, bool appending);
    void writeSlot(std::uint64_t slot, const std::uint8_t* record);
    // Sets record `id`'s deletion flag (`stored` holds its bytes).
    void markSlot(RecordId id, const std::uint8_t* stored, std::uint8_t flag);
    void reloadCounters();
    // Decodes the fields at `positions` of `record` into `out`, sized to one value per field.
    void decodeFields(const std::uint8_t* record, const std::vector<std::size_t>& positions, Record& out);
    // Index upkeep (DbaseTableIndexes.cpp). At commit: the production index and .NDX files
    // when a rebuild is pending, .CDX files always.
    void rebuildIndexes();
    void rebuildProductionIndex();
    void rebuildNdxFiles();
    void rebuildCdxFiles();
    // The attached index files of one kind.
    template <typename Index>
    std::vector<Index*> attached() const;
    // Every record in turn, for rebuilding indexes.
    std::function<void(std::uint64_t, Record&, bool&)> recordSource();
    const TagKeys& ndxKeys(const NdxFile& ndx);
    // Moves record `id`'s keys in the production index and .NDX files from those of `before`
    // (null when appended) to those of `after`, or leaves them for a rebuild at commit.
    void keepIndexes(RecordId id, const std::uint8_t* before, const std::uint8_t* after);
    void prepareCommit() override;
    void afterCommit() override;
    void afterRollback() override;

    const StorageDriver& driver_;
    std::filesystem::path path_;
    OpenOptions options_;
    PagedFile dbf_;
    DbaseHeader header_;
    std::unique_ptr<TextCodec> codec_;
    CodePageChoice codePage_;
    std::unique_ptr<MemoFile> memo_;
    std::unique_ptr<RecordDecoder> decoder_;
    std::unique_ptr<RecordEncoder> encoder_;
    std::unique_ptr<IndexCatalog> catalog_;
    MdxFile* production_ = nullptr;  // owned by catalog_
    mutable bool productionChecked_ = false;
    std::unique_ptr<TagKeys> productionKeys_;  // built at the first write
    std::map<const NdxFile*, std::unique_ptr<TagKeys>> ndxKeys_;
    bool rebuildPending_ = false;    // in this transaction
    std::uint64_t keptInPlace_ = 0;  // changes in this transaction
    std::vector<FieldDef> fields_;
    std::vector<TableProblem> problems_;
    // Records read ahead; forgotten whenever the file changes.
    std::vector<std::uint8_t> window_;
    std::uint64_t windowFirst_ = 0;
    std::uint64_t windowCount_ = 0;
    bool suspectFlagSeen_ = false;
    Transaction* transaction_ = nullptr;
    bool writing_ = false;           // holds the writers' lock for the running transaction
    std::vector<FileStamp> stamps_;  // as the files were when last read or written
    bool stampsSettled_ = false;
    bool changed_ = false;  // since the last commit
    mutable std::optional<std::uint64_t> liveCount_;
};

}  // namespace tabulon::dbase
