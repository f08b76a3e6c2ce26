#include "ui/qt/qt_generator_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <utility>

#include "window/keys.h"

namespace zelvo {

namespace {

constexpr int outerWidth = 754;
constexpr int outerHeight = 468;
// The client area of a 754 x 468 window with a standard frame, used while no frame is known.
constexpr int framelessClientWidth = 738;
constexpr int framelessClientHeight = 429;

void centreOnPrimaryScreen(QWidget* window) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    window->move(screen.x() + (screen.width() - outerWidth) / 2,
                 screen.y() + (screen.height() - outerHeight) / 2);
}

Key keyOf(const QKeyEvent& event) {
    switch (event.key()) {
        case Qt::Key_Escape:
            return Key::escape;
        case Qt::Key_Tab:
            return (event.modifiers() & Qt::ShiftModifier) ? Key::backtab : Key::tab;
        case Qt::Key_Backtab:
            return Key::backtab;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return Key::enter;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            return Key::arrow;
        default:
            return Key::other;
    }
}

}  // namespace

QtGeneratorWindow::QtGeneratorWindow(GeneratorWindowSetup setup, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      desktop_(this, std::move(setup.templates), std::move(setup.programDirectory),
               [this](TemplateSlot slot, Text text) { behaviour_.templateArrived(slot, std::move(text)); }) {
    setWindowTitle(QStringLiteral("Zelvo全屏代码生成"));
    setFixedSize(framelessClientWidth, framelessClientHeight);
    centreOnPrimaryScreen(this);

    form_.setupUi(this);
    wireEvents();
    form_[Control::generateButton]->setFocus(Qt::OtherFocusReason);

    form_.statusTimer->start();
    behaviour_.created();
}

QtGeneratorWindow::~QtGeneratorWindow() {
    behaviour_.closing();
}

void QtGeneratorWindow::wireEvents() {
    // activated: every pick by the user, the current item too, never the program's own changes.
    connect(qobject_cast<QComboBox*>(form_[Control::editionList]), &QComboBox::activated, this,
            [this] { behaviour_.editionPicked(); });
    connect(qobject_cast<QComboBox*>(form_[Control::topSpacingList]), &QComboBox::activated, this,
            [this] { behaviour_.topSpacingPresetPicked(); });
    // textEdited: once per change by the user, never for setText().
    connect(qobject_cast<QLineEdit*>(form_[Control::widthBox]), &QLineEdit::textEdited, this,
            [this] { behaviour_.widthEdited(); });
    connect(qobject_cast<QPushButton*>(form_[Control::generateButton]), &QPushButton::clicked, this,
            [this] { generatePressed(); });
    connect(qobject_cast<QPushButton*>(form_[Control::previewButton]), &QPushButton::clicked, this,
            [this] { behaviour_.previewPressed(); });
    connect(form_.statusTimer, &QTimer::timeout, this, [this] { behaviour_.timerTicked(); });

    installEventFilter(this);
    for (QWidget* control : form_.controls) {
        control->installEventFilter(this);
    }
    qobject_cast<QPlainTextEdit*>(form_[Control::codeInputBox])->viewport()->installEventFilter(this);
}

void QtGeneratorWindow::generatePressed() {
    // Qt hands the focus of a button that goes disabled to the next control; the busy look lasts
    // only as long as the press, so the focus comes back once it is over.
    QWidget* button = form_[Control::generateButton];
    const bool hadFocus = button->hasFocus();
    behaviour_.generatePressed();
    if (hadFocus && !button->hasFocus() && button->isEnabled() && isVisible()) {
        button->setFocus(Qt::OtherFocusReason);
    }
}

std::optional<Control> QtGeneratorWindow::focusedControl() const {
    const auto& controls = form_.controls;
    const auto found = std::find(controls.begin(), controls.end(), QApplication::focusWidget());
    if (found == controls.end()) {
        return std::nullopt;
    }
    return static_cast<Control>(found - controls.begin());
}

bool QtGeneratorWindow::handleKey(const QKeyEvent& key) {
    const KeyOutcome outcome = decideKey(keyOf(key), focusedControl(), [this](Control control) {
        const QWidget* widget = form_[control];
        return widget->isVisibleTo(this) && widget->isEnabled();
    });
    switch (outcome.action) {
        case KeyOutcome::Action::close:
            close();
            return true;
        case KeyOutcome::Action::moveFocus:
            form_[outcome.target]->setFocus(keyOf(key) == Key::tab ? Qt::TabFocusReason
                                                                   : Qt::BacktabFocusReason);
            return true;
        case KeyOutcome::Action::swallow:
            return true;
        case KeyOutcome::Action::passOn:
            return false;
    }
    return false;
}

bool QtGeneratorWindow::eventFilter(QObject* watched, QEvent* event) {
    const QWidget* codeInputViewport =
        qobject_cast<QPlainTextEdit*>(form_[Control::codeInputBox])->viewport();
    if (event->type() == QEvent::MouseButtonDblClick && watched == codeInputViewport &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        behaviour_.codeInputDoubleClicked();
        return true;
    }
    if (event->type() == QEvent::KeyPress && handleKey(*static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void QtGeneratorWindow::closeEvent(QCloseEvent* event) {
    behaviour_.closing();
    event->accept();
}

bool QtGeneratorWindow::event(QEvent* event) {
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

void QtGeneratorWindow::fitOuterSize() {
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
    centreOnPrimaryScreen(this);
}

}  // namespace zelvo
