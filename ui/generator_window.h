#pragma once

// The program's one window: the settings row, the code input, the output with its two buttons,
// the red status line and the timer 时钟1 that hides it. It runs the settings rules from its
// controls' events, starts the template download when it is created, and on closing deletes the
// preview file and abandons the download.

#include <QMargins>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>

#include "generator/settings_rules.h"
#include "templates/template_fetcher.h"
#include "templates/template_store.h"
#include "ui/preview_file.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace zelvo {

// Where the window's templates come from and where its preview file lives.
struct GeneratorWindowSetup {
    std::string templateBaseAddress;
    std::string previewTemplateHost;
    std::string programDirectory;
};

// The controls that the logic reaches through the control operations (form name in comments).
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

class GeneratorWindow : public QWidget {
    Q_OBJECT

  public:
    // Builds every control in its initial state, starts 时钟1, then runs the created event: the
    // template download starts. The caller shows the window afterwards.
    explicit GeneratorWindow(GeneratorWindowSetup setup, QWidget* parent = nullptr);
    ~GeneratorWindow() override;

    // The control operations. Each takes effect at once and raises no handled event.
    Text text(Control control) const;
    void setText(Control control, const Text& text);
    using QWidget::setVisible;
    void setVisible(Control control, bool visible);
    using QWidget::setEnabled;
    void setEnabled(Control control, bool enabled);
    void setBold(Control control, bool bold);
    // Index of the drop-down's current item, -1 when none is selected.
    int currentItem(Control control) const;

    // The current settings, read from the controls at this moment.
    GeneratorSettings settings() const;

    const TemplateStore& templates() const { return templates_; }
    const PreviewFile& previewFile() const { return previewFile_; }

    // A press of 按钮3: the waiting text when the edition's code template has not arrived; else
    // the success text, the busy look, the generation, the clipboard, the preview file, the
    // normal look, and the generated code in 编辑框6, in that order.
    void generateAndCopy();

    // What the fetch worker calls from its own thread: posts the result to the window's thread,
    // where it is stored unless the closing steps have run by then.
    TemplateHandOver templateHandOver();

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    class ResultMailbox;

    void buildControls();
    void applyClassicStyle();
    void wireEvents();
    void applyWrites(const SettingsWrites& writes);
    void runClosingSteps();
    void moveFocusInCycle(bool forward);
    void fitOuterSize();
    QWidget* widget(Control control) const;

    PreviewFile previewFile_;
    TemplateStore templates_;
    TemplateFetcher fetcher_;
    std::shared_ptr<ResultMailbox> mailbox_;
    bool closed_ = false;
    std::optional<QMargins> fittedFrame_;

    QGroupBox* globalGroup_ = nullptr;
    QGroupBox* inputGroup_ = nullptr;
    QGroupBox* outputGroup_ = nullptr;
    QComboBox* editionList_ = nullptr;
    QComboBox* topSpacingList_ = nullptr;
    QLineEdit* offsetBox_ = nullptr;
    QLineEdit* widthBox_ = nullptr;
    QLineEdit* heightBox_ = nullptr;
    QLineEdit* topSpacingBox_ = nullptr;
    QPlainTextEdit* codeInputBox_ = nullptr;
    QPlainTextEdit* outputBox_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QPushButton* generateButton_ = nullptr;
    QPushButton* previewButton_ = nullptr;
    QTimer* statusTimer_ = nullptr;
};

}  // namespace zelvo
