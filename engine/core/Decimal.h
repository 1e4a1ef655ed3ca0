#pragma once
// Exact decimal numbers of up to 32 significant digits, as BCD fields hold them.
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace tabulon {

// A signed coefficient and a scale (digits after the point, 0..32). Arithmetic is exact;
// a result that needs more than 32 digits throws EngineError(EValueError) instead of rounding,
// except divide() and rounded(), which round half away from zero to the scale asked for.
class Decimal {
public:
    static constexpr int kMaxDigits = 32;
    __extension__ typedef unsigned __int128 Coefficient;

    Decimal() = default;
    static Decimal fromInt(std::int64_t value);
    // "-12.340", "+5", ".5", "7."; no exponent, no blanks. Throws EValueError.
    static Decimal parse(std::string_view text);
    // The shortest decimal that round-trips `value` (cut to 32 significant digits), rounded to
    // `scale` digits after the point when `scale` >= 0. Throws EValueError for NaN, infinity and
    // numbers of more than 32 integer digits.
    static Decimal fromDouble(double value, int scale = -1);
    static Decimal fromParts(bool negative, Coefficient coefficient, int scale);

    bool negative() const { return negative_; }
    bool isZero() const { return coefficient_ == 0; }
    Coefficient coefficient() const { return coefficient_; }
    int scale() const { return scale_; }
    int digitCount() const;  // significant digits of the coefficient (0 for zero)

    // Plain notation with exactly scale() digits after the point: "-0.50", "12".
    std::string toString() const;
    double toDouble() const;
    // Exact when `scale` >= scale(); otherwise rounds half away from zero.
    Decimal rounded(int scale) const;

    Decimal operator-() const;
    Decimal operator+(const Decimal& other) const;
    Decimal operator-(const Decimal& other) const;
    Decimal operator*(const Decimal& other) const;
    // Quotient rounded half away from zero to `scale` digits. Throws EValueError on division by zero.
    Decimal divide(const Decimal& divisor, int scale) const;

    // Numeric order: 1.50 == 1.5.
    std::strong_ordering operator<=>(const Decimal& other) const;
    bool operator==(const Decimal& other) const { return (*this <=> other) == 0; }

private:
    Decimal(bool negative, Coefficient coefficient, int scale);
    bool negative_ = false;
    Coefficient coefficient_ = 0;
    int scale_ = 0;
};

}  // namespace tabulon
