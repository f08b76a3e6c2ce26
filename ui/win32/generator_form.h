#pragma once

// The form of the generator window as Win32 child controls: every control built and placed once,
// at the form's places and sizes scaled by the window's DPI, and reachable by `Control` through
// one array. The form keeps the fonts it gave its controls.

#include <windows.h>

#include <array>

#include "window/window_controls.h"

namespace zelvo {

// Scales the form's 96-DPI pixels to the screen's.
struct FormScale {
    int dpi = USER_DEFAULT_SCREEN_DPI;
    int operator()(int pixels) const { return MulDiv(pixels, dpi, USER_DEFAULT_SCREEN_DPI); }
};

struct GeneratorForm {
    GeneratorForm() = default;
    ~GeneratorForm();
    GeneratorForm(const GeneratorForm&) = delete;
    GeneratorForm& operator=(const GeneratorForm&) = delete;

    // Builds every control inside `window` in its state at start.
    void create(HWND window, FormScale scale);

    HWND operator[](Control control) const { return controls[indexOf(control)]; }
    // The control among ours that `handle` is, if any.
    bool find(HWND handle, Control& control) const;

    std::array<HWND, controlCount> controls{};
    // 分组框1, 分组框2 (also Control::inputGroup) and 分组框3.
    std::array<HWND, 3> groups{};
    // The labels drawn straight onto the group box behind them.
    std::array<HWND, 4> transparentLabels{};
    // 标签2: black on white.
    HWND offsetLabel = nullptr;

    // 宋体 at the form's 12-pixel character height, and the same in bold for 按钮3.
    HFONT regularFont = nullptr;
    HFONT boldFont = nullptr;
};

}  // namespace zelvo
