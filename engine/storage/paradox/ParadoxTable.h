#pragma once
// An open Paradox table: the .DB with its .MB, .PX and secondary indexes.
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "../../core/CodePageGuess.h"
#include "../../core/TextCodec.h"
#include "../../io/Transaction.h"
#include "../StorageTable.h"
#include "ParadoxBlobFile.h"
#include "ParadoxCollation.h"
#include "ParadoxDataFile.h"
#include "ParadoxIndexChanges.h"
#include "ParadoxIndexTree.h"
#include "ParadoxKeyOrder.h"
#include "ParadoxSecondaryIndex.h"
#include "ParadoxSortedChain.h"
#include "ParadoxUniqueKeys.h"
#include "ParadoxValidity.h"
#include "ProblemLog.h"

namespace tabulon::paradox {

// Reads records in block-chain order; record ids are (block << 16) | record-in-block. Opening
// throws EFileError when a file cannot be read, EFormatError for a header that cannot be used
// (and, in a strict open, for any damage), ENotSupported for a password-protected table.
// Writes keep a keyed table's records in key order inside their blocks (splitting full ones,
// merging blocks left less than half full).
// At commit the .PX is rewritten from the block list and each maintained secondary index takes
// the entries its records gained and lost (a whole rebuild after empty, pack or regenerate,
// or when the index file was behind), so the family agrees after every commit; within a
// transaction, cursors see the changes through indexes built in memory. A duplicate primary
// key fails the change itself (EKeyViolation), and so does a duplicate in a unique secondary
// index, except in a transaction that rebuilds the indexes, where the commit fails. The .VAL's required, minimum and
// maximum checks are enforced on every append and update (ERequiredField, EValueError naming
// the field); its other checks are left as they are. Writers take turns (see
// StorageTable::setTransaction); the .DB header's change counter tells a write whether another
// writer committed since, and then the family is read anew. One thread at a time.
class ParadoxTable : public StorageTable, private TransactionParticipant {
public:
    ParadoxTable(const StorageDriver& driver, const std::filesystem::path& path, const OpenOptions& options);
    ~ParadoxTable() override;

    const std::filesystem::path& path() const override { return path_; }
    const StorageDriver& driver() const override { return driver_; }
    TableFacts facts() const override;
    const std::vector<FieldDef>& fields() const override { return fields_; }
    std::vector<IndexDef> indexes() const override;
    // Inserts and key changes shift records within and across blocks.
    bool writesMoveRecords() const override { return true; }
    // A maintained secondary index of a keyed table: its entries (fields and primary key) and
    // those the records give are compared as sets, by a sum of their hashes.
    std::optional<bool> indexMatchesRecords(const std::string& name) override;
    bool slotsFollowPrimaryOrder() const override { return true; }
    std::vector<TableProblem> problems() const override { return problems_.problems(); }
    TableCapabilities capabilities() const override {
        return {.write = true,
                .transactions = true,
                .indexes = true,
                .indexFiles = false,
                .memoTypes = {ftMemo, ftFmtMemo, ftBlob, ftGraphic, ftParadoxOle}};
    }

    std::uint64_t recordCount() const override { return data_->recordCount(); }
    std::uint64_t slotCount() const override { return data_->recordCount(); }
    bool readSlot(std::uint64_t slot, Record& out) override;
    bool readSlotFields(std::uint64_t slot, const std::vector<std::size_t>& positions, Record& out) override;
    RecordId recordIdAt(std::uint64_t slot) override;
    std::uint64_t slotOf(RecordId id) override;
    void readRecord(RecordId id, Record& out) override;
    void readRecordFields(RecordId id, const std::vector<std::size_t>& positions, Record& out) override;
    std::unique_ptr<KeyCursor> openIndex(const std::string& name) override;

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

    static RecordId makeRecordId(int block, int record) {
        return (static_cast<RecordId>(block) << 16) | static_cast<RecordId>(record);
    }

private:
    struct SecondaryFiles {
        std::unique_ptr<ParadoxDataFile> data;  // .Xnn / .XGn
        std::optional<PagedFile> tree;          // .Ynn / .YGn
    };

    // TransactionParticipant
    void prepareCommit() override;
    void afterCommit() override;
    void afterRollback() override;

    template <typename Op>
    auto inTransaction(Op op) -> decltype(op());
    // Takes the writers' lock and catches up on the first write of a transaction, then enlists
    // the family's files.
    void enlistFamily(Transaction& transaction);
    // Re-reads the family when another writer committed since this table last read it.
    void catchUp();
    void endWriting();
    // Forgets cached pages of every open file of the family.
    void refreshFiles();
    void requireWritable() const;
    std::vector<std::uint8_t> encodeRecord(const Record& values, bool assignAutoIncrement);
    void loadValidity();
    void enforceChecks(const Record& values, const std::uint8_t* raw) const;
    void storeBlob(const Value& value, const ParadoxField& field, const std::string& name, std::uint8_t* out);
    void releaseBlobs(const std::uint8_t* raw);
    ParadoxSortedSlot findKeySlot(const std::uint8_t* key) const;
    RecordId insertRaw(const std::uint8_t* raw);
    // Removes a record, merging a block left less than half full with a neighbour.
    void removeAt(ParadoxDataFile::Position at);
    [[noreturn]] void keyViolation(const std::uint8_t* raw) const;
    void rebuildPrimaryIndex();
    void rebuildSecondaryIndex(const ParadoxSecondaryIndex& index);
    // The .X file of a secondary index kept up to date on every change, or null.
    ParadoxDataFile* maintainedFile(const ParadoxSecondaryIndex& index);
    ParadoxKeyOrder secondaryOrder(const ParadoxSecondaryIndex& index, const ParadoxHeader& x) const;
    // The .X record of table record `raw` held in block `block` (as record `record`, at
    // `position` along the chain: unkeyed tables only).
    void makeEntry(const ParadoxSecondaryIndex& index, const ParadoxHeader& x, const ParadoxKeyOrder& order,
                   const std::uint8_t* raw, int block, std::uint8_t* entry, int record = 0,
                   std::uint64_t position = 0) const;
    // Calls `use` with the .X entry of each record in chain order (with no place: keyed tables).
    void forEachEntry(const ParadoxSecondaryIndex& index, const ParadoxHeader& x, const ParadoxKeyOrder& order,
                      const std::function<void(const std::uint8_t*)>& use);
    // Whether commits write this index's files.
    bool rewritten(const ParadoxSecondaryIndex& index) const;
    // Notes in every maintained index that record `oldRaw` in `oldBlock` became `newRaw` in
    // `newBlock`; either may be null (an insert, a removal).
    void noteEntries(const std::uint8_t* oldRaw, int oldBlock, const std::uint8_t* newRaw, int newBlock);
    // Throws EKeyViolation when `raw` (replacing `oldRaw`, if not null) would give a unique
    // secondary index a second entry with the same fields.
    void checkUniqueIndexes(const std::uint8_t* raw, const std::uint8_t* oldRaw);
    // Whether the maintained .X file `x` (with this transaction's noted changes) holds the key of
    // `entry` for a record other than the one whose entry is `replaced` (may be null).
    bool heldInFile(const ParadoxSecondaryIndex& index, ParadoxDataFile& x, const ParadoxKeyOrder& order,
                    const std::uint8_t* entry, const std::uint8_t* replaced) const;
    // The keys the unique `index` holds in this transaction, read from the records on first use.
    ParadoxUniqueKeys& uniqueKeysOf(const ParadoxSecondaryIndex& index, const ParadoxDataFile& x);
    // Keeps the key lists of uniqueKeysOf() up to date with a change noteEntries() is told of.
    void noteUniqueKeys(const std::uint8_t* oldRaw, const std::uint8_t* newRaw);
    // Applies the noted entries to the index's files; false when the index needs a rebuild.
    bool applyIndexChanges(const ParadoxSecondaryIndex& index);
    // Counts the .X file's change and writes its header and its whole index tree.
    void writeSecondaryTree(SecondaryFiles& files, const ParadoxKeyOrder& order);
    SecondaryFiles& secondaryFiles(const ParadoxSecondaryIndex& index);
    void reloadAfterDiskChange();

    // The field names and the first records' alpha values, as stored.
    TextSample sampleText() const;
    void decodeRecord(const std::uint8_t* raw, Record& out);
    Value decodeField(const std::uint8_t* raw, const ParadoxField& field);
    void decodeFields(const std::uint8_t* raw, const std::vector<std::size_t>& positions, Record& out);
    const std::uint8_t* slotBytes(std::uint64_t slot);
    Value decodeBlob(const std::uint8_t* raw, const ParadoxField& field);
    ParadoxDataFile::Position positionOf(RecordId id) const;
    ParadoxKeyOrder primaryOrder() const;
    // The index tree in `path` if it exists, fits `keyBytes` and agrees with `data`; else empty,
    // with the reason reported when `report` is set.
    std::optional<ParadoxIndexTree> readTree(const PagedFile& file, const ParadoxDataFile& data, int keyBytes,
                                             bool report);
    // The table record whose primary key equals `key` (bytes laid out as in a record), if any.
    std::optional<RecordId> findPrimaryKey(const std::uint8_t* key, int hintBlock);
    std::unique_ptr<KeyCursor> openSecondary(const ParadoxSecondaryIndex& index);

    const StorageDriver& driver_;
    std::filesystem::path path_;
    OpenOptions options_;
    ProblemLog problems_;
    std::unique_ptr<ParadoxDataFile> data_;
    std::unique_ptr<TextCodec> codec_;
    CodePageChoice codePage_;
    std::unique_ptr<ParadoxCollation> collation_;
    std::optional<ParadoxBlobFile> blobs_;
    std::optional<PagedFile> pxFile_;
    std::optional<ParadoxIndexTree> primaryTree_;  // the .PX, when it agrees with the chain
    std::vector<FieldDef> fields_;
    std::vector<ParadoxSecondaryIndex> secondaries_;
    std::vector<ParadoxFieldCheck> checks_;                                  // from the .VAL
    std::map<std::string, SecondaryFiles> secondaryFiles_;                   // opened on first use
    std::map<std::string, std::optional<ParadoxIndexTree>> secondaryTrees_;  // their .Ynn/.YGn
    std::vector<std::uint8_t> raw_;
    bool asciiTransparent_ = false;  // the code page keeps ASCII as it is (nearly all do)
    Transaction* transaction_ = nullptr;
    bool writing_ = false;                                     // holds the writers' lock for the running transaction
    FileStamp stamp_;                                          // the .DB as it was when last read or written
    bool changed_ = false;                                     // since the last commit: indexes on disk are behind
    bool rebuildIndexes_ = false;                              // this transaction rebuilds the secondary indexes whole
    std::map<std::string, ParadoxIndexChanges> indexChanges_;  // by .X file name
    std::map<std::string, ParadoxUniqueKeys> uniqueKeys_;      // by .X file name, until the commit
};

}  // namespace tabulon::paradox
