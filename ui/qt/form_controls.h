#pragma once

// The six control operations over the Qt form's widgets, converting texts with GB18030 at this
// boundary and only here.

#include "ui/qt/generator_form.h"
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

}  // namespace zelvo
