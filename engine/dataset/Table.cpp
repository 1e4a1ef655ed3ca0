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
        throw EngineError(errkind::kUsage,
                          std::string("Cannot change the ") + what + " of table " + tableName_ + " while it is open");
}

void Table::requireActive() const {
    if (!active()) throw EngineError(errkind::kUsage, "Table " + tableName_ + " is not open");
}

void Table::requireBrowse(const char* what) const {
    requireActive();
    if (state() != TableState::Browse)
        throw EngineError(errkind::kUsage, std::string("Cannot ") + what + " table " + tableName_ +
                                               ": it is being edited; post or cancel first");
}

void Table::setTableName(std::string name) {
    requireClosed("name");
    // Index files belong to the table they were attached for.
    if (!equalsIgnoringAsciiCase(name, tableName_)) indexFileNames_.clear();
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

std::filesystem::path Table::path() const { return storage_ ? storage_->path() : std::filesystem::path(); }

StorageTable& Table::storage() {
    requireActive();
    return *storage_;
}

void Table::open() {
    if (active()) return;
    if (!connection_.connected())
        throw EngineError(errkind::kUsage, "Cannot open table " + tableName_ + ": connection '" + connection_.alias() +
                                               "' is not connected");
    const std::filesystem::path& folder = connection_.folder();
    std::filesystem::path found = findFileIgnoringCase(folder, tableName_);
    if (found.empty() && std::filesystem::path(tableName_).extension().empty())
        found = findFileIgnoringCase(folder, tableName_ + ".DB");
    if (found.empty())
        throw EngineError(errkind::kFile, "Table " + tableName_ + " does not exist in folder " + folder.string());
    const StorageDriver& driver = driver_                   ? *driver_
                                  : tableType_ == ttDefault ? driverForPath(found)
                                                            : driverFor(tableType_);

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
    const std::optional<IndexDef> index = findIndex(*storage, indexName_);

    storage_ = std::move(storage);
    finder_ = MovingRecordFinder::forTable(*storage_);
    lock_ = std::move(lock);
    filterExpression_ = std::move(expression);
    index_ = index;
    keySearch_.setIndex(index_, storage_->fields());
    cache_.clear();
    cacheApplied_ = false;
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
    navigator_.reset();
    storage_.reset();
    finder_.reset();
    lock_ = TableLock();
    cache_.clear();
    cacheApplied_ = false;
    editBuffer_.clear();
    keySearch_.setIndex(std::nullopt, {});
}

TableState Table::state() const {
    if (!active()) return TableState::Inactive;
    if (keySearch_.editing()) return TableState::SetKey;
    if (editBuffer_.inserting()) return TableState::Insert;
    return editBuffer_.editing() ? TableState::Edit : TableState::Browse;
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

std::vector<std::string> Table::indexFiles() const { return active() ? storage_->indexFiles() : indexFileNames_; }

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
    const std::optional<IndexDef> index = findIndex(*storage_, name);
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
    keySearch_.setIndex(index_, storage_->fields());
    first();
}

std::optional<IndexDef> Table::findIndex(const StorageTable& storage, const std::string& name) const {
    for (const IndexDef& def : storage.indexes())
        if (name.empty() ? (def.options & ixPrimary) != 0 : equalsIgnoringAsciiCase(def.name, name)) return def;
    if (!name.empty()) throw EngineError(errkind::kValue, "Table " + tableName_ + " has no index '" + name + "'");
    return std::nullopt;
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
    if (index_)
        order = std::make_unique<IndexOrder>(*storage_, index_->name);
    else
        order = std::make_unique<NaturalOrder>(*storage_, firstFilterFields(filter));
    const ChangeCache* cache = cachedUpdates_ && !cacheApplied_ ? &cache_ : nullptr;
    navigator_.setCursor(std::make_unique<TableCursor>(*storage_, std::move(order), cache, std::move(filter)));
}

void Table::first() {
    requireBrowse("move in");
    navigator_.first();
}

void Table::last() {
    requireBrowse("move in");
    navigator_.last();
}

void Table::next() {
    requireBrowse("move in");
    navigator_.next();
}

void Table::prior() {
    requireBrowse("move in");
    navigator_.prior();
}

const Record& Table::currentValues() const {
    static const Record kNone;
    requireActive();
    if (editBuffer_.active()) return editBuffer_.values();
    return navigator_.onRecord() ? navigator_.record() : kNone;
}

std::uint64_t Table::recordCount() {
    requireActive();
    return navigator_.count();
}

std::uint64_t Table::recordNumber() {
    requireActive();
    return navigator_.position();
}

Bookmark Table::bookmark() const {
    requireActive();
    return navigator_.bookmark();
}

void Table::gotoBookmark(const Bookmark& bookmark) {
    requireBrowse("move in");
    if (!navigator_.gotoBookmark(bookmark))
        throw EngineError(errkind::kValue, "The bookmarked record of table " + tableName_ + " no longer exists");
}

void Table::refresh() {
    requireBrowse("refresh");
    const Bookmark here = navigator_.bookmark();
    storage_->refresh();
    rebuildCursor();
    navigator_.reposition(here);
}

void Table::edit() {
    requireBrowse("edit");
    if (isEmpty()) throw EngineError(errkind::kUsage, "Table " + tableName_ + " has no record to edit");
    editBuffer_.edit(navigator_.bookmark(), navigator_.record());
}

void Table::append() {
    requireActive();
    if (editBuffer_.active()) post();
    requireBrowse("append to");
    editBuffer_.insert(fieldCount());
}

void Table::insert() { append(); }

void Table::checkRequired() const {
    const auto& defs = fieldDefs();
    for (std::size_t i = 0; i < defs.size(); ++i) {
        const Value& v = editBuffer_.values()[i];
        if (defs[i].required && defs[i].type != ftAutoInc &&
            (v.isNull() || (v.kind() == ValueKind::String && v.asString().empty())))
            throw EngineError(errkind::kRequired,
                              "Field '" + defs[i].name + "' of table " + tableName_ + " must have a value");
    }
}

void Table::startNewCachedChange() {
    if (!cacheApplied_) return;
    cache_.clear();  // applied changes not yet committed are committed by new ones
    cacheApplied_ = false;
}

void Table::post() {
    requireActive();
    if (!editBuffer_.active()) return;
    checkRequired();
    Bookmark target = editBuffer_.target();
    if (cachedUpdates_) {
        startNewCachedChange();
        if (editBuffer_.inserting())
            target = Bookmark{true, true, 0, cache_.insert(editBuffer_.values())};
        else if (target.inserted)
            cache_.editInsert(target.insert, editBuffer_.values());
        else
            cache_.edit(target.id, editBuffer_.original(), editBuffer_.values());
    } else {
        const RecordId id = writeInTurn([&] {
            if (editBuffer_.inserting()) return storage_->append(editBuffer_.values());
            FoundRecord found = findRecordAgain(*storage_, finder_, target.id, editBuffer_.original());
            return storage_->update(found.id, editBuffer_.appliedTo(std::move(found.stored)));
        });
        target = Bookmark{true, false, id, 0};
    }
    editBuffer_.clear();
    rebuildCursor();
    navigator_.reposition(target);
}

void Table::cancel() {
    requireActive();
    editBuffer_.clear();
    keySearch_.end();
}

void Table::remove() {
    requireBrowse("delete from");
    if (isEmpty()) throw EngineError(errkind::kUsage, "Table " + tableName_ + " has no record to delete");
    const Bookmark doomed = navigator_.bookmark();
    const Record doomedOriginal = navigator_.record();
    const Bookmark neighbour = navigator_.neighbour();
    if (cachedUpdates_) {
        startNewCachedChange();
        if (doomed.inserted)
            cache_.removeInsert(doomed.insert);
        else
            cache_.remove(doomed.id, doomedOriginal);
    } else {
        writeInTurn([&] { storage_->remove(findRecordAgain(*storage_, finder_, doomed.id, doomedOriginal).id); });
    }
    rebuildCursor();
    navigator_.reposition(neighbour);
}

const IndexDef& Table::currentIndex() const {
    if (!index_)
        throw EngineError(errkind::kUsage, "Table " + tableName_ + " has no index chosen: key search needs one");
    return *index_;
}

void Table::setKey() {
    editKey();
    keySearch_.begin(false);
}

void Table::editKey() {
    requireActive();
    currentIndex();
    if (editBuffer_.active()) post();
    keySearch_.begin(true);
}

void Table::gotoNearest() {
    requireActive();
    if (!keySearch_.editing()) currentIndex();
    editBuffer_.clear();  // searching while editing drops the edit, as cancel() does
    keySearch_.gotoNearest(navigator_);
}

bool Table::gotoKey() {
    requireActive();
    currentIndex();
    editBuffer_.clear();
    return keySearch_.gotoKey(navigator_);
}

bool Table::findKey(const Record& values) {
    setKey();
    if (values.size() > keySearch_.keyFieldCount())
        throw EngineError(errkind::kValue, "Index " + currentIndex().name + " has " +
                                               std::to_string(keySearch_.keyFieldCount()) + " key fields, not " +
                                               std::to_string(values.size()));
    for (std::size_t k = 0; k < values.size(); ++k) setFieldValue(keySearch_.keyField(k), values[k]);
    return gotoKey();
}

void Table::applyUpdates() {
    requireActive();
    if (editBuffer_.active()) post();
    if (!cachedUpdates_ || cacheApplied_ || cache_.empty()) return;
    const Bookmark here = navigator_.bookmark();
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
            navigator_.reposition(here);
            throw;
        }
        storage_->setTransaction(nullptr);
    }
    cacheApplied_ = true;
    rebuildCursor();
    navigator_.reposition(here.inserted ? Bookmark{} : here);
}

void Table::commitUpdates() {
    requireActive();
    cache_.clear();
    cacheApplied_ = false;
    rebuildCursor();
    navigator_.reposition(navigator_.bookmark());
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
    if (editBuffer_.active()) return editBuffer_.values().at(index);
    if (keySearch_.editing()) return keySearch_.value(index);
    return navigator_.onRecord() ? navigator_.record().at(index) : null_;
}

void Table::setFieldValue(std::size_t index, Value value) {
    requireActive();
    const FieldDef& def = fieldDefs().at(index);
    if (keySearch_.editing()) {
        if (!keySearch_.inKey(index))
            throw EngineError(errkind::kValue, "Field " + def.name + " is not part of index " + currentIndex().name);
        keySearch_.assign(index, converted(def, std::move(value)));
    } else if (editBuffer_.active()) {
        editBuffer_.assign(index, converted(def, std::move(value)));
    } else {
        throw EngineError(errkind::kUsage, "Cannot assign field " + def.name + " of table " + tableName_ +
                                               ": the table is not being edited");
    }
}

Value Table::converted(const FieldDef& def, Value value) const {
    const ValueKind kind = valueKindFor(def.type);
    if (value.isNull() || value.kind() == kind) return value;
    try {
        return value.convertTo(kind);
    } catch (const EngineError& e) {
        throw EngineError(errkind::kValue, "Field " + def.name + ": " + e.message());
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
    editBuffer_.clear();
    keySearch_.end();
    const Bookmark here = navigator_.bookmark();
    rebuildCursor();
    navigator_.reposition(committed ? here : Bookmark{});
}

}  // namespace tabulon
