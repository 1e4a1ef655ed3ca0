// Sort orders: the binary ones compare code-page bytes; the international ones compare letters
// first, then accents, then case; the Nordic ones put Æ Ø Å after Z.
#include <gtest/gtest.h>

#include <algorithm>

#include "ParadoxFixtures.h"
#include "core/EngineError.h"
#include "core/TextCodec.h"
#include "storage/Drivers.h"
#include "storage/paradox/ParadoxCodePage.h"
#include "storage/paradox/ParadoxCollation.h"

using namespace tabulon;
using namespace tabulon::paradox;

namespace {
struct OrderCase {
    const char* sortOrder;
    const char* codePage;
    const char* lower;  // UTF-8
    const char* higher;
    bool caseInsensitive;
};

const OrderCase kOrders[] = {
    {"ascii", "CP437", "B", "a", false},  // bytes: upper case first
    {"ascii", "CP437", "Zebra", "apple", false},
    {"DBWINUS0", "CP1252", "Z", "a", false},
    {"ANSIINTL", "CP1252", "apple", "Zebra", false},  // letters before case
    {"ANSIINTL", "CP1252", "a", "A", false},          // then lower before upper
    {"ANSIINTL", "CP1252", "e", "é", false},          // accents after the plain letter
    {"ANSIINTL", "CP1252", "é", "f", false},          // but before the next letter
    {"intl", "CP437", "cote", "côte", false},
    {"intl", "CP437", "côte", "coter", false},
    {"ANSII850", "CP1252", "Müller", "Muller2", false},
    {"nordan40", "CP865", "Zulu", "Ærø", false},
    {"nordan40", "CP865", "Ærø", "Øst", false},
    {"nordan40", "CP865", "Øst", "Åpne", false},
    {"ascii", "CP437", "abc", "ABD", true},  // case-insensitive indexes fold case
};

class ParadoxOrder : public ::testing::TestWithParam<OrderCase> {};

std::vector<std::uint8_t> field(const TextCodec& codec, const char* text, int size) {
    const auto bytes = codec.encode(text);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(size), 0);
    std::copy(bytes->begin(), bytes->end(), out.begin());
    return out;
}
}  // namespace

TEST_P(ParadoxOrder, PutsTheFirstBeforeTheSecond) {
    const OrderCase& c = GetParam();
    const TextCodec codec(c.codePage);
    const ParadoxCollation collation(c.sortOrder, codec);
    const auto a = field(codec, c.lower, 12);
    const auto b = field(codec, c.higher, 12);
    EXPECT_LT(collation.compare(a.data(), b.data(), 12, c.caseInsensitive), 0) << c.lower << " < " << c.higher;
    EXPECT_GT(collation.compare(b.data(), a.data(), 12, c.caseInsensitive), 0);
    EXPECT_EQ(collation.compare(a.data(), a.data(), 12, c.caseInsensitive), 0);
}

INSTANTIATE_TEST_SUITE_P(SortOrders, ParadoxOrder, ::testing::ValuesIn(kOrders));

TEST(ParadoxCollation, CaseInsensitiveOrdersTreatCaseAsEqualAndFoldToUpperCase) {
    const TextCodec codec("CP1252");
    const ParadoxCollation intl("ANSIINTL", codec);
    const auto lower = field(codec, "straße é", 10);
    const auto upper = field(codec, "STRAßE É", 10);
    EXPECT_EQ(intl.compare(lower.data(), upper.data(), 10, true), 0);
    EXPECT_NE(intl.compare(lower.data(), upper.data(), 10, false), 0);
    EXPECT_EQ(intl.upper(static_cast<std::uint8_t>(0xE9)), 0xC9);  // é -> É
    EXPECT_EQ(intl.upper('q'), 'Q');
    EXPECT_EQ(intl.upper('7'), '7');
}

TEST(ParadoxCodePage, LevelThreeTablesFollowTheirSortOrderHintOrDefaultTo437) {
    ParadoxHeader level3;
    level3.versionByte = 3;
    EXPECT_EQ(paradoxCodePageName(level3, ""), "CP437");
    level3.sortOrderId = 0xC0;
    EXPECT_EQ(paradoxCodePageName(level3, ""), "CP866");
    EXPECT_EQ(paradoxCodePageName(level3, "CP1251"), "CP1251");
    ParadoxHeader level7;
    level7.versionByte = 0x0C;
    level7.codePage = 1252;
    EXPECT_EQ(paradoxCodePageName(level7, ""), "CP1252");
    level7.codePage = 0;
    level7.sortOrderName = "BLROM800";
    EXPECT_EQ(paradoxCodePageName(level7, ""), "HP-ROMAN8");
}

// The writers of the fixtures kept every index in its table's sort order: each index of each
// fixture, walked as its file stores it, is in order under the collation of that sort order.
TEST(ParadoxCollation, EveryFixtureIndexIsInOrderUnderItsTablesSortOrder) {
    SKIP_WITHOUT_PARADOX_FIXTURES();
    int checked = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tabulon::testing::paradoxFixtures())) {
        std::string extension = entry.path().extension().string();
        for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (extension != ".DB") continue;
        std::unique_ptr<StorageTable> table;
        try {
            table = openTable(entry.path());
        } catch (const EngineError&) {
            continue;  // password-protected
        }
        const TableFacts facts = table->facts();
        const TextCodec codec(facts.codePage);
        const ParadoxCollation collation(facts.sortOrder, codec);
        for (const IndexDef& index : table->indexes()) {
            const auto& fields = table->fields();
            const auto first = std::find_if(fields.begin(), fields.end(), [&](const FieldDef& f) {
                return f.name == index.fields.substr(0, index.fields.find(';'));
            });
            if (!index.usable || first == fields.end() || first->type != ftString) continue;
            const bool descending = (index.options & ixDescending) != 0;
            const bool folded = (index.options & ixCaseInsensitive) != 0;
            auto cursor = table->openIndex(index.name);
            std::vector<std::uint8_t> previous;
            for (bool more = cursor->first(); more; more = cursor->next()) {
                const Value key = cursor->key()[0];
                const auto current = field(codec, key.isNull() ? "" : key.asString().c_str(), first->size);
                if (!previous.empty()) {
                    const int order = collation.compare(previous.data(), current.data(), first->size, folded);
                    EXPECT_LE(descending ? -order : order, 0) << entry.path() << " index '" << index.name << "' ("
                                                              << facts.sortOrder << ") at " << key.toText();
                }
                previous = current;
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 1000);
}
