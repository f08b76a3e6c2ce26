#pragma once

// How much a download reserves for its body before the first piece arrives, and how much it
// accepts in all.

#include <cstddef>
#include <cstdint>

namespace zelvo {

inline constexpr std::size_t largestReadBuffer = 102400;
inline constexpr std::size_t readBufferWithoutLength = 10240;
// Real templates are about a kilobyte; a larger body is no template and gives no bytes at all.
inline constexpr std::size_t largestTemplateBody = 8 * 1024 * 1024;

// The response's Content-Length plus one byte, at most 102400; 10240 when the length is missing
// or unreadable (negative) or zero. A larger body still arrives whole, in several pieces.
constexpr std::size_t readBufferSize(std::int64_t contentLength) {
    if (contentLength <= 0) {
        return readBufferWithoutLength;
    }
    if (static_cast<std::uint64_t>(contentLength) >= largestReadBuffer) {
        return largestReadBuffer;
    }
    return static_cast<std::size_t>(contentLength) + 1;
}

}  // namespace zelvo
