// Index upkeep of DbaseTable: keys moved in place in the production .MDX and .NDX files with
// each change, and indexes rebuilt from the records at commit when that is needed.
#include <algorithm>

#include "../../core/EngineError.h"
#include "CdxFile.h"
#include "CdxRebuild.h"
#include "DbaseTable.h"
#include "IndexCatalog.h"
#include "IndexTree.h"
#include "MdxFile.h"
#include "NdxFile.h"
#include "NdxWriter.h"
#include "ProductionIndex.h"
#include "RecordDecoder.h"
#include "TreeCursor.h"

namespace tabulon::dbase {

namespace {
// Past this many changes in one transaction (or an eighth of the records, if more), one
// rebuild at commit costs less than moving every key in place; so it does when every record
// of the table came in this transaction (a copy, a reorganize, an import into an empty table).
constexpr std::uint64_t kFewestChangesForRebuild = 20000;

MdxTagSpec ndxShapeOf(const NdxFile& ndx, const std::vector<FieldDef>& fields) {
    const IndexTag& tag = ndx.tags().front();
    MdxTagSpec shape;
    shape.name = tag.def.name;
    shape.expression = tag.def.expression;
    shape.unique = tag.def.options & ixUnique;
    const ExpressionType type = DbaseExpression(shape.expression, fields).type();
    shape.keyType = type == ExpressionType::String ? 'C' : type == ExpressionType::Date ? 'D' : 'N';
    shape.keyLength = shape.keyType == 'C' ? tag.keyLength : 8;
    return shape;
}

// Moves one record's key in `tree`; false when the tree must be rebuilt instead. Keys are in
// their stored form; none means the record is not in the tag.
bool moveKey(IndexTree& tree, bool unique, const std::optional<std::string>& oldKey,
             const std::optional<std::string>& newKey, RecordId id) {
    if (oldKey == newKey) return true;
    // A unique tag holds a key's first record: taking one out may bring another in.
    if (unique ? oldKey.has_value() : oldKey && !tree.remove(*oldKey, id)) return false;
    if (newKey && !(unique && tree.contains(*newKey))) tree.insert(*newKey, id);
    return true;
}
}  // namespace

template <typename Index>
std::vector<Index*> DbaseTable::attached() const {
    std::vector<Index*> out;
    for (IndexFile* index : catalog_->files())
        if (auto* file = dynamic_cast<Index*>(index)) out.push_back(file);
    return out;
}
template std::vector<MdxFile*> DbaseTable::attached<MdxFile>() const;
template std::vector<NdxFile*> DbaseTable::attached<NdxFile>() const;
template std::vector<CdxFile*> DbaseTable::attached<CdxFile>() const;

void DbaseTable::checkProductionTagsHoldEveryRecord(const char* what) const {
    if (productionChecked_) return;
    // A tag that should hold every record but does not was left stale by other software;
    // moving keys in it would fail to find the old ones.
    for (std::size_t t = 0; t < production_->tags().size(); ++t) {
        const IndexTag& tag = production_->tags()[t];
        if (!tagHoldsEveryRecord(tag.def)) continue;
        // Counted by walking the leaves: loading a large tag would hold all its keys at once.
        TreeCursor walk(tag.def, *production_, t, {}, tag.descending, *codec_, [](RecordId) { return true; });
        std::uint64_t keys = 0;
        for (bool more = walk.first(); more; more = walk.next()) ++keys;
        if (keys != header_.recordCount)
            throw EngineError(errkind::kNotSupported,
                              "Cannot " + std::string(what) + " " + path_.filename().string() + ": tag " +
                                  tag.def.name + " holds " + std::to_string(keys) + " keys for " +
                                  std::to_string(header_.recordCount) +
                                  " records (a stale index), so it could not be kept up to date; reindex it first");
    }
    productionChecked_ = true;
}

std::function<void(std::uint64_t, Record&, bool&)> DbaseTable::recordSource() {
    return [this](std::uint64_t slot, Record& values, bool& deleted) {
        if (slot % kRecordsPerReport == 0) indexesDone(slot, header_.recordCount);
        const std::uint8_t* record = loadSlot(slot);
        deleted = record[0] == DbaseHeader::kDeletedFlag;
        decoder_->decode(record, values);
    };
}

const TagKeys& DbaseTable::ndxKeys(const NdxFile& ndx) {
    auto& keys = ndxKeys_[&ndx];
    if (!keys) keys = std::make_unique<TagKeys>(std::vector<MdxTagSpec>{ndxShapeOf(ndx, fields_)}, fields_, *codec_);
    return *keys;
}

void DbaseTable::keepIndexes(RecordId id, const std::uint8_t* before, const std::uint8_t* after) {
    const std::vector<NdxFile*> ndxFiles = attached<NdxFile>();
    if (rebuildPending_ || (!production_ && ndxFiles.empty())) return;
    ++keptInPlace_;
    const bool everyRecordIsNew = !before && keptInPlace_ == header_.recordCount;
    if (everyRecordIsNew || keptInPlace_ > std::max<std::uint64_t>(kFewestChangesForRebuild, header_.recordCount / 8)) {
        rebuildPending_ = true;
        return;
    }
    Record oldValues;
    Record newValues;
    if (before) decoder_->decode(before, oldValues);
    decoder_->decode(after, newValues);
    const ExpressionContext oldRecord{&oldValues, id, before && before[0] == DbaseHeader::kDeletedFlag};
    const ExpressionContext newRecord{&newValues, id, after[0] == DbaseHeader::kDeletedFlag};
    // Moves the record's key of tag `t` of `keys` (stored as `stored` writes it) within `tree`;
    // false when the tree must be rebuilt instead.
    auto move = [&](const TagKeys& keys, std::size_t t, auto stored, IndexTree tree) {
        const MdxTagSpec& tag = keys.tags()[t];
        auto bytesOf = [&](const ExpressionContext& record) -> std::optional<std::string> {
            const std::optional<MdxKey> key = keys.keyOf(t, record);
            if (!key) return std::nullopt;
            return stored(tag, *key);
        };
        return moveKey(tree, tag.unique, before ? bytesOf(oldRecord) : std::nullopt, bytesOf(newRecord), id);
    };
    try {
        if (production_) {
            if (!productionKeys_)
                productionKeys_ = std::make_unique<TagKeys>(tagSpecsOf(*production_), fields_, *codec_);
            for (std::size_t t = 0; t < productionKeys_->tags().size() && !rebuildPending_; ++t)
                rebuildPending_ = !move(*productionKeys_, t, mdxKeyBytes,
                                        IndexTree::ofMdxTag(production_->file(), production_->tags()[t].header));
        }
        for (NdxFile* ndx : ndxFiles)
            if (!rebuildPending_) rebuildPending_ = !move(ndxKeys(*ndx), 0, ndxKeyBytes, IndexTree::ofNdx(ndx->file()));
    } catch (const EngineError& e) {
        // A tree this code cannot follow is made anew from the records instead.
        if (e.kind() != errkind::kFormat) throw;
        rebuildPending_ = true;
    }
    // A split may have given a tree a new root.
    if (production_) production_->reload();
    for (NdxFile* ndx : ndxFiles) ndx->reload();
}

void DbaseTable::rebuildIndexes() {
    if (rebuildPending_) {
        if (production_) rebuildProductionIndex();
        rebuildNdxFiles();
    }
    rebuildCdxFiles();
}

void DbaseTable::rebuildProductionIndex() {
    const std::string bytes = buildProductionIndex(path_.stem().string(), tagSpecsOf(*production_), fields_, *codec_,
                                                   header_.recordCount, recordSource());
    PagedFile& file = production_->file();
    file.truncate(0);
    file.write(0, bytes.data(), bytes.size());
    production_->reload();
}

void DbaseTable::rebuildNdxFiles() {
    for (NdxFile* ndx : attached<NdxFile>()) {
        const TagKeys& keys = ndxKeys(*ndx);
        const std::string bytes =
            buildNdx(keys.tags().front(), std::move(keysOfRecords(keys, header_.recordCount, recordSource()).front()));
        PagedFile& file = ndx->file();
        file.truncate(0);
        file.write(0, bytes.data(), bytes.size());
        ndx->reload();
    }
}

void DbaseTable::rebuildCdxFiles() {
    for (CdxFile* cdx : attached<CdxFile>()) {
        const std::string bytes = rebuildCdx(*cdx, *catalog_, fields_, *codec_, header_.recordCount, recordSource());
        PagedFile& file = cdx->file();
        file.truncate(0);
        file.write(0, bytes.data(), bytes.size());
        cdx->reload();
    }
}

}  // namespace tabulon::dbase
