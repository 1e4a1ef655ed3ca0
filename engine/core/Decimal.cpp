#include "Decimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "EngineError.h"

namespace tabulon {

namespace {
using U128 = Decimal::Coefficient;

U128 pow10(int n) {
    U128 result = 1;
    for (int i = 0; i < n; ++i) result *= 10;
    return result;
}

const U128 kLimit = pow10(Decimal::kMaxDigits);  // coefficients stay below this

[[noreturn]] void overflow(const char* what) {
    throw EngineError(errkind::kValue, std::string(what) + " needs more than 32 significant digits");
}

// Multiplies by 10^n, or throws when the result would leave 32 digits.
U128 scaleUp(U128 value, int n) {
    for (int i = 0; i < n; ++i) {
        value *= 10;
        if (value >= kLimit) overflow("Decimal value");
    }
    return value;
}

// Divides by 10^n rounding half away from zero.
U128 scaleDown(U128 value, int n) {
    if (n <= 0) return value;
    const U128 divisor = pow10(std::min(n, 38));
    const U128 quotient = value / divisor;
    const U128 remainder = value % divisor;
    return remainder * 2 >= divisor ? quotient + 1 : quotient;
}
}  // namespace

Decimal::Decimal(bool negative, Coefficient coefficient, int scale)
    : negative_(negative && coefficient != 0), coefficient_(coefficient), scale_(scale) {
    if (coefficient >= kLimit) overflow("Decimal value");
    if (scale < 0 || scale > kMaxDigits)
        throw EngineError(errkind::kValue, "Decimal scale " + std::to_string(scale) + " is outside 0 to 32");
}

Decimal Decimal::fromParts(bool negative, Coefficient coefficient, int scale) {
    return Decimal(negative, coefficient, scale);
}

Decimal Decimal::fromInt(std::int64_t value) {
    const bool negative = value < 0;
    const U128 magnitude = negative ? U128(-(value + 1)) + 1 : U128(value);  // safe for INT64_MIN
    return Decimal(negative, magnitude, 0);
}

Decimal Decimal::parse(std::string_view text) {
    const std::string original(text);
    auto bad = [&]() -> EngineError {
        return EngineError(errkind::kValue, "'" + original + "' is not a valid decimal number");
    };
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    U128 coefficient = 0;
    int scale = 0;
    int digits = 0;
    bool seenPoint = false;
    bool seenDigit = false;
    for (char c : text) {
        if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else if (c >= '0' && c <= '9') {
            seenDigit = true;
            if (coefficient != 0 || c != '0') ++digits;
            if (digits > kMaxDigits) overflow(("'" + original + "'").c_str());
            coefficient = coefficient * 10 + U128(c - '0');
            if (seenPoint) ++scale;
        } else {
            throw bad();
        }
    }
    if (!seenDigit) throw bad();
    if (scale > kMaxDigits) overflow(("'" + original + "'").c_str());
    return Decimal(negative, coefficient, scale);
}

Decimal Decimal::fromDouble(double value, int scale) {
    if (!std::isfinite(value)) throw EngineError(errkind::kValue, "A non-finite number has no decimal value");
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (ec != std::errc()) throw EngineError(errkind::kValue, "Number too large for a decimal");
    std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    // Shortest round-trip text may have more digits than a decimal holds; keep the leading ones.
    const auto point = text.find('.');
    const std::size_t intDigits = point == std::string_view::npos ? text.size() : point;
    const std::size_t sign = text[0] == '-' ? 1 : 0;
    if (intDigits - sign > static_cast<std::size_t>(kMaxDigits)) overflow("Number");
    if (point != std::string_view::npos) {
        const std::size_t keep = std::min<std::size_t>(text.size() - point - 1, kMaxDigits - (intDigits - sign));
        text = text.substr(0, point + 1 + keep);
    }
    const Decimal exact = parse(text);
    return scale < 0 ? exact : exact.rounded(scale);
}

int Decimal::digitCount() const {
    int count = 0;
    for (U128 v = coefficient_; v != 0; v /= 10) ++count;
    return count;
}

std::string Decimal::toString() const {
    std::string digits;
    for (U128 v = coefficient_; v != 0; v /= 10) digits.push_back(char('0' + int(v % 10)));
    while (digits.size() <= static_cast<std::size_t>(scale_)) digits.push_back('0');
    std::reverse(digits.begin(), digits.end());
    if (scale_ > 0) digits.insert(digits.size() - static_cast<std::size_t>(scale_), 1, '.');
    return negative_ ? "-" + digits : digits;
}

double Decimal::toDouble() const {
    double result = 0;
    const std::string text = toString();
    std::from_chars(text.data(), text.data() + text.size(), result);
    return result;
}

Decimal Decimal::rounded(int scale) const {
    if (scale >= scale_) return Decimal(negative_, scaleUp(coefficient_, scale - scale_), scale);
    return Decimal(negative_, scaleDown(coefficient_, scale_ - scale), scale);
}

Decimal Decimal::operator-() const { return Decimal(!negative_, coefficient_, scale_); }

Decimal Decimal::operator+(const Decimal& other) const {
    const int scale = std::max(scale_, other.scale_);
    const U128 a = scaleUp(coefficient_, scale - scale_);
    const U128 b = scaleUp(other.coefficient_, scale - other.scale_);
    if (negative_ == other.negative_) return Decimal(negative_, a + b, scale);
    if (a >= b) return Decimal(negative_, a - b, scale);
    return Decimal(other.negative_, b - a, scale);
}

Decimal Decimal::operator-(const Decimal& other) const { return *this + (-other); }

Decimal Decimal::operator*(const Decimal& other) const {
    U128 product = 0;
    if (__builtin_mul_overflow(coefficient_, other.coefficient_, &product) || product >= kLimit)
        overflow("Decimal product");
    const int scale = scale_ + other.scale_;
    if (scale > kMaxDigits)
        return Decimal(negative_ != other.negative_, scaleDown(product, scale - kMaxDigits), kMaxDigits);
    return Decimal(negative_ != other.negative_, product, scale);
}

Decimal Decimal::divide(const Decimal& divisor, int scale) const {
    if (divisor.isZero()) throw EngineError(errkind::kValue, "Division by zero");
    // quotient = (a / 10^sa) / (b / 10^sb) = a * 10^(sb + scale + 1 - sa) / b, then round one digit.
    int shift = divisor.scale_ + scale + 1 - scale_;
    U128 numerator = coefficient_;
    const U128 denominator = divisor.coefficient_;
    for (; shift > 0; --shift) {
        if (numerator > (~U128(0)) / 10) overflow("Decimal quotient");
        numerator *= 10;
    }
    // floor(floor(a / m) / b) == floor(a / (m * b)), so shrinking the dividend stays exact.
    for (; shift < 0; ++shift) numerator /= 10;
    const U128 quotient = scaleDown(numerator / denominator, 1);
    return Decimal(negative_ != divisor.negative_, quotient, scale);
}

std::strong_ordering Decimal::operator<=>(const Decimal& other) const {
    if (isZero() && other.isZero()) return std::strong_ordering::equal;
    if (negative_ != other.negative_) return negative_ ? std::strong_ordering::less : std::strong_ordering::greater;
    // Compare magnitudes at a common scale without overflow: 10^64 fits in neither, so compare
    // integer parts first, then fractions.
    const int scale = std::max(scale_, other.scale_);
    const U128 a = coefficient_ / pow10(scale_), b = other.coefficient_ / pow10(other.scale_);
    std::strong_ordering magnitude = a <=> b;
    if (magnitude == 0) {
        const U128 fa = (coefficient_ % pow10(scale_)) * pow10(scale - scale_);
        const U128 fb = (other.coefficient_ % pow10(other.scale_)) * pow10(scale - other.scale_);
        magnitude = fa <=> fb;
    }
    return negative_ ? 0 <=> magnitude : magnitude;
}

}  // namespace tabulon
