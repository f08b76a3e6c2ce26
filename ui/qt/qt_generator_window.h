#pragma once

// The program's one window on Qt: the form, the six control operations over it, the desktop, and
// the window's behaviour, wired together. It translates the toolkit's signals and keys into the
// behaviour's events and carries out what the behaviour decides; it decides nothing itself.

#include <QMargins>
#include <QWidget>
#include <optional>
#include <string>

#include "ui/qt/form_controls.h"
#include "ui/qt/generator_form.h"
#include "ui/qt/qt_desktop.h"
#include "window/generator_window.h"

namespace zelvo {

struct GeneratorWindowSetup {
    TemplateSource templates;
    // As programDirectory() gives it: nothing when the executable's path could not be read.
    std::optional<std::string> programDirectory;
};

class QtGeneratorWindow : public QWidget {
    Q_OBJECT

  public:
    // Builds the form in its initial state, starts 时钟1, then runs the created event: the
    // template download starts. The caller shows the window afterwards.
    explicit QtGeneratorWindow(GeneratorWindowSetup setup, QWidget* parent = nullptr);
    ~QtGeneratorWindow() override;

    WindowControls& controls() { return controls_; }
    GeneratorWindow& behaviour() { return behaviour_; }
    const GeneratorWindow& behaviour() const { return behaviour_; }
    QtDesktop& desktop() { return desktop_; }

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void wireEvents();
    void generatePressed();
    bool handleKey(const QKeyEvent& key);
    std::optional<Control> focusedControl() const;
    void fitOuterSize();

    GeneratorForm form_;
    FormControls controls_{form_};
    QtDesktop desktop_;
    GeneratorWindow behaviour_{controls_, desktop_};
    std::optional<QMargins> fittedFrame_;
};

}  // namespace zelvo
