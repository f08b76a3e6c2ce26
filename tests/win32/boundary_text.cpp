// What the Win32 window hands the logic for a text that the user pastes: boundary_text IN OUT
// reads IN as UTF-8 and writes the GBK text (GB18030 where the system has it) that the window's
// text boundary makes of it. The end-to-end test computes its expected generation from that.

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "ui/win32/text_boundary.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string utf8{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::wstring wide(utf8.size(), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                           wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    std::ofstream(argv[2], std::ios::binary) << zelvo::toText(wide);
    return in ? 0 : 1;
}
