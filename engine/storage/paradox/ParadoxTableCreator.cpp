#include "ParadoxTableCreator.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdio>
#include <random>

#include "../../core/AsciiCase.h"
#include "../../core/EngineError.h"
#include "../../core/IndexFields.h"
#include "../../core/TextCodec.h"
#include "../../io/Transaction.h"
#include "../Drivers.h"
#include "ParadoxBlobFile.h"
#include "ParadoxCodePage.h"
#include "ParadoxHeaderBuilder.h"
#include "ParadoxTable.h"
#include "ParadoxValidity.h"

namespace tabulon::paradox {

namespace {
constexpr int kMaxNameLength = 25, kMaxKeyFields = 16, kMaxAlpha = 255, kMaxLeader = 240, kMaxScale = 32;
constexpr int kCaseInsensitiveFlag = 0x01, kDescendingFlag = 0x10, kUniqueFlag = 0x20;
constexpr std::uint16_t kDescendingBit = 0x8000;

[[noreturn]] void refuse(const std::string& what) { throw EngineError(errkind::kValue, what); }

int codePageOf(const std::string& encoding) {
    const std::string name = asciiUpper(encoding.empty() ? "CP1252" : encoding);
    if (name.rfind("CP", 0) == 0 && name.size() > 2 &&
        std::all_of(name.begin() + 2, name.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return std::stoi(name.substr(2));
    refuse("Paradox tables hold text in a numbered code page (\"CP1252\"), not " + encoding);
}

// The block size asked for in KiB (0: the default). A size no level has is refused, or with
// `atLeast` (a table read with an odd size) taken up to the next one there is.
int blockKiBOf(std::uint32_t bytes, bool atLeast) {
    if (bytes == 0) return 0;
    for (const int kib : {1, 2, 3, 4, 8, 16, 32})
        if (bytes == static_cast<std::uint32_t>(kib) * 1024 ||
            (atLeast && bytes < static_cast<std::uint32_t>(kib) * 1024))
            return kib;
    refuse("Paradox tables have blocks of 1, 2, 3, 4, 8, 16 or 32 KiB, not " + std::to_string(bytes) + " bytes");
}

int versionByteFor(int level) { return level == 4 ? 0x09 : level == 5 ? 0x0B : 0x0C; }

ParadoxField paradoxField(const FieldDef& def, const TextCodec& codec, int& level) {
    const auto type = paradoxFieldTypeFor(def.type);
    if (!type) refuse("Field " + def.name + ": Paradox has no " + std::string(fieldTypeName(def.type)) + " type");
    level = std::max(level, type->level);
    ParadoxField f;
    f.type = *type;
    const auto name = codec.encode(def.name);
    if (def.name.empty()) refuse("A field name is empty");
    if (!name) refuse("Field name \"" + def.name + "\" has characters code page " + codec.name() + " lacks");
    if (name->size() > static_cast<std::size_t>(kMaxNameLength))
        refuse("Field name \"" + def.name + "\" is longer than 25 characters in code page " + codec.name());
    f.name = *name;
    if (def.type == ftString || def.type == ftBytes) {
        if (def.size < 1 || def.size > kMaxAlpha)
            refuse("Field " + def.name + ": size " + std::to_string(def.size) + " is outside 1 to 255");
        f.sizeByte = def.size;
    } else if (type->blob) {
        const int least = def.type == ftMemo ? 1 : 0;
        if (def.size < least || def.size > kMaxLeader)
            refuse("Field " + def.name + ": size " + std::to_string(def.size) + " is outside " + std::to_string(least) +
                   " to 240");
        f.sizeByte = def.size + kBlobPointerBytes;
    } else if (def.type == ftBCD) {
        if (def.size < 0 || def.size > kMaxScale)
            refuse("Field " + def.name + ": BCD scale " + std::to_string(def.size) + " is outside 0 to 32");
        f.sizeByte = def.size;
    } else {
        f.sizeByte = type->fixedBytes;
    }
    f.bytes = paradoxRecordBytes(*type, f.sizeByte);
    return f;
}

int fieldPosition(const std::vector<FieldDef>& fields, const std::string& name, const std::string& index) {
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (equalsIgnoringAsciiCase(fields[i].name, name)) return static_cast<int>(i);
    refuse("Index " + index + " names the field " + name + ", which the table does not have");
}

struct PlannedIndex {
    IndexDef def;
    std::vector<int> positions;
    std::string dataName, treeName;  // file names
};
}  // namespace

std::unique_ptr<StorageTable> createParadoxTable(const StorageDriver& driver, const std::filesystem::path& path,
                                                 const std::vector<FieldDef>& fields,
                                                 const std::vector<IndexDef>& indexes, const CreateOptions& options) {
    const auto folder = path.parent_path();
    if (!findFileIgnoringCase(folder, path.filename().string()).empty())
        throw EngineError(errkind::kFile, "Table " + path.string() + " exists already");
    if (fields.empty() || fields.size() > 255) refuse("A Paradox table has 1 to 255 fields");
    const int codePage = codePageOf(options.encoding);
    const TextCodec codec(TextCodec::nameForCodePage(codePage));
    const ParadoxSortOrder sort = paradoxSortOrderFor(codePage, options.sortOrder);

    int level = 4;
    std::vector<ParadoxField> pxFields;
    int recordSize = 0;
    for (const FieldDef& def : fields) {
        pxFields.push_back(paradoxField(def, codec, level));
        pxFields.back().offset = recordSize;
        recordSize += pxFields.back().bytes;
    }
    for (std::size_t i = 0; i < fields.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (equalsIgnoringAsciiCase(fields[i].name, fields[j].name))
                refuse("Field name " + fields[i].name + " appears twice");

    int keyFields = 0;
    std::vector<PlannedIndex> secondaries;
    for (const IndexDef& index : indexes) {
        if (!index.expression.empty() || !index.condition.empty()) continue;
        const auto names = indexFieldNames(index.fields);
        if (names.empty()) refuse("Index " + index.name + " names no field");
        if (index.options & ixPrimary) {
            for (std::size_t i = 0; i < names.size(); ++i)
                if (fieldPosition(fields, names[i], "primary") != static_cast<int>(i))
                    refuse("The primary key must be the leading fields in order; " + names[i] + " is not field " +
                           std::to_string(i + 1));
            if (names.size() > static_cast<std::size_t>(kMaxKeyFields)) refuse("A primary key has 16 fields at most");
            for (const auto& name : names)
                if (isBlobType(fields[static_cast<std::size_t>(fieldPosition(fields, name, "primary"))].type))
                    refuse("Field " + name + " is a blob and cannot be a key");
            keyFields = static_cast<int>(names.size());
            continue;
        }
        PlannedIndex planned;
        planned.def = index;
        for (const auto& name : names) planned.positions.push_back(fieldPosition(fields, name, index.name));
        if (index.options & (ixDescending | ixUnique)) level = 7;
        secondaries.push_back(planned);
    }

    // Level 4 blocks hold 4 KiB at most; a longer record or a larger block needs level 5.
    constexpr int kLevel4BlockKiB = 4;
    const int askedBlockKiB = blockKiBOf(options.blockSize, options.versionAtLeast);
    const bool needsLevel5 = recordSize > kLevel4BlockKiB * 1024 - 6 || askedBlockKiB > kLevel4BlockKiB;
    if (!options.version.empty()) {
        const bool older = options.version == "3.0" || options.version == "3.5";  // as a copy's source reports it
        const int asked = options.version == "4" ? 4 : options.version == "5" ? 5 : options.version == "7" ? 7 : 0;
        if (asked == 0 && !(older && options.versionAtLeast))
            refuse("Paradox table level " + options.version + " cannot be created (4, 5 or 7)");
        if (asked < level && !options.versionAtLeast)
            refuse("The fields or indexes need Paradox level " + std::to_string(level) + ", not " + options.version);
        level = std::max(level, asked);
    }
    if (needsLevel5 && (options.version.empty() || options.versionAtLeast)) level = std::max(level, 5);
    const int maxBlockKiB = level == 4 ? kLevel4BlockKiB : 32;
    if (askedBlockKiB > maxBlockKiB)
        refuse("Paradox level 4 tables have blocks of 4 KiB at most, not " + std::to_string(askedBlockKiB) + " KiB");
    int blockKiB = askedBlockKiB != 0 ? askedBlockKiB : level == 4 ? 2 : 4;
    // Enlarged by powers of two, the sizes every level has.
    if (askedBlockKiB == 0 || options.versionAtLeast)
        while (blockKiB < maxBlockKiB && recordSize > blockKiB * 1024 - 6)
            blockKiB = std::min(maxBlockKiB, static_cast<int>(std::bit_floor(static_cast<unsigned>(blockKiB))) * 2);
    if (recordSize > blockKiB * 1024 - 6)
        refuse("A record of " + std::to_string(recordSize) + " bytes does not fit a level " + std::to_string(level) +
               " block of " + std::to_string(blockKiB) + " KiB");

    std::random_device random;
    ParadoxHeaderSpec table;
    table.kind = keyFields ? FileKind::KeyedTable : FileKind::UnkeyedTable;
    table.versionByte = versionByteFor(level);
    table.blockKiB = blockKiB;
    table.fields = pxFields;
    table.keyFieldCount = keyFields;
    table.tableName = path.filename().string();
    table.codePage = codePage;
    table.sortOrderName = sort.name;
    table.sortOrderId = sort.id;
    table.familyLink = static_cast<std::uint8_t>(random());

    std::vector<std::pair<std::string, Bytes>> files;  // file name, contents
    const ParadoxHeader tableHeader = buildParadoxHeader(table);
    files.emplace_back(path.filename().string(), tableHeader.raw);
    const std::string stem = path.stem().string();
    std::vector<bool> required;
    for (const FieldDef& def : fields) required.push_back(def.required);
    if (std::find(required.begin(), required.end(), true) != required.end())
        files.emplace_back(stem + ".VAL", buildParadoxValidity(tableHeader, requiredChecks(required)));
    if (keyFields) {
        ParadoxHeaderSpec px = table;
        px.kind = FileKind::PrimaryIndex;
        px.fields.assign(pxFields.begin(), pxFields.begin() + keyFields);
        px.keyFieldCount = 0;
        px.tableName = stem + ".PX";
        px.blockKiB = 2;
        files.emplace_back(px.tableName, buildParadoxHeader(px).raw);
    }
    if (std::any_of(pxFields.begin(), pxFields.end(), [](const ParadoxField& f) { return f.type.blob; }))
        files.emplace_back(stem + ".MB", ParadoxBlobFile::emptyFile());

    int composite = 0;
    auto locationField = [](std::uint8_t code, const char* name) {
        ParadoxField f;
        f.type = *paradoxFieldType(code);
        f.sizeByte = f.bytes = f.type.fixedBytes;
        f.name = name;
        return f;
    };
    constexpr std::uint8_t kShortCode = 0x03, kLongCode = 0x04;
    for (const PlannedIndex& planned : secondaries) {
        const IndexDef& def = planned.def;
        const bool simple =
            planned.positions.size() == 1 && !(def.options & (ixCaseInsensitive | ixDescending | ixUnique)) &&
            (def.name.empty() ||
             equalsIgnoringAsciiCase(def.name, fields[static_cast<std::size_t>(planned.positions[0])].name));
        char suffix[8];
        if (simple) {
            std::snprintf(suffix, sizeof suffix, "%02X", planned.positions[0] + 1);
        } else {
            if (composite > 9)
                refuse("Index " + def.name + ": a table holds ten composite or named indexes at most here");
            std::snprintf(suffix, sizeof suffix, "G%d", composite++);
        }
        ParadoxHeaderSpec x = table;
        // Unkeyed tables have no maintained indexes in Paradox; theirs are rewritten all the same.
        if (keyFields)
            x.kind = simple ? FileKind::SecondaryMaintained : FileKind::CompositeMaintained;
        else
            x.kind = simple ? FileKind::SecondaryStatic : FileKind::CompositeStatic;
        x.fields.clear();
        x.fieldNumbers.clear();
        for (std::size_t i = 0; i < planned.positions.size(); ++i) {
            x.fields.push_back(pxFields[static_cast<std::size_t>(planned.positions[i])]);
            x.fieldNumbers.push_back(static_cast<std::uint16_t>((planned.positions[i] + 1) |
                                                                ((def.options & ixDescending) ? kDescendingBit : 0)));
        }
        // Keyed: the primary key and the block holding the record. Unkeyed: the record's
        // position, block and offset in the block; the first two are part of the key.
        for (int k = 0; k < keyFields; ++k) x.fields.push_back(pxFields[static_cast<std::size_t>(k)]);
        if (!keyFields) x.fields.push_back(locationField(kLongCode, "Tup No"));
        x.fields.push_back(locationField(kShortCode, "Blk Num"));
        if (!keyFields) x.fields.push_back(locationField(kShortCode, "Tup Offset"));
        for (std::size_t i = planned.positions.size(); i < x.fields.size(); ++i)
            x.fieldNumbers.push_back(static_cast<std::uint16_t>(i + 1));
        x.keyFieldCount = static_cast<int>(planned.positions.size()) + (keyFields ? keyFields : 2);
        x.tableName = stem + ".X" + suffix;
        x.indexName = simple ? "" : (def.name.empty() ? "Index" + std::string(suffix) : def.name);
        x.firstIndexedField = planned.positions[0] + 1;
        x.indexFlags = ((def.options & ixCaseInsensitive) ? kCaseInsensitiveFlag : 0) |
                       ((def.options & ixDescending) ? kDescendingFlag : 0) |
                       ((def.options & ixUnique) ? kUniqueFlag : 0);
        files.emplace_back(x.tableName, buildParadoxHeader(x).raw);

        ParadoxHeaderSpec y = table;
        y.kind = simple ? FileKind::SecondaryIndexTree : FileKind::CompositeIndexTree;
        y.fields.assign(x.fields.begin(), x.fields.begin() + x.keyFieldCount);
        y.keyFieldCount = 0;
        y.tableName = stem + ".Y" + suffix;
        int entryBytes = 6;  // block number, count and an unused short follow each key
        for (const auto& f : y.fields) entryBytes += f.bytes;
        y.blockKiB = std::max(2, std::min(32, (entryBytes * 3 + 6 + 1023) / 1024));
        files.emplace_back(y.tableName, buildParadoxHeader(y).raw);
    }

    {
        std::vector<PagedFile> paged;
        paged.reserve(files.size());
        Transaction transaction(path.string() + Transaction::kJournalExtension);
        for (const auto& [name, bytes] : files) {
            if (!findFileIgnoringCase(folder, name).empty())
                throw EngineError(errkind::kFile, "File " + (folder / name).string() + " exists already");
            paged.push_back(PagedFile::createNew(folder / name));
            paged.back().write(0, bytes.data(), bytes.size());
        }
        for (auto& file : paged) transaction.enlist(file);
        transaction.commit();
    }
    OpenOptions open;
    open.access = AccessMode::ReadWrite;
    return std::make_unique<ParadoxTable>(driver, path, open);
}

}  // namespace tabulon::paradox
