#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "generator/text_rules.h"

namespace zelvo {

namespace {

// Only this many significant digits of a number text take part in the value.
constexpr int kCountedDigits = 25;

// Reads a text one folded byte at a time: the full-width forms of ASCII signs, the ideographic
// space and a few look-alikes become their one-byte equivalents, any other two-byte character is
// returned as its first byte (which no number accepts), so the number ends there.
class FoldedReader {
  public:
    explicit FoldedReader(std::string_view text) : text_(text) { load(); }

    // The current folded byte, or -1 at the end of the text.
    int peek() const { return current_; }

    void advance() {
        pos_ += width_;
        load();
    }

  private:
    void load() {
        if (pos_ >= text_.size()) {
            current_ = -1;
            width_ = 0;
            return;
        }
        const auto lead = static_cast<unsigned char>(text_[pos_]);
        current_ = lead;
        width_ = 1;
        if (lead < 0x80 || pos_ + 1 >= text_.size()) {
            return;
        }
        width_ = 2;
        const auto trail = static_cast<unsigned char>(text_[pos_ + 1]);
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            current_ = trail - 0x80;
        } else if (lead == 0xA1 && trail == 0xA1) {
            current_ = ' ';
        } else if (lead == 0xA1 && trail == 0xAB) {
            current_ = '~';
        } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
            current_ = '*';
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t width_ = 0;
    int current_ = -1;
};

bool isDigit(int c) {
    return c >= '0' && c <= '9';
}

bool isBlank(int c) {
    return c == ' ' || (c >= 0x09 && c <= 0x0D);
}

// A decimal number as read: up to 25 significant digits and the power of ten of their last digit.
struct DecimalReading {
    bool negative = false;
    bool anyDigit = false;
    char digits[kCountedDigits] = {};
    int digitCount = 0;  // leading zeros are not counted
    std::int64_t exponent = 0;
};

// Large enough to reach past every double, small enough that no sum of exponents overflows.
constexpr std::int64_t kExponentCap = 1'000'000'000;

DecimalReading readDecimal(std::string_view text) {
    DecimalReading reading;
    FoldedReader in(text);
    while (isBlank(in.peek())) {
        in.advance();
    }
    if (in.peek() == '+' || in.peek() == '-') {
        reading.negative = in.peek() == '-';
        in.advance();
    }
    auto takeDigit = [&reading](int c, bool afterPoint) {
        reading.anyDigit = true;
        if (reading.digitCount == 0 && c == '0') {
            reading.exponent -= afterPoint ? 1 : 0;
        } else if (reading.digitCount < kCountedDigits) {
            reading.digits[reading.digitCount++] = static_cast<char>(c);
            reading.exponent -= afterPoint ? 1 : 0;
        } else {
            reading.exponent += afterPoint ? 0 : 1;
        }
    };
    for (; isDigit(in.peek()); in.advance()) {
        takeDigit(in.peek(), false);
    }
    if (in.peek() == '.') {
        in.advance();
        for (; isDigit(in.peek()); in.advance()) {
            takeDigit(in.peek(), true);
        }
    }
    if (!reading.anyDigit) {
        return reading;
    }
    const int marker = in.peek();
    if (marker == 'e' || marker == 'E' || marker == 'd' || marker == 'D') {
        in.advance();
        bool negativeExponent = false;
        if (in.peek() == '+' || in.peek() == '-') {
            negativeExponent = in.peek() == '-';
            in.advance();
        }
        std::int64_t value = 0;
        for (; isDigit(in.peek()); in.advance()) {
            if (value < kExponentCap) {
                value = value * 10 + (in.peek() - '0');
            }
        }
        reading.exponent += negativeExponent ? -value : value;
    }
    return reading;
}

double signedValue(bool negative, double magnitude) {
    return negative ? -magnitude : magnitude;
}

// A 25-digit decimal with a power of ten beyond this has left the range of a double either way.
constexpr std::int64_t kDoubleDecimalReach = 400;

}  // namespace

double textToNumber(std::string_view text) {
    const DecimalReading reading = readDecimal(text);
    if (!reading.anyDigit) {
        return 0.0;
    }
    if (reading.digitCount == 0) {
        return signedValue(reading.negative, 0.0);
    }
    const std::int64_t leadingPower = reading.exponent + reading.digitCount - 1;
    if (leadingPower > kDoubleDecimalReach) {
        return signedValue(reading.negative, std::numeric_limits<double>::infinity());
    }
    if (leadingPower < -kDoubleDecimalReach) {
        return signedValue(reading.negative, 0.0);
    }
    char canonical[kCountedDigits + 8];
    char* end = std::copy(reading.digits, reading.digits + reading.digitCount, canonical);
    *end++ = 'e';
    end = std::to_chars(end, canonical + sizeof canonical, reading.exponent).ptr;
    double magnitude = 0.0;
    const auto result = std::from_chars(canonical, end, magnitude, std::chars_format::scientific);
    if (result.ec == std::errc::result_out_of_range) {
        magnitude = leadingPower > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return signedValue(reading.negative, magnitude);
}

namespace {

constexpr int kExactDigits = 18;
constexpr int kShownDigits = 13;
// Printing this many correctly rounded digits shows the first 18 exact ones unless the 7 after them
// are all zeros, where a carry from further below may have changed them.
constexpr int kProbeDigits = 25;
// Most significant digits the exact decimal expansion of any double has (a subnormal has 767).
constexpr int kMostExactDigits = 770;

// An upper bound on the number of significant digits of the exact decimal expansion of a finite,
// nonzero magnitude: with x = m * 2^e and m odd, the expansion of m * 2^e (e >= 0) or of
// m * 5^-e / 10^-e (e < 0) has no more digits than that integer.
int exactDigitBound(double magnitude) {
    const auto bits = std::bit_cast<std::uint64_t>(magnitude);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    int exponent = -1074;
    if (biased != 0) {
        mantissa |= std::uint64_t{1} << 52;
        exponent = biased - 1075;
    }
    const int zeros = std::countr_zero(mantissa);
    mantissa >>= zeros;
    exponent += zeros;
    const int bitLength = std::bit_width(mantissa);
    if (exponent >= 0) {
        return (bitLength + exponent) * 30103 / 100000 + 2;
    }
    return (bitLength * 30103 + -exponent * 69898) / 100000 + 2;
}

struct LeadingDigits {
    char digits[kExactDigits];
    int power;  // power of ten of the first digit
};

// Copies the first 18 digits of a scientific to_chars text ("d.ddde+NN"), padding with zeros.
LeadingDigits leadingDigitsOf(const char* first, const char* last) {
    LeadingDigits result{};
    int count = 0;
    const char* p = first;
    for (; p != last && *p != 'e'; ++p) {
        if (*p != '.' && count < kExactDigits) {
            result.digits[count++] = *p;
        }
    }
    for (; count < kExactDigits; ++count) {
        result.digits[count] = '0';
    }
    ++p;  // 'e'
    if (p != last && *p == '+') {
        ++p;
    }
    std::from_chars(p, last, result.power);
    return result;
}

// The first 18 digits of the exact decimal expansion of a finite, nonzero magnitude, truncated.
LeadingDigits truncatedExactDigits(double magnitude) {
    const int bound = exactDigitBound(magnitude);
    char probe[kProbeDigits + 16];
    if (bound <= kProbeDigits) {
        const auto end =
            std::to_chars(probe, probe + sizeof probe, magnitude, std::chars_format::scientific, bound - 1);
        return leadingDigitsOf(probe, end.ptr);
    }
    const auto end = std::to_chars(probe, probe + sizeof probe, magnitude, std::chars_format::scientific,
                                   kProbeDigits - 1);
    // probe holds "d.ddd...": digit k (from 1) sits at index k for k >= 2.
    bool belowMayCarry = true;
    for (int k = kExactDigits + 1; k <= kProbeDigits; ++k) {
        belowMayCarry = belowMayCarry && probe[k] == '0';
    }
    if (!belowMayCarry) {
        return leadingDigitsOf(probe, end.ptr);
    }
    char exact[kMostExactDigits + 16];
    const auto exactEnd =
        std::to_chars(exact, exact + sizeof exact, magnitude, std::chars_format::scientific, bound - 1);
    return leadingDigitsOf(exact, exactEnd.ptr);
}

// Rounds digits [0, count) up by one unit in the last place when the digit at `count` is 5 or more;
// a carry out of the first digit leaves "100..." and one more power of ten.
void roundHalfUpAt(LeadingDigits& number, int count) {
    if (number.digits[count] < '5') {
        return;
    }
    for (int i = count; i < kExactDigits; ++i) {
        number.digits[i] = '0';
    }
    for (int i = count - 1; i >= 0; --i) {
        if (number.digits[i] != '9') {
            ++number.digits[i];
            return;
        }
        number.digits[i] = '0';
    }
    number.digits[0] = '1';
    ++number.power;
}

void appendExponent(Text& out, int power) {
    out += 'e';
    out += power < 0 ? '-' : '+';
    const int size = power < 0 ? -power : power;
    char digits[8];
    const auto end = std::to_chars(digits, digits + sizeof digits, size).ptr;
    out.append(static_cast<std::size_t>(3 - std::min<std::ptrdiff_t>(3, end - digits)), '0');
    out.append(digits, end);
}

}  // namespace

Text numberToText(double number) {
    if (number == 0.0) {
        return "0";
    }
    const bool negative = std::signbit(number);
    Text out = negative ? "-" : "";
    if (std::isinf(number)) {
        return out + "1.#INF";
    }
    // The system never computes a NaN; should one arrive it reads as a quiet NaN, signed like
    // the infinities.
    if (std::isnan(number)) {
        return out + "1.#QNAN";
    }
    LeadingDigits value = truncatedExactDigits(std::fabs(number));
    roundHalfUpAt(value, kExactDigits - 1);
    roundHalfUpAt(value, kShownDigits);
    int shown = kShownDigits;
    while (shown > 1 && value.digits[shown - 1] == '0') {
        --shown;
    }
    const char* digits = value.digits;
    const int power = value.power;
    if (power < -4 || power >= kShownDigits) {
        out += digits[0];
        if (shown > 1) {
            out += '.';
            out.append(digits + 1, digits + shown);
        }
        appendExponent(out, power);
    } else if (power >= 0) {
        out.append(digits, digits + power + 1);
        if (shown > power + 1) {
            out += '.';
            out.append(digits + power + 1, digits + shown);
        }
    } else {
        out += "0.";
        out.append(static_cast<std::size_t>(-power - 1), '0');
        out.append(digits, digits + shown);
    }
    return out;
}

}  // namespace zelvo
