#include "ExactAggregates.h"

#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "../core/Decimal.h"
#include "../core/EngineError.h"

namespace tabulon {
namespace {

// Lives in SQLite's aggregate context, which starts zero-filled (every member must be valid
// as all-zero bytes) and is only 8-byte aligned: the 128-bit coefficient is kept in halves.
struct Accumulator {
    std::int64_t count;
    bool sawNonInteger;
    bool inexact;  // gone past Decimal's digits: `approximate` holds the sum
    double approximate;
    bool negative;
    std::uint64_t coefficientLow;
    std::uint64_t coefficientHigh;
    int scale;

    Decimal::Coefficient coefficient() const {
        return (static_cast<Decimal::Coefficient>(coefficientHigh) << 64) | coefficientLow;
    }
};

Decimal exactOf(const Accumulator& sum) { return Decimal::fromParts(sum.negative, sum.coefficient(), sum.scale); }

void store(Accumulator& sum, const Decimal& value) {
    sum.negative = value.negative();
    sum.coefficientLow = static_cast<std::uint64_t>(value.coefficient());
    sum.coefficientHigh = static_cast<std::uint64_t>(value.coefficient() >> 64);
    sum.scale = value.scale();
}

// The value as a decimal; nullopt for text that is no number (SQLite counts it as 0). Text
// is read exactly, not through a float as SQLite's numeric conversion would.
std::optional<Decimal> decimalOf(sqlite3_value* value) {
    switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER:
            return Decimal::fromInt(sqlite3_value_int64(value));
        case SQLITE_FLOAT:
            return Decimal::fromDouble(sqlite3_value_double(value));
        default:
            try {
                return Decimal::parse(reinterpret_cast<const char*>(sqlite3_value_text(value)));
            } catch (const EngineError&) {
                return std::nullopt;
            }
    }
}

// Adds the value (sign 1) or, as a window moves on, takes it away again (sign -1).
void add(sqlite3_context* context, sqlite3_value* value, int sign) {
    if (sqlite3_value_type(value) == SQLITE_NULL) return;
    auto* sum = static_cast<Accumulator*>(sqlite3_aggregate_context(context, sizeof(Accumulator)));
    if (!sum) {
        sqlite3_result_error_nomem(context);
        return;
    }
    sum->count += sign;
    if (sqlite3_value_type(value) != SQLITE_INTEGER) sum->sawNonInteger = true;
    if (sum->inexact) {
        sum->approximate += sign * sqlite3_value_double(value);
        return;
    }
    try {
        if (const std::optional<Decimal> term = decimalOf(value))
            store(*sum, exactOf(*sum) + (sign > 0 ? *term : -*term));
    } catch (const EngineError&) {  // beyond Decimal's digits, or not finite
        sum->inexact = true;
        sum->approximate = exactOf(*sum).toDouble() + sign * sqlite3_value_double(value);
    }
}

void step(sqlite3_context* context, int, sqlite3_value** argv) { add(context, argv[0], 1); }
void inverse(sqlite3_context* context, int, sqlite3_value** argv) { add(context, argv[0], -1); }

// The exact sum as SQLite's numbers show it: a float when it reads back unchanged.
void resultOf(sqlite3_context* context, const Decimal& value) {
    const double approximate = value.toDouble();
    try {
        if (Decimal::fromDouble(approximate) == value) {
            sqlite3_result_double(context, approximate);
            return;
        }
    } catch (const EngineError&) {
    }
    const std::string text = value.toString();
    sqlite3_result_text(context, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

Accumulator finalState(sqlite3_context* context) {
    auto* sum = static_cast<Accumulator*>(sqlite3_aggregate_context(context, 0));
    return sum ? *sum : Accumulator{};
}

void sumFinal(sqlite3_context* context) {
    const Accumulator sum = finalState(context);
    if (sum.count == 0)
        sqlite3_result_null(context);
    else if (sum.inexact)
        sqlite3_result_double(context, sum.approximate);
    else if (!sum.sawNonInteger && sum.scale == 0 && sum.coefficient() <= std::numeric_limits<std::int64_t>::max())
        sqlite3_result_int64(context, sum.negative ? -static_cast<std::int64_t>(sum.coefficient())
                                                   : static_cast<std::int64_t>(sum.coefficient()));
    else
        resultOf(context, exactOf(sum));
}

void totalFinal(sqlite3_context* context) {
    const Accumulator sum = finalState(context);
    if (sum.inexact)
        sqlite3_result_double(context, sum.approximate);
    else
        resultOf(context, exactOf(sum));
}

void avgFinal(sqlite3_context* context) {
    const Accumulator sum = finalState(context);
    if (sum.count == 0)
        sqlite3_result_null(context);
    else
        sqlite3_result_double(
            context, (sum.inexact ? sum.approximate : exactOf(sum).toDouble()) / static_cast<double>(sum.count));
}

}  // namespace

void registerExactAggregates(sqlite3* db) {
    constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    // The final functions only read the state, so they serve as the window's current value too.
    using Final = void (*)(sqlite3_context*);
    const std::pair<const char*, Final> aggregates[] = {{"sum", sumFinal}, {"total", totalFinal}, {"avg", avgFinal}};
    for (const auto& [name, final] : aggregates) {
        if (sqlite3_create_window_function(db, name, 1, kFlags, nullptr, step, final, final, inverse, nullptr) !=
            SQLITE_OK)
            throw EngineError(errkind::kNotSupported,
                              std::string("Cannot register ") + name + ": " + sqlite3_errmsg(db));
    }
}

}  // namespace tabulon
