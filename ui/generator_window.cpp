#include "ui/generator_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>
#include <array>
#include <limits>
#include <mutex>
#include <utility>

#include "ui/text_boundary.h"

namespace zelvo {

namespace {

constexpr int outerWidth = 754;
constexpr int outerHeight = 468;
// The client area of a 754 x 468 window with a standard frame, used while no frame is known.
constexpr int framelessClientWidth = 738;
constexpr int framelessClientHeight = 429;
constexpr int statusTimerPeriodMs = 6000;
constexpr int smallFontPixels = 12;

// Window coordinates of the three group boxes; their children are placed relative to them.
constexpr QPoint globalGroupOrigin{10, 8};
constexpr QPoint inputGroupOrigin{8, 72};
constexpr QPoint outputGroupOrigin{8, 291};

// Places a control given in window coordinates inside the group box whose origin is given.
void placeAt(QWidget* control, QPoint groupOrigin, int left, int top, int width, int height) {
    control->setGeometry(left - groupOrigin.x(), top - groupOrigin.y(), width, height);
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setWordWrap(false);
    return label;
}

QLineEdit* makeLineEdit(QWidget* parent, const QString& name, const QString& text) {
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(name);
    box->setMaxLength(std::numeric_limits<int>::max());
    return box;
}

QPlainTextEdit* makeMultiLineEdit(QWidget* parent, const QString& name) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Word boundaries only: breaking an overlong word as well makes Qt's line breaking quadratic
    // in the word's length, so a pasted base64 image of half a megabyte froze the window.
    box->setWordWrapMode(QTextOption::WordWrap);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setTabChangesFocus(true);
    return box;
}

QComboBox* makeDropDown(QWidget* parent, const QString& name, const QStringList& items) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->addItems(items);
    list->setCurrentIndex(0);
    return list;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QFont smallFont(const QFont& base, bool bold) {
    QFont font = base;
    font.setPixelSize(smallFontPixels);
    font.setBold(bold);
    return font;
}

// The paragraph and line separators of the document become "\n"; unlike toPlainText() this keeps
// non-breaking spaces, which user code may hold.
QString plainTextOf(const QPlainTextEdit* box) {
    QString text = box->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

}  // namespace

// Lets the fetch worker post to the window only while the window takes results; the mutex makes
// sure the window is never addressed once the closing steps have shut the mailbox.
class GeneratorWindow::ResultMailbox {
  public:
    explicit ResultMailbox(GeneratorWindow* window) : window_(window) {}

    void post(TemplateSlot slot, Text text) {
        const std::lock_guard lock(mutex_);
        if (window_ == nullptr) {
            return;
        }
        GeneratorWindow* window = window_;
        QMetaObject::invokeMethod(
            window,
            [window, slot, text = std::move(text)]() mutable {
                // Posted before the closing steps but delivered after them: dropped.
                if (!window->closed_) {
                    window->templates_.put(slot, std::move(text));
                }
            },
            Qt::QueuedConnection);
    }

    void shut() {
        const std::lock_guard lock(mutex_);
        window_ = nullptr;
    }

  private:
    std::mutex mutex_;
    GeneratorWindow* window_;
};

GeneratorWindow::GeneratorWindow(GeneratorWindowSetup setup, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      previewFile_(std::move(setup.programDirectory)),
      mailbox_(std::make_shared<ResultMailbox>(this)) {
    setWindowTitle(QStringLiteral("Zelvo全屏代码生成"));
    setFixedSize(framelessClientWidth, framelessClientHeight);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move(screen.x() + (screen.width() - outerWidth) / 2, screen.y() + (screen.height() - outerHeight) / 2);

    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, Qt::black);
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    setPalette(colours);
    setAutoFillBackground(true);

    buildControls();
    applyClassicStyle();
    wireEvents();
    generateButton_->setFocus(Qt::OtherFocusReason);

    statusTimer_->start();
    fetcher_.start(std::move(setup.templateBaseAddress), std::move(setup.previewTemplateHost),
                   templateHandOver());
}

GeneratorWindow::~GeneratorWindow() {
    runClosingSteps();
}

void GeneratorWindow::buildControls() {
    globalGroup_ = new QGroupBox(QStringLiteral("全局配置"), this);
    globalGroup_->setObjectName(QStringLiteral("分组框1"));
    globalGroup_->setGeometry(QRect(globalGroupOrigin, QSize(730, 58)));

    editionList_ = makeDropDown(
        globalGroup_, QStringLiteral("组合框2"),
        {QStringLiteral("生成专业版"), QStringLiteral("生成基础版"), QStringLiteral("生成天猫版")});
    placeAt(editionList_, globalGroupOrigin, 40, 31, 93, 20);

    QLabel* offsetLabel = makeLabel(globalGroup_, QStringLiteral("标签2"), QStringLiteral("偏移量"));
    offsetLabel->setAutoFillBackground(true);
    placeAt(offsetLabel, globalGroupOrigin, 165, 29, 42, 24);

    offsetBox_ = makeLineEdit(globalGroup_, QStringLiteral("编辑框5"), QStringLiteral("-960"));
    placeAt(offsetBox_, globalGroupOrigin, 214, 29, 43, 24);

    placeAt(makeLabel(globalGroup_, QStringLiteral("透明标签1"), QStringLiteral("模块尺寸")),
            globalGroupOrigin, 287, 30, 50, 20);

    widthBox_ = makeLineEdit(globalGroup_, QStringLiteral("编辑框1"), QStringLiteral("1920"));
    placeAt(widthBox_, globalGroupOrigin, 342, 29, 50, 24);

    placeAt(makeLabel(globalGroup_, QStringLiteral("透明标签2"), QStringLiteral("宽×高")), globalGroupOrigin,
            400, 30, 42, 20);

    heightBox_ = makeLineEdit(globalGroup_, QStringLiteral("编辑框2"), QStringLiteral("500"));
    placeAt(heightBox_, globalGroupOrigin, 443, 29, 50, 24);

    QLabel* unitLabel = makeLabel(globalGroup_, QStringLiteral("透明标签3"), QStringLiteral("PX"));
    unitLabel->setFont(smallFont(unitLabel->font(), false));
    placeAt(unitLabel, globalGroupOrigin, 498, 32, 14, 20);

    placeAt(makeLabel(globalGroup_, QStringLiteral("透明标签4"), QStringLiteral("上间距")), globalGroupOrigin,
            548, 30, 40, 20);

    topSpacingList_ = makeDropDown(
        globalGroup_, QStringLiteral("组合框1"),
        {QStringLiteral("默认"), QStringLiteral("-10"), QStringLiteral("-20"), QStringLiteral("自定义")});
    placeAt(topSpacingList_, globalGroupOrigin, 598, 31, 60, 20);

    topSpacingBox_ = makeLineEdit(globalGroup_, QStringLiteral("编辑框3"), QStringLiteral("0"));
    placeAt(topSpacingBox_, globalGroupOrigin, 664, 31, 50, 20);
    topSpacingBox_->setVisible(false);
    topSpacingBox_->setEnabled(false);

    inputGroup_ = new QGroupBox(toQString(defaultInputCaption), this);
    inputGroup_->setObjectName(QStringLiteral("分组框2"));
    inputGroup_->setGeometry(QRect(inputGroupOrigin, QSize(730, 211)));

    codeInputBox_ = makeMultiLineEdit(inputGroup_, QStringLiteral("编辑框4"));
    placeAt(codeInputBox_, inputGroupOrigin, 20, 89, 704, 178);

    outputGroup_ = new QGroupBox(QStringLiteral("代码输出"), this);
    outputGroup_->setObjectName(QStringLiteral("分组框3"));
    outputGroup_->setGeometry(QRect(outputGroupOrigin, QSize(730, 138)));

    // Reaches 5 pixels above the group's top edge; the group clips that strip, as a native
    // child window would be clipped.
    statusLine_ = makeLabel(outputGroup_, QStringLiteral("透明标签生成结果"),
                            QStringLiteral("恭喜亲！代码制作成功并已完成复制，安装后即可大功告成！"));
    QPalette red = statusLine_->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    statusLine_->setPalette(red);
    placeAt(statusLine_, outputGroupOrigin, 195, 286, 328, 24);
    statusLine_->setVisible(false);

    outputBox_ = makeMultiLineEdit(outputGroup_, QStringLiteral("编辑框6"));
    placeAt(outputBox_, outputGroupOrigin, 22, 310, 602, 103);

    generateButton_ = makeButton(outputGroup_, QStringLiteral("按钮3"), QStringLiteral("生成并复制"));
    generateButton_->setFont(smallFont(generateButton_->font(), true));
    placeAt(generateButton_, outputGroupOrigin, 641, 326, 80, 30);

    previewButton_ = makeButton(outputGroup_, QStringLiteral("按钮6"), QStringLiteral("预览结果"));
    placeAt(previewButton_, outputGroupOrigin, 641, 371, 80, 30);

    statusTimer_ = new QTimer(this);
    statusTimer_->setObjectName(QStringLiteral("时钟1"));
    statusTimer_->setInterval(statusTimerPeriodMs);
}

// The classic style draws what the form describes: group captions on the frame line, sunken
// three-dimensional edit borders, flat white group interiors.
void GeneratorWindow::applyClassicStyle() {
    QStyle* classic = QStyleFactory::create(QStringLiteral("Windows"));
    if (classic == nullptr) {
        return;
    }
    classic->setParent(this);
    setStyle(classic);
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setStyle(classic);
    }
}

void GeneratorWindow::wireEvents() {
    // activated: every pick by the user, the current item too, never the program's own changes.
    connect(editionList_, &QComboBox::activated, this,
            [this] { applyWrites(applyEdition(settings(), currentItem(Control::editionList))); });
    connect(topSpacingList_, &QComboBox::activated, this,
            [this] { applyWrites(applyTopSpacingPreset(settings(), currentItem(Control::topSpacingList))); });
    // textEdited: once per change by the user, never for setText().
    connect(widthBox_, &QLineEdit::textEdited, this, [this] { applyWrites(applyWidth(settings())); });
    connect(generateButton_, &QPushButton::clicked, this, &GeneratorWindow::generateAndCopy);
    connect(previewButton_, &QPushButton::clicked, this, [this] { previewFile_.open(); });
    connect(statusTimer_, &QTimer::timeout, this, [this] { setVisible(Control::statusLine, false); });

    installEventFilter(this);
    for (QWidget* control : std::initializer_list<QWidget*>{
             widthBox_, heightBox_, topSpacingBox_, codeInputBox_, offsetBox_, outputBox_, editionList_,
             topSpacingList_, generateButton_, previewButton_}) {
        control->installEventFilter(this);
    }
    codeInputBox_->viewport()->installEventFilter(this);
}

QWidget* GeneratorWindow::widget(Control control) const {
    switch (control) {
        case Control::widthBox:
            return widthBox_;
        case Control::heightBox:
            return heightBox_;
        case Control::topSpacingBox:
            return topSpacingBox_;
        case Control::codeInputBox:
            return codeInputBox_;
        case Control::offsetBox:
            return offsetBox_;
        case Control::outputBox:
            return outputBox_;
        case Control::editionList:
            return editionList_;
        case Control::topSpacingList:
            return topSpacingList_;
        case Control::inputGroup:
            return inputGroup_;
        case Control::statusLine:
            return statusLine_;
        case Control::generateButton:
            return generateButton_;
        case Control::previewButton:
            return previewButton_;
    }
    return nullptr;
}

Text GeneratorWindow::text(Control control) const {
    QWidget* target = widget(control);
    if (auto* box = qobject_cast<QLineEdit*>(target)) {
        return toText(box->text());
    }
    if (auto* box = qobject_cast<QPlainTextEdit*>(target)) {
        return toText(plainTextOf(box));
    }
    if (auto* group = qobject_cast<QGroupBox*>(target)) {
        return toText(group->title());
    }
    if (auto* label = qobject_cast<QLabel*>(target)) {
        return toText(label->text());
    }
    if (auto* button = qobject_cast<QPushButton*>(target)) {
        return toText(button->text());
    }
    return {};
}

void GeneratorWindow::setText(Control control, const Text& text) {
    QWidget* target = widget(control);
    const QString string = toQString(text);
    if (auto* box = qobject_cast<QLineEdit*>(target)) {
        box->setText(string);
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(target)) {
        box->setPlainText(string);
    } else if (auto* group = qobject_cast<QGroupBox*>(target)) {
        group->setTitle(string);
    } else if (auto* label = qobject_cast<QLabel*>(target)) {
        label->setText(string);
    } else if (auto* button = qobject_cast<QPushButton*>(target)) {
        button->setText(string);
    }
}

void GeneratorWindow::setVisible(Control control, bool visible) {
    widget(control)->setVisible(visible);
}

void GeneratorWindow::setEnabled(Control control, bool enabled) {
    widget(control)->setEnabled(enabled);
}

void GeneratorWindow::setBold(Control control, bool bold) {
    QWidget* target = widget(control);
    QFont font = target->font();
    font.setBold(bold);
    target->setFont(font);
}

int GeneratorWindow::currentItem(Control control) const {
    if (auto* list = qobject_cast<QComboBox*>(widget(control))) {
        return list->currentIndex();
    }
    return -1;
}

GeneratorSettings GeneratorWindow::settings() const {
    GeneratorSettings current;
    current.edition = currentItem(Control::editionList);
    current.width = text(Control::widthBox);
    current.height = text(Control::heightBox);
    current.offset = text(Control::offsetBox);
    current.topSpacingPreset = currentItem(Control::topSpacingList);
    current.topSpacing = text(Control::topSpacingBox);
    return current;
}

void GeneratorWindow::applyWrites(const SettingsWrites& writes) {
    for (const SettingsWrite& write : writes) {
        switch (write.target) {
            case SettingsWrite::Target::offset:
                setText(Control::offsetBox, write.text);
                break;
            case SettingsWrite::Target::inputCaption:
                setText(Control::inputGroup, write.text);
                break;
            case SettingsWrite::Target::topSpacing:
                setText(Control::topSpacingBox, write.text);
                break;
            case SettingsWrite::Target::topSpacingBoxVisible:
                setVisible(Control::topSpacingBox, write.flag);
                break;
            case SettingsWrite::Target::topSpacingBoxEnabled:
                setEnabled(Control::topSpacingBox, write.flag);
                break;
        }
    }
}

TemplateHandOver GeneratorWindow::templateHandOver() {
    return [mailbox = mailbox_](TemplateSlot slot, Text text) { mailbox->post(slot, std::move(text)); };
}

void GeneratorWindow::runClosingSteps() {
    if (closed_) {
        return;
    }
    previewFile_.remove();
    closed_ = true;
    mailbox_->shut();
    fetcher_.abandon();
}

void GeneratorWindow::closeEvent(QCloseEvent* event) {
    runClosingSteps();
    event->accept();
}

void GeneratorWindow::moveFocusInCycle(bool forward) {
    const std::array<QWidget*, 10> cycle{generateButton_, previewButton_, outputBox_,      codeInputBox_,
                                         widthBox_,       heightBox_,     topSpacingList_, topSpacingBox_,
                                         offsetBox_,      editionList_};
    const int size = static_cast<int>(cycle.size());
    int position = forward ? -1 : size;
    for (int i = 0; i < size; ++i) {
        if (cycle[static_cast<std::size_t>(i)] == QApplication::focusWidget()) {
            position = i;
        }
    }
    for (int step = 1; step <= size; ++step) {
        const int next = ((position + (forward ? step : -step)) % size + size) % size;
        QWidget* candidate = cycle[static_cast<std::size_t>(next)];
        if (candidate->isVisibleTo(this) && candidate->isEnabled()) {
            candidate->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}

bool GeneratorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick && watched == codeInputBox_->viewport() &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        setText(Control::codeInputBox, {});
        return true;
    }
    if (event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
        case Qt::Key_Escape:
            close();
            return true;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            moveFocusInCycle(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // A line break in the two multi-line boxes; elsewhere Enter neither moves the focus
            // nor presses a button.
            return watched != codeInputBox_ && watched != outputBox_;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            // Buttons would pass the focus on to their neighbours.
            return qobject_cast<QPushButton*>(watched) != nullptr;
        default:
            return QWidget::eventFilter(watched, event);
    }
}

bool GeneratorWindow::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::WindowActivate:
            fitOuterSize();
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

void GeneratorWindow::fitOuterSize() {
    const QWindow* handle = windowHandle();
    if (handle == nullptr) {
        return;
    }
    // The window manager reports the frame only once the window is mapped; until then (and on a
    // server without one) the client keeps the size of a standard frame's client area.
    const QMargins frame = handle->frameMargins();
    if (frame.isNull() || frame == fittedFrame_) {
        return;
    }
    fittedFrame_ = frame;
    setFixedSize(outerWidth - frame.left() - frame.right(), outerHeight - frame.top() - frame.bottom());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move(screen.x() + (screen.width() - outerWidth) / 2, screen.y() + (screen.height() - outerHeight) / 2);
}

}  // namespace zelvo
