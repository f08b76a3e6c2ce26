#pragma once

// What every fuzz target shares: stopping on a broken property, and cutting the input into the
// small integers and zero-separated texts a target needs.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace zelvo::fuzz {

// Stops the run with a message when a property does not hold; libFuzzer then saves the input.
inline void require(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        __builtin_trap();
    }
}

// Reads an input front to back. Texts are separated by zero bytes, which no text holds; a
// missing piece reads as zero or as the empty text.
class InputReader {
  public:
    InputReader(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}

    std::uint8_t byte() {
        if (rest_.empty()) {
            return 0;
        }
        const auto value = static_cast<std::uint8_t>(rest_.front());
        rest_.remove_prefix(1);
        return value;
    }

    // Four bytes, little-endian, as a signed 32-bit integer.
    std::int32_t int32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value |= static_cast<std::uint32_t>(byte()) << (8 * i);
        }
        return static_cast<std::int32_t>(value);
    }

    // A small integer in one byte, or any 32-bit integer in four when `wide`: small values are
    // where the interesting cases lie, and the fuzzer finds them far more often this way.
    std::int32_t integer(bool wide) { return wide ? int32() : static_cast<std::int8_t>(byte()); }

    // The bytes up to the next zero byte, which is consumed.
    std::string text() {
        const std::size_t end = rest_.find('\0');
        std::string result(rest_.substr(0, end));
        rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
        return result;
    }

  private:
    std::string_view rest_;
};

}  // namespace zelvo::fuzz
