#pragma once

// The text and number rules everything else rests on. A Text is a GBK byte string with no zero
// byte; lengths and positions count bytes, positions from 1. No function here fails, keeps state
// or depends on the process locale.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zelvo {

using Text = std::string;
// Raw bytes as downloaded or written to a file; may hold zero bytes.
using Bytes = std::vector<char>;

// Replaces, from byte position `start` (counted from 1; below 1 means 1) on, the first `count`
// occurrences of `find` (a negative count replaces all), scanning left to right without overlap
// and never rescanning inserted text. A match starts only at a character start: a byte with its
// high bit set begins a two-byte character. Unless `caseSensitive`, the ASCII letters A-Z match
// a-z on every byte, second bytes included. Count 0, an empty find or an empty text return the
// text unchanged.
Text replaceCounted(std::string_view text, std::string_view find, std::string_view replacement,
                    std::int32_t start, std::int32_t count, bool caseSensitive);

// Reads a decimal number from the start of the text after folding full-width forms: leading
// blanks, a sign, digits with an optional ".", an optional e/E/d/D exponent; the rest is ignored.
// Only 25 significant digits count; the result is correctly rounded. No number gives +0.
double textToNumber(std::string_view text);

// Writes a double with at most 13 significant digits: "0" for zeros, "1.#INF"/"-1.#INF",
// fixed form for exponents -4..12, else "d.ddde+NNN".
Text numberToText(double number);

// The bytes up to the first zero byte, taken as GBK without conversion.
Text bytesToText(const Bytes& bytes);

// The bytes of the text: no terminator, no byte-order mark, no conversion.
Bytes textToBytes(std::string_view text);

// True exactly when the text has no bytes.
bool isEmpty(std::string_view text);

}  // namespace zelvo
