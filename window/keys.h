#pragma once

// The window-wide keys as data: the focus cycle and, for a key pressed while a control has the
// focus, what the window does with it. A front-end translates its key events into `Key` and
// carries out the `KeyOutcome`.

#include <array>
#include <functional>
#include <optional>

#include "window/window_controls.h"

namespace zelvo {

enum class Key {
    escape,
    tab,      // Tab without Shift
    backtab,  // Shift+Tab
    enter,    // Return or the keypad's Enter
    arrow,    // any of the four arrow keys
    other,
};

// Tab walks this list forwards and Shift+Tab backwards, leaving out a control that cannot take
// the focus at that moment (hidden or disabled); after the last comes the first again.
inline constexpr std::array<Control, 10> focusCycle{
    Control::generateButton, Control::previewButton, Control::outputBox,      Control::codeInputBox,
    Control::widthBox,       Control::heightBox,     Control::topSpacingList, Control::topSpacingBox,
    Control::offsetBox,      Control::editionList,
};

struct KeyOutcome {
    enum class Action {
        close,      // close the window as its close button does
        moveFocus,  // give the focus to `target`
        swallow,    // the key does nothing at all
        passOn,     // the focused control handles the key as it would by itself
    };
    Action action;
    Control target = Control::generateButton;  // for moveFocus

    bool operator==(const KeyOutcome&) const = default;
};

using CanTakeFocus = std::function<bool(Control)>;

// What `key` does while `focused` has the focus (nothing when no control of the cycle has it).
// Esc closes from anywhere; Tab never types a tab; Enter breaks a line only in the two
// multi-line boxes; arrows never move the focus between controls.
KeyOutcome decideKey(Key key, std::optional<Control> focused, const CanTakeFocus& canTakeFocus);

}  // namespace zelvo
