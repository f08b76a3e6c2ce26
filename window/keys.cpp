#include "window/keys.h"

#include <algorithm>
#include <cstddef>

namespace zelvo {

namespace {

bool isMultiLineBox(Control control) {
    return control == Control::codeInputBox || control == Control::outputBox;
}

bool isButton(Control control) {
    return control == Control::generateButton || control == Control::previewButton;
}

KeyOutcome nextInCycle(std::optional<Control> focused, bool forward, const CanTakeFocus& canTakeFocus) {
    const auto size = static_cast<std::ptrdiff_t>(focusCycle.size());
    const auto* found =
        focused ? std::find(focusCycle.begin(), focusCycle.end(), *focused) : focusCycle.end();
    // From outside the cycle, Tab starts at its first control and Shift+Tab at its last.
    std::ptrdiff_t position = found != focusCycle.end() ? found - focusCycle.begin() : (forward ? -1 : size);
    for (std::ptrdiff_t step = 0; step < size; ++step) {
        position = ((position + (forward ? 1 : -1)) % size + size) % size;
        const Control candidate = focusCycle[static_cast<std::size_t>(position)];
        if (canTakeFocus(candidate)) {
            return {KeyOutcome::Action::moveFocus, candidate};
        }
    }
    return {KeyOutcome::Action::swallow};
}

}  // namespace

KeyOutcome decideKey(Key key, std::optional<Control> focused, const CanTakeFocus& canTakeFocus) {
    switch (key) {
        case Key::escape:
            return {KeyOutcome::Action::close};
        case Key::tab:
        case Key::backtab:
            return nextInCycle(focused, key == Key::tab, canTakeFocus);
        case Key::enter:
            // Neither moves the focus nor presses a button.
            return {focused && isMultiLineBox(*focused) ? KeyOutcome::Action::passOn
                                                        : KeyOutcome::Action::swallow};
        case Key::arrow:
            // A button would hand the focus on to its neighbour.
            return {focused && isButton(*focused) ? KeyOutcome::Action::swallow : KeyOutcome::Action::passOn};
        case Key::other:
            break;
    }
    return {KeyOutcome::Action::passOn};
}

}  // namespace zelvo
