// Every fixture table exported to text and imported into an empty copy of itself comes back
// value for value.
#include <gtest/gtest.h>

#include <set>

#include "OpsFixture.h"
#include "dataset/Connection.h"
#include "dataset/Session.h"
#include "dataset/Table.h"
#include "ops/TextExport.h"
#include "ops/TextImport.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {

const std::filesystem::path kFixtures = TABULON_FIXTURES;

// Tables whose values the driver cannot write back as they are, whoever writes them.
const std::set<std::string> kNotWritable = {
    "Foxpro2.dbf",  // a JPEG in a text memo: bytes CP1252 leaves undefined read as U+FFFD
};

std::vector<std::filesystem::path> fixtureTables() {
    std::vector<std::filesystem::path> tables;
    if (!std::filesystem::exists(kFixtures)) return tables;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kFixtures)) {
        const TableType type = tableTypeForPath(entry.path());
        if (entry.is_regular_file() && (type == ttDBase || type == ttParadox) && entry.path().has_extension())
            tables.push_back(entry.path());
    }
    std::sort(tables.begin(), tables.end());
    return tables;
}

// The first record and field where the two tables' records differ, or "" when they agree.
std::string firstDifference(const std::filesystem::path& a, const std::filesystem::path& b) {
    auto left = openTable(a);
    auto right = openTable(b);
    if (left->recordCount() != right->recordCount())
        return std::to_string(left->recordCount()) + " records against " + std::to_string(right->recordCount());
    Record x, y;
    for (std::uint64_t slot = 0, other = 0, n = 1; slot < left->slotCount(); ++slot) {
        if (!left->readSlot(slot, x)) continue;
        while (!right->readSlot(other++, y)) {
        }
        for (std::size_t f = 0; f < x.size(); ++f)
            if (!(x[f] == y[f]))
                return "record " + std::to_string(n) + " field " + left->fields()[f].name + ": " + x[f].toText() +
                       " against " + y[f].toText();
        ++n;
    }
    return "";
}

struct Layout {
    const char* name;
    TextFormat format;
    const char* separator;
    bool header;
};

class TextRoundTripTest : public OpsFixture, public ::testing::WithParamInterface<Layout> {
protected:
    // Copies the fixture's family into `folder`; false when the fixture cannot be written at all
    // (damaged, encrypted, a format level the engine only reads).
    static bool copyFamily(const std::filesystem::path& fixture, const std::filesystem::path& folder) {
        std::filesystem::create_directories(folder);
        try {
            for (const auto& file : driverForPath(fixture).familyFiles(fixture))
                std::filesystem::copy_file(file, folder / file.filename());
            OpenOptions strict;
            strict.access = AccessMode::ReadWrite;
            strict.tolerant = false;
            openTable(folder / fixture.filename(), strict);
            return true;
        } catch (const EngineError&) {
            return false;
        }
    }
};

TEST_P(TextRoundTripTest, EveryFixtureValueComesBack) {
    const auto tables = fixtureTables();
    if (tables.empty()) GTEST_SKIP() << "no fixtures at " << kFixtures.string();
    int tried = 0;
    for (std::size_t n = 0; n < tables.size(); ++n) {
        const auto source = data() / ("s" + std::to_string(n));
        const auto target = data() / ("t" + std::to_string(n));
        if (kNotWritable.count(tables[n].filename().string()) || !copyFamily(tables[n], source) ||
            !copyFamily(tables[n], target))
            continue;
        SCOPED_TRACE(tables[n].string());
        const auto from = source / tables[n].filename();
        const auto into = target / tables[n].filename();
        try {
            TableDefinitions().empty(into);
        } catch (const EngineError&) {
            continue;  // a format the engine does not write
        }
        ++tried;
        {
            Session session("export");
            Connection& connection = session.addConnection("Folder");
            connection.setParams(Connection::folderParams(source.string()));
            connection.connect();
            Table table(connection);
            table.setTableName(from.filename().string());
            table.open();
            TextExportOptions options;
            options.file = {GetParam().format, GetParam().separator, true, GetParam().header, "UTF-8", {}};
            for (const FieldDef& field : table.fieldDefs()) options.fields.push_back(field.name);
            exportText(table, data() / "out.txt", options);
        }
        TextImportOptions options;
        options.file = {GetParam().format, GetParam().separator, true, GetParam().header, "UTF-8", {}};
        // A code page guessed from the text is in no header, so the emptied copy is told it.
        const std::string codePage = openTable(from)->facts().codePage;
        const TextImportResult result = TextImport(into, codePage).run(data() / "out.txt", options);
        EXPECT_TRUE(result.refused.empty()) << result.refused.front().message;
        EXPECT_EQ(firstDifference(from, into), "");
    }
    EXPECT_GT(tried, 10);
}

INSTANTIATE_TEST_SUITE_P(Layouts, TextRoundTripTest,
                         ::testing::Values(Layout{"Csv", TextFormat::Csv, "", true},
                                           Layout{"CsvSemicolon", TextFormat::Csv, ";", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
