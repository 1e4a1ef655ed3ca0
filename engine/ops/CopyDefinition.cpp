#include "CopyDefinition.h"

#include <algorithm>
#include <cctype>

#include "../core/AsciiCase.h"
#include "../core/TextCodec.h"
#include "../storage/dbase/DbaseCodePages.h"
#include "NumberDigits.h"

namespace tabulon {

namespace {

constexpr std::size_t kDbaseNameBytes = 10;
constexpr std::size_t kParadoxNameBytes = 25;
// dBase's usual number width, and the widest its field descriptor can hold.
constexpr int kUsualNumberWidth = 20;
constexpr int kWidestNumber = 254;
constexpr int kUsualDecimals = 8;

std::size_t nameLimit(TableType type) {
    return type == ttDBase ? kDbaseNameBytes : type == ttParadox ? kParadoxNameBytes : 0;
}

// Whether the destination's format can label its text with `codePage`.
bool formatHasCodePage(TableType type, const std::string& codePage) {
    if (type == ttASCII) return !codePage.empty();
    if (codePage.size() < 3 || codePage.rfind("CP", 0) != 0 ||
        !std::all_of(codePage.begin() + 2, codePage.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return false;
    return type != ttDBase || dbase::languageDriverForCodePage(std::stoi(codePage.substr(2)));
}

// The leading characters of `name` whose code-page bytes fit `limit` (0: no limit). A character
// the code page lacks counts as one byte: the driver refuses the name with its reason.
std::string cut(const std::string& name, std::size_t limit, const TextCodec& codec) {
    if (limit == 0) return name;
    std::size_t bytes = 0;
    std::size_t end = 0;
    while (end < name.size()) {
        std::size_t next = end + 1;
        while (next < name.size() && (static_cast<unsigned char>(name[next]) & 0xC0) == 0x80) ++next;
        const auto encoded = codec.encode(name.substr(end, next - end));
        bytes += encoded ? encoded->size() : 1;
        if (bytes > limit) break;
        end = next;
    }
    return name.substr(0, end);
}

// A dBase number nearest to a floating-point or BCD field, which has no width of its own.
bool widthFromValues(const FieldDef& source, const FieldDef& nearest) {
    const bool shaped = (source.nativeType == "N" || source.nativeType == "F") && source.size > 0;
    return (nearest.nativeType == "N" || nearest.nativeType == "F") && !shaped &&
           (source.type == ftFloat || source.type == ftCurrency || source.type == ftBCD);
}

// Makes each number field in `positions` hold every value of its source field exactly: the
// usual width when that is enough, wider when the values need it, as far as dBase allows.
void fitNumbersToValues(StorageTable& source, const std::vector<std::size_t>& positions,
                        std::vector<FieldDef>& fields) {
    std::vector<NumberDigits> widest(positions.size());
    Record record;
    for (std::uint64_t slot = 0; slot < source.slotCount(); ++slot) {
        if (!source.readSlotFields(slot, positions, record)) continue;
        for (std::size_t i = 0; i < positions.size(); ++i) {
            const NumberDigits digits = digitsOf(record[positions[i]]);
            widest[i].whole = std::max(widest[i].whole, digits.whole);
            widest[i].decimals = std::max(widest[i].decimals, digits.decimals);
        }
    }
    for (std::size_t i = 0; i < positions.size(); ++i) {
        FieldDef& field = fields[positions[i]];
        const int whole = std::max(widest[i].whole, 1);
        const int decimals = widest[i].decimals;
        const int needed = whole + (decimals > 0 ? decimals + 1 : 0);
        if (needed <= kUsualNumberWidth) {
            field.size = kUsualNumberWidth;
            const int room = kUsualNumberWidth - 1 - whole;
            field.decimals = room <= 0 ? 0 : std::min(std::max(decimals, kUsualDecimals), room);
        } else {
            field.size = std::min(needed, kWidestNumber);
            field.decimals = std::min(decimals, std::max(field.size - 2, 0));
        }
    }
}

}  // namespace

void makeNamesUnique(std::vector<FieldDef>& fields, TableType type, const std::string& encoding) {
    const TextCodec codec(encoding.empty() ? "CP1252" : encoding);
    const std::size_t limit = nameLimit(type);
    std::vector<std::string> taken;
    for (FieldDef& field : fields) {
        std::string name = cut(field.name, limit, codec);
        for (int number = 2; std::any_of(taken.begin(), taken.end(),
                                         [&](const std::string& t) { return equalsIgnoringAsciiCase(t, name); });
             ++number) {
            const std::string suffix = "_" + std::to_string(number);
            name = cut(field.name, limit == 0 ? 0 : limit - suffix.size(), codec) + suffix;
        }
        field.name = name;
        taken.push_back(name);
    }
}

CopyDefinition copyDefinition(StorageTable& source, const StorageDriver& destination, bool keep,
                              const std::string& encoding) {
    CopyDefinition copy;
    const TableFacts facts = source.facts();
    const TableType type = destination.tableType();
    copy.options.encoding = !encoding.empty()                         ? encoding
                            : formatHasCodePage(type, facts.codePage) ? facts.codePage
                                                                      : "";
    std::vector<std::size_t> sized;
    if (keep) {
        copy.fields = source.fields();
        for (IndexDef index : source.indexes()) {
            if (!index.usable) continue;  // what cannot be evaluated cannot be built either
            index.file.clear();           // the driver names its own files
            copy.indexes.push_back(index);
        }
        copy.options.version = facts.version;
        copy.options.versionAtLeast = true;
        if (copy.options.encoding == facts.codePage) copy.options.sortOrder = facts.sortOrder;
        copy.options.blockSize = facts.blockSize;
    } else {
        for (const FieldDef& field : source.fields()) {
            copy.fields.push_back(destination.nearestField(field));
            if (type == ttDBase && widthFromValues(field, copy.fields.back())) sized.push_back(copy.fields.size() - 1);
        }
    }
    if (!sized.empty()) fitNumbersToValues(source, sized, copy.fields);

    makeNamesUnique(copy.fields, type, copy.options.encoding);
    for (std::size_t i = 0; i < copy.fields.size(); ++i)
        if (copy.fields[i].name != source.fields()[i].name)
            copy.renamed.emplace_back(source.fields()[i].name, copy.fields[i].name);
    return copy;
}

}  // namespace tabulon
