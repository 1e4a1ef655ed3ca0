#pragma once
// An open Paradox table: the .DB with its .MB, .PX and secondary indexes.
#include <map>
#include <memory>
#include <optional>

#include "../../core/TextCodec.h"
#include "../../io/Transaction.h"
#include "../StorageTable.h"
#include "ParadoxBlobFile.h"
#include "ParadoxCollation.h"
#include "ParadoxDataFile.h"
#include "ParadoxIndexTree.h"
#include "ParadoxKeyOrder.h"
#include "ParadoxSecondaryIndex.h"
#include "ProblemLog.h"

namespace tabulon::paradox {

// Reads records in block-chain order; record ids are (block << 16) | record-in-block. Opening
// throws EFileError when a file cannot be read, EFormatError for a header that cannot be used
// (and, in a strict open, for any damage), ENotSupported for a password-protected table.
// Writes keep a keyed table's records in key order inside their blocks (splitting full ones),
// and rebuild the .PX and every maintained secondary index when the transaction commits, so
// the family agrees after every commit; within a transaction, cursors see the changes through
// indexes built in memory. A duplicate primary key fails the change itself (EKeyViolation); a
// duplicate in a unique secondary index fails the commit. One thread at a time.
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
    std::vector<TableProblem> problems() const override { return problems_.problems(); }

    std::uint64_t recordCount() const override { return data_->recordCount(); }
    std::uint64_t slotCount() const override { return data_->recordCount(); }
    bool readSlot(std::uint64_t slot, Record& out) override;
    RecordId recordIdAt(std::uint64_t slot) override;
    std::uint64_t slotOf(RecordId id) override;
    void readRecord(RecordId id, Record& out) override;
    std::unique_ptr<KeyCursor> openIndex(const std::string& name) override;

    void setTransaction(Transaction* transaction) override;
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
    struct KeySlot {
        std::size_t chainIndex = 0;
        int record = 0;
        bool found = false;
    };

    // TransactionParticipant
    void prepareCommit() override;
    void afterCommit() override;
    void afterRollback() override;

    template <typename Op>
    auto inTransaction(Op op) -> decltype(op());
    void enlistFamily(Transaction& transaction);
    void requireWritable() const;
    std::vector<std::uint8_t> encodeRecord(const Record& values, bool assignAutoIncrement);
    void storeBlob(const Value& value, const ParadoxField& field, const std::string& name, std::uint8_t* out);
    void releaseBlobs(const std::uint8_t* raw);
    KeySlot findKeySlot(const std::uint8_t* key);
    RecordId insertRaw(const std::uint8_t* raw);
    [[noreturn]] void keyViolation(const std::uint8_t* raw) const;
    void rebuildPrimaryIndex();
    void rebuildSecondaryIndex(const ParadoxSecondaryIndex& index);
    SecondaryFiles& secondaryFiles(const ParadoxSecondaryIndex& index);
    void reloadAfterDiskChange();

    void decodeRecord(const std::uint8_t* raw, Record& out);
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
    std::unique_ptr<ParadoxCollation> collation_;
    std::optional<ParadoxBlobFile> blobs_;
    std::optional<PagedFile> pxFile_;
    std::optional<ParadoxIndexTree> primaryTree_;  // the .PX, when it agrees with the chain
    std::vector<FieldDef> fields_;
    std::vector<ParadoxSecondaryIndex> secondaries_;
    std::map<std::string, SecondaryFiles> secondaryFiles_;                     // opened on first use
    std::map<std::string, std::optional<ParadoxIndexTree>> secondaryTrees_;   // their .Ynn/.YGn
    std::vector<std::uint8_t> raw_;
    bool asciiTransparent_ = false;  // the code page keeps ASCII as it is (nearly all do)
    Transaction* transaction_ = nullptr;
    bool changed_ = false;  // since the last commit: indexes on disk are behind
};

}  // namespace tabulon::paradox
