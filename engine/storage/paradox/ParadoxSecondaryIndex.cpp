#include "ParadoxSecondaryIndex.h"

#include <algorithm>
#include <cctype>

#include "../../core/AsciiCase.h"
#include "../../io/PagedFile.h"

namespace tabulon::paradox {

namespace {
constexpr std::uint16_t kDescendingBit = 0x8000;
constexpr int kCaseInsensitiveFlag = 0x01, kUniqueFlag = 0x20;

// ".X02", ".XG0" and the like; the matching .Y file is the index's tree.
bool isSecondaryExtension(const std::string& ext) {
    if (ext.size() != 4 || ext[0] != '.' || ext[1] != 'X') return false;
    const auto alnum = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
    return alnum(ext[2]) && alnum(ext[3]);
}

// Table fields, then (keyed) the primary key again and "Blk Num", or (unkeyed) "Tup No",
// "Blk Num" and "Tup Offset": what is left in front is the index's own fields.
int ownFieldCount(const ParadoxHeader& x, const ParadoxHeader& table) {
    const int trailing = table.keyFieldCount > 0 ? table.keyFieldCount + 1 : 3;
    return static_cast<int>(x.fields.size()) - trailing;
}
}  // namespace

std::string ParadoxSecondaryIndex::treeFileName(const std::string& dataFileName) {
    std::string name = dataFileName;
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot + 1 < name.size()) name[dot + 1] = name[dot + 1] == 'x' ? 'y' : 'Y';
    return name;
}

std::vector<ParadoxSecondaryIndex> ParadoxSecondaryIndex::discover(const std::filesystem::path& table,
                                                                   const ParadoxHeader& tableHeader,
                                                                   const std::vector<FieldDef>& tableFields,
                                                                   ProblemLog& problems) {
    std::vector<std::filesystem::path> files;
    const std::string stem = asciiUpper(table.stem().string());
    std::error_code ec;
    const auto folder = table.parent_path().empty() ? std::filesystem::path(".") : table.parent_path();
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const auto& p = entry.path();
        if (asciiUpper(p.stem().string()) == stem && isSecondaryExtension(asciiUpper(p.extension().string())))
            files.push_back(table.parent_path() / p.filename());
    }
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        return asciiUpper(a.extension().string()) < asciiUpper(b.extension().string());
    });

    std::vector<ParadoxSecondaryIndex> found;
    for (const auto& path : files) {
        ParadoxSecondaryIndex index;
        index.dataPath = path;
        index.definition.file = path.filename().string();
        index.definition.name = index.definition.file;
        try {
            index.header = ParadoxHeader::read(PagedFile::open(path, AccessMode::ReadOnly));
            const ParadoxHeader& x = index.header;
            const int own = ownFieldCount(x, tableHeader);
            if (!x.isSecondaryData() || own < 1 || x.fieldNumbers.size() < static_cast<std::size_t>(own))
                throw EngineError(errkind::kFormat, path.filename().string() + ": not a secondary index of this table");
            std::string fields;
            for (int i = 0; i < own; ++i) {
                const int position = (x.fieldNumbers[static_cast<std::size_t>(i)] & ~kDescendingBit) - 1;
                if (position < 0 || position >= static_cast<int>(tableFields.size()) ||
                    x.fields[static_cast<std::size_t>(i)].type.code !=
                        tableHeader.fields[static_cast<std::size_t>(position)].type.code ||
                    x.fields[static_cast<std::size_t>(i)].bytes !=
                        tableHeader.fields[static_cast<std::size_t>(position)].bytes)
                    throw EngineError(errkind::kFormat, path.filename().string() + ": indexed field " +
                                                            std::to_string(i + 1) + " is not a field of the table");
                index.tableFields.push_back(position);
                index.descending.push_back((x.fieldNumbers[static_cast<std::size_t>(i)] & kDescendingBit) != 0);
                fields += (i ? ";" : "") + tableFields[static_cast<std::size_t>(position)].name;
            }
            if (tableHeader.keyFieldCount > 0) {
                // Keyed tables: the primary key follows, as in the table, then the block hint.
                bool fits = x.keyFieldCount == own + tableHeader.keyFieldCount;
                for (int k = 0; fits && k < tableHeader.keyFieldCount; ++k) {
                    const auto& a = x.fields[static_cast<std::size_t>(own + k)];
                    const auto& b = tableHeader.fields[static_cast<std::size_t>(k)];
                    fits = a.type.code == b.type.code && a.bytes == b.bytes;
                }
                const auto& hint = x.fields.back();
                if (!fits || hint.type.fieldType != ftSmallint)
                    throw EngineError(errkind::kFormat,
                                      path.filename().string() +
                                          ": its fields do not end in the table's primary key and a block number");
            }
            const bool composite = x.kind == FileKind::CompositeMaintained || x.kind == FileKind::CompositeStatic;
            index.maintained = x.kind == FileKind::CompositeMaintained || x.kind == FileKind::SecondaryMaintained;
            index.definition.fields = fields;
            index.definition.name = composite && !x.indexName.empty() ? x.indexName : fields;
            if (composite && (x.indexFlags & kCaseInsensitiveFlag)) index.definition.options |= ixCaseInsensitive;
            if (x.indexFlags & kUniqueFlag) index.definition.options |= ixUnique;
            if (std::find(index.descending.begin(), index.descending.end(), true) != index.descending.end())
                index.definition.options |= ixDescending;
        } catch (const EngineError& e) {
            index.definition.usable = false;
            index.definition.problem = e.message();
            problems.report(path.filename().string(), e.message());
        }
        found.push_back(std::move(index));
    }
    return found;
}

}  // namespace tabulon::paradox
