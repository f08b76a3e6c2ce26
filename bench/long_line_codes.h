#pragma once

// User codes for the benchmarks of the two multi-line boxes, in GBK: ordinary HTML lines, and the
// two shapes of one long line that users paste (a base64 image, a minified page).

#include <cstddef>
#include <string>

#include "generator/text_rules.h"

namespace zelvo::bench {

enum class CodeShape {
    lines,   // HTML with Chinese text, a line break every hundred bytes or so
    word,    // one word with no break in it: a pasted base64 image
    spaced,  // one line of words and spaces: a minified page
};

inline const char* shapeName(CodeShape shape) {
    switch (shape) {
        case CodeShape::lines:
            return "HTML lines";
        case CodeShape::word:
            return "one word";
        case CodeShape::spaced:
            return "one spaced line";
    }
    return "";
}

// About `bytes` bytes of the shape.
inline Text userCodeOf(std::size_t bytes, CodeShape shape) {
    const char* piece = "";
    switch (shape) {
        case CodeShape::lines:
            piece =
                "<div class=\"item\"><a href=\"#\">\xC8\xAB\xC6\xC1\xBA\xA3\xB1\xA8</a> <span>"
                "\xD0\xC2\xC6\xB7\xC9\xCF\xCA\xD0 50% off</span></div>\n";  // 全屏海报, 新品上市
            break;
        case CodeShape::word:
            piece = "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk";
            break;
        case CodeShape::spaced:
            piece = "<a href=\"#\">\xC8\xAB\xC6\xC1\xBA\xA3\xB1\xA8</a> <span class=\"x\">50% off</span> ";
            break;
    }
    const std::string unit(piece);
    Text code;
    code.reserve(bytes + unit.size());
    while (code.size() < bytes) {
        code += unit;
    }
    return code;
}

}  // namespace zelvo::bench
