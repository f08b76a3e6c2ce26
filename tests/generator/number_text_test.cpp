#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "generator/text_rules.h"

namespace zelvo {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// An independent, slow reference: exact natural-number arithmetic on 32-bit limbs.

class BigNat {
  public:
    explicit BigNat(std::uint64_t value) {
        while (value != 0) {
            limbs_.push_back(static_cast<std::uint32_t>(value));
            value >>= 32;
        }
    }

    bool isZero() const { return limbs_.empty(); }

    void multiply(std::uint32_t factor) {
        std::uint64_t carry = 0;
        for (auto& limb : limbs_) {
            const std::uint64_t product = std::uint64_t{limb} * factor + carry;
            limb = static_cast<std::uint32_t>(product);
            carry = product >> 32;
        }
        if (carry != 0) {
            limbs_.push_back(static_cast<std::uint32_t>(carry));
        }
        trim();
    }

    void multiplyByPowerOf5(int exponent) {
        for (; exponent >= 13; exponent -= 13) {
            multiply(1220703125);  // 5^13
        }
        for (; exponent > 0; --exponent) {
            multiply(5);
        }
    }

    void shiftLeft(int bits) {
        if (isZero()) {
            return;
        }
        limbs_.insert(limbs_.begin(), static_cast<std::size_t>(bits / 32), 0);
        const int rest = bits % 32;
        if (rest == 0) {
            return;
        }
        std::uint32_t carry = 0;
        for (auto& limb : limbs_) {
            const std::uint32_t next = limb >> (32 - rest);
            limb = (limb << rest) | carry;
            carry = next;
        }
        if (carry != 0) {
            limbs_.push_back(carry);
        }
    }

    void add(std::uint32_t addend) {
        std::uint64_t carry = addend;
        for (auto& limb : limbs_) {
            if (carry == 0) {
                return;
            }
            const std::uint64_t sum = std::uint64_t{limb} + carry;
            limb = static_cast<std::uint32_t>(sum);
            carry = sum >> 32;
        }
        if (carry != 0) {
            limbs_.push_back(static_cast<std::uint32_t>(carry));
        }
    }

    // Divides in place and returns the remainder.
    std::uint32_t divide(std::uint32_t divisor) {
        std::uint64_t remainder = 0;
        for (auto it = limbs_.rbegin(); it != limbs_.rend(); ++it) {
            const std::uint64_t current = (remainder << 32) | *it;
            *it = static_cast<std::uint32_t>(current / divisor);
            remainder = current % divisor;
        }
        trim();
        return static_cast<std::uint32_t>(remainder);
    }

    std::string decimal() const {
        if (isZero()) {
            return "0";
        }
        BigNat rest = *this;
        std::string reversed;
        while (!rest.isZero()) {
            std::uint32_t chunk = rest.divide(1'000'000'000);
            for (int i = 0; i < 9; ++i) {
                reversed += static_cast<char>('0' + chunk % 10);
                chunk /= 10;
            }
        }
        while (reversed.size() > 1 && reversed.back() == '0') {
            reversed.pop_back();
        }
        return {reversed.rbegin(), reversed.rend()};
    }

    friend int compare(const BigNat& a, const BigNat& b) {
        if (a.limbs_.size() != b.limbs_.size()) {
            return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
        }
        for (std::size_t i = a.limbs_.size(); i-- > 0;) {
            if (a.limbs_[i] != b.limbs_[i]) {
                return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
            }
        }
        return 0;
    }

  private:
    void trim() {
        while (!limbs_.empty() && limbs_.back() == 0) {
            limbs_.pop_back();
        }
    }

    std::vector<std::uint32_t> limbs_;
};

// A finite positive double as mantissa * 2^exponent.
struct Dyadic {
    std::uint64_t mantissa;
    int exponent;
};

Dyadic dyadicOf(double magnitude) {
    const auto bits = std::bit_cast<std::uint64_t>(magnitude);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    if (biased == 0) {
        return {fraction, -1074};
    }
    return {fraction | (std::uint64_t{1} << 52), biased - 1075};
}

// The exact decimal expansion of a finite positive double: its digits and the power of ten of
// the first one.
struct ExactDecimal {
    std::string digits;
    int power;
};

ExactDecimal exactDecimalOf(double magnitude) {
    const Dyadic d = dyadicOf(magnitude);
    BigNat n(d.mantissa);
    if (d.exponent >= 0) {
        n.shiftLeft(d.exponent);
        std::string digits = n.decimal();
        const int power = static_cast<int>(digits.size()) - 1;
        return {digits, power};
    }
    n.multiplyByPowerOf5(-d.exponent);  // m * 2^-k == m * 5^k / 10^k
    std::string digits = n.decimal();
    return {digits, static_cast<int>(digits.size()) - 1 + d.exponent};
}

// numberToText worked out on whole numbers from the exact expansion.
std::string referenceNumberText(double number) {
    if (number == 0) {
        return "0";
    }
    const std::string sign = number < 0 ? "-" : "";
    if (std::isinf(number)) {
        return sign + "1.#INF";
    }
    ExactDecimal exact = exactDecimalOf(std::fabs(number));
    exact.digits.resize(18, '0');
    int power = exact.power;
    const std::uint64_t eighteen = std::stoull(exact.digits);
    std::uint64_t seventeen = eighteen / 10 + (eighteen % 10 >= 5 ? 1 : 0);
    if (seventeen == 100'000'000'000'000'000ULL) {
        seventeen /= 10;
        ++power;
    }
    std::uint64_t thirteen = seventeen / 10'000 + (seventeen / 1'000 % 10 >= 5 ? 1 : 0);
    if (thirteen == 10'000'000'000'000ULL) {
        thirteen /= 10;
        ++power;
    }
    std::string digits = std::to_string(thirteen);
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    if (power < -4 || power > 12) {
        std::string exponent = std::to_string(std::abs(power));
        exponent.insert(0, exponent.size() < 3 ? 3 - exponent.size() : 0, '0');
        std::string text = sign;
        text += digits[0];
        if (digits.size() > 1) {
            text += '.';
            text.append(digits, 1);
        }
        text += power < 0 ? "e-" : "e+";
        return text + exponent;
    }
    if (power < 0) {
        return sign + "0." + std::string(static_cast<std::size_t>(-power - 1), '0') + digits;
    }
    digits.resize(std::max(digits.size(), static_cast<std::size_t>(power) + 1), '0');
    const std::string whole = digits.substr(0, static_cast<std::size_t>(power) + 1);
    const std::string fraction = digits.substr(static_cast<std::size_t>(power) + 1);
    return sign + whole + (fraction.empty() ? "" : "." + fraction);
}

// Sign of n * 10^q - k * 2^s, exactly.
int compareDecimalWithDyadic(const BigNat& n, long q, std::uint64_t k, long s) {
    BigNat left = n;
    BigNat right(k);
    if (q >= 0) {
        left.multiplyByPowerOf5(static_cast<int>(q));
    } else {
        right.multiplyByPowerOf5(static_cast<int>(-q));
    }
    if (q > s) {
        left.shiftLeft(static_cast<int>(q - s));
    } else {
        right.shiftLeft(static_cast<int>(s - q));
    }
    return compare(left, right);
}

// The point halfway between two adjacent positive doubles (or 0 and the least one), as k * 2^s.
std::pair<std::uint64_t, long> midpoint(Dyadic a, Dyadic b) {
    const int low = std::min(a.exponent, b.exponent);
    const std::uint64_t k = (a.mantissa << (a.exponent - low)) + (b.mantissa << (b.exponent - low));
    return {k, low - 1};
}

// True when `result` is n * 10^q rounded to the nearest double, ties to even, overflow to infinity.
bool isNearestDouble(const BigNat& n, long q, double result) {
    if (n.isZero()) {
        return result == 0;
    }
    if (result == 0) {
        return compareDecimalWithDyadic(n, q, 1, -1075) <= 0;
    }
    const Dyadic beyondLargest{std::uint64_t{1} << 52, 972};  // 2^1024
    if (std::isinf(result)) {
        const auto [k, s] = midpoint(dyadicOf(std::numeric_limits<double>::max()), beyondLargest);
        return compareDecimalWithDyadic(n, q, k, s) >= 0;
    }
    const Dyadic here = dyadicOf(result);
    const double below = std::nextafter(result, 0.0);
    const Dyadic lower = below == 0 ? Dyadic{0, -1074} : dyadicOf(below);
    const Dyadic upper = result == std::numeric_limits<double>::max()
                             ? beyondLargest
                             : dyadicOf(std::nextafter(result, kInfinity));
    const auto [lowK, lowS] = midpoint(lower, here);
    const auto [highK, highS] = midpoint(here, upper);
    const int vsLow = compareDecimalWithDyadic(n, q, lowK, lowS);
    const int vsHigh = compareDecimalWithDyadic(n, q, highK, highS);
    const bool even = (here.mantissa & 1) == 0;
    return (vsLow > 0 || (vsLow == 0 && even)) && (vsHigh < 0 || (vsHigh == 0 && even));
}

double parseDecimal(const std::string& text) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

struct OffsetCase {
    const char* widthText;
    bool basicEdition;
    const char* expected;
};

TEST(NumberToText, OffsetsComputedFromWidthTexts) {
    const OffsetCase cases[] = {
        {"1920", false, "-960"},
        {"1920", true, "-1060"},
        {"1365", false, "-682.5"},
        {"", false, "0"},
        {"", true, "-100"},
        {"0.001", false, "-0.0005"},
        {"0.0001", false, "-5e-005"},
        {"12345678901234", false, "-6172839450617"},
        {"20000000000000", false, "-1e+013"},
        {"99999999999999", false, "-5e+013"},
        {"123456789012345", false, "-6.172839450617e+013"},
        {"1e999", false, "-1.#INF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("width \"") + c.widthText + (c.basicEdition ? "\" basic" : "\""));
        double offset = textToNumber(c.widthText) / -2.0;
        if (c.basicEdition) {
            offset += -100.0;
        }
        EXPECT_EQ(numberToText(offset), c.expected);
    }
}

struct NumberCase {
    double number;
    const char* expected;
};

TEST(NumberToText, WritesAtMostThirteenDigitsInFixedOrExponentForm) {
    const NumberCase cases[] = {
        {2.0 / 3.0, "0.6666666666667"},
        {1.0 / 3.0, "0.3333333333333"},
        {9999999999999.6, "1e+013"},  // the carry lifts the exponent to 13
        {9999999999999.5, "1e+013"},
        {9999999999999.4, "9999999999999"},
        {-0.0, "0"},
        {0.0, "0"},
        {kInfinity, "1.#INF"},
        {-kInfinity, "-1.#INF"},
        {1000, "1000"},
        {1e12, "1000000000000"},
        {123456789012.5, "123456789012.5"},
        {0.1, "0.1"},
        {0.0001, "0.0001"},
        {0.00001, "1e-005"},
        {-0.000123, "-0.000123"},
        {1e100, "1e+100"},
        {1.5e-300, "1.5e-300"},
        {std::numeric_limits<double>::max(), "1.797693134862e+308"},
        {-std::numeric_limits<double>::max(), "-1.797693134862e+308"},
        {std::numeric_limits<double>::min(), "2.225073858507e-308"},
        {std::numeric_limits<double>::denorm_min(), "4.940656458412e-324"},
        {1.5 * std::numeric_limits<double>::denorm_min(), "9.881312916825e-324"},
        // Exact 1.7636501713054999|4...: the 18th digit keeps the 17th, so the 14th stays 4.
        {1.7636501713055, "1.763650171305"},
        // Exact 2.7081001889034999|5...: the 18th digit raises the 17th and carries to the 13th.
        {2.7081001889035e+35, "2.708100188904e+035"},
        // Exact 25.568548153634999|6...
        {25.568548153635, "25.56854815364"},
        // Exact 6.5325923660374999|0400...e19: nothing raised.
        {6.5325923660375e+19, "6.532592366037e+019"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(numberToText(c.number), c.expected);
    }
}

TEST(NumberToText, NanHasADefinedText) {
    EXPECT_EQ(numberToText(std::numeric_limits<double>::quiet_NaN()), "1.#QNAN");
    EXPECT_EQ(numberToText(-std::numeric_limits<double>::quiet_NaN()), "-1.#QNAN");
}

struct TextCase {
    const char* text;
    double expected;
};

TEST(TextToNumber, ReadsTheLeadingDecimalNumber) {
    const TextCase cases[] = {
        {"1920", 1920},
        {"", 0},
        {"abc", 0},
        {"- 5", 0},
        {"0x10", 0},
        {" 12", 12},
        {"12abc", 12},
        {"-960", -960},
        {"+7", 7},
        {".5", 0.5},
        {"5.", 5},
        {"1e3", 1000},
        {"1d3", 1000},
        {"1D+3", 1000},
        {"1E-2", 0.01},
        {"5e", 5},
        {"5e+", 5},
        {"5dx", 5},
        {"1,920", 1},
        {"12-3", 12},
        {"1.2.3", 1.2},
        {"\t\n\v\f\r 7", 7},
        {".", 0},
        {"+", 0},
        {"e5", 0},
        {"inf", 0},
        {"nan", 0},
        {"~5", 0},
        {"\xA3\xB1\xA3\xB2", 12},                    // full-width "12"
        {"\xA3\xAD\xA3\xB9\xA3\xB6\xA3\xB0", -960},  // full-width "-960"
        {"\xA1\xA1"
         "12",
         12},                                               // ideographic space first
        {"\xA1\xA1\xA3\xAB\xA3\xB5\xA3\xAE\xA3\xB5", 5.5},  // "　＋５．５"
        {"1\xA3\xE5"
         "3",
         1000},  // full-width e
        {"\xA1\xAB"
         "5",
         0},  // folds to "~"
        {"\xA3\xA0"
         "5",
         0},  // not a full-width form
        {"1\xB0\xA1"
         "2",
         1},           // another two-byte character ends it
        {"7\xA3", 7},  // lone lead byte at the end
        {"1.7976931348623158e308", std::numeric_limits<double>::max()},
        {"4.9e-324", std::numeric_limits<double>::denorm_min()},
        {"2.5e-324", std::numeric_limits<double>::denorm_min()},
        {"2.2250738585072014e-308", std::numeric_limits<double>::min()},
        // More than 25 significant digits: the 26th counts for nothing, though it would round up.
        {"1.0000000000000001110223025", 1.0},
        {"1000000000000000082007031999", 1e27},
        {"000000000000000000000000000001.5", 1.5},
        {"0.00000000000000000000000000000000001", 1e-35},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        EXPECT_EQ(textToNumber(c.text), c.expected);
    }
}

TEST(TextToNumber, OutOfRangeValuesGiveInfinityOrZeroWithTheirSign) {
    const TextCase cases[] = {
        {"1e999", kInfinity},
        {"-1e999", -kInfinity},
        {"1.7976931348623159e308", kInfinity},
        {"1e99999999999999999999999", kInfinity},
        {"100000000000000000000000000000e-30000000000000000000000", 0},
        {"1e-400", 0},
        {"2e-324", 0},
        {"0e99999999", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("text \"") + c.text + "\"");
        EXPECT_EQ(textToNumber(c.text), c.expected);
    }
    EXPECT_TRUE(std::signbit(textToNumber("-1e-400")));
    EXPECT_EQ(textToNumber("-1e-400"), 0.0);
}

TEST(TextToNumber, SignOfZero) {
    EXPECT_TRUE(std::signbit(textToNumber("-0")));
    EXPECT_TRUE(std::signbit(textToNumber("-0.000e7")));
    EXPECT_FALSE(std::signbit(textToNumber("-")));
    EXPECT_FALSE(std::signbit(textToNumber("-abc")));
    EXPECT_FALSE(std::signbit(textToNumber("0")));
}

// Randomized comparison with the exact reference.

class SampleDoubles {
  public:
    explicit SampleDoubles(std::uint64_t seed) : random_(seed) {}

    double next() {
        switch (random_() % 8) {
            case 0:
            case 1:
                return anyFinite();
            case 2:
                return std::bit_cast<double>(random_() & ((std::uint64_t{1} << 52) - 1));  // subnormal
            case 3:
                return static_cast<double>(random_() >> (random_() % 64));  // whole number
            case 4:
                return static_cast<double>(random_() >> 12) + 0.5;
            case 5:
                return nudge(parseDecimal("1e" + std::to_string(static_cast<int>(random_() % 630) - 323)));
            case 6:
                return nudge(nearRoundingBoundary(13));
            default:
                return nudge(nearRoundingBoundary(17));
        }
    }

  private:
    double anyFinite() {
        for (;;) {
            const double value = std::bit_cast<double>(random_());
            if (std::isfinite(value)) {
                return value;
            }
        }
    }

    // A decimal whose digit after the first `digits` is a 5, so rounding there is a close call.
    double nearRoundingBoundary(int digits) {
        std::string text;
        for (int i = 0; i < digits; ++i) {
            text += static_cast<char>('0' + (i == 0 ? 1 + random_() % 9 : random_() % 10));
        }
        if (random_() % 4 == 0) {
            text.replace(1, std::string::npos, static_cast<std::size_t>(digits - 1), '9');
        }
        text += "5e" + std::to_string(static_cast<int>(random_() % 600) - 300);
        return parseDecimal(text);
    }

    double nudge(double value) {
        const int steps = static_cast<int>(random_() % 7) - 3;
        for (int i = 0; i < std::abs(steps); ++i) {
            value = std::nextafter(value, steps < 0 ? 0.0 : kInfinity);
        }
        return random_() % 2 == 0 ? value : -value;
    }

    std::mt19937_64 random_;
};

TEST(NumberToText, MatchesExactDecimalRoundingOnRandomDoubles) {
    SampleDoubles samples(20240611);
    int failures = 0;
    for (int i = 0; i < 200'000 && failures < 10; ++i) {
        const double value = samples.next();
        const std::string expected = referenceNumberText(value);
        const std::string actual = numberToText(value);
        if (actual != expected) {
            ++failures;
            ADD_FAILURE() << "bits 0x" << std::hex << std::bit_cast<std::uint64_t>(value) << ": got "
                          << actual << ", expected " << expected;
        }
    }
}

// A random number text together with the value it stands for after the 25-digit cut.
struct SampleText {
    std::string text;
    bool negative = false;
    std::string significant;  // digits without leading zeros, at most 25
    long lastPower = 0;       // power of ten of the last digit kept
};

class SampleTexts {
  public:
    explicit SampleTexts(std::uint64_t seed) : random_(seed) {}

    SampleText next() {
        SampleText sample;
        if (chance(4)) {
            append(sample.text, chance(2) ? " " : "\t");
        }
        if (chance(8)) {
            sample.text += "\xA1\xA1";
        }
        if (chance(2)) {
            sample.negative = chance(2);
            append(sample.text, sample.negative ? "-" : "+");
        }
        const std::string before = digitRun(static_cast<int>(random_() % 20));
        const std::string after =
            digitRun(static_cast<int>(before.empty() ? 1 + random_() % 30 : random_() % 30));
        append(sample.text, before);
        if (!after.empty() || chance(4)) {
            append(sample.text, ".");
            append(sample.text, after);
        }
        long exponent = 0;
        if (chance(2)) {
            exponent = static_cast<long>(random_() % 700) - 350;
            const char* markers[] = {"e", "E", "d", "D"};
            append(sample.text, markers[random_() % 4]);
            append(sample.text, exponent < 0 ? "-" : (chance(2) ? "+" : ""));
            append(sample.text, std::string(random_() % 3, '0') + std::to_string(std::labs(exponent)));
        }
        const char* tails[] = {"", "px", "-3", ",5", "e", " 7", "\xB0\xA1"};
        sample.text += tails[random_() % 7];

        const std::string all = before + after;
        const std::size_t firstNonZero = all.find_first_not_of('0');
        const std::string significant = firstNonZero == std::string::npos ? "" : all.substr(firstNonZero);
        const std::size_t kept = std::min<std::size_t>(significant.size(), 25);
        sample.significant = significant.substr(0, kept);
        sample.lastPower =
            exponent - static_cast<long>(after.size()) + static_cast<long>(significant.size() - kept);
        return sample;
    }

  private:
    bool chance(int oneIn) { return random_() % static_cast<std::uint64_t>(oneIn) == 0; }

    // Each character ASCII or, now and then, its full-width form.
    void append(std::string& text, const std::string& ascii) {
        for (char c : ascii) {
            if (c > 0x20 && chance(10)) {
                text += '\xA3';
                text += static_cast<char>(static_cast<unsigned char>(c) + 0x80);
            } else {
                text += c;
            }
        }
    }

    std::string digitRun(int length) {
        std::string digits;
        const bool zeroHeavy = chance(5);
        for (int i = 0; i < length; ++i) {
            digits += static_cast<char>('0' + (zeroHeavy && !chance(4) ? 0 : random_() % 10));
        }
        return digits;
    }

    std::mt19937_64 random_;
};

TEST(TextToNumber, IsTheNearestDoubleOnRandomTexts) {
    SampleTexts samples(7);
    int failures = 0;
    for (int i = 0; i < 100'000 && failures < 10; ++i) {
        const SampleText sample = samples.next();
        const double value = textToNumber(sample.text);
        BigNat n(0);
        for (char c : sample.significant) {
            n.multiply(10);
            n.add(static_cast<std::uint32_t>(c - '0'));
        }
        const bool signOk = std::signbit(value) == sample.negative;
        if (!signOk || !isNearestDouble(n, sample.lastPower, std::fabs(value))) {
            ++failures;
            ADD_FAILURE() << "text \"" << sample.text << "\" gave " << numberToText(value);
        }
    }
}

}  // namespace
}  // namespace zelvo
