#pragma once

// The controls that the window's behaviour reaches, and the six operations through which it
// reaches them. A front-end implements the operations over its toolkit's widgets.

#include <array>
#include <cstddef>

#include "generator/text_rules.h"

namespace zelvo {

// The controls the behaviour reads or writes, or that take the focus (form names in comments).
enum class Control {
    widthBox,        // 编辑框1
    heightBox,       // 编辑框2
    topSpacingBox,   // 编辑框3
    codeInputBox,    // 编辑框4
    offsetBox,       // 编辑框5
    outputBox,       // 编辑框6
    editionList,     // 组合框2
    topSpacingList,  // 组合框1
    inputGroup,      // 分组框2
    statusLine,      // 透明标签生成结果
    generateButton,  // 按钮3
    previewButton,   // 按钮6
};

inline constexpr std::size_t controlCount = 12;

constexpr std::size_t indexOf(Control control) {
    return static_cast<std::size_t>(control);
}

// What the behaviour may do to the controls. Each operation takes effect at once, and none of them
// raises an event that the behaviour handles, so no rule runs because of the program's own writes.
class WindowControls {
  public:
    virtual ~WindowControls() = default;

    // An edit box's whole text, or a caption.
    virtual Text text(Control control) const = 0;
    // Replaces an edit box's whole text, or the caption of a group box, label or button.
    virtual void setText(Control control, const Text& text) = 0;
    virtual void setVisible(Control control, bool visible) = 0;
    virtual void setEnabled(Control control, bool enabled) = 0;
    // Switches the control's font between bold and the same font not bold.
    virtual void setBold(Control control, bool bold) = 0;
    // Index of a drop-down's current item, -1 when none is selected.
    virtual int currentItem(Control control) const = 0;
};

}  // namespace zelvo
