// Text import and export on small tables: how lines become records, which lines are refused
// and why, undoing an import, and what export writes or leaves behind when it fails.
#include <gtest/gtest.h>

#include "OpsFixture.h"
#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "ops/TextExport.h"
#include "ops/TextImport.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {

Value S(const char* text) { return Value::string(text); }

// Values compared by their text, as number fields read back in their own kind.
std::vector<std::string> texts(const Record& record) {
    std::vector<std::string> out;
    for (const Value& value : record) out.push_back(value.toText());
    return out;
}

class TextImportTest : public OpsFixture {
protected:
    // A, B, C strings and N a number; ITEMS.DB keyed on A.
    std::filesystem::path items(const std::string& name, const std::string& encoding = "CP437") const {
        const bool paradox = tableTypeForPath(name) == ttParadox;
        std::vector<IndexDef> indexes;
        if (paradox) indexes.push_back({"", "A", "", "", ixPrimary | ixUnique, "", true, ""});
        return tableWith(name,
                         {{"A", ftString, 10, 0, paradox, ""},
                          {"B", ftString, 10, 0, false, ""},
                          {"C", ftString, 10, 0, false, ""},
                          {"N", ftInteger, paradox ? 0 : 6, 0, false, ""}},
                         {{S("old"), S("x"), Value(), Value::integer(1)}}, encoding, indexes);
    }
    std::filesystem::path text(const std::string& content) const {
        writeBytes(data() / "in.txt", Bytes(content.begin(), content.end()));
        return data() / "in.txt";
    }
    static TextImportOptions delimited(const char* separator, bool quoted = false) {
        TextImportOptions options;
        options.file.separator = separator;
        options.file.quoteStrings = quoted;
        return options;
    }
    static std::string exported(const std::filesystem::path& table, const TextExportOptions& options,
                                const std::filesystem::path& target) {
        Session session("export");
        Connection& connection = session.addConnection("Folder");
        connection.setParams(Connection::folderParams(table.parent_path().string()));
        connection.connect();
        Table open(connection);
        open.setTableName(table.filename().string());
        open.open();
        exportText(open, target, options);
        const Bytes bytes = readBytes(target);
        return std::string(bytes.begin(), bytes.end());
    }
};

struct Lines {
    const char* name;
    std::string text;
    TextImportOptions options;
    Record expected;  // the last record of the table afterwards
};

TEST_F(TextImportTest, LinesBecomeRecordsColumnByColumn) {
    TextImportOptions chosen = delimited(";");
    chosen.columns = {true, false, true};
    TextImportOptions reordered = delimited(",");
    reordered.fields = {"C", "A"};
    const Lines cases[] = {
        {"EmptyValueKeepsItsColumn", "a;;c;7", delimited(";"), {S("a"), Value(), S("c"), Value::integer(7)}},
        {"CaretTIsTab", "a\tb\tc", delimited("^t"), {S("a"), S("b"), S("c"), Value()}},
        {"QuotesAroundStringsGo", "'O'Brien';' b ';5", delimited(";", true), {S("O'Brien"), S(" b"), S("5"), Value()}},
        {"QuotesStayWhenNotAsked", "'q';b", delimited(";"), {S("'q'"), S("b"), Value(), Value()}},
        {"NoSeparatorOneTrimmedValue", "  a b  ", delimited(""), {S("a b"), Value(), Value(), Value()}},
        {"UncheckedColumnsAreSkipped", "a;b;c", chosen, {S("a"), S("c"), Value(), Value()}},
        {"FieldsInChosenOrder", "a,b", reordered, {S("b"), Value(), S("a"), Value()}},
        {"EmptyLineEmptyRecord", "\r\n", delimited(";"), {Value(), Value(), Value(), Value()}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto table = items(std::string(c.name).substr(0, 8) + ".DBF");
        const TextImportResult result = TextImport(table).run(text(c.text), c.options);
        EXPECT_EQ(result.appended, 1u);
        EXPECT_TRUE(result.refused.empty());
        const auto records = recordsOf(table);
        EXPECT_EQ(texts(records.back()), texts(c.expected));
    }
}

struct Refusal {
    const char* name;
    std::string text;
    std::uint64_t line;
    const char* because;
};

TEST_F(TextImportTest, BadLinesAreRefusedByNumberAndTheOthersAppended) {
    const Refusal cases[] = {
        {"FewerColumns", "a;b;c;1\r\nd;e\r\nf;g;h;2\r\n", 2, "2 values where the first line has 4"},
        {"MoreColumns", "a;b;c;1\nd;e;f;2;9\nf;g;h;2\n", 2, "5 values where the first line has 4"},
        {"NumberField", "a;b;c;1\nd;e;f;many\nf;g;h;2\n", 2, "N"},
        {"CodePageLacksACharacter", "a;b;c;1\nd;\xE2\x82\xAC;f;2\nf;g;h;2\n", 2, "B"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto table = items(std::string(c.name).substr(0, 8) + ".DBF");
        TextImportOptions options = delimited(";");
        options.file.encoding = "UTF-8";
        options.skipRefused = true;
        const TextImportResult result = TextImport(table).run(text(c.text), options);
        ASSERT_EQ(result.refused.size(), 1u);
        EXPECT_EQ(result.refused[0].line, c.line);
        EXPECT_NE(result.refused[0].message.find(c.because), std::string::npos) << result.refused[0].message;
        EXPECT_EQ(result.appended, 2u);
        EXPECT_EQ(recordsOf(table).size(), 3u);
    }
}

TEST_F(TextImportTest, StoppedImportKeepsOrUndoesWhatItAppended) {
    for (const char* name : {"ITEMS.DBF", "ITEMS.DB"}) {
        for (const bool undo : {false, true}) {
            SCOPED_TRACE(std::string(name) + (undo ? " undone" : " kept"));
            std::filesystem::remove_all(data());
            std::filesystem::create_directories(data());
            const auto table = items(name);
            const auto before = recordsOf(table);
            TextImport import(table);
            // The third line repeats the first one's key, which the keyed table refuses.
            const TextImportResult result =
                import.run(text("k;b;c;1\nj;b;c;2\n" + std::string(tableTypeForPath(name) == ttParadox ? "k" : "x;y") +
                                ";b;c;3\nl;b;c;4\n"),
                           delimited(";"));
            ASSERT_EQ(result.refused.size(), 1u);
            EXPECT_EQ(result.refused[0].line, 3u);
            EXPECT_EQ(result.appended, 2u);
            if (undo) import.undo();
            EXPECT_EQ(recordsOf(table).size(), before.size() + (undo ? 0 : 2));
            if (undo) EXPECT_EQ(recordsOf(table), before);
        }
    }
}

TEST_F(TextImportTest, HeaderLinePairsColumnsWithFieldsByName) {
    const auto table = items("ITEMS.DBF");
    TextImportOptions options;
    options.file.format = TextFormat::Csv;
    options.file.header = true;
    TextImport(table).run(text("n,c\r\n12,\"x, \"\"y\"\"\r\nz\"\r\n"), options);
    EXPECT_EQ(texts(recordsOf(table).back()), texts({Value(), Value(), S("x, \"y\"\r\nz"), Value::integer(12)}));
    options.file.header = true;
    EXPECT_THROW(TextImport(table).run(text("n,nope\r\n1,2\r\n"), options), EngineError);
}

TEST_F(TextImportTest, ExportWritesTheChosenFieldsInOrder) {
    const auto table = tableWith("ITEMS.DBF", {{"NAME", ftString, 10, 0, false, ""}, {"N", ftInteger, 6, 0, false, ""}},
                                 {{S("O'Brien"), Value::integer(5)}, {S("a,\"b\""), Value()}});
    TextExportOptions options;
    options.fields = {"NAME", "N"};
    options.file.separator = ";";
    options.file.quoteStrings = true;
    EXPECT_EQ(exported(table, options, data() / "a.txt"), "'O'Brien';5\r\n'a,\"b\"';\r\n");
    options.fields = {"N", "NAME"};
    options.file = {TextFormat::Csv, "", false, true, "", {}};
    EXPECT_EQ(exported(table, options, data() / "b.txt"), "N,NAME\r\n5,O'Brien\r\n,\"a,\"\"b\"\"\"\r\n");
    // A CSV separator that a number's text can hold quotes the number.
    options.file.separator = "5";
    options.file.header = false;
    EXPECT_EQ(exported(table, options, data() / "d.txt"), "\"5\"5O'Brien\r\n5\"a,\"\"b\"\"\"\r\n");
    options.file.header = true;
    options.file.separator = "^T ";
    options.file.format = TextFormat::Delimited;
    options.file.header = false;
    EXPECT_EQ(exported(table, options, data() / "c.txt"), "5^T O'Brien\r\n^T a,\"b\"\r\n");
}

TEST_F(TextImportTest, FailedExportLeavesTheTargetAsItWas) {
    const auto table =
        tableWith("ITEMS.DBF", {{"NAME", ftString, 10, 0, false, ""}}, {{S("a")}, {S("caf\xC3\xA9")}}, "CP1252");
    const auto target = data() / "out.txt";
    writeBytes(target, {'o', 'l', 'd'});
    TextExportOptions options;
    options.fields = {"NAME"};
    options.file.encoding = "ASCII";
    for (const auto& path : {target, data() / "missing" / "out.txt"}) {
        try {
            exported(table, options, path);
            FAIL() << "exported to " << path;
        } catch (const EngineError& e) {
            EXPECT_NE(e.message().find(path == target ? "Record 2, field NAME" : path.string()), std::string::npos)
                << e.message();
        }
        options.file.encoding = "";
    }
    EXPECT_EQ(readBytes(target), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data()), {}), 2);  // the table and the target
}

}  // namespace
