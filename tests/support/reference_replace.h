#pragma once

// A plain, byte-by-byte transcription of the counted replacement rule, slow but easy to check by
// eye, against which the real one is compared.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zelvo::test {

struct ReferenceReplacement {
    std::string text;
    int replaced = 0;  // how many occurrences were replaced
};

inline unsigned char foldAsciiUpper(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + 0x20) : byte;
}

inline bool referenceMatches(std::string_view window, std::string_view find, bool caseSensitive) {
    for (std::size_t i = 0; i < find.size(); ++i) {
        auto a = static_cast<unsigned char>(window[i]);
        auto b = static_cast<unsigned char>(find[i]);
        if (!caseSensitive) {
            a = foldAsciiUpper(a);
            b = foldAsciiUpper(b);
        }
        if (a != b) {
            return false;
        }
    }
    return true;
}

inline ReferenceReplacement referenceReplace(std::string_view text, std::string_view find,
                                             std::string_view replacement, std::int32_t start,
                                             std::int32_t count, bool caseSensitive) {
    const std::size_t n = text.size();
    const std::size_t m = find.size();
    const std::size_t k = start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
    if (n == 0 || m == 0 || k >= n || count == 0) {
        return {std::string(text), 0};
    }
    ReferenceReplacement out;
    out.text.assign(text.substr(0, k));
    std::size_t p = k;
    std::int64_t remaining = count;
    while (n - p >= m) {
        if (referenceMatches(text.substr(p, m), find, caseSensitive)) {
            out.text.append(replacement);
            p += m;
            ++out.replaced;
            if (remaining > 0 && --remaining == 0) {
                break;
            }
        } else if ((static_cast<unsigned char>(text[p]) & 0x80) != 0) {
            // A lead byte as the very last byte has no second byte; it is copied alone.
            const std::size_t width = p + 1 < n ? 2 : 1;
            out.text.append(text.substr(p, width));
            p += width;
        } else {
            out.text += text[p];
            ++p;
        }
    }
    out.text.append(text.substr(p));
    return out;
}

}  // namespace zelvo::test
