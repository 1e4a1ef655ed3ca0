#include "StructurePlan.h"

#include <algorithm>

#include "TypeLetters.h"
#include "core/AsciiCase.h"
#include "core/IndexFields.h"

using namespace tabulon;

namespace {

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const auto& part : parts) text += (text.empty() ? "" : ";") + part;
    return text;
}

bool validRow(TableType format, const TFieldRow& row) {
    const auto& sizes = format == ttDBase ? DBaseMaxSizes : ParadoxMaxSizes;
    return !row.Name.empty() && NormalizeTypeLetter(format, std::string(1, row.Type)) == row.Type && row.Size >= 0 &&
           row.Size <= std::max(sizes[TypeLetterToFieldType(format, row.Type)], 1);
}

FieldDef fieldOf(TableType format, const TFieldRow& row, const std::vector<FieldDef>& oldFields) {
    const bool known = row.Ord >= 0 && static_cast<std::size_t>(row.Ord) < oldFields.size();
    if (known && LetterForField(format, oldFields[static_cast<std::size_t>(row.Ord)]) == row.Type) {
        FieldDef field = oldFields[static_cast<std::size_t>(row.Ord)];
        field.name = row.Name;
        field.required = row.Req;
        // The editor has no width for a dBase number: the old one stays.
        if (!(format == ttDBase && row.Type == 'N')) field.size = row.Size;
        return field;
    }
    return {row.Name, TypeLetterToFieldType(format, row.Type), row.Size, 0, row.Req, ""};
}

}  // namespace

TStructurePlan PlanStructure(TableType format, const std::vector<TFieldRow>& rows,
                             const std::vector<TIndexRequest>& indexes, const std::vector<FieldDef>& oldFields) {
    TStructurePlan plan;
    auto& fields = plan.Restructure.fields;
    std::vector<std::string> keyFields;
    bool keyEnded = false;
    for (const TFieldRow& row : rows) {
        const bool duplicate = std::any_of(fields.begin(), fields.end(), [&](const RestructuredField& f) {
            return equalsIgnoringAsciiCase(f.field.name, row.Name);
        });
        if (duplicate || !validRow(format, row)) {
            plan.Refusal = row.Name + kInvalidField;
            return plan;
        }
        const bool known = row.Ord >= 0 && static_cast<std::size_t>(row.Ord) < oldFields.size();
        fields.push_back(
            {fieldOf(format, row, oldFields), known ? oldFields[static_cast<std::size_t>(row.Ord)].name : ""});
        if (format == ttDBase) continue;
        // Paradox keeps the key fields first, in the key's order.
        if (row.Key && keyEnded) {
            plan.Refusal = kKeyNotLeading;
            return plan;
        }
        if (row.Key) keyFields.push_back(row.Name);
        keyEnded = keyEnded || !row.Key;
    }

    auto& defs = plan.Restructure.indexes;
    if (!keyFields.empty()) defs.push_back({"", joined(keyFields), "", "", ixPrimary | ixUnique, "", true, ""});
    for (const TIndexRequest& request : indexes) {
        std::vector<std::string> parts = indexFieldNames(request.Fields);
        if (parts.empty()) continue;
        bool known = true;
        for (auto& part : parts) {
            const auto field = std::find_if(fields.begin(), fields.end(), [&](const RestructuredField& f) {
                return equalsIgnoringAsciiCase(f.field.name, part);
            });
            known = known && field != fields.end();
            if (field != fields.end()) part = field->field.name;
        }
        std::string name = parts.size() == 1 && format != ttDBase ? parts[0] : request.Name;
        if (format == ttDBase) {
            name = asciiUpper(name);
            for (auto& part : parts) part = asciiUpper(part);
        }
        const bool taken = std::any_of(defs.begin(), defs.end(), [&](const IndexDef& index) {
            return !(index.options & ixPrimary) && equalsIgnoringAsciiCase(index.name, name);
        });
        if (!known || taken || name.find_first_not_of(' ') == std::string::npos) {
            plan.Refusal = name + kInvalidIndex;
            return plan;
        }
        // A dBase tag of several fields is made an expression by the engine, each field in the
        // form its type needs.
        const IndexOptions options =
            request.Options &
            (format == ttDBase ? ixUnique | ixDescending : ixUnique | ixDescending | ixCaseInsensitive);
        defs.push_back({name, joined(parts), "", "", options, "", true, ""});
    }
    return plan;
}
