#include "ui/win32/generator_form.h"

#include <algorithm>

#include "ui/win32/text_boundary.h"
#include "window/window_texts.h"

namespace zelvo {

namespace {

constexpr int characterHeight = 12;
// The open list of a drop-down list reaches this far below the control's top edge.
constexpr int dropDownReach = 160;

struct Origin {
    int left;
    int top;
};
constexpr Origin windowOrigin{0, 0};
constexpr Origin globalGroupOrigin{10, 8};
constexpr Origin inputGroupOrigin{8, 72};
constexpr Origin outputGroupOrigin{8, 291};

HFONT makeFont(FormScale scale, int weight) {
    // GB2312_CHARSET: without it a system whose code page is not Chinese draws the captions as boxes.
    return CreateFontW(-scale(characterHeight), 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       L"宋体");
}

class Builder {
  public:
    Builder(HWND window, FormScale scale, HFONT font) : window_(window), scale_(scale), font_(font) {}

    // A child of `parent` at window place (left, top), given with the parent's own window origin.
    HWND make(const wchar_t* className, const std::wstring& text, DWORD style, DWORD extendedStyle,
              HWND parent, Origin parentOrigin, int left, int top, int width, int height) const {
        HWND control =
            CreateWindowExW(extendedStyle, className, text.c_str(), WS_CHILD | style,
                            scale_(left - parentOrigin.left), scale_(top - parentOrigin.top), scale_(width),
                            scale_(height), parent, nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        return control;
    }

    HWND group(const std::wstring& caption, int left, int top, int width, int height) const {
        return make(L"BUTTON", caption, WS_VISIBLE | BS_GROUPBOX, 0, window_, windowOrigin, left, top, width,
                    height);
    }

    HWND label(HWND parent, Origin origin, const std::wstring& text, int left, int top, int width,
               int height) const {
        return make(L"STATIC", text, WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, 0, parent, origin,
                    left, top, width, height);
    }

    HWND lineEdit(HWND parent, Origin origin, const std::wstring& text, int left, int top, int width,
                  int height) const {
        HWND box = make(L"EDIT", text, WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                        parent, origin, left, top, width, height);
        SendMessageW(box, EM_SETLIMITTEXT, 0, 0);
        return box;
    }

    // Wraps at word boundaries: a vertical scroll bar and no horizontal one.
    HWND multiLineEdit(HWND parent, Origin origin, int left, int top, int width, int height) const {
        HWND box = make(
            L"EDIT", L"",
            WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_LEFT | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
            WS_EX_CLIENTEDGE, parent, origin, left, top, width, height);
        SendMessageW(box, EM_SETLIMITTEXT, 0, 0);
        return box;
    }

    HWND dropDown(HWND parent, Origin origin, std::initializer_list<const wchar_t*> items, int left, int top,
                  int width, int height) const {
        HWND list = make(L"COMBOBOX", L"", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, parent,
                         origin, left, top, width, dropDownReach);
        for (const wchar_t* item : items) {
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
        SendMessageW(list, CB_SETCURSEL, 0, 0);
        // The closed control is `height` pixels high: its selection field is that less the border.
        RECT outer{};
        GetWindowRect(list, &outer);
        const LRESULT field = SendMessageW(list, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
        const int border = static_cast<int>(outer.bottom - outer.top - field);
        if (field > 0 && border > 0) {
            SendMessageW(list, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                         std::max(scale_(height) - border, 1));
        }
        return list;
    }

    HWND button(HWND parent, Origin origin, const std::wstring& caption, int left, int top, int width,
                int height) const {
        return make(L"BUTTON", caption, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER, 0,
                    parent, origin, left, top, width, height);
    }

  private:
    HWND window_;
    FormScale scale_;
    HFONT font_;
};

}  // namespace

GeneratorForm::~GeneratorForm() {
    DeleteObject(regularFont);
    DeleteObject(boldFont);
}

void GeneratorForm::create(HWND window, FormScale scale) {
    regularFont = makeFont(scale, FW_NORMAL);
    boldFont = makeFont(scale, FW_BOLD);
    const Builder build(window, scale, regularFont);
    auto& c = controls;

    HWND global = groups[0] = build.group(L"全局配置", 10, 8, 730, 58);
    c[indexOf(Control::editionList)] = build.dropDown(
        global, globalGroupOrigin, {L"生成专业版", L"生成基础版", L"生成天猫版"}, 40, 31, 93, 20);
    offsetLabel = build.label(global, globalGroupOrigin, L"偏移量", 165, 29, 42, 24);
    c[indexOf(Control::offsetBox)] = build.lineEdit(global, globalGroupOrigin, L"-960", 214, 29, 43, 24);
    transparentLabels[0] = build.label(global, globalGroupOrigin, L"模块尺寸", 287, 30, 50, 20);
    c[indexOf(Control::widthBox)] = build.lineEdit(global, globalGroupOrigin, L"1920", 342, 29, 50, 24);
    transparentLabels[1] = build.label(global, globalGroupOrigin, L"宽×高", 400, 30, 42, 20);
    c[indexOf(Control::heightBox)] = build.lineEdit(global, globalGroupOrigin, L"500", 443, 29, 50, 24);
    // Its own font in the form, at the same 12-pixel height and normal weight.
    transparentLabels[2] = build.label(global, globalGroupOrigin, L"PX", 498, 32, 14, 20);
    transparentLabels[3] = build.label(global, globalGroupOrigin, L"上间距", 548, 30, 40, 20);
    c[indexOf(Control::topSpacingList)] =
        build.dropDown(global, globalGroupOrigin, {L"默认", L"-10", L"-20", L"自定义"}, 598, 31, 60, 20);
    HWND topSpacingBox = build.lineEdit(global, globalGroupOrigin, L"0", 664, 31, 50, 20);
    ShowWindow(topSpacingBox, SW_HIDE);
    EnableWindow(topSpacingBox, FALSE);
    c[indexOf(Control::topSpacingBox)] = topSpacingBox;

    HWND input = groups[1] = c[indexOf(Control::inputGroup)] =
        build.group(toWide(inputCaptions[0]), 8, 72, 730, 211);
    c[indexOf(Control::codeInputBox)] = build.multiLineEdit(input, inputGroupOrigin, 20, 89, 704, 178);

    HWND output = groups[2] = build.group(L"代码输出", 8, 291, 730, 138);
    // Reaches 5 pixels above the group's top edge; the group clips that strip.
    HWND statusLine = build.label(output, outputGroupOrigin, toWide(successText), 195, 286, 328, 24);
    ShowWindow(statusLine, SW_HIDE);
    c[indexOf(Control::statusLine)] = statusLine;
    c[indexOf(Control::outputBox)] = build.multiLineEdit(output, outputGroupOrigin, 22, 310, 602, 103);
    HWND generate = build.button(output, outputGroupOrigin, toWide(firstGenerateCaption), 641, 326, 80, 30);
    SendMessageW(generate, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont), FALSE);
    c[indexOf(Control::generateButton)] = generate;
    c[indexOf(Control::previewButton)] =
        build.button(output, outputGroupOrigin, L"预览结果", 641, 371, 80, 30);
}

bool GeneratorForm::find(HWND handle, Control& control) const {
    const auto found = std::find(controls.begin(), controls.end(), handle);
    if (handle == nullptr || found == controls.end()) {
        return false;
    }
    control = static_cast<Control>(found - controls.begin());
    return true;
}

}  // namespace zelvo
