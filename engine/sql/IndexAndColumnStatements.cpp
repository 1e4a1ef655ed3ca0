#include "IndexAndColumnStatements.h"

#include <algorithm>

#include "../core/EngineError.h"
#include "../dataset/TableLock.h"
#include "../ops/TableDefinitions.h"
#include "../storage/Drivers.h"
#include "SqlText.h"
#include "SqlValues.h"
#include "TableNameResolver.h"

namespace tabulon {
namespace {

// Reads a statement's tokens one by one, naming what it expected where it fails.
class TokenReader {
public:
    explicit TokenReader(const std::vector<Token>& tokens) : tokens_(tokens) {}

    bool atEnd() const { return at_ >= tokens_.size(); }
    bool accept(const char* word) {
        if (atEnd() || !(isWord(tokens_[at_], word) || tokens_[at_].text == word)) return false;
        ++at_;
        return true;
    }
    void expect(const char* word) {
        if (!accept(word)) fail(std::string("\"") + word + "\"");
    }
    // A name, quoted or not, unquoted.
    std::string name() {
        if (atEnd() || !isName(tokens_[at_])) fail("a name");
        return sqlUnquoted(tokens_[at_++].text);
    }
    // The text up to the next "," or the end at this nesting depth.
    std::string restOfItem() {
        std::string text;
        int depth = 0;
        for (; !atEnd(); ++at_) {
            const std::string& t = tokens_[at_].text;
            if (depth == 0 && t == ",") break;
            if (t == "(") ++depth;
            if (t == ")") --depth;
            text += (text.empty() ? "" : " ") + t;
        }
        return text;
    }
    void expectEnd() {
        if (!atEnd()) fail("the end of the statement");
    }
    [[noreturn]] void fail(const std::string& expected) const {
        const std::string found = atEnd() ? "the end" : "\"" + tokens_[at_].text + "\"";
        throw EngineError(errkind::kValue, "SQL error: " + expected + " expected, not " + found + " (token " +
                                               std::to_string(at_ + 1) + ")");
    }

private:
    const std::vector<Token>& tokens_;
    std::size_t at_ = 0;
};

std::filesystem::path tableOf(const std::filesystem::path& folder, const std::string& name) {
    const std::filesystem::path path = resolveTableName(folder, name);
    if (path.empty()) throw EngineError(errkind::kFile, "Table \"" + name + "\" not found in " + folder.string());
    return path;
}

// The operations' own exclusive open refuses a table in use but cannot say who uses it; the
// table lock, taken first, names the holder.
TableLock holdExclusively(const std::filesystem::path& table, const std::string& session) {
    return TableLock::acquire(table, session, true);
}

bool indexUses(const IndexDef& index, const std::string& field) {
    std::size_t start = 0;
    for (std::size_t end; start <= index.fields.size(); start = end + 1) {
        end = std::min(index.fields.find(';', start), index.fields.size());
        if (equalsIgnoringAsciiCase(index.fields.substr(start, end - start), field)) return true;
    }
    return false;
}

void createIndex(const std::filesystem::path& folder, const std::string& session, TokenReader& in) {
    IndexDef index;
    if (in.accept("UNIQUE")) index.options |= ixUnique;
    if (in.accept("DESC"))
        index.options |= ixDescending;
    else
        in.accept("ASC");
    in.expect("INDEX");
    index.name = in.name();
    in.expect("ON");
    const std::filesystem::path path = tableOf(folder, in.name());
    in.expect("(");
    do {
        if (!index.fields.empty()) index.fields += ';';
        index.fields += in.name();
        if (in.accept("DESC"))
            index.options |= ixDescending;
        else
            in.accept("ASC");
    } while (in.accept(","));
    in.expect(")");
    in.expectEnd();
    const TableLock lock = holdExclusively(path, session);
    TableDefinitions().addIndex(path, index);
}

void dropIndex(const std::filesystem::path& folder, const std::string& session, TokenReader& in) {
    std::string first = in.name();
    std::string table, index;
    if (in.accept(".")) {
        table = first;
        index = in.name();
    } else {
        index = first;
        in.expect("ON");
        table = in.name();
    }
    in.expectEnd();
    const std::filesystem::path path = tableOf(folder, table);
    const TableLock lock = holdExclusively(path, session);
    TableDefinitions().deleteIndex(path, index);
}

// ADD [COLUMN] name type [NOT NULL]: the new field, as the table's format holds it.
RestructuredField addedField(const StorageDriver& driver, TokenReader& in) {
    in.accept("COLUMN");
    const std::string name = in.name();
    std::string type = in.restOfItem();
    const std::string upper = asciiUpper(type);
    const bool notNull = upper.size() >= 8 && upper.compare(upper.size() - 8, 8, "NOT NULL") == 0;
    if (notNull) type.resize(type.size() - 8);
    FieldDef field = fieldForSqlType(name, type);
    if (field.type == ftUnknown) field.type = ftMemo;  // a type SQL does not name holds any text
    field.required = notNull;
    return {driver.nearestField(field), ""};
}

void dropColumn(Restructure& structure, TokenReader& in) {
    in.accept("COLUMN");
    const std::string name = in.name();
    const auto found = std::find_if(structure.fields.begin(), structure.fields.end(), [&](const RestructuredField& f) {
        return equalsIgnoringAsciiCase(f.field.name, name);
    });
    if (found == structure.fields.end()) throw EngineError(errkind::kValue, "The table has no column \"" + name + "\"");
    for (const IndexDef& index : structure.indexes) {
        if (indexUses(index, found->field.name)) {
            throw EngineError(errkind::kValue,
                              "Column \"" + name + "\" is in index \"" + index.name + "\"; drop the index first");
        }
    }
    structure.fields.erase(found);
}

void alterTable(const std::filesystem::path& folder, const std::string& session, TokenReader& in) {
    const std::filesystem::path path = tableOf(folder, in.name());
    // Before the structure is read, so the changes apply to the one that is rebuilt.
    const TableLock lock = holdExclusively(path, session);
    const StorageDriver& driver = driverForPath(path);
    Restructure structure = currentStructure(path);
    do {
        if (in.accept("ADD"))
            structure.fields.push_back(addedField(driver, in));
        else if (in.accept("DROP"))
            dropColumn(structure, in);
        else
            in.fail("ADD or DROP");
    } while (in.accept(","));
    in.expectEnd();
    TableDefinitions().restructure(path, structure);
}

}  // namespace

bool runIndexOrColumnStatement(const std::filesystem::path& folder, const std::string& session,
                               const std::vector<Token>& tokens) {
    TokenReader in(tokens);
    if (in.accept("CREATE")) {
        if (!(tokens.size() > 1 && (isWord(tokens[1], "INDEX") || isWord(tokens[1], "UNIQUE") ||
                                    isWord(tokens[1], "ASC") || isWord(tokens[1], "DESC")))) {
            return false;
        }
        createIndex(folder, session, in);
        return true;
    }
    if (in.accept("DROP")) {
        if (!in.accept("INDEX")) return false;
        dropIndex(folder, session, in);
        return true;
    }
    if (in.accept("ALTER")) {
        in.expect("TABLE");
        alterTable(folder, session, in);
        return true;
    }
    return false;
}

}  // namespace tabulon
