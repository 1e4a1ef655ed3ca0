// restructure: a table's fields listed anew (kept, renamed, retyped, added; the others dropped),
// its records copied into them, the values that would be lost counted first.
#include <algorithm>
#include <cstdint>

#include "Arguments.h"
#include "Commands.h"
#include "Json.h"
#include "core/AsciiCase.h"
#include "core/EngineError.h"
#include "core/IndexFields.h"
#include "ops/TableDefinitions.h"
#include "storage/Drivers.h"

namespace tabulon::cli {

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

int number(const std::string& text, const std::string& spec) {
    try {
        std::size_t used = 0;
        const int value = std::stoi(text, &used);
        if (used == text.size()) return value;
    } catch (const std::exception&) {
    }
    throw UsageError("'" + text + "' in " + spec + " is not a number");
}

// NAME[=OLD][:TYPE[:SIZE[:DECIMALS]]]: fed by OLD (by NAME when no "=" is given and the table
// has NAME; "NAME=" is a new, empty field), shaped as the old field unless a type is given.
RestructuredField fieldFrom(const std::string& spec, const std::vector<FieldDef>& old) {
    const std::vector<std::string> parts = split(spec, ':');
    const auto equals = parts[0].find('=');
    const std::string name = parts[0].substr(0, equals);
    const std::string from = equals == std::string::npos ? name : parts[0].substr(equals + 1);
    const auto source =
        std::find_if(old.begin(), old.end(), [&](const FieldDef& f) { return equalsIgnoringAsciiCase(f.name, from); });
    if (name.empty() || parts.size() > 4) throw UsageError("'" + spec + "' is not NAME[=OLD][:TYPE[:SIZE[:DECIMALS]]]");
    if (parts.size() == 1 && source == old.end()) throw UsageError("'" + spec + "' names no field and gives no type");
    FieldDef field = source != old.end() ? *source : FieldDef{};
    field.name = name;
    if (parts.size() > 1) {
        field = {name, fieldTypeFromName(parts[1]), 0, 0, false, ""};
        if (field.type == ftUnknown) throw UsageError("'" + parts[1] + "' is no field type (ftString, ftInteger, ...)");
    }
    if (parts.size() > 2) field.size = number(parts[2], spec);
    if (parts.size() > 3) field.decimals = number(parts[3], spec);
    return {field, source != old.end() ? source->name : ""};
}

// The old indexes whose fields all remain, under the fields' new names.
std::vector<IndexDef> keptIndexes(const Restructure& current, const std::vector<RestructuredField>& fields) {
    std::vector<IndexDef> kept;
    for (IndexDef index : current.indexes) {
        // A dBase tag on fields has them as its expression too; another expression names the
        // old fields in its own text, so it goes.
        std::string plain = index.fields;
        std::replace(plain.begin(), plain.end(), ';', '+');
        if (index.fields.empty() || (!index.expression.empty() && !equalsIgnoringAsciiCase(index.expression, plain)))
            continue;
        index.expression.clear();
        const std::vector<std::string> parts = indexFieldNames(index.fields);
        std::vector<std::string> names;
        for (const auto& part : parts) {
            const auto field = std::find_if(fields.begin(), fields.end(), [&](const RestructuredField& f) {
                return !f.from.empty() && equalsIgnoringAsciiCase(f.from, part);
            });
            if (field == fields.end()) break;
            names.push_back(field->field.name);
        }
        if (names.size() != parts.size()) continue;
        index.fields.clear();
        for (const auto& name : names) index.fields += (index.fields.empty() ? "" : ";") + name;
        kept.push_back(index);
    }
    return kept;
}

}  // namespace

void runRestructure(const std::vector<std::string>& words, std::ostream& out) {
    const Arguments args(words, {"--save-as"}, {"--empty-lost", "--count-lost"});
    args.expectPositionals(2, SIZE_MAX);
    const std::filesystem::path path = std::filesystem::absolute(args.positionals()[0]);
    const Restructure current = currentStructure(path);
    std::vector<FieldDef> old;
    for (const auto& field : current.fields) old.push_back(field.field);
    Restructure restructure;
    for (std::size_t i = 1; i < args.positionals().size(); ++i)
        restructure.fields.push_back(fieldFrom(args.positionals()[i], old));
    restructure.indexes = keptIndexes(current, restructure.fields);
    restructure.saveAs = args.value("--save-as");
    restructure.emptyLostValues = args.has("--empty-lost");

    const std::vector<FieldLoss> losses = lostValues(path, restructure);
    std::string lost;
    for (const auto& loss : losses)
        lost += std::string(lost.empty() ? "" : ",") + "{\"field\":" + jsonString(loss.field) +
                ",\"emptied\":" + std::to_string(loss.emptied) + ",\"cut\":" + std::to_string(loss.cut) + "}";
    const bool change = !args.has("--count-lost") && (losses.empty() || restructure.emptyLostValues);
    if (change) TableDefinitions().restructure(path, restructure);
    out << "{\"lost\":[" << lost << "],\"restructured\":" << (change ? "true" : "false") << "}\n";
    if (!change && !args.has("--count-lost"))
        throw EngineError(errkind::kValue, "Values of " + path.filename().string() +
                                               " would be emptied or cut: nothing changed (--empty-lost allows it)");
}

}  // namespace tabulon::cli
