#pragma once

// The six control operations over the Win32 form. Texts cross the boundary here, converted from
// and to GBK; each operation takes effect before it returns.

#include "ui/win32/generator_form.h"
#include "window/window_controls.h"

namespace zelvo {

class FormControls final : public WindowControls {
  public:
    explicit FormControls(const GeneratorForm& form) : form_(form) {}

    Text text(Control control) const override;
    void setText(Control control, const Text& text) override;
    void setVisible(Control control, bool visible) override;
    void setEnabled(Control control, bool enabled) override;
    void setBold(Control control, bool bold) override;
    int currentItem(Control control) const override;

  private:
    const GeneratorForm& form_;
};

// Repaints what lies behind a control that draws no background of its own, then the control.
void redrawWithBackground(HWND control);

}  // namespace zelvo
