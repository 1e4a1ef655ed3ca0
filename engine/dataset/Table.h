#pragma once
// A table of a connection's folder as the windows use it: open and close, fields, navigation,
// editing, orders, key search, filters and cached updates. Moving is TableNavigator's, the
// record being edited EditBuffer's, the key being searched for KeySearch's.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../storage/MovingRecordFinder.h"
#include "../storage/StorageTable.h"
#include "Bookmark.h"
#include "ChangeCache.h"
#include "EditBuffer.h"
#include "Field.h"
#include "KeySearch.h"
#include "RegionalSettings.h"
#include "TableLock.h"
#include "TableNavigator.h"
#include "filter/FilterExpression.h"

namespace tabulon {

class Connection;
class Transaction;

enum class TableState { Inactive, Browse, Edit, Insert, SetKey };

// Contract:
// - Set the name (file name with extension, found in the connection's folder without regard to
//   letter case), type, driver, exclusive and cached-updates switches while closed.
// - open() locks the table for shared or exclusive use; a conflicting use by another session or
//   process is refused with ETableBusy naming the holder. close() releases it, dropping unposted
//   edits and unapplied cached changes.
// - Navigation moves among the records of the current view: the chosen order, the cached
//   changes and the filter. BOF is set by first() and by prior() at the start, EOF by last()
//   and next() at the end; an empty view has both.
// - Without cached updates post() and remove() write at once (inside the connection's
//   transaction when one is open, else each on its own, atomically). With them, changes wait
//   in the cache for applyUpdates(), which writes them all or none.
// - Errors are EngineError: ERequiredField and EKeyViolation at post naming the field or key,
//   EValueError for values and filter texts, EUsageError for a call in the wrong state.
// - Destroying an open table inside a transaction rolls the connection's transaction back,
//   which must not keep writes of a table that no longer exists.
// - One thread at a time: the thread of the connection's session.
class Table {
public:
    explicit Table(Connection& connection);
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;
    ~Table();

    // --- Set while closed (EUsageError otherwise). ---
    // A name other than the current one (letter case ignored) forgets the index files added.
    void setTableName(std::string name);
    const std::string& tableName() const { return tableName_; }
    // ttDefault: by the extension (".DB" or none Paradox, ".DBF" dBase, ".TXT" text).
    void setTableType(TableType type);
    TableType tableType() const { return tableType_; }
    // A driver to use instead of the built-in one the type names (null: the built-in one).
    void setDriver(const StorageDriver* driver);
    void setExclusive(bool exclusive);
    bool exclusive() const { return exclusive_; }
    void setCachedUpdates(bool cached);
    bool cachedUpdates() const { return cachedUpdates_; }
    // Opens the files for reading only; every write then fails.
    void setReadOnly(bool readOnly);
    // A code page that overrides the table's own ("CP1252"); empty: the table's.
    void setEncoding(std::string encoding);

    // --- Settings that apply at once when open. ---
    void setRegionalSettings(const RegionalSettings& settings);
    const RegionalSettings& regionalSettings() const { return settings_; }
    // Empty: primary order of a keyed Paradox table, record order otherwise. Open, the table
    // goes to its first record in the new order; EValueError for an unknown index (the old
    // order stays).
    void setIndexName(const std::string& name);
    const std::string& indexName() const { return indexName_; }
    // Parsed at once when open (EValueError with what was expected and where; the old text
    // stays), else at open.
    void setFilter(const std::string& text);
    const std::string& filter() const { return filterText_; }
    void setFiltered(bool filtered);
    bool filtered() const { return filtered_; }
    void setFilterOptions(const FilterOptions& options);
    const FilterOptions& filterOptions() const { return filterOptions_; }

    // --- Life. ---
    // Throws EFileError when the table does not exist, ETableBusy, the driver's errors, and
    // EValueError for a filter text that does not parse.
    void open();
    // EUsageError while the connection is in a transaction (the transaction would lose the
    // table's pending writes): commit or roll back first.
    void close();
    bool active() const { return storage_ != nullptr; }
    TableState state() const;
    std::filesystem::path path() const;
    StorageTable& storage();

    // --- Structure. ---
    std::size_t fieldCount() const;
    Field field(std::size_t index);
    // EValueError when there is no such field (letter case ignored).
    Field fieldByName(const std::string& name);
    const std::vector<FieldDef>& fieldDefs() const;
    // Engine order: a Paradox table's primary index first.
    std::vector<IndexDef> indexDefs() const;
    // The index that orders the open table now; none for record order.
    const std::optional<IndexDef>& activeIndex() const { return index_; }
    // A dBase table's extra index files (.MDX, .NDX, .CDX). Adding one while closed attaches it
    // at open; while open, at once. A file already attached is not an error. ENotSupported for
    // formats without index files; EFileError when the file is not in the folder.
    void addIndexFile(const std::string& name);
    std::vector<std::string> indexFiles() const;
    // What the open table's format lets it do; EUsageError while closed.
    TableCapabilities capabilities() const;

    // --- Navigation. ---
    void first();
    void last();
    void next();
    void prior();
    bool bof() const { return navigator_.bof(); }
    bool eof() const { return navigator_.eof(); }
    bool isEmpty() const { return !navigator_.onRecord(); }
    // The current record's values (the edit buffer while editing); empty when there is none.
    // Valid until the table moves or changes.
    const Record& currentValues() const;
    // Records of the current view (the filter and the cache counted in).
    std::uint64_t recordCount();
    // 1-based number of the current record in the view; 0 when there is none.
    std::uint64_t recordNumber();
    Bookmark bookmark() const;
    // EValueError when the record is gone.
    void gotoBookmark(const Bookmark& bookmark);
    // Re-reads what other sessions and processes committed, staying on the current record
    // when it still exists.
    void refresh();

    // --- Editing. ---
    // An update writes only the fields assigned since edit(), onto the record as stored; the
    // post still fails when another writer changed or deleted the record since it was read.
    void edit();
    void append();
    void insert();
    void post();
    void cancel();
    // Deletes the current record and moves to the next one (or the prior one at the end).
    void remove();
    // The record being edited or inserted and the fields assigned so far (inactive in Browse).
    const EditBuffer& editBuffer() const { return editBuffer_; }

    // --- Key search in the current index. ---
    // Key-editing mode with an empty key buffer.
    void setKey();
    // Key-editing mode keeping the key values of the previous search.
    void editKey();
    // Leaves key-editing mode and goes to the first record whose key is >= the key buffer
    // (fields left unassigned sort lowest); to the last record, with EOF set, when none is.
    void gotoNearest();
    // Leaves key-editing mode; goes to the record whose key equals the key buffer's assigned
    // leading fields and returns true, or stays and returns false.
    bool gotoKey();
    // setKey(), assign `values` to the leading key fields, gotoKey().
    bool findKey(const Record& values);

    // --- Cached updates. ---
    bool updatesPending() const { return !cache_.empty() && !cacheApplied_; }
    // Writes the cache to the table inside the connection's transaction when one is open (the
    // caller then commits or rolls back), else inside a transaction of its own. On failure the
    // files are as before, the cache is kept and the error is thrown.
    void applyUpdates();
    // Forgets the cache once applied.
    void commitUpdates();
    // Drops every cached change.
    void cancelUpdates();

    // --- Called by Field and Connection. ---
    const Value& fieldValue(std::size_t index) const;
    void setFieldValue(std::size_t index, Value value);
    void joinTransaction(Transaction* transaction);
    void leaveTransaction(bool committed);

private:
    void requireClosed(const char* what) const;
    void requireActive() const;
    void requireBrowse(const char* what) const;
    void rebuildCursor();
    void compileFilter(const std::string& text, const FilterOptions& options);
    // The index named `name` (empty: the primary one, when there is one); EValueError when a
    // named one does not exist.
    std::optional<IndexDef> findIndex(const StorageTable& storage, const std::string& name) const;
    void checkRequired() const;
    // `value` as the kind field `def` holds; EValueError naming the field when it does not convert.
    Value converted(const FieldDef& def, Value value) const;
    const IndexDef& currentIndex() const;
    // Called before a change is cached: an applied cache not yet committed is committed by it.
    void startNewCachedChange();
    // Runs `change` in the connection's transaction, or in one of its own committed at once,
    // holding the table's writers' lock from before it starts: another writer's commit since
    // the record was read is then caught up with.
    template <typename Change>
    auto writeInTurn(Change&& change);

    Connection& connection_;
    std::string tableName_;
    TableType tableType_ = ttDefault;
    const StorageDriver* driver_ = nullptr;
    bool exclusive_ = false;
    bool cachedUpdates_ = false;
    bool readOnly_ = false;
    std::string encoding_;
    RegionalSettings settings_;
    std::string indexName_;
    std::vector<std::string> indexFileNames_;  // to attach at open
    std::string filterText_;
    bool filtered_ = false;
    FilterOptions filterOptions_;
    std::optional<FilterExpression> filterExpression_;

    std::unique_ptr<StorageTable> storage_;
    std::optional<MovingRecordFinder> finder_;  // for tables whose writes move records
    TableLock lock_;
    TableNavigator navigator_;
    std::optional<IndexDef> index_;
    ChangeCache cache_;
    bool cacheApplied_ = false;
    Transaction* transaction_ = nullptr;

    EditBuffer editBuffer_;
    KeySearch keySearch_;
    Value null_;
};

}  // namespace tabulon
