#pragma once

// GBK bytes of the Chinese texts the generator tests use, so the tests read as the texts do.

#include <string>

namespace zelvo::test {

inline const std::string kuandu = "\xBF\xED\xB6\xC8";  // 宽度
inline const std::string gaodu = "\xB8\xDF\xB6\xC8";   // 高度
inline const std::string pianyi = "\xC6\xAB\xD2\xC6";  // 偏移
inline const std::string juding = "\xBE\xE0\xB6\xA5";  // 距顶
inline const std::string codeMarkerText =
    "Zelvo\xC8\xED\xBC\xFE"
    "537206418";                                         // Zelvo软件537206418
inline const std::string zhongwen = "\xD6\xD0\xCE\xC4";  // 中文

}  // namespace zelvo::test
