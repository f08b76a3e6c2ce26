#include "generator/text_rules.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace zelvo {
namespace {

constexpr unsigned char toLowerAscii(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + 0x20) : byte;
}

bool hasHighBit(char byte) {
    return (static_cast<unsigned char>(byte) & 0x80) != 0;
}

bool matchesAt(const char* at, std::string_view find, bool caseSensitive) {
    if (caseSensitive) {
        return std::memcmp(at, find.data(), find.size()) == 0;
    }
    for (std::size_t i = 0; i < find.size(); ++i) {
        if (toLowerAscii(static_cast<unsigned char>(at[i])) !=
            toLowerAscii(static_cast<unsigned char>(find[i]))) {
            return false;
        }
    }
    return true;
}

// Finds the next byte at or after `from` that may begin a match: the first byte of find, in
// either letter case when the comparison ignores case.
class FirstByteFinder {
  public:
    FirstByteFinder(std::string_view text, unsigned char first, bool caseSensitive)
        : text_(text), lower_(caseSensitive ? first : toLowerAscii(first)) {
        upper_ = (!caseSensitive && lower_ >= 'a' && lower_ <= 'z') ? lower_ - 0x20 : lower_;
    }

    std::size_t next(std::size_t from, std::size_t last) {
        if (lower_ == upper_) {
            return scan(from, last, lower_);
        }
        // Each case keeps its own next hit so that neither is searched twice.
        if (nextLower_ < from || nextLower_ == unknown) {
            nextLower_ = scan(from, last, lower_);
        }
        if (nextUpper_ < from || nextUpper_ == unknown) {
            nextUpper_ = scan(from, last, upper_);
        }
        return std::min(nextLower_, nextUpper_);
    }

  private:
    static constexpr std::size_t unknown = static_cast<std::size_t>(-1) - 1;

    std::size_t scan(std::size_t from, std::size_t last, unsigned char byte) const {
        if (from > last) {
            return std::string_view::npos;
        }
        const void* hit = std::memchr(text_.data() + from, byte, last - from + 1);
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data())
                   : std::string_view::npos;
    }

    std::string_view text_;
    unsigned char lower_;
    unsigned char upper_;
    std::size_t nextLower_ = unknown;
    std::size_t nextUpper_ = unknown;
};

constexpr std::uint64_t highBits = 0x8080808080808080ULL;

// Indexed by the high bits of eight bytes (bit i for byte i): how far a walk of whole characters
// that starts at byte 0 goes past the word, 8, or 9 when the last byte begins a two-byte
// character. A byte's part in a character depends only on its high bit and on where the
// character before it ended, so the high bits alone decide the walk.
constexpr std::array<std::uint8_t, 256> wordSteps = [] {
    std::array<std::uint8_t, 256> steps{};
    for (unsigned mask = 0; mask < 256; ++mask) {
        unsigned offset = 0;
        while (offset < 8) {
            offset += ((mask >> offset) & 1U) != 0 ? 2 : 1;
        }
        steps[mask] = static_cast<std::uint8_t>(offset);
    }
    return steps;
}();

// Walks whole characters from `pos` (a character start) until reaching or passing `target`.
// Returns target when it is a character start, else target + 1.
std::size_t advanceToCharacter(std::string_view text, std::size_t pos, std::size_t target) {
    const char* data = text.data();
    while (pos + 8 <= target) {
        std::uint64_t word;
        std::memcpy(&word, data + pos, sizeof word);
        const std::uint64_t high = word & highBits;
        if (high == 0 || high == highBits) {
            pos += 8;  // eight one-byte characters, or four two-byte ones
            continue;
        }
        // Gathers bit 7 of every byte into the top byte, byte i at bit 56 + i.
        pos += wordSteps[static_cast<unsigned>((high * 0x0002040810204081ULL) >> 56)];
    }
    while (pos < target) {
        pos += hasHighBit(data[pos]) ? 2 : 1;
    }
    return pos;
}

}  // namespace

Text replaceCounted(std::string_view text, std::string_view find, std::string_view replacement,
                    std::int32_t start, std::int32_t count, bool caseSensitive) {
    const std::size_t n = text.size();
    const std::size_t m = find.size();
    const std::size_t k = start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
    if (n == 0 || m == 0 || k >= n || count == 0 || n - k < m) {
        return Text(text);
    }

    Text result;
    result.reserve(n);
    FirstByteFinder finder(text, static_cast<unsigned char>(find[0]), caseSensitive);
    const std::size_t lastStart = n - m;  // the last position where a match still fits
    std::size_t copiedUpTo = 0;           // text before this is already in result
    std::size_t pos = k;                  // always a character start, counted from `start`
    std::int64_t remaining = count;

    while (pos <= lastStart) {
        const std::size_t candidate = finder.next(pos, lastStart);
        if (candidate == std::string_view::npos) {
            break;
        }
        pos = advanceToCharacter(text, pos, candidate);
        if (pos != candidate) {
            continue;  // the candidate was the second byte of a character
        }
        if (matchesAt(text.data() + pos, find, caseSensitive)) {
            result.append(text.data() + copiedUpTo, pos - copiedUpTo);
            result.append(replacement);
            pos += m;
            copiedUpTo = pos;
            if (remaining > 0 && --remaining == 0) {
                break;
            }
        } else {
            pos += hasHighBit(text[pos]) ? 2 : 1;
        }
    }
    result.append(text.data() + copiedUpTo, n - copiedUpTo);
    return result;
}

Text bytesToText(const Bytes& bytes) {
    if (bytes.empty()) {
        return {};
    }
    const void* zero = std::memchr(bytes.data(), '\0', bytes.size());
    const std::size_t length =
        zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes.data()) : bytes.size();
    return Text(bytes.data(), length);
}

Bytes textToBytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

bool isEmpty(std::string_view text) {
    return text.empty();
}

}  // namespace zelvo
