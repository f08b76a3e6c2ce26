#include "ui/win32/text_boundary.h"

#include <climits>

namespace zelvo {

UINT boundaryCodePage() {
    static const UINT codePage = IsValidCodePage(gb18030CodePage) ? gb18030CodePage : gbkCodePage;
    return codePage;
}

std::wstring toWide(std::string_view text) {
    if (text.empty() || text.size() > INT_MAX) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(boundaryCodePage(), 0, text.data(), size, nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(boundaryCodePage(), 0, text.data(), size, wide.data(), length);
    return wide;
}

Text toText(std::wstring_view string) {
    string = string.substr(0, string.find(L'\0'));
    if (string.empty() || string.size() > INT_MAX) {
        return {};
    }
    const int size = static_cast<int>(string.size());
    const int length =
        WideCharToMultiByte(boundaryCodePage(), 0, string.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return {};
    }
    Text text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(boundaryCodePage(), 0, string.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

}  // namespace zelvo
