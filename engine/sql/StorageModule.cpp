#include "StorageModule.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "../dataset/TableLock.h"
#include "../io/Transaction.h"
#include "../storage/Drivers.h"
#include "../storage/MovingRecordFinder.h"
#include "RemovedSlots.h"
#include "SqlText.h"
#include "SqlValues.h"

namespace tabulon {

// Outside the unnamed namespace: the module's context lists them.
struct StorageVTab {
    sqlite3_vtab base{};
    StorageModuleContext* context = nullptr;
    std::filesystem::path path;
    std::unique_ptr<StorageTable> table;
    // The use of the table by the statements running now, in the context's session.
    TableLock lock;
    // The running statement's writes.
    std::unique_ptr<Transaction> transaction;
    // For a table whose writes move records: the primary key of each record the statement
    // read, by the id it had then, to find it again when its turn to change comes.
    std::optional<MovingRecordFinder> finder;
    std::unordered_map<RecordId, Record> keysById;
    // For a table whose removals move records but that has no primary key: the slot each record
    // the statement read had then, and the slots removed since. Removals keep the order of the
    // records, so a record now sits at its slot less the removed slots below it.
    std::unordered_map<RecordId, std::uint64_t> slotsById;
    RemovedSlots removedSlots;
    // A read after a write starts over: ids and slots read from then on are the current ones.
    bool wroteSinceRead = false;
};

namespace {

// idxNum bits saying which bounds xFilter receives, in this order.
enum PlanBits : int { kEqual = 1, kLower = 2, kUpper = 4 };

struct StorageCursor {
    sqlite3_vtab_cursor base{};
    StorageVTab* vtab = nullptr;
    Record record;
    // Scan: the next slot to look at. Index: the cursor and the bound that ends the range.
    std::uint64_t slot = 0;
    std::unique_ptr<KeyCursor> keys;
    std::optional<Value> stopAfter;  // the last key value in range (equality or upper bound)
    bool atEnd = false;
    RecordId rowId = 0;
};

StorageVTab& vtabOf(sqlite3_vtab* vtab) { return *reinterpret_cast<StorageVTab*>(vtab); }
StorageCursor& cursorOf(sqlite3_vtab_cursor* cursor) { return *reinterpret_cast<StorageCursor*>(cursor); }

// Keeps the engine error for the caller and gives SQLite its text.
int fail(sqlite3_vtab* vtab, StorageModuleContext* context, const EngineError& error) {
    if (context) context->error = error;
    sqlite3_free(vtab->zErrMsg);
    vtab->zErrMsg = sqlite3_mprintf("%s", error.formatted().c_str());
    return SQLITE_ERROR;
}

template <typename Body>
int guarded(sqlite3_vtab* vtab, Body body) {
    StorageVTab& self = vtabOf(vtab);
    try {
        return body();
    } catch (const EngineError& e) {
        return fail(vtab, self.context, e);
    } catch (const std::bad_alloc&) {
        return SQLITE_NOMEM;
    } catch (const std::exception& e) {
        return fail(vtab, self.context, EngineError(errkind::kFile, e.what()));
    }
}

int connect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out, char** error) {
    auto* context = static_cast<StorageModuleContext*>(aux);
    if (argc != 4) {
        *error = sqlite3_mprintf("%s takes the table file's path", kStorageModuleName);
        return SQLITE_ERROR;
    }
    auto vtab = std::make_unique<StorageVTab>();
    vtab->context = context;
    try {
        vtab->path = sqlUnquoted(argv[3]);
        vtab->lock = TableLock::acquire(vtab->path, context->session, false);
        vtab->table = openTable(vtab->path);
    } catch (const EngineError& e) {
        context->error = e;
        *error = sqlite3_mprintf("%s", e.formatted().c_str());
        return SQLITE_ERROR;
    }
    std::string declaration = "CREATE TABLE x(";
    const auto& fields = vtab->table->fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        declaration += (i ? ", " : "") + sqlQuoted(fields[i].name, '"') + " " + sqlTypeFor(fields[i]);
    }
    declaration += ")";
    if (int rc = sqlite3_declare_vtab(db, declaration.c_str()); rc != SQLITE_OK) {
        *error = sqlite3_mprintf("cannot declare the columns of %s", argv[3]);
        return rc;
    }
    context->tables.push_back(vtab.get());
    *out = &vtab.release()->base;
    return SQLITE_OK;
}

int disconnect(sqlite3_vtab* base) {
    StorageVTab* vtab = &vtabOf(base);
    std::erase(vtab->context->tables, vtab);
    delete vtab;
    return SQLITE_OK;
}

// An index whose order the engine's value comparison follows, so a range can stop early.
bool ordersLikeValues(const IndexDef& index, const FieldDef& field) {
    const ValueKind kind = valueKindFor(field.type);
    return (index.options & (ixDescending | ixCaseInsensitive)) == 0 && kind != ValueKind::String &&
           kind != ValueKind::Bytes && kind != ValueKind::Boolean;
}

int findField(const std::vector<FieldDef>& fields, const std::string& name) {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == name) return static_cast<int>(i);
    return -1;
}

int bestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info) {
    return guarded(vtab, [&] {
        StorageTable& table = *vtabOf(vtab).table;
        // An estimate: the slots are known at once, where counting live records may read them all.
        const double rows = static_cast<double>(std::max<std::uint64_t>(table.slotCount(), 1));
        info->estimatedCost = rows;
        info->estimatedRows = static_cast<sqlite3_int64>(rows);
        int bestBits = 0;
        std::string bestIndexName;
        int bestTerms[3] = {-1, -1, -1};
        for (const IndexDef& index : table.indexes()) {
            if (!index.usable || !index.expression.empty() || !index.condition.empty()) continue;
            const int column = findField(table.fields(), index.fields.substr(0, index.fields.find(';')));
            if (column < 0) continue;
            int terms[3] = {-1, -1, -1};
            const bool ranged = ordersLikeValues(index, table.fields()[column]);
            for (int i = 0; i < info->nConstraint; ++i) {
                const auto& c = info->aConstraint[i];
                if (!c.usable || c.iColumn != column) continue;
                if (c.op == SQLITE_INDEX_CONSTRAINT_EQ)
                    terms[0] = i;
                else if (ranged && (c.op == SQLITE_INDEX_CONSTRAINT_GE || c.op == SQLITE_INDEX_CONSTRAINT_GT))
                    terms[1] = i;
                else if (ranged && (c.op == SQLITE_INDEX_CONSTRAINT_LE || c.op == SQLITE_INDEX_CONSTRAINT_LT))
                    terms[2] = i;
            }
            const int bits = terms[0] >= 0 ? kEqual : (terms[1] >= 0 ? kLower : 0) | (terms[2] >= 0 ? kUpper : 0);
            const auto weight = [](int b) {
                return (b & kEqual) ? 4 : ((b & kLower) ? 1 : 0) + ((b & kUpper) ? 1 : 0);
            };
            if (weight(bits) > weight(bestBits)) {
                bestBits = bits;
                bestIndexName = index.name;
                std::copy(terms, terms + 3, bestTerms);
                if (bits & kEqual) bestTerms[1] = bestTerms[2] = -1;
            }
        }
        if (bestBits == 0) return SQLITE_OK;
        int argument = 0;
        for (int term : bestTerms) {
            if (term >= 0) info->aConstraintUsage[term].argvIndex = ++argument;
        }
        info->idxNum = bestBits;
        info->idxStr = sqlite3_mprintf("%s", bestIndexName.c_str());
        info->needToFreeIdxStr = 1;
        info->estimatedCost = (bestBits & kEqual) ? 10.0 : rows / ((bestBits == (kLower | kUpper)) ? 8 : 3);
        info->estimatedRows = (bestBits & kEqual) ? 10 : static_cast<sqlite3_int64>(info->estimatedCost);
        return SQLITE_OK;
    });
}

int open(sqlite3_vtab* vtab, sqlite3_vtab_cursor** out) {
    auto cursor = std::make_unique<StorageCursor>();
    cursor->vtab = &vtabOf(vtab);
    *out = &cursor.release()->base;
    return SQLITE_OK;
}

int close(sqlite3_vtab_cursor* cursor) {
    delete &cursorOf(cursor);
    return SQLITE_OK;
}

// Reads the record under the index cursor, or ends when its key leaves the range.
void loadIndexed(StorageCursor& cursor, bool moved) {
    if (!moved || (cursor.stopAfter && cursor.keys->key().at(0).compare(*cursor.stopAfter) > 0)) {
        cursor.atEnd = true;
        return;
    }
    cursor.rowId = cursor.keys->recordId();
    cursor.vtab->table->readRecord(cursor.rowId, cursor.record);
}

// Moves the scan to the next live slot from `cursor.slot` on.
void loadScanned(StorageCursor& cursor) {
    StorageTable& table = *cursor.vtab->table;
    const std::uint64_t count = table.slotCount();
    while (cursor.slot < count) {
        const std::uint64_t slot = cursor.slot++;
        if (table.readSlot(slot, cursor.record)) {
            cursor.rowId = table.recordIdAt(slot);
            return;
        }
    }
    cursor.atEnd = true;
}

// The bound as the key field's value; nullopt when it does not convert, so the scan answers.
std::optional<Value> boundValue(sqlite3_value* argument, const FieldDef& field) {
    try {
        Value value = valueFromSql(argument, valueKindFor(field.type));
        if (value.isNull()) return std::nullopt;
        return value;
    } catch (const EngineError&) {
        return std::nullopt;
    }
}

int filter(sqlite3_vtab_cursor* base, int plan, const char* indexName, int argc, sqlite3_value** argv) {
    StorageCursor& cursor = cursorOf(base);
    return guarded(&cursor.vtab->base, [&] {
        StorageTable& table = *cursor.vtab->table;
        cursor.atEnd = false;
        cursor.slot = 0;
        cursor.keys.reset();
        cursor.stopAfter.reset();
        if (plan != 0 && argc > 0) {
            auto keys = table.openIndex(indexName);
            const std::string& first = keys->definition().fields;
            const FieldDef& field = table.fields().at(findField(table.fields(), first.substr(0, first.find(';'))));
            std::optional<Value> start = (plan & (kEqual | kLower)) ? boundValue(argv[0], field) : std::nullopt;
            std::optional<Value> stop = (plan & kEqual)   ? start
                                        : (plan & kUpper) ? boundValue(argv[argc - 1], field)
                                                          : std::nullopt;
            const bool startUsable = !(plan & (kEqual | kLower)) || start;
            const bool stopUsable = !(plan & (kEqual | kUpper)) || stop;
            if (startUsable && stopUsable) {
                cursor.keys = std::move(keys);
                cursor.stopAfter = stop;
                loadIndexed(cursor, start ? cursor.keys->seek(Record{*start}, false) : cursor.keys->first());
                return SQLITE_OK;
            }
        }
        loadScanned(cursor);
        return SQLITE_OK;
    });
}

int next(sqlite3_vtab_cursor* base) {
    StorageCursor& cursor = cursorOf(base);
    return guarded(&cursor.vtab->base, [&] {
        if (cursor.keys)
            loadIndexed(cursor, cursor.keys->next());
        else
            loadScanned(cursor);
        return SQLITE_OK;
    });
}

int eof(sqlite3_vtab_cursor* base) { return cursorOf(base).atEnd ? 1 : 0; }

int column(sqlite3_vtab_cursor* base, sqlite3_context* context, int index) {
    const StorageCursor& cursor = cursorOf(base);
    setSqlResult(context, cursor.record.at(static_cast<std::size_t>(index)));
    return SQLITE_OK;
}

// Keeps what finds the record read again after the statement's writes moved it.
void noteRead(StorageVTab& vtab, const StorageCursor& cursor) {
    StorageTable& table = *vtab.table;
    if (vtab.wroteSinceRead) {
        vtab.slotsById.clear();
        vtab.removedSlots.reset(table.slotCount());
        vtab.wroteSinceRead = false;
    }
    if (vtab.finder)
        vtab.keysById.emplace(cursor.rowId, vtab.finder->keyOf(cursor.record));
    else if (table.writesMoveRecords())
        vtab.slotsById.emplace(cursor.rowId, table.slotOf(cursor.rowId));
}

int rowId(sqlite3_vtab_cursor* base, sqlite3_int64* out) {
    const StorageCursor& cursor = cursorOf(base);
    StorageVTab& vtab = *cursor.vtab;
    return guarded(&vtab.base, [&] {
        if (vtab.transaction) noteRead(vtab, cursor);
        *out = static_cast<sqlite3_int64>(cursor.rowId);
        return SQLITE_OK;
    });
}

// Each writing statement is one transaction over the table: all its writes or none. It opens
// the files afresh, so it maintains every index they have now, even one made since the
// table was first read, and holds the table's writers' lock until it ends.
int begin(sqlite3_vtab* base) {
    return guarded(base, [&] {
        StorageVTab& vtab = vtabOf(base);
        vtab.table = openTable(vtab.path, OpenOptions{AccessMode::ReadWrite, ShareMode::Shared, "", false});
        vtab.transaction = std::make_unique<Transaction>(Transaction::newJournalPath(vtab.path.parent_path()));
        vtab.finder = MovingRecordFinder::forTable(*vtab.table);
        vtab.removedSlots.reset(vtab.table->slotCount());
        vtab.wroteSinceRead = false;
        vtab.table->setTransaction(vtab.transaction.get());
        // The writers' lock from the start: the statement's reads see what its writes change.
        try {
            vtab.table->beginWriting();
        } catch (...) {
            vtab.table->setTransaction(nullptr);
            vtab.transaction.reset();
            throw;
        }
        return SQLITE_OK;
    });
}

int endTransaction(sqlite3_vtab* base, bool commit) {
    return guarded(base, [&] {
        StorageVTab& vtab = vtabOf(base);
        if (!vtab.transaction) return SQLITE_OK;
        struct Detach {
            StorageVTab& vtab;
            ~Detach() {
                vtab.table->setTransaction(nullptr);
                vtab.transaction.reset();
                vtab.keysById.clear();
                vtab.slotsById.clear();
            }
        } detach{vtab};
        if (commit)
            vtab.transaction->commit();
        else
            vtab.transaction->rollback();
        return SQLITE_OK;
    });
}

// The files are written in xSync, not xCommit: SQLite ignores what xCommit returns, so a commit
// that failed there would be reported as done. A failed xSync rolls the statement back.
int sync(sqlite3_vtab* base) { return endTransaction(base, true); }
int commit(sqlite3_vtab* base) { return endTransaction(base, true); }
int rollback(sqlite3_vtab* base) { return endTransaction(base, false); }

// argc 1: delete argv[0]; argv[0] null: insert argv[2...]; else update argv[0] to argv[2...].
int update(sqlite3_vtab* base, int argc, sqlite3_value** argv, sqlite3_int64* newRowId) {
    return guarded(base, [&] {
        StorageVTab& vtab = vtabOf(base);
        StorageTable& table = *vtab.table;
        vtab.wroteSinceRead = true;
        const auto read = static_cast<RecordId>(sqlite3_value_int64(argv[0]));
        const auto readSlot = vtab.slotsById.find(read);
        // The id the record read as `read` has now.
        const auto id = [&] {
            if (readSlot != vtab.slotsById.end())
                return table.recordIdAt(readSlot->second - vtab.removedSlots.below(readSlot->second));
            const auto key = vtab.keysById.find(read);
            return key == vtab.keysById.end() ? read : vtab.finder->find(table, key->second, read);
        };
        if (argc == 1) {
            table.remove(id());
            if (readSlot != vtab.slotsById.end()) vtab.removedSlots.add(readSlot->second);
            return SQLITE_OK;
        }
        const auto& fields = table.fields();
        Record values(fields.size());
        for (std::size_t i = 0; i < fields.size() && static_cast<int>(i) + 2 < argc; ++i) {
            try {
                values[i] = valueFromSql(argv[i + 2], valueKindFor(fields[i].type));
            } catch (const EngineError& e) {
                throw EngineError(errkind::kValue, "Field " + fields[i].name + ": " + e.message());
            }
        }
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
            *newRowId = static_cast<sqlite3_int64>(table.append(values));
        else
            table.update(id(), values);
        return SQLITE_OK;
    });
}

sqlite3_module makeModule() {
    sqlite3_module module{};
    module.iVersion = 1;
    module.xCreate = connect;
    module.xConnect = connect;
    module.xBestIndex = bestIndex;
    module.xDisconnect = disconnect;
    module.xDestroy = disconnect;
    module.xOpen = open;
    module.xClose = close;
    module.xFilter = filter;
    module.xNext = next;
    module.xEof = eof;
    module.xColumn = column;
    module.xRowid = rowId;
    module.xUpdate = update;
    module.xBegin = begin;
    module.xSync = sync;
    module.xCommit = commit;
    module.xRollback = rollback;
    return module;
}

}  // namespace

void registerStorageModule(sqlite3* db, StorageModuleContext& context) {
    static const sqlite3_module module = makeModule();
    if (sqlite3_create_module_v2(db, kStorageModuleName, &module, &context, nullptr) != SQLITE_OK) {
        throw EngineError(errkind::kNotSupported,
                          std::string("Cannot register the table module: ") + sqlite3_errmsg(db));
    }
}

std::optional<TableCapabilities> storageTableCapabilities(const StorageModuleContext& context,
                                                          const std::filesystem::path& path) {
    for (const StorageVTab* vtab : context.tables)
        if (vtab->path == path) return vtab->table->capabilities();
    return std::nullopt;
}

std::uint64_t storageTableRecordCount(const StorageModuleContext& context, const std::filesystem::path& path) {
    for (const StorageVTab* vtab : context.tables)
        if (vtab->path == path) return vtab->table->recordCount();
    throw EngineError(errkind::kUsage, "No statement reads " + path.string());
}

void suspendStorageTables(StorageModuleContext& context) {
    for (StorageVTab* vtab : context.tables) {
        vtab->table->suspendUse();
        vtab->lock = TableLock();
    }
}

void resumeStorageTables(StorageModuleContext& context) {
    try {
        for (StorageVTab* vtab : context.tables) {
            vtab->lock = TableLock::acquire(vtab->path, context.session, false);
            vtab->table->resumeUse();
        }
    } catch (...) {
        suspendStorageTables(context);
        throw;
    }
}

}  // namespace tabulon
