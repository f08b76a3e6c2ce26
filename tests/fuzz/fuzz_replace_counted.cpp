// Input: a flags byte (bit 0 case-sensitive, bit 1 four-byte start, bit 2 four-byte count), the
// start and the count, then text, find and replacement separated by zero bytes.

#include <cstdint>
#include <string>

#include "generator/text_rules.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/reference_replace.h"

using zelvo::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zelvo::fuzz::InputReader input(data, size);
    const std::uint8_t flags = input.byte();
    const bool caseSensitive = (flags & 1) != 0;
    const std::int32_t start = input.integer((flags & 2) != 0);
    const std::int32_t count = input.integer((flags & 4) != 0);
    const std::string text = input.text();
    const std::string find = input.text();
    const std::string replacement = input.text();

    const std::string result = zelvo::replaceCounted(text, find, replacement, start, count, caseSensitive);

    const auto expected = zelvo::test::referenceReplace(text, find, replacement, start, count, caseSensitive);
    require(result == expected.text, "replaceCounted gives what the byte-by-byte rule gives");

    if (count == 0 || find.empty() || text.empty()) {
        require(result == text, "count 0, an empty find or an empty text leave the text unchanged");
    }
    if (count > 0) {
        require(expected.replaced <= count, "no more replacements than the count");
    }
    const std::size_t skipped = start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
    if (skipped <= text.size()) {
        require(result.compare(0, skipped, text, 0, skipped) == 0, "the bytes before the start are kept");
    }
    // Whether find occurs is judged by a scan with no limit; when it finds nothing, nothing changes.
    if (zelvo::test::referenceReplace(text, find, replacement, start, -1, caseSensitive).replaced == 0) {
        require(result == text, "a find that does not occur leaves the text unchanged");
    }
    // Putting back exactly the bytes that matched changes nothing, however many matches there are.
    require(zelvo::replaceCounted(text, find, find, start, count, true) == text,
            "replacing find by itself leaves the text unchanged");
    return 0;
}
