#pragma once

// A recording fake of the two interfaces the window's behaviour talks to: controls that hold
// their state like real ones, and a desktop that does nothing. Every write and every desktop call
// goes into one ordered log, so a test states exactly what an event does and in which order.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "window/desktop.h"
#include "window/window_controls.h"

namespace zelvo::test {

using OperationLog = std::vector<std::string>;

// The control's field name, as the log names it.
std::string nameOf(Control control);

class RecordingControls final : public WindowControls {
  public:
    explicit RecordingControls(OperationLog& log);

    Text text(Control control) const override;
    void setText(Control control, const Text& text) override;
    void setVisible(Control control, bool visible) override;
    void setEnabled(Control control, bool enabled) override;
    void setBold(Control control, bool bold) override;
    int currentItem(Control control) const override;

    // What the user does: changes that are not the program's own writes, so not logged.
    void type(Control control, const Text& text) { texts_[control] = text; }
    void pick(Control list, int item) { items_[list] = item; }

    bool isVisible(Control control) const { return !hidden_.contains(control); }
    bool isEnabled(Control control) const { return !disabled_.contains(control); }

  private:
    OperationLog& log_;
    std::map<Control, Text> texts_;
    std::map<Control, int> items_;
    std::set<Control> hidden_;
    std::set<Control> disabled_;
};

class RecordingDesktop final : public Desktop {
  public:
    explicit RecordingDesktop(OperationLog& log) : log_(log) {}

    void copyToClipboard(const Text& text) override { log_.push_back("clipboard " + text); }
    void writePreviewFile(const Bytes& bytes) override {
        log_.push_back("writePreviewFile " + std::string(bytes.begin(), bytes.end()));
    }
    void openPreviewFile() override { log_.push_back("openPreviewFile"); }
    void removePreviewFile() override { log_.push_back("removePreviewFile"); }
    void startTemplateFetch() override {
        log_.push_back("startTemplateFetch");
        fetchRunning = true;
    }
    bool isTemplateFetchRunning() const override { return fetchRunning; }
    void abandonTemplateFetch() override { log_.push_back("abandonTemplateFetch"); }

    bool fetchRunning = false;

  private:
    OperationLog& log_;
};

}  // namespace zelvo::test
