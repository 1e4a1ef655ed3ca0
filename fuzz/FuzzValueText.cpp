// Every text parser of the value layer: never crashes, and what parses prints back the same.
#include <cstdint>
#include <string_view>

#include "core/EngineError.h"
#include "core/Value.h"

using namespace tabulon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto kind = static_cast<ValueKind>(data[0] % 11);
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        const Value v = Value::fromText(kind, text);
        const Value again = Value::fromText(kind, v.toText());
        if (!(again == v)) __builtin_trap();
        (void)v.compare(again);
    } catch (const EngineError&) {
    }
    return 0;
}
