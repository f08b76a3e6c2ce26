#include "ui/win32/win32_generator_window.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

namespace zelvo {

namespace {

constexpr wchar_t windowClassName[] = L"ZelvoGeneratorWindow";
constexpr wchar_t title[] = L"Zelvo全屏代码生成";
constexpr int outerWidth = 754;
constexpr int outerHeight = 468;
constexpr UINT_PTR statusTimer = 1;
constexpr UINT statusTimerPeriodMs = 6000;
constexpr UINT_PTR subclassId = 1;
// Clears the note of a pick made in an open list, once the list's own messages are through.
constexpr UINT pickSettledMessage = WM_APP + 2;
// A fixed frame with the system menu, minimize and close; no maximize.
constexpr DWORD windowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

int systemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : USER_DEFAULT_SCREEN_DPI;
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

Key keyOf(WPARAM virtualKey) {
    switch (virtualKey) {
        case VK_ESCAPE:
            return Key::escape;
        case VK_TAB:
            return GetKeyState(VK_SHIFT) < 0 ? Key::backtab : Key::tab;
        case VK_RETURN:
            return Key::enter;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            return Key::arrow;
        default:
            return Key::other;
    }
}

bool isSingleLineBox(Control control) {
    return control == Control::widthBox || control == Control::heightBox ||
           control == Control::topSpacingBox || control == Control::offsetBox;
}

bool registerWindowClass() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = windowClassName;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

Win32GeneratorWindow::Win32GeneratorWindow(GeneratorWindowSetup setup)
    : desktop_(std::move(setup.templates), std::move(setup.programDirectory)) {}

bool Win32GeneratorWindow::open(int showCommand) {
    if (!registerWindowClass()) {
        return false;
    }
    scale_ = FormScale{systemDpi()};
    const int width = scale_(outerWidth);
    const int height = scale_(outerHeight);
    // Centred on the whole primary screen, not its work area.
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    HWND window = CreateWindowExW(0, windowClassName, title, windowStyle, left, top, width, height, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window == nullptr) {
        return false;
    }
    created(window);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return true;
}

void Win32GeneratorWindow::created(HWND window) {
    window_ = window;
    desktop_.attach(window);
    form_.create(window, scale_);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&windowProcedure));
    // Notifications of the controls go to their group box: the subclass hands them on. Every
    // control also meets the window-wide keys first.
    for (HWND group : form_.groups) {
        SetWindowSubclass(group, &groupProcedure, subclassId, reinterpret_cast<DWORD_PTR>(this));
    }
    for (HWND control : form_.controls) {
        if (control != form_[Control::inputGroup]) {
            SetWindowSubclass(control, &controlProcedure, subclassId, reinterpret_cast<DWORD_PTR>(this));
        }
    }
    SetTimer(window, statusTimer, statusTimerPeriodMs, nullptr);
    SetFocus(form_[Control::generateButton]);
    behaviour_.created();
}

LRESULT CALLBACK Win32GeneratorWindow::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                                       LPARAM lParam) {
    auto* self = reinterpret_cast<Win32GeneratorWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->handle(message, wParam, lParam);
}

LRESULT Win32GeneratorWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (lParam != 0) {
                command(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
            }
            return 0;
        case WM_CTLCOLORSTATIC:
            return colour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_TIMER:
            if (wParam == statusTimer) {
                behaviour_.timerTicked();
            }
            return 0;
        case templateArrivedMessage: {
            auto result = takeTemplateResult(lParam);
            behaviour_.templateArrived(result->slot, std::move(result->text));
            return 0;
        }
        case pickSettledMessage:
            pickedWithList_ = nullptr;
            return 0;
        case WM_KEYDOWN:
            if (keyPressed(wParam)) {
                return 0;
            }
            break;
        case WM_CHAR:
            if (std::exchange(swallowCharacter_, false)) {
                return 0;
            }
            break;
        case WM_ENDSESSION:
            // Logging off or shutting down ends the program after this message: close the window
            // as Esc does, so the closing steps run.
            if (wParam != FALSE) {
                DestroyWindow(window_);
            }
            return 0;
        case WM_DESTROY:
            // The window still exists with its controls: the closing steps, then the loop ends.
            behaviour_.closing();
            KillTimer(window_, statusTimer);
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK Win32GeneratorWindow::groupProcedure(HWND group, UINT message, WPARAM wParam, LPARAM lParam,
                                                      UINT_PTR, DWORD_PTR self) {
    switch (message) {
        case WM_COMMAND:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
            // From a control inside the group box: the window answers.
            return SendMessageW(reinterpret_cast<Win32GeneratorWindow*>(self)->window_, message, wParam,
                                lParam);
        case WM_NCDESTROY:
            RemoveWindowSubclass(group, &groupProcedure, subclassId);
            break;
        default:
            break;
    }
    return DefSubclassProc(group, message, wParam, lParam);
}

LRESULT CALLBACK Win32GeneratorWindow::controlProcedure(HWND control, UINT message, WPARAM wParam,
                                                        LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto& window = *reinterpret_cast<Win32GeneratorWindow*>(self);
    switch (message) {
        case WM_KEYDOWN:
            if (window.keyPressed(wParam)) {
                return 0;
            }
            break;
        case WM_CHAR:
            if (std::exchange(window.swallowCharacter_, false)) {
                return 0;
            }
            break;
        case WM_LBUTTONDBLCLK:
            if (control == window.form_[Control::codeInputBox]) {
                window.behaviour_.codeInputDoubleClicked();
                return 0;
            }
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(control, &controlProcedure, subclassId);
            break;
        default:
            break;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

void Win32GeneratorWindow::command(HWND handle, WORD code) {
    Control control{};
    if (!form_.find(handle, control)) {
        return;
    }
    switch (control) {
        case Control::widthBox:
            // Only the user changes 编辑框1: the program never writes it.
            if (code == EN_CHANGE) {
                behaviour_.widthEdited();
            }
            break;
        case Control::editionList:
        case Control::topSpacingList:
            if (code == CBN_SELENDOK) {
                pickedWithList_ = handle;
                PostMessageW(window_, pickSettledMessage, 0, 0);
                listPicked(control);
            } else if (code == CBN_SELCHANGE && pickedWithList_ != handle &&
                       SendMessageW(handle, CB_GETDROPPEDSTATE, 0, 0) == FALSE) {
                // A pick with the keys while the list is closed.
                listPicked(control);
            }
            break;
        case Control::generateButton:
            if (code == BN_CLICKED) {
                // A button that goes disabled loses the focus; the busy look lasts only as long as
                // the press, so the focus comes back once it is over.
                const bool hadFocus = GetFocus() == handle;
                behaviour_.generatePressed();
                if (hadFocus && GetFocus() != handle && IsWindow(handle) && IsWindowEnabled(handle)) {
                    SetFocus(handle);
                }
            }
            break;
        case Control::previewButton:
            if (code == BN_CLICKED) {
                behaviour_.previewPressed();
            }
            break;
        default:
            break;
    }
}

void Win32GeneratorWindow::listPicked(Control list) {
    if (list == Control::editionList) {
        behaviour_.editionPicked();
    } else {
        behaviour_.topSpacingPresetPicked();
    }
}

LRESULT Win32GeneratorWindow::colour(HDC context, HWND control) {
    SetTextColor(context, RGB(0, 0, 0));
    const bool transparent = control == form_[Control::statusLine] ||
                             std::find(form_.transparentLabels.begin(), form_.transparentLabels.end(),
                                       control) != form_.transparentLabels.end();
    if (transparent) {
        if (control == form_[Control::statusLine]) {
            SetTextColor(context, RGB(255, 0, 0));
        }
        SetBkMode(context, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    // Group boxes, 标签2 and the disabled 编辑框3: black on white.
    SetBkColor(context, RGB(255, 255, 255));
    return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
}

std::optional<Control> Win32GeneratorWindow::focusedControl() const {
    Control control{};
    if (!form_.find(GetFocus(), control)) {
        return std::nullopt;
    }
    return control;
}

bool Win32GeneratorWindow::keyPressed(WPARAM virtualKey) {
    const Key key = keyOf(virtualKey);
    const KeyOutcome outcome = decideKey(key, focusedControl(), [this](Control control) {
        HWND handle = form_[control];
        return IsWindowVisible(handle) && IsWindowEnabled(handle);
    });
    switch (outcome.action) {
        case KeyOutcome::Action::close:
            swallowCharacter_ = true;
            PostMessageW(window_, WM_CLOSE, 0, 0);
            return true;
        case KeyOutcome::Action::moveFocus: {
            swallowCharacter_ = true;
            HWND target = form_[outcome.target];
            SetFocus(target);
            // As in a dialog: a single-line box reached by Tab has its text selected, ready to type over.
            if (isSingleLineBox(outcome.target)) {
                SendMessageW(target, EM_SETSEL, 0, -1);
            }
            return true;
        }
        case KeyOutcome::Action::swallow:
            swallowCharacter_ = true;
            return true;
        case KeyOutcome::Action::passOn:
            return false;
    }
    return false;
}

}  // namespace zelvo
