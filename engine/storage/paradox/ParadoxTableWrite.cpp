// The writing half of ParadoxTable: record changes, blobs, and index upkeep at commit.
#include <algorithm>
#include <cstring>

#include "../../core/EngineError.h"
#include "../Drivers.h"
#include "ParadoxBytes.h"
#include "ParadoxHeaderBuilder.h"
#include "ParadoxIndexTreeWriter.h"
#include "ParadoxTable.h"
#include "ParadoxValueCodec.h"

namespace tabulon::paradox {

namespace {
constexpr std::uint8_t kGraphicPrefix = 1, kOlePrefix = 2;
constexpr std::size_t kPicturePrefix = 8;
constexpr std::uint64_t kFewChanges = 4096;  // entries an index always takes one by one

// The header of an index tree: the file's own when it fits `keyFields`, else a new one (a
// damaged or missing tree is replaced whole).
ParadoxHeader treeHeader(const PagedFile& file, FileKind kind, const std::vector<ParadoxField>& keyFields,
                         const ParadoxHeader& table) {
    int keyBytes = 0;
    for (const auto& f : keyFields) keyBytes += f.bytes;
    const int entryBytes = keyBytes + ParadoxIndexTree::kEntryTail;
    if (file.size() > 0) {
        try {
            ParadoxHeader existing = ParadoxHeader::read(file);
            if (existing.isIndexTree() && existing.recordSize == entryBytes) return existing;
        } catch (const EngineError&) {
        }
    }
    ParadoxHeaderSpec spec;
    spec.kind = kind;
    spec.versionByte = table.versionByte;
    spec.blockKiB = std::max(2, std::min(32, (entryBytes * 3 + 6 + 1023) / 1024));  // three entries at least
    spec.fields = keyFields;
    spec.tableName = file.path().filename().string();
    spec.sortOrderId = table.sortOrderId;
    return buildParadoxHeader(spec);
}
}  // namespace

void ParadoxTable::requireWritable() const {
    if (options_.access != AccessMode::ReadWrite)
        throw EngineError(errkind::kUsage, path_.filename().string() + " is open for reading only");
}

void ParadoxTable::enlistFamily(Transaction& transaction) {
    if (!writing_) {
        data_->file().file().lockWriting();
        writing_ = true;
        // Enlisted first, so the transaction's end lets go of the lock whatever fails next.
        transaction.enlist(static_cast<TransactionParticipant&>(*this));
        catchUp();
    }
    transaction.enlist(data_->file());
    if (blobs_) transaction.enlist(blobs_->file());
    if (data_->header().keyFieldCount > 0) {
        if (!pxFile_) pxFile_.emplace(PagedFile::createNew(path_.parent_path() / (path_.stem().string() + ".PX")));
        transaction.enlist(*pxFile_);
    }
    for (const auto& index : secondaries_) {
        if (!rewritten(index)) continue;
        SecondaryFiles& files = secondaryFiles(index);
        if (!files.data) continue;
        transaction.enlist(files.data->file());
        if (!files.tree)
            files.tree.emplace(
                PagedFile::createNew(index.dataPath.parent_path() /
                                     ParadoxSecondaryIndex::treeFileName(index.dataPath.filename().string())));
        transaction.enlist(*files.tree);
    }
    transaction.enlist(static_cast<TransactionParticipant&>(*this));
}

template <typename Op>
auto ParadoxTable::inTransaction(Op op) -> decltype(op()) {
    requireWritable();
    if (transaction_) {
        enlistFamily(*transaction_);
        return op();
    }
    Transaction own(path_.string() + Transaction::kJournalExtension);
    enlistFamily(own);
    return commitAfter(own, op);
}

void ParadoxTable::setTransaction(Transaction* transaction) { transaction_ = transaction; }

void ParadoxTable::beginWriting() {
    requireWritable();
    if (!transaction_)
        throw EngineError(errkind::kUsage,
                          "Cannot begin writing " + path_.filename().string() + ": no transaction is set");
    enlistFamily(*transaction_);
}

void ParadoxTable::catchUp() {
    // Every commit moves the header's change counter, so an unchanged header in an unchanged
    // file means nobody wrote since: the chain, free lists and index trees in memory still hold.
    const ParadoxHeader& h = data_->header();
    std::vector<std::uint8_t> disk(h.raw.size());
    disk.resize(data_->file().file().readAt(0, disk.data(), disk.size()));
    const bool unchanged = disk == h.raw && data_->file().file().stamp() == stamp_;
    refreshFiles();
    if (!unchanged) reloadAfterDiskChange();
    stamp_ = data_->file().file().stamp();
}

void ParadoxTable::refreshFiles() {
    data_->file().refresh();
    if (pxFile_) pxFile_->refresh();
    if (blobs_) blobs_->file().refresh();
    for (auto& [name, files] : secondaryFiles_) {
        if (files.data) files.data->file().refresh();
        if (files.tree) files.tree->refresh();
    }
}

void ParadoxTable::endWriting() {
    if (!writing_) return;
    writing_ = false;
    data_->file().file().unlockWriting();
}

void ParadoxTable::storeBlob(const Value& value, const ParadoxField& field, const std::string& name,
                             std::uint8_t* out) {
    const int leader = field.bytes - kBlobPointerBytes;
    std::memset(out, 0, static_cast<std::size_t>(field.bytes));
    if (value.isNull()) return;
    Bytes data;
    const FieldType type = field.type.fieldType;
    if (type == ftMemo || type == ftFmtMemo) {
        const std::string text = value.convertTo(ValueKind::String).asString();
        const auto encoded = codec_->encode(text);
        if (!encoded)
            throw EngineError(errkind::kValue, "Field " + name + ": the text holds a character that code page " +
                                                   codec_->name() + " lacks");
        data.assign(encoded->begin(), encoded->end());
    } else {
        Value bytes;
        try {
            bytes = value.convertTo(ValueKind::Bytes);
        } catch (const EngineError& e) {
            throw EngineError(errkind::kValue, "Field " + name + ": " + e.message());
        }
        data = bytes.asBytes();
    }
    if (data.empty()) return;
    const bool picture = type == ftGraphic || type == ftParadoxOle;
    // The leader holds the first bytes of the value (of the picture itself, after its prefix).
    std::copy_n(data.begin(), std::min<std::size_t>(data.size(), static_cast<std::size_t>(leader)), out);
    if (picture) {
        Bytes prefixed(kPicturePrefix);
        prefixed[0] = 1;
        prefixed[3] = type == ftGraphic ? kGraphicPrefix : kOlePrefix;
        putLe32(prefixed.data() + 4, static_cast<std::uint32_t>(data.size()));
        prefixed.insert(prefixed.end(), data.begin(), data.end());
        data = std::move(prefixed);
    }
    if (data.size() > 0x7FFFFFFF) throw EngineError(errkind::kValue, "Field " + name + ": the value is too long");
    std::uint32_t location = 0;
    if (picture || data.size() > static_cast<std::size_t>(leader)) {
        if (!blobs_)
            throw EngineError(errkind::kFile,
                              path_.stem().string() + ".MB is missing; field " + name + " cannot be stored");
        location = blobs_->store(data);
    }
    putLe32(out + leader, location);
    putLe32(out + leader + 4, static_cast<std::uint32_t>(data.size()));
}

void ParadoxTable::releaseBlobs(const std::uint8_t* raw) {
    if (!blobs_) return;
    for (const ParadoxField& f : data_->header().fields) {
        if (!f.type.blob) continue;
        const std::uint32_t location = le32(raw + f.offset + f.bytes - kBlobPointerBytes);
        if (location != 0) blobs_->release(location);
    }
}

std::vector<std::uint8_t> ParadoxTable::encodeRecord(const Record& values, bool assignAutoIncrement) {
    ParadoxHeader& h = data_->header();
    if (values.size() != h.fields.size())
        throw EngineError(errkind::kValue, path_.filename().string() + " has " + std::to_string(h.fields.size()) +
                                               " fields, the record " + std::to_string(values.size()));
    std::vector<std::uint8_t> raw(static_cast<std::size_t>(h.recordSize), 0);
    for (std::size_t i = 0; i < h.fields.size(); ++i) {
        const ParadoxField& f = h.fields[i];
        Value value = values[i];
        if (f.type.fieldType == ftAutoInc) {
            if (value.isNull() && assignAutoIncrement)
                value = Value::integer(static_cast<std::int64_t>(h.autoIncrement) + 1);
            if (!value.isNull()) {
                const std::int64_t n = value.convertTo(ValueKind::Integer).asInt();
                if (n > static_cast<std::int64_t>(h.autoIncrement) && n <= 0x7FFFFFFF)
                    h.autoIncrement = static_cast<std::uint32_t>(n);
            }
        }
        if (!f.type.blob) ParadoxValueCodec::encode(value, f, fields_[i].name, *codec_, raw.data() + f.offset);
    }
    // Checked before the blobs go to the .MB, so a refused record leaves nothing behind there.
    enforceChecks(values, raw.data());
    for (std::size_t i = 0; i < h.fields.size(); ++i)
        if (h.fields[i].type.blob) storeBlob(values[i], h.fields[i], fields_[i].name, raw.data() + h.fields[i].offset);
    return raw;
}

void ParadoxTable::enforceChecks(const Record& values, const std::uint8_t* raw) const {
    const ParadoxHeader& h = data_->header();
    for (const ParadoxFieldCheck& check : checks_) {
        const ParadoxField& f = h.fields[check.field];
        const std::string& name = fields_[check.field].name;
        const std::uint8_t* bytes = raw + f.offset;
        const Value& value = values[check.field];
        const bool blank = f.type.blob
                               ? value.isNull() || (value.kind() == ValueKind::String && value.asString().empty()) ||
                                     (value.kind() == ValueKind::Bytes && value.asBytes().empty())
                               : std::all_of(bytes, bytes + f.bytes, [](std::uint8_t b) { return b == 0; });
        if (blank) {
            if (check.required)
                throw EngineError(errkind::kRequired, "Field " + name + " of " + path_.filename().string() +
                                                          " is required and has no value");
            continue;
        }
        if (f.type.blob || (!check.minimum && !check.maximum)) continue;
        ParadoxField alone = f;
        alone.offset = 0;
        const ParadoxKeyOrder order({{alone, false}}, *collation_, false);
        auto text = [&](const std::uint8_t* b) { return ParadoxValueCodec::decode(b, alone, *codec_).toText(); };
        if (check.minimum && order.compare(bytes, check.minimum->data()) < 0)
            throw EngineError(errkind::kValue, "Field " + name + ": " + text(bytes) + " is below the minimum " +
                                                   text(check.minimum->data()));
        if (check.maximum && order.compare(bytes, check.maximum->data()) > 0)
            throw EngineError(errkind::kValue, "Field " + name + ": " + text(bytes) + " is above the maximum " +
                                                   text(check.maximum->data()));
    }
}

ParadoxSortedSlot ParadoxTable::findKeySlot(const std::uint8_t* key) const {
    const ParadoxKeyOrder order = primaryOrder();
    return ParadoxSortedChain(*data_, order, false).find(key, order.fields().size());
}

void ParadoxTable::keyViolation(const std::uint8_t* raw) const {
    const ParadoxHeader& h = data_->header();
    std::string key;
    for (int i = 0; i < h.keyFieldCount; ++i) {
        const ParadoxField& f = h.fields[static_cast<std::size_t>(i)];
        key += (i ? ", " : "") + ParadoxValueCodec::decode(raw + f.offset, f, *codec_).toText();
    }
    throw EngineError(errkind::kKeyViolation,
                      "Key violation in " + path_.filename().string() + ": the key (" + key + ") exists already");
}

RecordId ParadoxTable::insertRaw(const std::uint8_t* raw) {
    ParadoxSortedSlot slot;
    if (data_->header().keyFieldCount > 0) {
        slot = findKeySlot(raw);
        if (slot.found) keyViolation(raw);
    } else if (!data_->chain().empty()) {
        slot.chainIndex = data_->chain().size() - 1;
        slot.record = data_->chain().back().records;
    }
    // Records moved by a split keep their index entries; only the block hints change.
    const ParadoxKeyOrder order = primaryOrder();
    const auto at =
        ParadoxSortedChain(*data_, order, false).insert(slot, raw, [this](std::size_t fresh, int fromBlock) {
            const auto& block = data_->chain()[fresh];
            for (int r = 0; r < block.records; ++r) {
                data_->readRecord(block.number, r, raw_.data());
                noteEntries(raw_.data(), fromBlock, raw_.data(), block.number);
            }
        });
    const int block = data_->chain()[at.chainIndex].number;
    noteEntries(nullptr, 0, raw, block);
    return makeRecordId(block, at.record);
}

void ParadoxTable::removeAt(ParadoxDataFile::Position at) {
    const ParadoxKeyOrder order = primaryOrder();
    // Records merged into a neighbour keep their index entries; only the block hints change.
    ParadoxSortedChain(*data_, order, false)
        .remove({at.chainIndex, at.record, true}, [this](std::size_t target, int fromBlock, int firstMoved) {
            const auto& block = data_->chain()[target];
            for (int r = firstMoved; r < block.records; ++r) {
                data_->readRecord(block.number, r, raw_.data());
                noteEntries(raw_.data(), fromBlock, raw_.data(), block.number);
            }
        });
}

RecordId ParadoxTable::append(const Record& values) {
    return inTransaction([&] {
        const auto raw = encodeRecord(values, true);
        checkUniqueIndexes(raw.data(), nullptr);
        changed_ = true;
        return insertRaw(raw.data());
    });
}

RecordId ParadoxTable::update(RecordId id, const Record& values) {
    return inTransaction([&] {
        const auto at = positionOf(id);
        const int block = data_->chain()[at.chainIndex].number;
        std::vector<std::uint8_t> old(raw_.size());
        data_->readRecord(block, at.record, old.data());
        const auto raw = encodeRecord(values, false);
        checkUniqueIndexes(raw.data(), old.data());
        changed_ = true;
        const ParadoxHeader& h = data_->header();
        const int keyBytes = primaryOrder().keyBytes();
        if (h.keyFieldCount == 0 || std::memcmp(old.data(), raw.data(), static_cast<std::size_t>(keyBytes)) == 0) {
            data_->writeRecord(at.chainIndex, at.record, raw.data());
            noteEntries(old.data(), block, raw.data(), block);
            releaseBlobs(old.data());
            return id;
        }
        if (findKeySlot(raw.data()).found) keyViolation(raw.data());
        removeAt(at);
        noteEntries(old.data(), block, nullptr, 0);
        releaseBlobs(old.data());
        return insertRaw(raw.data());
    });
}

void ParadoxTable::remove(RecordId id) {
    inTransaction([&] {
        const auto at = positionOf(id);
        std::vector<std::uint8_t> old(raw_.size());
        const int block = data_->chain()[at.chainIndex].number;
        data_->readRecord(block, at.record, old.data());
        changed_ = true;
        removeAt(at);
        noteEntries(old.data(), block, nullptr, 0);
        releaseBlobs(old.data());
    });
}

void ParadoxTable::empty() {
    inTransaction([&] {
        changed_ = rebuildIndexes_ = true;
        data_->clear();
        uniqueKeys_.clear();
        if (blobs_) blobs_->clear();
    });
}

void ParadoxTable::pack() {
    // Records never leave holes in a Paradox table; packing fills every block and drops the
    // free blocks, then the indexes are rebuilt at commit.
    WorkReport work(*this, kPackRecordsShare);
    inTransaction([&] {
        changed_ = rebuildIndexes_ = true;
        std::vector<std::uint8_t> all;
        const std::uint64_t records = data_->recordCount();
        for (const auto& block : data_->chain()) {
            recordsDone(all.size() / raw_.size(), records);
            for (int r = 0; r < block.records; ++r) {
                data_->readRecord(block.number, r, raw_.data());
                all.insert(all.end(), raw_.begin(), raw_.end());
            }
        }
        data_->clear();
        const std::size_t size = raw_.size();
        const std::size_t count = all.size() / size;
        data_->fillCleared(count, [&](std::size_t i) { return all.data() + i * size; });
    });
    work.finish();
}

void ParadoxTable::regenerateIndexes() {
    WorkReport work(*this, 0);
    // A changed table has its indexes rebuilt from the records at commit.
    inTransaction([&] { changed_ = rebuildIndexes_ = true; });
    work.finish();
}

void ParadoxTable::rebuildPrimaryIndex() {
    const ParadoxHeader& h = data_->header();
    const int keyBytes = primaryOrder().keyBytes();
    std::vector<ParadoxIndexTree::Leaf> leaves;
    leaves.reserve(data_->chain().size());
    std::vector<std::uint8_t> key(static_cast<std::size_t>(keyBytes));
    for (const auto& block : data_->chain()) {
        if (block.records == 0) continue;
        // Only the first key of each block: a block read whole would cost the table's size.
        data_->file().read(h.blockOffset(block.number) + 6, key.data(), key.size());
        leaves.push_back({key, block.number, block.records});
    }
    ParadoxHeader tree = treeHeader(*pxFile_, FileKind::PrimaryIndex,
                                    std::vector<ParadoxField>(h.fields.begin(), h.fields.begin() + h.keyFieldCount), h);
    writeParadoxIndexTree(*pxFile_, tree, leaves, h.raw[ParadoxHeader::kChangeCounter]);
}

bool ParadoxTable::rewritten(const ParadoxSecondaryIndex& index) const {
    // Unkeyed tables only have indexes marked not maintained; they are rebuilt all the same, so
    // that the files on disk agree with the table.
    return index.definition.usable && (index.maintained || data_->header().keyFieldCount == 0);
}

ParadoxDataFile* ParadoxTable::maintainedFile(const ParadoxSecondaryIndex& index) {
    if (!index.maintained || !index.definition.usable || data_->header().keyFieldCount == 0) return nullptr;
    SecondaryFiles& files = secondaryFiles(index);
    return files.tree ? files.data.get() : nullptr;
}

ParadoxKeyOrder ParadoxTable::secondaryOrder(const ParadoxSecondaryIndex& index, const ParadoxHeader& x) const {
    std::vector<ParadoxKeyOrder::KeyField> keys;
    const auto own = index.tableFields.size();
    for (std::size_t i = 0; i < static_cast<std::size_t>(x.keyFieldCount) && i < x.fields.size(); ++i)
        keys.push_back({x.fields[i], i < own && index.descending[i]});
    return ParadoxKeyOrder(std::move(keys), *collation_, (index.definition.options & ixCaseInsensitive) != 0);
}

void ParadoxTable::makeEntry(const ParadoxSecondaryIndex& index, const ParadoxHeader& x, const ParadoxKeyOrder& order,
                             const std::uint8_t* raw, int block, std::uint8_t* entry, int record,
                             std::uint64_t position) const {
    // The indexed fields (upper-cased for a case-insensitive index), then in a keyed table the
    // primary key and the block that holds the record; in an unkeyed one the record's place:
    // its position along the chain, its block and its offset in the block.
    const ParadoxHeader& h = data_->header();
    const std::size_t own = index.tableFields.size();
    std::memset(entry, 0, static_cast<std::size_t>(x.recordSize));
    for (std::size_t i = 0; i < own; ++i) {
        const ParadoxField& source = h.fields[static_cast<std::size_t>(index.tableFields[i])];
        std::memcpy(entry + x.fields[i].offset, raw + source.offset, static_cast<std::size_t>(source.bytes));
    }
    order.foldCase(entry);
    auto put = [&](std::size_t field, std::int64_t value) {
        ParadoxValueCodec::encode(Value::integer(value), x.fields[field], "", *codec_, entry + x.fields[field].offset);
    };
    if (h.keyFieldCount > 0) {
        std::memcpy(entry + x.fields[own].offset, raw, static_cast<std::size_t>(primaryOrder().keyBytes()));
        put(static_cast<std::size_t>(x.keyFieldCount), block);
        return;
    }
    put(own, static_cast<std::int64_t>(position));
    put(own + 1, block);
    put(own + 2, static_cast<std::int64_t>(record) * h.recordSize);
}

void ParadoxTable::noteEntries(const std::uint8_t* oldRaw, int oldBlock, const std::uint8_t* newRaw, int newBlock) {
    noteUniqueKeys(oldRaw, newRaw);
    if (rebuildIndexes_) return;
    for (const auto& index : secondaries_) {
        ParadoxDataFile* x = maintainedFile(index);
        if (!x) continue;
        const ParadoxHeader& xh = x->header();
        const ParadoxKeyOrder order = secondaryOrder(index, xh);
        const auto size = static_cast<std::size_t>(xh.recordSize);
        std::vector<std::uint8_t> before(size), after(size);
        if (oldRaw) makeEntry(index, xh, order, oldRaw, oldBlock, before.data());
        if (newRaw) makeEntry(index, xh, order, newRaw, newBlock, after.data());
        if (oldRaw && newRaw && before == after) continue;
        const std::size_t ownBytes = static_cast<std::size_t>(xh.fields[index.tableFields.size()].offset);
        auto& changes =
            indexChanges_.try_emplace(index.definition.file, static_cast<std::size_t>(order.keyBytes()), ownBytes)
                .first->second;
        if (oldRaw) changes.remove(before.data());
        if (newRaw) changes.add(after.data(), size);
        if (changes.size() > std::max<std::uint64_t>(kFewChanges, data_->recordCount() / 4)) {
            // Changes to a large part of the table: a rebuild is quicker and holds less in memory.
            rebuildIndexes_ = true;
            indexChanges_.clear();
            return;
        }
    }
}

void ParadoxTable::checkUniqueIndexes(const std::uint8_t* raw, const std::uint8_t* oldRaw) {
    for (const auto& index : secondaries_) {
        if (!(index.definition.options & ixUnique) || !index.definition.usable) continue;
        // The .X file answers while it is kept up to date; otherwise the transaction's own list.
        ParadoxDataFile* maintained = rebuildIndexes_ ? nullptr : maintainedFile(index);
        const ParadoxDataFile* x = maintained ? maintained : secondaryFiles(index).data.get();
        if (!x) continue;  // checked when the index is rebuilt at commit
        const ParadoxHeader& xh = x->header();
        const ParadoxKeyOrder order = secondaryOrder(index, xh);
        const auto size = static_cast<std::size_t>(xh.recordSize);
        std::vector<std::uint8_t> entry(size), old(size);
        makeEntry(index, xh, order, raw, 0, entry.data());
        if (oldRaw) makeEntry(index, xh, order, oldRaw, 0, old.data());
        const std::uint8_t* replaced = oldRaw ? old.data() : nullptr;
        const bool twin = maintained ? heldInFile(index, *maintained, order, entry.data(), replaced)
                                     : uniqueKeysOf(index, *x).heldByAnother(entry.data(), replaced);
        if (!twin) continue;
        std::string key;
        for (std::size_t f = 0; f < index.tableFields.size(); ++f)
            key += (f ? ", " : "") +
                   ParadoxValueCodec::decode(entry.data() + xh.fields[f].offset, xh.fields[f], *codec_).toText();
        throw EngineError(errkind::kKeyViolation, "Key violation in " + path_.filename().string() + ": index " +
                                                      index.definition.name + " holds (" + key + ") already");
    }
}

bool ParadoxTable::heldInFile(const ParadoxSecondaryIndex& index, ParadoxDataFile& x, const ParadoxKeyOrder& order,
                              const std::uint8_t* entry, const std::uint8_t* replaced) const {
    const auto keyBytes = static_cast<std::size_t>(order.keyBytes());
    // Entries of this very record (before and after the change) are no twins.
    auto ownRecord = [&](const std::uint8_t* other) {
        return std::memcmp(other, entry, keyBytes) == 0 || (replaced && std::memcmp(other, replaced, keyBytes) == 0);
    };
    const std::size_t own = index.tableFields.size();
    const ParadoxIndexChanges* changes = nullptr;
    if (const auto it = indexChanges_.find(index.definition.file); it != indexChanges_.end()) changes = &it->second;
    if (changes) {
        const auto* added = changes->addedTwin(entry);
        if (added && !ownRecord(added->data())) return true;
    }
    ParadoxSortedSlot at = ParadoxSortedChain(x, order, false).find(entry, own);
    while (at.chainIndex < x.chain().size()) {
        const auto& block = x.chain()[at.chainIndex];
        if (at.record >= block.records) {
            ++at.chainIndex;
            at.record = 0;
            continue;
        }
        const std::uint8_t* other = x.recordAt(block.number, at.record++);
        if (order.compare(other, entry, own) != 0) return false;
        if (!ownRecord(other) && !(changes && changes->removed(other))) return true;
    }
    return false;
}

ParadoxUniqueKeys& ParadoxTable::uniqueKeysOf(const ParadoxSecondaryIndex& index, const ParadoxDataFile& x) {
    if (const auto it = uniqueKeys_.find(index.definition.file); it != uniqueKeys_.end()) return it->second;
    const ParadoxHeader& xh = x.header();
    const ParadoxKeyOrder order = secondaryOrder(index, xh);
    const std::size_t own = index.tableFields.size();
    auto& keys =
        uniqueKeys_.try_emplace(index.definition.file, order, own, static_cast<std::size_t>(xh.fields[own].offset))
            .first->second;
    forEachEntry(index, xh, order, [&](const std::uint8_t* entry) { keys.add(entry); });
    return keys;
}

void ParadoxTable::forEachEntry(const ParadoxSecondaryIndex& index, const ParadoxHeader& x,
                                const ParadoxKeyOrder& order, const std::function<void(const std::uint8_t*)>& use) {
    std::vector<std::uint8_t> entry(static_cast<std::size_t>(x.recordSize));
    for (const auto& block : data_->chain())
        for (int r = 0; r < block.records; ++r) {
            makeEntry(index, x, order, data_->recordAt(block.number, r), block.number, entry.data());
            use(entry.data());
        }
}

void ParadoxTable::noteUniqueKeys(const std::uint8_t* oldRaw, const std::uint8_t* newRaw) {
    if (uniqueKeys_.empty()) return;
    for (const auto& index : secondaries_) {
        const auto it = uniqueKeys_.find(index.definition.file);
        if (it == uniqueKeys_.end()) continue;
        const ParadoxHeader& xh = secondaryFiles(index).data->header();
        const ParadoxKeyOrder order = secondaryOrder(index, xh);
        std::vector<std::uint8_t> entry(static_cast<std::size_t>(xh.recordSize));
        if (oldRaw) {
            makeEntry(index, xh, order, oldRaw, 0, entry.data());
            it->second.remove(entry.data());
        }
        if (newRaw) {
            makeEntry(index, xh, order, newRaw, 0, entry.data());
            it->second.add(entry.data());
        }
    }
}

bool ParadoxTable::applyIndexChanges(const ParadoxSecondaryIndex& index) {
    SecondaryFiles& files = secondaryFiles(index);
    if (!files.data || !files.tree) return true;
    ParadoxDataFile& x = *files.data;
    const ParadoxKeyOrder order = secondaryOrder(index, x.header());
    const auto it = indexChanges_.find(index.definition.file);
    const bool any = it != indexChanges_.end() && !it->second.empty();
    if (any) it->second.applyTo(x, order);
    if (x.recordCount() != data_->recordCount()) return false;
    if (!any && files.tree->size() > 0) return true;
    writeSecondaryTree(files, order);
    return true;
}

void ParadoxTable::rebuildSecondaryIndex(const ParadoxSecondaryIndex& index) {
    SecondaryFiles& files = secondaryFiles(index);
    if (!files.data || !files.tree) return;
    ParadoxDataFile& x = *files.data;
    const ParadoxHeader& xh = x.header();
    const std::size_t own = index.tableFields.size();
    const ParadoxKeyOrder order = secondaryOrder(index, xh);

    const auto entrySize = static_cast<std::size_t>(xh.recordSize);
    std::vector<std::uint8_t> entries;
    entries.reserve(entrySize * data_->recordCount());
    std::uint64_t position = 0;
    for (const auto& block : data_->chain())
        for (int r = 0; r < block.records; ++r, ++position) {
            const std::size_t at = entries.size();
            entries.resize(at + entrySize);
            makeEntry(index, xh, order, data_->recordAt(block.number, r), block.number, entries.data() + at, r,
                      position);
        }
    const std::size_t count = entries.size() / entrySize;
    std::vector<std::size_t> sorted(count);
    for (std::size_t i = 0; i < count; ++i) sorted[i] = i;
    std::stable_sort(sorted.begin(), sorted.end(), [&](std::size_t a, std::size_t b) {
        return order.compare(entries.data() + a * entrySize, entries.data() + b * entrySize) < 0;
    });
    if (index.definition.options & ixUnique)
        for (std::size_t i = 1; i < count; ++i) {
            const std::uint8_t* a = entries.data() + sorted[i - 1] * entrySize;
            if (order.compare(a, entries.data() + sorted[i] * entrySize, own) != 0) continue;
            std::string key;
            for (std::size_t f = 0; f < own; ++f)
                key += (f ? ", " : "") +
                       ParadoxValueCodec::decode(a + xh.fields[f].offset, xh.fields[f], *codec_).toText();
            throw EngineError(errkind::kKeyViolation, "Key violation in " + path_.filename().string() + ": index " +
                                                          index.definition.name + " holds (" + key + ") twice");
        }

    x.clear();
    x.fillCleared(count, [&](std::size_t i) { return entries.data() + sorted[i] * entrySize; });
    writeSecondaryTree(files, order);
}

void ParadoxTable::writeSecondaryTree(SecondaryFiles& files, const ParadoxKeyOrder& order) {
    ParadoxDataFile& x = *files.data;
    x.header().raw[ParadoxHeader::kChangeCounter] =
        static_cast<std::uint8_t>(x.header().raw[ParadoxHeader::kChangeCounter] + 1);
    x.writeHeader();
    const ParadoxHeader& xh = x.header();
    const auto keyBytes = static_cast<std::size_t>(order.keyBytes());
    std::vector<ParadoxIndexTree::Leaf> leaves;
    leaves.reserve(x.chain().size());
    std::vector<std::uint8_t> first(keyBytes);
    for (const auto& block : x.chain()) {
        x.file().read(xh.blockOffset(block.number) + 6, first.data(), keyBytes);
        leaves.push_back({first, block.number, block.records});
    }
    const bool composite = xh.kind == FileKind::CompositeMaintained || xh.kind == FileKind::CompositeStatic;
    ParadoxHeader tree =
        treeHeader(*files.tree, composite ? FileKind::CompositeIndexTree : FileKind::SecondaryIndexTree,
                   std::vector<ParadoxField>(xh.fields.begin(), xh.fields.begin() + xh.keyFieldCount), data_->header());
    writeParadoxIndexTree(*files.tree, tree, leaves, xh.raw[ParadoxHeader::kChangeCounter]);
}

void ParadoxTable::prepareCommit() {
    if (!changed_) return;
    ParadoxHeader& h = data_->header();
    h.raw[ParadoxHeader::kChangeCounter] = static_cast<std::uint8_t>(h.raw[ParadoxHeader::kChangeCounter] + 1);
    data_->writeHeader();
    const std::size_t steps = secondaries_.size() + 1;
    if (h.keyFieldCount > 0) rebuildPrimaryIndex();
    indexesDone(1, steps);
    for (std::size_t i = 0; i < secondaries_.size(); ++i) {
        const auto& index = secondaries_[i];
        if (rewritten(index) && (rebuildIndexes_ || h.keyFieldCount == 0 || !applyIndexChanges(index)))
            rebuildSecondaryIndex(index);
        indexesDone(i + 2, steps);
    }
    if (blobs_) blobs_->touch();
}

void ParadoxTable::reloadAfterDiskChange() {
    changed_ = rebuildIndexes_ = false;
    indexChanges_.clear();
    uniqueKeys_.clear();
    data_->reload(problems_);
    secondaryFiles_.clear();
    secondaryTrees_.clear();
    primaryTree_.reset();
    if (pxFile_ && pxFile_->size() > 0) primaryTree_ = readTree(*pxFile_, *data_, primaryOrder().keyBytes(), false);
    if (blobs_) blobs_->discardPendingWrites();
}

void ParadoxTable::afterCommit() {
    stamp_ = data_->file().file().stamp();
    endWriting();
    changed_ = rebuildIndexes_ = false;
    indexChanges_.clear();
    uniqueKeys_.clear();
    primaryTree_.reset();
    secondaryTrees_.clear();
    if (pxFile_ && pxFile_->size() > 0) primaryTree_ = readTree(*pxFile_, *data_, primaryOrder().keyBytes(), false);
}

void ParadoxTable::afterRollback() {
    // The lock goes even when the files cannot be read again: the next write catches up anyway.
    struct EndWriting {
        ParadoxTable& table;
        ~EndWriting() { table.endWriting(); }
    } end{*this};
    reloadAfterDiskChange();
    stamp_ = data_->file().file().stamp();
}

void ParadoxTable::refresh() {
    const CommittedStateRead steady(data_->file().file());
    refreshFiles();
    reloadAfterDiskChange();
    stamp_ = data_->file().file().stamp();
}

}  // namespace tabulon::paradox
