// Input: the first 8 bytes as a double (missing bytes are zero). Checks the form of the text
// numberToText writes and that reading it back lands within the 13-digit rounding of the number.

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "generator/text_rules.h"
#include "tests/fuzz/fuzz_support.h"

using zelvo::fuzz::require;

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// What a finite, nonzero number text says: its significant digits and the power of ten of the
// first of them.
struct ShownNumber {
    bool valid = false;
    bool negative = false;
    std::string digits;
    int power = 0;
};

// Parses "[-]d[.ddd]e(+|-)ddd" (power below -4 or 13 and above) or the fixed form "[-]ddd[.ddd]"
// / "[-]0.000ddd" (power -4 to 12): first digit not zero, no trailing zero after a point, at
// most 13 significant digits.
ShownNumber parseShownNumber(std::string_view s) {
    ShownNumber shown;
    if (!s.empty() && s.front() == '-') {
        shown.negative = true;
        s.remove_prefix(1);
    }
    const std::size_t e = s.find('e');
    std::string_view mantissa = s.substr(0, e);
    const std::size_t point = mantissa.find('.');
    if (point != std::string_view::npos) {
        const std::string_view fraction = mantissa.substr(point + 1);
        if (fraction.empty() || fraction.back() == '0' || fraction.find('.') != std::string_view::npos) {
            return shown;
        }
    }
    for (const char c : mantissa) {
        if (c != '.' && !isDigit(c)) {
            return shown;
        }
    }
    if (e != std::string_view::npos) {
        const std::string_view exponent = s.substr(e + 1);
        if (exponent.size() != 4 || (exponent[0] != '+' && exponent[0] != '-') || !isDigit(exponent[1]) ||
            !isDigit(exponent[2]) || !isDigit(exponent[3])) {
            return shown;
        }
        if ((point != std::string_view::npos && point != 1) || mantissa.empty() || mantissa[0] == '0') {
            return shown;
        }
        shown.power = (exponent[1] - '0') * 100 + (exponent[2] - '0') * 10 + (exponent[3] - '0');
        shown.power = exponent[0] == '-' ? -shown.power : shown.power;
        if (shown.power >= -4 && shown.power < 13) {
            return shown;
        }
        shown.digits = std::string(mantissa.substr(0, 1)) +
                       std::string(point == std::string_view::npos ? "" : mantissa.substr(2));
    } else if (mantissa.size() >= 2 && mantissa.substr(0, 2) == "0.") {
        const std::string_view fraction = mantissa.substr(2);
        const std::size_t firstNonZero = fraction.find_first_not_of('0');
        if (firstNonZero == std::string_view::npos || firstNonZero > 3) {
            return shown;
        }
        shown.power = -static_cast<int>(firstNonZero) - 1;
        shown.digits = std::string(fraction.substr(firstNonZero));
    } else {
        const std::string_view whole = mantissa.substr(0, point);
        if (whole.empty() || whole[0] == '0' || whole.size() > 13) {
            return shown;
        }
        shown.power = static_cast<int>(whole.size()) - 1;
        shown.digits = std::string(whole) +
                       std::string(point == std::string_view::npos ? "" : mantissa.substr(point + 1));
    }
    shown.valid = !shown.digits.empty() && shown.digits.size() <= 13;
    return shown;
}

// The gap from a non-negative double to the next one up: no smaller than the gap on either side.
double gapAbove(double magnitude) {
    return std::nextafter(magnitude, std::numeric_limits<double>::infinity()) - magnitude;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint8_t bytes[8] = {};
    std::memcpy(bytes, data, size < 8 ? size : 8);
    const double x = std::bit_cast<double>(bytes);
    if (std::isnan(x)) {
        return 0;  // the system never computes a NaN
    }
    const std::string text = zelvo::numberToText(x);

    if (x == 0) {
        require(text == "0", "both zeros are written \"0\"");
        return 0;
    }
    if (std::isinf(x)) {
        require(text == (x < 0 ? "-1.#INF" : "1.#INF"), "infinities are written \"1.#INF\" and \"-1.#INF\"");
        return 0;
    }
    const ShownNumber shown = parseShownNumber(text);
    require(shown.valid, "the text has the fixed or the exponent form");
    require(shown.negative == (x < 0), "a minus sign exactly for negative numbers");

    const double y = zelvo::textToNumber(text);
    // The text is x rounded twice: to 17 digits from its first 18 (within 0.5 unit of the 17th
    // digit plus less than 1 unit of the 18th, so under 6 units of the 18th digit), then to 13 (0.5
    // unit of the 13th); E is the power of x's first digit. Reading it back rounds once more, by
    // at most half a gap between doubles. So |y - x| < (0.5 + 6e-5) * 10^(E-12) + gap/2. The
    // printed power is E, or E + 1 when rounding carried into a new digit; in that case x is
    // below the double nearest 10^power. The bound is worked out in long double, which neither
    // underflows for subnormal x nor loses more than a few parts in 1e19, and widened by 1e-9 of
    // itself for that; y - x itself is exact, the two being this close.
    int power = shown.power;
    if (std::fabs(x) < std::strtod(("1e" + std::to_string(power)).c_str(), nullptr)) {
        --power;
    }
    const long double unit13 = std::pow(10.0L, static_cast<long double>(power - 12));
    const long double bound =
        ((0.5L + 6e-5L) * unit13 + 0.5L * static_cast<long double>(gapAbove(std::fabs(y)))) * (1 + 1e-9L);
    require(static_cast<long double>(std::fabs(y - x)) <= bound,
            "reading the text back gives x within its 13-digit rounding");

    // A normal double is so much finer than 13 digits that the text of its read-back is the same.
    if (std::fabs(y) >= DBL_MIN) {
        require(zelvo::numberToText(y) == text, "writing the read-back number gives the same text");
    }
    return 0;
}
