// The window-wide keys: the focus cycle, and what each key does where.

#include "window/keys.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>

namespace zelvo {
namespace {

using Action = KeyOutcome::Action;

// Every control of the cycle can take the focus except those named.
CanTakeFocus allBut(std::set<Control> unavailable) {
    return [unavailable](Control control) { return !unavailable.contains(control); };
}

// The controls that Tab (or Shift+Tab) reaches one after another from `start`, `steps` times.
std::vector<Control> walk(Control start, Key key, int steps, const CanTakeFocus& canTakeFocus) {
    std::vector<Control> visited;
    std::optional<Control> focused = start;
    for (int i = 0; i < steps; ++i) {
        const KeyOutcome outcome = decideKey(key, focused, canTakeFocus);
        EXPECT_EQ(outcome.action, Action::moveFocus);
        visited.push_back(outcome.target);
        focused = outcome.target;
    }
    return visited;
}

TEST(FocusCycle, TabWalksTheWholeCycleAndComesBack) {
    const std::vector<Control> expected{
        Control::previewButton, Control::outputBox,      Control::codeInputBox,  Control::widthBox,
        Control::heightBox,     Control::topSpacingList, Control::topSpacingBox, Control::offsetBox,
        Control::editionList,   Control::generateButton,
    };
    EXPECT_EQ(walk(Control::generateButton, Key::tab, 10, allBut({})), expected);
}

TEST(FocusCycle, TheTopSpacingBoxIsInTheCycleOnlyWhileItCanTakeTheFocus) {
    struct Case {
        const char* state;
        bool available;
    };
    // Hidden (the default), and disabled while shown, both leave it out; shown and enabled, it is in.
    for (const Case c : {Case{"hidden or disabled", false}, Case{"shown and enabled", true}}) {
        SCOPED_TRACE(c.state);
        const CanTakeFocus canTakeFocus = c.available ? allBut({}) : allBut({Control::topSpacingBox});
        const Control afterList = c.available ? Control::topSpacingBox : Control::offsetBox;
        EXPECT_EQ(decideKey(Key::tab, Control::topSpacingList, canTakeFocus),
                  (KeyOutcome{Action::moveFocus, afterList}));
        const Control beforeOffset = c.available ? Control::topSpacingBox : Control::topSpacingList;
        EXPECT_EQ(decideKey(Key::backtab, Control::offsetBox, canTakeFocus),
                  (KeyOutcome{Action::moveFocus, beforeOffset}));
    }
}

TEST(FocusCycle, ShiftTabWalksBackwardsAndWrapsAround) {
    EXPECT_EQ(walk(Control::previewButton, Key::backtab, 3, allBut({Control::topSpacingBox})),
              (std::vector<Control>{Control::generateButton, Control::editionList, Control::offsetBox}));
}

TEST(FocusCycle, FromOutsideTheCycleAndWithNothingToFocus) {
    EXPECT_EQ(decideKey(Key::tab, std::nullopt, allBut({})),
              (KeyOutcome{Action::moveFocus, Control::generateButton}));
    EXPECT_EQ(decideKey(Key::backtab, std::nullopt, allBut({})),
              (KeyOutcome{Action::moveFocus, Control::editionList}));
    // A disabled 按钮3 (during a generation) is skipped.
    EXPECT_EQ(decideKey(Key::tab, Control::editionList, allBut({Control::generateButton})),
              (KeyOutcome{Action::moveFocus, Control::previewButton}));
    EXPECT_EQ(decideKey(Key::tab, Control::widthBox, [](Control) { return false; }),
              KeyOutcome{Action::swallow});
}

TEST(Keys, WhatEachKeyDoesWhere) {
    struct Case {
        Key key;
        std::optional<Control> focused;
        Action action;
    };
    const Case cases[] = {
        // Esc closes from anywhere, also while typing in the code box.
        {Key::escape, Control::codeInputBox, Action::close},
        {Key::escape, Control::editionList, Action::close},
        {Key::escape, std::nullopt, Action::close},
        // Enter breaks a line in the two multi-line boxes and does nothing anywhere else.
        {Key::enter, Control::codeInputBox, Action::passOn},
        {Key::enter, Control::outputBox, Action::passOn},
        {Key::enter, Control::widthBox, Action::swallow},
        {Key::enter, Control::generateButton, Action::swallow},
        {Key::enter, Control::editionList, Action::swallow},
        {Key::enter, std::nullopt, Action::swallow},
        // Arrows act inside the focused control, and never move the focus off a button.
        {Key::arrow, Control::codeInputBox, Action::passOn},
        {Key::arrow, Control::topSpacingList, Action::passOn},
        {Key::arrow, Control::generateButton, Action::swallow},
        {Key::arrow, Control::previewButton, Action::swallow},
        // Anything else is the control's.
        {Key::other, Control::widthBox, Action::passOn},
        {Key::other, Control::generateButton, Action::passOn},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << static_cast<int>(c.key) << " on " << (c.focused ? static_cast<int>(*c.focused) : -1));
        EXPECT_EQ(decideKey(c.key, c.focused, allBut({})).action, c.action);
    }
}

}  // namespace
}  // namespace zelvo
