#include "Table.h"

#include "../core/AsciiCase.h"
#include "../core/EngineError.h"
#include "../io/Transaction.h"
#include "../storage/Drivers.h"
#include "Connection.h"
#include "IndexOrder.h"
#include "NaturalOrder.h"
#include "RecordFinding.h"
#include "Session.h"

namespace tabulon {

namespace {
// Attaching a file the table already has is not an error.
void attachIndexFile(StorageTable& storage, const std::filesystem::path& folder, const std::string& name) {
    for (const std::string& attached : storage.indexFiles())
        if (equalsIgnoringAsciiCase(attached, name)) return;
    const std::filesystem::path file = findFileIgnoringCase(folder, name);
    if (file.empty())
        throw EngineError(errkind::kFile, "Index file " + name + " does not exist in folder " + folder.string());
    storage.attachIndexFile(file);
}

bool keyValuesEqual(const Value& a, const Value& b, bool caseInsensitive) {
    if (caseInsensitive && a.kind() == ValueKind::String && b.kind() == ValueKind::String)
        return equalsIgnoringAsciiCase(a.asString(), b.asString());
    return a.compare(b) == 0;
}
}  // namespace

Table::Table(Connection& connection) : connection_(connection) {}

template <typename Change>
auto Table::writeInTurn(Change&& change) {
    if (transaction_) {
        storage_->beginWriting();
        return change();
    }
    Transaction own(connection_.newJournalPath());
    storage_->setTransaction(&own);
    struct Detach {
        StorageTable& storage;
        ~Detach() { storage.setTransaction(nullptr); }
    } detach{*storage_};
    storage_->beginWriting();
    return commitAfter(own, change);
}

RecordId Table::currentId(RecordId id, const Record& original) {
    return findRecordAgain(*storage_, finder_, id, original);
}

Table::~Table() {
    if (!active()) return;
    // A destructor cannot report: a rollback that fails (the transaction ends even so) is left
    // to the next open's recovery, and the lock and files are released with the members.
    try {
        if (connection_.inTransaction()) connection_.rollback();
    } catch (...) {
    }
    try {
        close();
    } catch (...) {
        connection_.detach(*this);
    }
}

void Table::requireClosed(const char* what) const {
    if (active())
        throw EngineError(errkind::kUsage, std::string("Cannot change the ") + what + " of table " + tableName_ +
                                               " while it is open");
}

void Table::requireActive() const {
    if (!active()) throw EngineError(errkind::kUsage, "Table " + tableName_ + " is not open");
}

void Table::requireBrowse(const char* what) const {
    requireActive();
    if (state_ != TableState::Browse)
        throw EngineError(errkind::kUsage, std::string("Cannot ") + what + " table " + tableName_ +
                                               ": it is being edited; post or cancel first");
}

void Table::setTableName(std::string name) {
    requireClosed("name");
    tableName_ = std::move(name);
}

void Table::setTableType(TableType type) {
    requireClosed("type");
    tableType_ = type;
}

void Table::setDriver(const StorageDriver* driver) {
    requireClosed("driver");
    driver_ = driver;
}

void Table::setExclusive(bool exclusive) {
    requireClosed("exclusive use");
    exclusive_ = exclusive;
}

void Table::setCachedUpdates(bool cached) {
    requireClosed("cached updates");
    cachedUpdates_ = cached;
}

void Table::setReadOnly(bool readOnly) {
    requireClosed("access");
    readOnly_ = readOnly;
}

void Table::setEncoding(std::string encoding) {
    requireClosed("encoding");
    encoding_ = std::move(encoding);
}

void Table::setRegionalSettings(const RegionalSettings& settings) {
    settings_ = settings;
    if (active() && !filterText_.empty()) {
        compileFilter(filterText_, filterOptions_);
        rebuildCursor();
        first();
    }
}

std::filesystem::path Table::path() const {
    return storage_ ? storage_->path() : std::filesystem::path();
}

StorageTable& Table::storage() {
    requireActive();
    return *storage_;
}

void Table::open() {
    if (active()) return;
    if (!connection_.connected())
        throw EngineError(errkind::kUsage, "Cannot open table " + tableName_ + ": connection '" +
                                               connection_.alias() + "' is not connected");
    const std::filesystem::path& folder = connection_.folder();
    std::filesystem::path found = findFileIgnoringCase(folder, tableName_);
    if (found.empty() && std::filesystem::path(tableName_).extension().empty())
        found = findFileIgnoringCase(folder, tableName_ + ".DB");
    if (found.empty())
        throw EngineError(errkind::kFile, "Table " + tableName_ + " does not exist in folder " + folder.string());
    const StorageDriver& driver = driver_ ? *driver_ : tableType_ == ttDefault ? driverForPath(found) : driverFor(tableType_);

    TableLock lock = TableLock::acquire(found, connection_.session().name(), exclusive_);
    OpenOptions options;
    options.access = readOnly_ ? AccessMode::ReadOnly : AccessMode::ReadWrite;
    options.share = exclusive_ ? ShareMode::Exclusive : ShareMode::Shared;
    options.encoding = encoding_;
    std::unique_ptr<StorageTable> storage;
    try {
        storage = driver.open(found, options);
    } catch (const EngineError& e) {
        if (e.kind() != errkind::kFile || readOnly_) throw;
        options.access = AccessMode::ReadOnly;  // a read-only file still opens for reading
        storage = driver.open(found, options);
    }

    for (const std::string& name : indexFileNames_) attachIndexFile(*storage, folder, name);
    std::optional<FilterExpression> expression;
    if (!filterText_.empty())
        expression = FilterExpression::parse(filterText_, storage->fields(), filterOptions_, settings_);
    std::optional<IndexDef> index;
    for (const IndexDef& def : storage->indexes())
        if (indexName_.empty() ? (def.options & ixPrimary) != 0
                               : equalsIgnoringAsciiCase(def.name, indexName_)) {
            index = def;
            break;
        }
    if (!indexName_.empty() && !index)
        throw EngineError(errkind::kValue, "Table " + tableName_ + " has no index '" + indexName_ + "'");

    storage_ = std::move(storage);
    finder_ = MovingRecordFinder::forTable(*storage_);
    lock_ = std::move(lock);
    filterExpression_ = std::move(expression);
    index_ = index;
    keyFields_ = index_ ? indexFieldPositions(*index_, storage_->fields()) : std::vector<std::size_t>{};
    cache_.clear();
    cacheApplied_ = false;
    state_ = TableState::Browse;
    keyBuffer_.assign(storage_->fields().size(), Value());
    keyAssigned_.assign(storage_->fields().size(), false);
    connection_.attach(*this);
    try {
        rebuildCursor();
        first();
    } catch (...) {
        close();
        throw;
    }
}

void Table::close() {
    if (!active()) return;
    if (transaction_)
        throw EngineError(errkind::kUsage, "Table " + tableName_ + " cannot close while connection '" +
                                               connection_.alias() + "' is in a transaction");
    connection_.detach(*this);
    cursor_.reset();
    storage_.reset();
    finder_.reset();
    lock_ = TableLock();
    cache_.clear();
    cacheApplied_ = false;
    buffer_.clear();
    state_ = TableState::Inactive;
    bof_ = eof_ = true;
}

std::size_t Table::fieldCount() const { return fieldDefs().size(); }

const std::vector<FieldDef>& Table::fieldDefs() const {
    requireActive();
    return storage_->fields();
}

Field Table::field(std::size_t index) {
    if (index >= fieldCount())
        throw EngineError(errkind::kValue, "Table " + tableName_ + " has no field number " + std::to_string(index));
    return Field(*this, index);
}

Field Table::fieldByName(const std::string& name) {
    const auto& defs = fieldDefs();
    for (std::size_t i = 0; i < defs.size(); ++i)
        if (equalsIgnoringAsciiCase(defs[i].name, name)) return Field(*this, i);
    throw EngineError(errkind::kValue, "Table " + tableName_ + " has no field '" + name + "'");
}

void Table::addIndexFile(const std::string& name) {
    if (active()) attachIndexFile(*storage_, connection_.folder(), name);
    for (const std::string& known : indexFileNames_)
        if (equalsIgnoringAsciiCase(known, name)) return;
    indexFileNames_.push_back(name);
}

std::vector<std::string> Table::indexFiles() const {
    return active() ? storage_->indexFiles() : indexFileNames_;
}

TableCapabilities Table::capabilities() const {
    requireActive();
    return storage_->capabilities();
}

std::vector<IndexDef> Table::indexDefs() const {
    requireActive();
    return storage_->indexes();
}

void Table::setIndexName(const std::string& name) {
    if (!active()) {
        indexName_ = name;
        return;
    }
    requireBrowse("change the order of");
    std::optional<IndexDef> index;
    for (const IndexDef& def : storage_->indexes())
        if (name.empty() ? (def.options & ixPrimary) != 0
                         : equalsIgnoringAsciiCase(def.name, name)) {
            index = def;
            break;
        }
    if (!name.empty() && !index)
        throw EngineError(errkind::kValue, "Table " + tableName_ + " has no index '" + name + "'");
    const auto previous = index_;
    index_ = index;
    try {
        rebuildCursor();
    } catch (...) {
        index_ = previous;
        rebuildCursor();
        throw;
    }
    indexName_ = name;
    keyFields_ = index_ ? indexFieldPositions(*index_, storage_->fields()) : std::vector<std::size_t>{};
    keyBuffer_.assign(storage_->fields().size(), Value());
    keyAssigned_.assign(storage_->fields().size(), false);
    first();
}

void Table::compileFilter(const std::string& text, const FilterOptions& options) {
    if (text.empty()) {
        filterExpression_.reset();
        return;
    }
    filterExpression_ = FilterExpression::parse(text, storage_->fields(), options, settings_);
}

void Table::setFilter(const std::string& text) {
    if (active()) {
        requireBrowse("filter");
        compileFilter(text, filterOptions_);
        filterText_ = text;
        if (filtered_) {
            rebuildCursor();
            first();
        }
        return;
    }
    filterText_ = text;
}

void Table::setFiltered(bool filtered) {
    if (filtered_ == filtered) return;
    filtered_ = filtered;
    if (active()) {
        requireBrowse("filter");
        rebuildCursor();
        first();
    }
}

void Table::setFilterOptions(const FilterOptions& options) {
    if (active() && !filterText_.empty()) {
        requireBrowse("filter");
        compileFilter(filterText_, options);
        filterOptions_ = options;
        if (filtered_) {
            rebuildCursor();
            first();
        }
        return;
    }
    filterOptions_ = options;
}

void Table::rebuildCursor() {
    std::optional<FilterExpression> filter;
    if (filtered_) filter = filterExpression_;
    std::unique_ptr<RecordOrder> order;
    if (index_) order = std::make_unique<IndexOrder>(*storage_, index_->name);
    else order = std::make_unique<NaturalOrder>(*storage_, firstFilterFields(filter));
    const ChangeCache* cache = cachedUpdates_ && !cacheApplied_ ? &cache_ : nullptr;
    cursor_ = std::make_unique<TableCursor>(*storage_, std::move(order), cache, std::move(filter));
}

void Table::afterMove(bool moved, bool forward) {
    if (forward) {
        eof_ = !moved;
        bof_ = false;
    } else {
        bof_ = !moved;
        eof_ = false;
    }
}

void Table::first() {
    requireBrowse("move in");
    const bool moved = cursor_->first();
    bof_ = true;
    eof_ = !moved;
}

void Table::last() {
    requireBrowse("move in");
    const bool moved = cursor_->last();
    eof_ = true;
    bof_ = !moved;
}

void Table::next() {
    requireBrowse("move in");
    afterMove(cursor_->next(), true);
}

void Table::prior() {
    requireBrowse("move in");
    afterMove(cursor_->prior(), false);
}

Record Table::currentValues() const {
    requireActive();
    if (state_ == TableState::Edit || state_ == TableState::Insert) return buffer_;
    return cursor_->onRecord() ? cursor_->record() : Record{};
}

std::uint64_t Table::recordCount() {
    requireActive();
    return cursor_->count();
}

std::uint64_t Table::recordNumber() {
    requireActive();
    return cursor_->position();
}

Bookmark Table::bookmark() const {
    requireActive();
    return cursor_->bookmark();
}

void Table::gotoBookmark(const Bookmark& bookmark) {
    requireBrowse("move in");
    if (!cursor_->gotoBookmark(bookmark))
        throw EngineError(errkind::kValue, "The bookmarked record of table " + tableName_ + " no longer exists");
    bof_ = eof_ = false;
}

void Table::reposition(const Bookmark& bookmark) {
    bool found = false;
    try {
        found = bookmark.valid && cursor_->gotoBookmark(bookmark);
    } catch (const EngineError& e) {
        // Another writer's commit moved the record away: the change itself is done.
        if (e.kind() != errkind::kUsage) throw;
    }
    if (found) {
        bof_ = eof_ = false;
        return;
    }
    const bool moved = cursor_->first();
    bof_ = true;
    eof_ = !moved;
}

void Table::refresh() {
    requireBrowse("refresh");
    const Bookmark here = cursor_->bookmark();
    storage_->refresh();
    rebuildCursor();
    reposition(here);
}

void Table::edit() {
    requireBrowse("edit");
    if (isEmpty()) throw EngineError(errkind::kUsage, "Table " + tableName_ + " has no record to edit");
    buffer_ = cursor_->record();
    editing_ = cursor_->bookmark();
    editingOriginal_ = buffer_;
    state_ = TableState::Edit;
}

void Table::append() {
    requireActive();
    if (state_ == TableState::Edit || state_ == TableState::Insert) post();
    requireBrowse("append to");
    buffer_.assign(fieldCount(), Value());
    editing_ = Bookmark{};
    state_ = TableState::Insert;
}

void Table::insert() { append(); }

void Table::checkRequired() const {
    const auto& defs = fieldDefs();
    for (std::size_t i = 0; i < defs.size(); ++i) {
        const Value& v = buffer_[i];
        if (defs[i].required && defs[i].type != ftAutoInc &&
            (v.isNull() || (v.kind() == ValueKind::String && v.asString().empty())))
            throw EngineError(errkind::kRequired, "Field '" + defs[i].name + "' of table " + tableName_ +
                                                      " must have a value");
    }
}

void Table::post() {
    requireActive();
    if (state_ != TableState::Edit && state_ != TableState::Insert) return;
    checkRequired();
    Bookmark target;
    if (cachedUpdates_) {
        if (cacheApplied_) {
            cache_.clear();  // applied changes not yet committed are committed by new ones
            cacheApplied_ = false;
        }
        target = editing_;
        if (state_ == TableState::Insert) target = Bookmark{true, true, 0, cache_.insert(buffer_)};
        else if (editing_.inserted) cache_.editInsert(editing_.insert, buffer_);
        else cache_.edit(editing_.id, editingOriginal_, buffer_);
    } else {
        const bool inserting = state_ == TableState::Insert;
        const RecordId id = writeInTurn([&] {
            return inserting ? storage_->append(buffer_)
                             : storage_->update(currentId(editing_.id, editingOriginal_), buffer_);
        });
        target = Bookmark{true, false, id, 0};
    }
    state_ = TableState::Browse;
    buffer_.clear();
    rebuildCursor();
    reposition(target);
}

void Table::cancel() {
    requireActive();
    if (state_ == TableState::Browse) return;
    state_ = TableState::Browse;
    buffer_.clear();
}

void Table::remove() {
    requireBrowse("delete from");
    if (isEmpty()) throw EngineError(errkind::kUsage, "Table " + tableName_ + " has no record to delete");
    const Bookmark doomed = cursor_->bookmark();
    const Record doomedOriginal = cursor_->record();
    Bookmark neighbour;
    if (cursor_->next()) neighbour = cursor_->bookmark();
    else if (cursor_->gotoBookmark(doomed) && cursor_->prior()) neighbour = cursor_->bookmark();
    if (cachedUpdates_) {
        if (cacheApplied_) {
            cache_.clear();
            cacheApplied_ = false;
        }
        if (doomed.inserted) cache_.removeInsert(doomed.insert);
        else cache_.remove(doomed.id, doomedOriginal);
    } else {
        writeInTurn([&] { storage_->remove(currentId(doomed.id, doomedOriginal)); });
    }
    rebuildCursor();
    reposition(neighbour);
}

const IndexDef& Table::currentIndex() const {
    if (!index_)
        throw EngineError(errkind::kUsage, "Table " + tableName_ + " has no index chosen: key search needs one");
    return *index_;
}

void Table::setKey() {
    editKey();
    keyBuffer_.assign(fieldCount(), Value());
    keyAssigned_.assign(fieldCount(), false);
}

void Table::editKey() {
    requireActive();
    currentIndex();
    if (state_ == TableState::Edit || state_ == TableState::Insert) post();
    state_ = TableState::SetKey;
}

Record Table::keyForSearch() const {
    std::size_t used = 0;
    for (std::size_t k = 0; k < keyFields_.size(); ++k)
        if (keyAssigned_[keyFields_[k]]) used = k + 1;
    Record key;
    for (std::size_t k = 0; k < used; ++k) key.push_back(keyBuffer_[keyFields_[k]]);
    return key;
}

void Table::gotoNearest() {
    requireActive();
    if (state_ != TableState::SetKey) currentIndex();
    state_ = TableState::Browse;
    const Record key = keyForSearch();
    if (key.empty()) return first();
    if (cursor_->seek(key, false)) {
        bof_ = eof_ = false;
        return;
    }
    last();
}

bool Table::gotoKey() {
    requireActive();
    const IndexDef& index = currentIndex();
    state_ = TableState::Browse;
    const Record key = keyForSearch();
    const Bookmark here = cursor_->bookmark();
    if (!key.empty() && cursor_->seek(key, false)) {
        const Record found = cursor_->key();
        bool equal = found.size() >= key.size();
        for (std::size_t i = 0; equal && i < key.size(); ++i)
            equal = keyValuesEqual(found[i], key[i], (index.options & ixCaseInsensitive) != 0);
        if (equal) {
            bof_ = eof_ = false;
            return true;
        }
    }
    reposition(here);
    return false;
}

bool Table::findKey(const Record& values) {
    setKey();
    if (values.size() > keyFields_.size())
        throw EngineError(errkind::kValue, "Index " + currentIndex().name + " has " +
                                               std::to_string(keyFields_.size()) + " key fields, not " +
                                               std::to_string(values.size()));
    for (std::size_t k = 0; k < values.size(); ++k) setFieldValue(keyFields_[k], values[k]);
    return gotoKey();
}

void Table::applyUpdates() {
    requireActive();
    if (state_ == TableState::Edit || state_ == TableState::Insert) post();
    if (!cachedUpdates_ || cacheApplied_ || cache_.empty()) return;
    const Bookmark here = cursor_->bookmark();
    if (transaction_) {
        storage_->beginWriting();
        cache_.applyTo(*storage_);  // the connection's owner commits or rolls back
    } else {
        Transaction transaction(connection_.newJournalPath());
        storage_->setTransaction(&transaction);
        try {
            storage_->beginWriting();
            cache_.applyTo(*storage_);
            transaction.commit();
        } catch (...) {
            try {
                transaction.rollback();
            } catch (...) {
                // The apply's own error is the one to report; the table lets go of the
                // transaction all the same.
            }
            storage_->setTransaction(nullptr);
            rebuildCursor();
            reposition(here);
            throw;
        }
        storage_->setTransaction(nullptr);
    }
    cacheApplied_ = true;
    rebuildCursor();
    reposition(here.inserted ? Bookmark{} : here);
}

void Table::commitUpdates() {
    requireActive();
    cache_.clear();
    cacheApplied_ = false;
    rebuildCursor();
    reposition(cursor_->bookmark());
}

void Table::cancelUpdates() {
    requireActive();
    cancel();
    cache_.clear();
    cacheApplied_ = false;
    rebuildCursor();
    first();
}

const Value& Table::fieldValue(std::size_t index) const {
    switch (state_) {
        case TableState::Edit:
        case TableState::Insert:
            return buffer_.at(index);
        case TableState::SetKey:
            return keyBuffer_.at(index);
        case TableState::Browse:
            return cursor_->onRecord() ? cursor_->record().at(index) : null_;
        default:
            return null_;
    }
}

void Table::setFieldValue(std::size_t index, Value value) {
    requireActive();
    const FieldDef& def = fieldDefs().at(index);
    if (state_ == TableState::SetKey) {
        bool inKey = false;
        for (std::size_t position : keyFields_) inKey = inKey || position == index;
        if (!inKey)
            throw EngineError(errkind::kValue, "Field " + def.name + " is not part of index " + currentIndex().name);
    } else if (state_ != TableState::Edit && state_ != TableState::Insert) {
        throw EngineError(errkind::kUsage, "Cannot assign field " + def.name + " of table " + tableName_ +
                                               ": the table is not being edited");
    }
    const ValueKind kind = valueKindFor(def.type);
    if (!value.isNull() && value.kind() != kind) {
        try {
            value = value.convertTo(kind);
        } catch (const EngineError& e) {
            throw EngineError(errkind::kValue, "Field " + def.name + ": " + e.message());
        }
    }
    if (state_ == TableState::SetKey) {
        keyBuffer_[index] = std::move(value);
        keyAssigned_[index] = true;
    } else {
        buffer_[index] = std::move(value);
    }
}

void Table::joinTransaction(Transaction* transaction) {
    transaction_ = transaction;
    storage_->setTransaction(transaction);
}

void Table::leaveTransaction(bool committed) {
    transaction_ = nullptr;
    storage_->setTransaction(nullptr);
    if (!committed) cacheApplied_ = false;  // the cache is back in force, to retry or cancel
    if (state_ != TableState::Browse) state_ = TableState::Browse;
    const Bookmark here = cursor_->bookmark();
    rebuildCursor();
    reposition(committed ? here : Bookmark{});
}

}  // namespace tabulon
