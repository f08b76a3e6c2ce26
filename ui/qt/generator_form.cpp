#include "ui/qt/generator_form.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <limits>

#include "ui/qt/multi_line_box.h"
#include "ui/qt/text_boundary.h"
#include "window/window_texts.h"

namespace zelvo {

namespace {

constexpr int statusTimerPeriodMs = 6000;
constexpr int smallFontPixels = 12;

// Window coordinates of the three group boxes; their children are placed relative to them.
constexpr QPoint windowOrigin{0, 0};
constexpr QPoint globalGroupOrigin{10, 8};
constexpr QPoint inputGroupOrigin{8, 72};
constexpr QPoint outputGroupOrigin{8, 291};

// Places a control given in window coordinates inside the parent whose window origin is given.
template <class T>
T* placed(T* control, QPoint parentOrigin, int left, int top, int width, int height) {
    control->setGeometry(left - parentOrigin.x(), top - parentOrigin.y(), width, height);
    return control;
}

template <class T>
T* named(T* control, const QString& name) {
    control->setObjectName(name);
    return control;
}

QGroupBox* makeGroup(QWidget* parent, const QString& name, const QString& caption) {
    return named(new QGroupBox(caption, parent), name);
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* label = named(new QLabel(text, parent), name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setWordWrap(false);
    return label;
}

QLineEdit* makeLineEdit(QWidget* parent, const QString& name, const QString& text) {
    auto* box = named(new QLineEdit(text, parent), name);
    box->setMaxLength(std::numeric_limits<int>::max());
    return box;
}

MultiLineBox* makeMultiLineEdit(QWidget* parent, const QString& name) {
    auto* box = named(new MultiLineBox(parent), name);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // A word wider than the box breaks where it must. Breaking inside a word is quadratic in the
    // word's length in Qt's line breaking, which the box's display pieces keep short.
    box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setTabChangesFocus(true);
    return box;
}

QComboBox* makeDropDown(QWidget* parent, const QString& name, const QStringList& items) {
    auto* list = named(new QComboBox(parent), name);
    list->addItems(items);
    list->setCurrentIndex(0);
    return list;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* button = named(new QPushButton(caption, parent), name);
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

// The classic style draws what the form describes: group captions on the frame line, sunken
// three-dimensional edit borders, flat white group interiors.
void applyClassicStyle(QWidget* window) {
    QStyle* classic = QStyleFactory::create(QStringLiteral("Windows"));
    if (classic == nullptr) {
        return;
    }
    classic->setParent(window);
    window->setStyle(classic);
    for (QWidget* child : window->findChildren<QWidget*>()) {
        child->setStyle(classic);
    }
}

}  // namespace

void GeneratorForm::setupUi(QWidget* window) {
    QPalette colours = window->palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, Qt::black);
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    window->setPalette(colours);
    window->setAutoFillBackground(true);

    auto& c = controls;
    auto* globalGroup = placed(makeGroup(window, QStringLiteral("分组框1"), QStringLiteral("全局配置")),
                               windowOrigin, 10, 8, 730, 58);
    c[indexOf(Control::editionList)] = placed(
        makeDropDown(
            globalGroup, QStringLiteral("组合框2"),
            {QStringLiteral("生成专业版"), QStringLiteral("生成基础版"), QStringLiteral("生成天猫版")}),
        globalGroupOrigin, 40, 31, 93, 20);
    QLabel* offsetLabel = placed(makeLabel(globalGroup, QStringLiteral("标签2"), QStringLiteral("偏移量")),
                                 globalGroupOrigin, 165, 29, 42, 24);
    offsetLabel->setAutoFillBackground(true);
    c[indexOf(Control::offsetBox)] =
        placed(makeLineEdit(globalGroup, QStringLiteral("编辑框5"), QStringLiteral("-960")),
               globalGroupOrigin, 214, 29, 43, 24);
    placed(makeLabel(globalGroup, QStringLiteral("透明标签1"), QStringLiteral("模块尺寸")), globalGroupOrigin,
           287, 30, 50, 20);
    c[indexOf(Control::widthBox)] =
        placed(makeLineEdit(globalGroup, QStringLiteral("编辑框1"), QStringLiteral("1920")),
               globalGroupOrigin, 342, 29, 50, 24);
    placed(makeLabel(globalGroup, QStringLiteral("透明标签2"), QStringLiteral("宽×高")), globalGroupOrigin,
           400, 30, 42, 20);
    c[indexOf(Control::heightBox)] =
        placed(makeLineEdit(globalGroup, QStringLiteral("编辑框2"), QStringLiteral("500")), globalGroupOrigin,
               443, 29, 50, 24);
    QLabel* unitLabel = placed(makeLabel(globalGroup, QStringLiteral("透明标签3"), QStringLiteral("PX")),
                               globalGroupOrigin, 498, 32, 14, 20);
    unitLabel->setFont(smallFont(unitLabel->font(), false));
    placed(makeLabel(globalGroup, QStringLiteral("透明标签4"), QStringLiteral("上间距")), globalGroupOrigin,
           548, 30, 40, 20);
    c[indexOf(Control::topSpacingList)] = placed(
        makeDropDown(
            globalGroup, QStringLiteral("组合框1"),
            {QStringLiteral("默认"), QStringLiteral("-10"), QStringLiteral("-20"), QStringLiteral("自定义")}),
        globalGroupOrigin, 598, 31, 60, 20);
    QLineEdit* topSpacingBox =
        placed(makeLineEdit(globalGroup, QStringLiteral("编辑框3"), QStringLiteral("0")), globalGroupOrigin,
               664, 31, 50, 20);
    topSpacingBox->setVisible(false);
    topSpacingBox->setEnabled(false);
    c[indexOf(Control::topSpacingBox)] = topSpacingBox;

    auto* inputGroup = placed(makeGroup(window, QStringLiteral("分组框2"), toQString(inputCaptions[0])),
                              windowOrigin, 8, 72, 730, 211);
    c[indexOf(Control::inputGroup)] = inputGroup;
    c[indexOf(Control::codeInputBox)] =
        placed(makeMultiLineEdit(inputGroup, QStringLiteral("编辑框4")), inputGroupOrigin, 20, 89, 704, 178);

    auto* outputGroup = placed(makeGroup(window, QStringLiteral("分组框3"), QStringLiteral("代码输出")),
                               windowOrigin, 8, 291, 730, 138);
    // Reaches 5 pixels above the group's top edge; the group clips that strip, as a native
    // child window would be clipped.
    QLabel* statusLine =
        placed(makeLabel(outputGroup, QStringLiteral("透明标签生成结果"), toQString(successText)),
               outputGroupOrigin, 195, 286, 328, 24);
    QPalette red = statusLine->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    statusLine->setPalette(red);
    statusLine->setVisible(false);
    c[indexOf(Control::statusLine)] = statusLine;
    c[indexOf(Control::outputBox)] = placed(makeMultiLineEdit(outputGroup, QStringLiteral("编辑框6")),
                                            outputGroupOrigin, 22, 310, 602, 103);
    QPushButton* generateButton =
        placed(makeButton(outputGroup, QStringLiteral("按钮3"), toQString(firstGenerateCaption)),
               outputGroupOrigin, 641, 326, 80, 30);
    generateButton->setFont(smallFont(generateButton->font(), true));
    c[indexOf(Control::generateButton)] = generateButton;
    c[indexOf(Control::previewButton)] =
        placed(makeButton(outputGroup, QStringLiteral("按钮6"), QStringLiteral("预览结果")),
               outputGroupOrigin, 641, 371, 80, 30);

    statusTimer = named(new QTimer(window), QStringLiteral("时钟1"));
    statusTimer->setInterval(statusTimerPeriodMs);

    applyClassicStyle(window);
}

}  // namespace zelvo
