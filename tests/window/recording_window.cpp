#include "recording_window.h"

#include <array>

#include "window/window_texts.h"

namespace zelvo::test {

std::string nameOf(Control control) {
    static const std::array<const char*, controlCount> names{
        "widthBox",    "heightBox",      "topSpacingBox", "codeInputBox", "offsetBox",      "outputBox",
        "editionList", "topSpacingList", "inputGroup",    "statusLine",   "generateButton", "previewButton",
    };
    return names[indexOf(control)];
}

// The form's initial state.
RecordingControls::RecordingControls(OperationLog& log)
    : log_(log),
      texts_{{Control::widthBox, "1920"},
             {Control::heightBox, "500"},
             {Control::offsetBox, "-960"},
             {Control::topSpacingBox, "0"},
             {Control::inputGroup, Text(inputCaptions[0])},
             {Control::statusLine, Text(successText)},
             {Control::generateButton, Text(firstGenerateCaption)}},
      items_{{Control::editionList, 0}, {Control::topSpacingList, 0}},
      hidden_{Control::topSpacingBox, Control::statusLine},
      disabled_{Control::topSpacingBox} {}

Text RecordingControls::text(Control control) const {
    const auto found = texts_.find(control);
    return found == texts_.end() ? Text() : found->second;
}

void RecordingControls::setText(Control control, const Text& text) {
    log_.push_back("setText " + nameOf(control) + " " + text);
    texts_[control] = text;
}

void RecordingControls::setVisible(Control control, bool visible) {
    log_.push_back((visible ? "show " : "hide ") + nameOf(control));
    if (visible) {
        hidden_.erase(control);
    } else {
        hidden_.insert(control);
    }
}

void RecordingControls::setEnabled(Control control, bool enabled) {
    log_.push_back((enabled ? "enable " : "disable ") + nameOf(control));
    if (enabled) {
        disabled_.erase(control);
    } else {
        disabled_.insert(control);
    }
}

void RecordingControls::setBold(Control control, bool bold) {
    log_.push_back((bold ? "bold " : "notBold ") + nameOf(control));
}

int RecordingControls::currentItem(Control control) const {
    const auto found = items_.find(control);
    return found == items_.end() ? -1 : found->second;
}

}  // namespace zelvo::test
