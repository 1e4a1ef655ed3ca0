// A restructure that empties what does not convert or fit and cuts what is too long: the counts
// shown before are what the copy then does, value by value, on both formats.
#include <gtest/gtest.h>

#include "OpsFixture.h"

using namespace tabulon;
using namespace tabulon::testing;

namespace {

struct LossCase {
    std::string label;
    std::string extension;
    std::size_t from;  // 0: TEXT, 1: NUM
    FieldDef field;    // the field TEXT or NUM becomes
    FieldLoss loss;
    std::vector<std::string> values;  // the new field's values afterwards, as text
};

void PrintTo(const LossCase& c, std::ostream* out) { *out << c.label; }

class LostValuesTest : public OpsFixture, public ::testing::WithParamInterface<LossCase> {
protected:
    // TEXT and NUM of four records, the last one empty.
    std::filesystem::path sample() const {
        const std::vector<FieldDef> fields = {{"TEXT", ftString, 20, 0, false, ""}, {"NUM", ftFloat, 0, 0, false, ""}};
        return tableWith("sample" + GetParam().extension, fields,
                         {{Value::string("12"), Value::floating(1.5)},
                          {Value::string("abc"), Value::floating(123456.25)},
                          {Value::string("123456"), Value::floating(-3)},
                          {Value(), Value()}});
    }
    // The sample with the chosen field replaced and a new field KEPT after it.
    Restructure reshaped() const {
        const char* const names[] = {"TEXT", "NUM"};
        Restructure restructure;
        restructure.fields = {{GetParam().field, names[GetParam().from]},
                              {{"KEPT", ftString, 6, 0, false, ""}, "TEXT"}};
        return restructure;
    }
};

TEST_P(LostValuesTest, CountsBeforeMatchWhatTheCopyDoes) {
    const auto path = sample();
    const std::vector<FieldLoss> expected =
        GetParam().loss.emptied + GetParam().loss.cut == 0 ? std::vector<FieldLoss>{} : std::vector{GetParam().loss};
    // KEPT is six long: "123456" just fits, so only the changed field can lose.
    EXPECT_EQ(lostValues(path, reshaped()), expected);

    Restructure refused = reshaped();
    if (!expected.empty()) {
        EXPECT_THROW(TableDefinitions().restructure(path, refused), EngineError);
    }

    Restructure restructure = reshaped();
    restructure.emptyLostValues = true;
    TableDefinitions().restructure(path, restructure);
    std::vector<std::string> values, kept;
    for (const Record& record : recordsOf(path)) {
        values.push_back(record[0].toText());
        kept.push_back(record[1].toText());
    }
    EXPECT_EQ(values, GetParam().values);
    EXPECT_EQ(kept, (std::vector<std::string>{"12", "abc", "123456", ""}));
    // dbfread writes numbers in its own way: texts are compared.
    if (GetParam().extension == ".DBF" && GetParam().field.type == ftString)
        expectDbfreadAgrees(path, {GetParam().field.name, "KEPT"});
}

std::vector<LossCase> lossCases() {
    std::vector<LossCase> cases;
    for (const std::string extension : {".DB", ".DBF"}) {
        const std::string format = extension == ".DB" ? "Paradox" : "Dbase";
        cases.push_back({"TextToInteger" + format,
                         extension,
                         0,
                         {"TEXT", ftInteger, 0, 0, false, ""},
                         {"TEXT", 1, 0},
                         {"12", "", "123456", ""}});
        cases.push_back({"TextShortened" + format,
                         extension,
                         0,
                         {"TEXT", ftString, 3, 0, false, ""},
                         {"TEXT", 0, 1},
                         {"12", "abc", "123", ""}});
        cases.push_back({"NumberToText" + format,
                         extension,
                         1,
                         {"NUM", ftString, 4, 0, false, ""},
                         {"NUM", 0, 1},
                         {"1.5", "1234", "-3", ""}});
        cases.push_back({"NumberUnchanged" + format,
                         extension,
                         1,
                         {"NUM", ftFloat, 0, 0, false, ""},
                         {"NUM", 0, 0},
                         {"1.5", "123456.25", "-3", ""}});
    }
    cases.push_back(
        {"NumberToSmallintParadox", ".DB", 1, {"NUM", ftSmallint, 0, 0, false, ""}, {"NUM", 2, 0}, {"", "", "-3", ""}});
    cases.push_back(
        {"NarrowDbaseNumber", ".DBF", 1, {"NUM", ftFloat, 6, 2, false, "N"}, {"NUM", 1, 0}, {"1.5", "", "-3", ""}});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Fields, LostValuesTest, ::testing::ValuesIn(lossCases()),
                         [](const auto& info) { return info.param.label; });

}  // namespace
