#include "ui/win32/form_controls.h"

#include <string>

#include "ui/win32/text_boundary.h"

namespace zelvo {

void redrawWithBackground(HWND control) {
    HWND parent = GetParent(control);
    RECT area{};
    GetWindowRect(control, &area);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

Text FormControls::text(Control control) const {
    HWND handle = form_[control];
    const int length = GetWindowTextLengthW(handle);
    if (length <= 0) {
        return {};
    }
    std::wstring string(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(handle, string.data(), length + 1);
    string.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return toText(string);
}

void FormControls::setText(Control control, const Text& text) {
    HWND handle = form_[control];
    SetWindowTextW(handle, toWide(text).c_str());
    if (control == Control::statusLine || control == Control::inputGroup) {
        // Neither erases its old caption by itself: the status line is transparent, and a group
        // box leaves the end of a longer caption on its frame.
        redrawWithBackground(handle);
    }
}

void FormControls::setVisible(Control control, bool visible) {
    ShowWindow(form_[control], visible ? SW_SHOWNA : SW_HIDE);
}

void FormControls::setEnabled(Control control, bool enabled) {
    EnableWindow(form_[control], enabled ? TRUE : FALSE);
}

void FormControls::setBold(Control control, bool bold) {
    SendMessageW(form_[control], WM_SETFONT,
                 reinterpret_cast<WPARAM>(bold ? form_.boldFont : form_.regularFont), TRUE);
}

int FormControls::currentItem(Control control) const {
    const LRESULT item = SendMessageW(form_[control], CB_GETCURSEL, 0, 0);
    return item == CB_ERR ? -1 : static_cast<int>(item);
}

}  // namespace zelvo
