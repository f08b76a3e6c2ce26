// Input: the text, up to the first zero byte. textToNumber is compared bit for bit with a
// reference built from the reading rules and the C library's correctly rounded strtod.

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "generator/text_rules.h"
#include "tests/fuzz/fuzz_support.h"

using zelvo::fuzz::require;

namespace {

// Folds the full-width forms character by character; other two-byte characters stay as they are.
std::string foldFullWidth(std::string_view text) {
    std::string folded;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80 || i + 1 == text.size()) {
            folded += text[i++];
            continue;
        }
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        if (lead == 0xA1 && trail == 0xA1) {
            folded += ' ';
        } else if (lead == 0xA1 && trail == 0xAB) {
            folded += '~';
        } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
            folded += '*';
        } else if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            folded += static_cast<char>(trail - 0x80);
        } else {
            folded.append(text.substr(i, 2));
        }
        i += 2;
    }
    return folded;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads the number at the start of a folded text as a plain "[-]digits[.digits][e[-]digits]" text
// for strtod, with digits past the 25th significant one turned into zeros before the point and
// dropped after it. Returns the empty text when no digit is read.
std::string numberForStrtod(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= 0x09 && s[i] <= 0x0D))) {
        ++i;
    }
    std::string out;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        out += s[i] == '-' ? "-" : "";
        ++i;
    }
    int significant = 0;
    bool anyDigit = false;
    auto digit = [&](char c, bool afterPoint) {
        anyDigit = true;
        if (significant > 0 || c != '0') {
            ++significant;
        }
        if (significant <= 25) {
            out += c;
        } else if (!afterPoint) {
            out += '0';
        }
    };
    for (; i < s.size() && isDigit(s[i]); ++i) {
        digit(s[i], false);
    }
    if (i < s.size() && s[i] == '.') {
        out += '.';
        for (++i; i < s.size() && isDigit(s[i]); ++i) {
            digit(s[i], true);
        }
    }
    if (!anyDigit) {
        return "";
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            exponent += s[j++];
        }
        if (j < s.size() && isDigit(s[j])) {
            for (; j < s.size() && isDigit(s[j]); ++j) {
                exponent += s[j];
            }
            out += exponent;
        }
    }
    return out;
}

double referenceNumber(std::string_view text) {
    const std::string number = numberForStrtod(foldFullWidth(text));
    return number.empty() ? 0.0 : std::strtod(number.c_str(), nullptr);
}

bool allAscii(std::string_view text) {
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0x80) != 0) {
            return false;
        }
    }
    return true;
}

// The full-width form of an ASCII text: every sign and letter from 0x21 to 0x7E as A3 xx and the
// space as the ideographic space; the other control bytes stay.
std::string toFullWidth(std::string_view text) {
    std::string wide;
    for (const char c : text) {
        if (c == ' ') {
            wide += "\xA1\xA1";
        } else if (c >= 0x21 && c <= 0x7E) {
            wide += '\xA3';
            wide += static_cast<char>(c + 0x80);
        } else {
            wide += c;
        }
    }
    return wide;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zelvo::fuzz::InputReader input(data, size);
    const std::string text = input.text();

    const double number = zelvo::textToNumber(text);
    require(number == number, "no text reads as NaN");
    require(std::bit_cast<std::uint64_t>(number) == std::bit_cast<std::uint64_t>(referenceNumber(text)),
            "textToNumber reads the number that the reading rules and a correct rounding give");
    if (allAscii(text)) {
        require(std::bit_cast<std::uint64_t>(zelvo::textToNumber(toFullWidth(text))) ==
                    std::bit_cast<std::uint64_t>(number),
                "the full-width form of a text reads as the same number");
    }
    return 0;
}
