#pragma once

// The one place where the logic's GBK texts meet the UTF-16 strings of Windows controls. GB18030
// (code page 54936) is used where the system has it: it equals GBK on every GBK character and
// also encodes every other character, so nothing a user types or pastes is lost. Where the system
// lacks it (Wine), GBK itself (code page 936) carries every GBK character, and a character outside
// GBK becomes the code page's default character.

#include <windows.h>

#include <string>
#include <string_view>

#include "generator/text_rules.h"

namespace zelvo {

inline constexpr UINT gb18030CodePage = 54936;
inline constexpr UINT gbkCodePage = 936;

// 54936 when the system can convert with it, otherwise 936.
UINT boundaryCodePage();

// Decodes a GBK (GB18030) text for a control.
std::wstring toWide(std::string_view text);

// Encodes a control's string for the logic. A text never holds a zero byte, so it ends before
// the first U+0000.
Text toText(std::wstring_view string);

}  // namespace zelvo
