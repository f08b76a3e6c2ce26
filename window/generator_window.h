#pragma once

// The behaviour of the program's one window, free of any toolkit: one entry per event of the
// window, each running to its end on the window's thread. It reads and writes the controls only
// through `WindowControls` and reaches the desktop only through `Desktop`; a front-end builds the
// form, implements both, and calls these entries from its toolkit's events.

#include "generator/settings_rules.h"
#include "generator/template_texts.h"
#include "window/desktop.h"
#include "window/template_store.h"
#include "window/window_controls.h"

namespace zelvo {

class GeneratorWindow {
  public:
    // Both must outlive the window.
    GeneratorWindow(WindowControls& controls, Desktop& desktop);

    // The window and its controls exist: the template download starts.
    void created();
    // An item of 组合框2 was picked, also the one already selected: the edition rule.
    void editionPicked();
    // The user changed the text of 编辑框1: the width rule.
    void widthEdited();
    // An item of 组合框1 was picked: the top-spacing rule.
    void topSpacingPresetPicked();
    // 按钮3: generate and copy. Without the chosen edition's code template, the waiting text, and
    // the fetch starts again when none is running.
    void generatePressed();
    // 按钮6: open the preview page.
    void previewPressed();
    // 时钟1: hides the status line.
    void timerTicked();
    // A left double-click in 编辑框4 empties it.
    void codeInputDoubleClicked();
    // A fetch result, on the window's thread. Dropped once the window is closing.
    void templateArrived(TemplateSlot slot, Text text);
    // The window is about to be destroyed: the preview file goes, the download is abandoned.
    // Runs once; later calls do nothing.
    void closing();

    // The settings as the controls hold them at this moment.
    GeneratorSettings settings() const;
    const TemplateStore& templates() const { return templates_; }
    bool isClosed() const { return closed_; }

  private:
    void applyWrites(const SettingsWrites& writes);
    void showStatus(std::string_view text);

    WindowControls& controls_;
    Desktop& desktop_;
    TemplateStore templates_;
    bool closed_ = false;
};

}  // namespace zelvo
