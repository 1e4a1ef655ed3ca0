// Filter texts of any bytes: parsing either succeeds or raises EngineError, and evaluation
// never fails.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/EngineError.h"
#include "dataset/filter/FilterExpression.h"

using namespace tabulon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<FieldDef> fields = {{"ID", ftInteger, 0, 0, false, ""},
                                                 {"NAME", ftString, 20, 0, false, ""},
                                                 {"AMOUNT", ftFloat, 0, 0, false, ""},
                                                 {"BORN", ftDate, 0, 0, false, ""},
                                                 {"OK", ftBoolean, 0, 0, false, ""}};
    static const std::vector<Record> records = {{Value::integer(1), Value::string("Smith"), Value::floating(2.5),
                                                 Value::date(Date::fromCivil(1970, 1, 2)), Value::boolean(true)},
                                                {Value(), Value(), Value(), Value(), Value()}};
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const bool caseInsensitive : {false, true}) {
        try {
            const auto filter = FilterExpression::parse(text, fields, {caseInsensitive, !caseInsensitive}, {});
            for (const Record& r : records) (void)filter.matches(r);
        } catch (const EngineError&) {
        }
    }
    return 0;
}
