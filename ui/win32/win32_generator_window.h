#pragma once

// The generator window as a Win32 top-level window: it builds the form, translates the window's
// messages and keys into the window layer's events, and carries out what the layer decides.

#include <windows.h>

#include <optional>
#include <string>

#include "ui/win32/form_controls.h"
#include "ui/win32/generator_form.h"
#include "ui/win32/win32_desktop.h"
#include "window/generator_window.h"
#include "window/keys.h"

namespace zelvo {

struct GeneratorWindowSetup {
    TemplateSource templates;
    std::optional<std::wstring> programDirectory;
};

class Win32GeneratorWindow {
  public:
    explicit Win32GeneratorWindow(GeneratorWindowSetup setup);
    Win32GeneratorWindow(const Win32GeneratorWindow&) = delete;
    Win32GeneratorWindow& operator=(const Win32GeneratorWindow&) = delete;

    // Creates the window with its controls, runs the created event, and shows it. False when the
    // window could not be made.
    bool open(int showCommand);

    HWND handle() const { return window_; }
    const GeneratorForm& form() const { return form_; }

  private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Hands the notifications of the controls inside a group box on to the window.
    static LRESULT CALLBACK groupProcedure(HWND group, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR id, DWORD_PTR self);
    // Every control meets the window-wide keys first; 编辑框4 also reports a double-click.
    static LRESULT CALLBACK controlProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                             UINT_PTR id, DWORD_PTR self);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void created(HWND window);
    void command(HWND control, WORD code);
    void listPicked(Control list);
    LRESULT colour(HDC context, HWND control);
    // Carries out what the window layer decides for a key; true when the key was used up.
    bool keyPressed(WPARAM virtualKey);
    std::optional<Control> focusedControl() const;

    GeneratorForm form_;
    FormControls controls_{form_};
    Win32Desktop desktop_;
    GeneratorWindow behaviour_{controls_, desktop_};
    HWND window_ = nullptr;
    FormScale scale_;
    // The character that follows a key the window used up is dropped too (a tab, Esc, Enter).
    bool swallowCharacter_ = false;
    // A pick in an open list arrives as "selection ended" and then, for another item, as a
    // selection change: the change is no second pick.
    HWND pickedWithList_ = nullptr;
};

}  // namespace zelvo
