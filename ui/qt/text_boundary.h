#pragma once

// The one place where the logic's GBK texts meet the toolkit's strings. GB18030 is used in both
// directions: it equals GBK on every GBK character and also encodes every other Unicode
// character, so nothing a user types or pastes is lost on its way to the logic.

#include <QString>
#include <string_view>

#include "generator/text_rules.h"

namespace zelvo {

// Decodes a GBK (GB18030) text for a control.
QString toQString(std::string_view text);

// Encodes a control's string for the logic. A text never holds a zero byte, so it ends before
// the first U+0000, as the text of a native control would.
Text toText(const QString& string);

}  // namespace zelvo
