#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "templates/http_get.h"
#include "tests/support/silent_listener.h"
#include "ui/qt/qt_generator_window.h"
#include "window_test_support.h"

using zelvo::Control;
using zelvo::QtGeneratorWindow;
using zelvo::TemplateSlot;
using zelvo::Text;

namespace {

const QString basicCaption = QStringLiteral("代码输入（将生成好的代码安装到750区,并生成点位符代码放190区）");
const QString professionalCaption = QStringLiteral("代码输入（将生成好的代码安装到950区）");
const QString tmallCaption = QStringLiteral("代码输入（将生成好的代码安装到990区）");

// Sends each character as a key press that carries it, as an input method would; QTest's own
// keyClicks takes Latin-1 only.
void typeText(QWidget* target, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() ? 2 : 1;
        const QString character = text.mid(i, length);
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, character);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, character);
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
        i += length - 1;
    }
}

}  // namespace

class GeneratorWindowTest : public QObject {
    Q_OBJECT

  public slots:
    void recordOpenedUrl(const QUrl& url) { openedUrls_.append(url); }

  private slots:
    void initTestCase() {
        QVERIFY(server_.port() != 0);
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "recordOpenedUrl");
    }

    void init() {
        directory_ = std::make_unique<QTemporaryDir>();
        QVERIFY(directory_->isValid());
        openedUrls_.clear();
        const std::string address = "127.0.0.1:" + std::to_string(server_.port());
        window_ = std::make_unique<QtGeneratorWindow>(
            zelvo::GeneratorWindowSetup{{"http://" + address, address}, directory_->path().toStdString()});
        window_->show();
        QApplication::setActiveWindow(window_.get());
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }

    void cleanup() {
        window_.reset();
        directory_.reset();
    }

    void windowProperties() {
        QCOMPARE(window_->windowTitle(), QStringLiteral("Zelvo全屏代码生成"));
        // The outer size counts the frame that the platform reports; without one, the client area
        // is that of a 754 x 468 window with a standard frame.
        if (window_->windowHandle()->frameMargins().isNull()) {
            QCOMPARE(window_->size(), QSize(738, 429));
        } else {
            QCOMPARE(window_->frameGeometry().size(), QSize(754, 468));
        }
        QCOMPARE(window_->minimumSize(), window_->maximumSize());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(window_->pos(), QPoint((screen.width() - 754) / 2, (screen.height() - 468) / 2));
        const Qt::WindowFlags flags = window_->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(window_->autoFillBackground());
        QCOMPARE(window_->palette().color(QPalette::Window), QColor(255, 255, 255));
    }

    void controlsStartInTheirPlaces_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parentName");
        QTest::addColumn<QRect>("place");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("text");

        struct Row {
            const char16_t* name;
            const char16_t* parent;
            QRect place;
            bool visible;
            bool enabled;
            const char16_t* text;
        };
        // Places relative to the parent: the window place minus the group box's place.
        const Row rows[] = {
            {u"分组框1", u"", {10, 8, 730, 58}, true, true, u"全局配置"},
            {u"组合框2", u"分组框1", {30, 23, 93, 20}, true, true, u"生成专业版"},
            {u"标签2", u"分组框1", {155, 21, 42, 24}, true, true, u"偏移量"},
            {u"编辑框5", u"分组框1", {204, 21, 43, 24}, true, true, u"-960"},
            {u"透明标签1", u"分组框1", {277, 22, 50, 20}, true, true, u"模块尺寸"},
            {u"编辑框1", u"分组框1", {332, 21, 50, 24}, true, true, u"1920"},
            {u"透明标签2", u"分组框1", {390, 22, 42, 20}, true, true, u"宽×高"},
            {u"编辑框2", u"分组框1", {433, 21, 50, 24}, true, true, u"500"},
            {u"透明标签3", u"分组框1", {488, 24, 14, 20}, true, true, u"PX"},
            {u"透明标签4", u"分组框1", {538, 22, 40, 20}, true, true, u"上间距"},
            {u"组合框1", u"分组框1", {588, 23, 60, 20}, true, true, u"默认"},
            {u"编辑框3", u"分组框1", {654, 23, 50, 20}, false, false, u"0"},
            {u"分组框2", u"", {8, 72, 730, 211}, true, true, u"代码输入（将生成好的代码安装到950区）"},
            {u"编辑框4", u"分组框2", {12, 17, 704, 178}, true, true, u""},
            {u"分组框3", u"", {8, 291, 730, 138}, true, true, u"代码输出"},
            {u"透明标签生成结果",
             u"分组框3",
             {187, -5, 328, 24},
             false,
             true,
             u"恭喜亲！代码制作成功并已完成复制，安装后即可大功告成！"},
            {u"编辑框6", u"分组框3", {14, 19, 602, 103}, true, true, u""},
            {u"按钮3", u"分组框3", {633, 35, 80, 30}, true, true, u"生成并复制"},
            {u"按钮6", u"分组框3", {633, 80, 80, 30}, true, true, u"预览结果"},
        };
        for (const Row& row : rows) {
            const QString name = QString::fromUtf16(row.name);
            QTest::newRow(name.toUtf8().constData())
                << name << QString::fromUtf16(row.parent) << row.place << row.visible << row.enabled
                << QString::fromUtf16(row.text);
        }
    }

    void controlsStartInTheirPlaces() {
        QFETCH(QString, name);
        QFETCH(QString, parentName);
        QFETCH(QRect, place);
        QFETCH(bool, visible);
        QFETCH(bool, enabled);
        QFETCH(QString, text);

        auto* control = window_->findChild<QWidget*>(name);
        QVERIFY(control != nullptr);
        QCOMPARE(control->parentWidget()->objectName(), parentName);
        QCOMPARE(control->geometry(), place);
        QCOMPARE(control->isVisibleTo(window_.get()), visible);
        QCOMPARE(control->isEnabled(), enabled);
        if (auto* box = qobject_cast<QLineEdit*>(control)) {
            QCOMPARE(box->text(), text);
        } else if (auto* box = qobject_cast<QPlainTextEdit*>(control)) {
            QCOMPARE(box->toPlainText(), text);
        } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
            QCOMPARE(group->title(), text);
        } else if (auto* label = qobject_cast<QLabel*>(control)) {
            QCOMPARE(label->text(), text);
        } else if (auto* button = qobject_cast<QPushButton*>(control)) {
            QCOMPARE(button->text(), text);
        } else if (auto* list = qobject_cast<QComboBox*>(control)) {
            QCOMPARE(list->currentText(), text);
        } else {
            QFAIL("unexpected kind of control");
        }
    }

    void controlLooks() {
        QCOMPARE(listItems(u"组合框2"),
                 QStringList({QStringLiteral("生成专业版"), QStringLiteral("生成基础版"),
                              QStringLiteral("生成天猫版")}));
        QCOMPARE(listItems(u"组合框1"), QStringList({QStringLiteral("默认"), QStringLiteral("-10"),
                                                     QStringLiteral("-20"), QStringLiteral("自定义")}));
        QVERIFY(!find<QComboBox>(u"组合框2")->isEditable());

        const QFont buttonFont = find<QPushButton>(u"按钮3")->font();
        QVERIFY(buttonFont.bold());
        QCOMPARE(buttonFont.pixelSize(), 12);
        const QFont unitFont = find<QLabel>(u"透明标签3")->font();
        QVERIFY(!unitFont.bold());
        QCOMPARE(unitFont.pixelSize(), 12);
        QCOMPARE(find<QPushButton>(u"按钮6")->font(), window_->font());

        QCOMPARE(find<QLabel>(u"透明标签生成结果")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(find<QLabel>(u"标签2")->autoFillBackground());
        QVERIFY(!find<QLabel>(u"透明标签1")->autoFillBackground());
        for (const char16_t* name : {u"编辑框4", u"编辑框6"}) {
            auto* box = find<QPlainTextEdit>(name);
            QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            QCOMPARE(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
            QCOMPARE(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        }
        // No limit of the program's own on a single-line box.
        QVERIFY(find<QLineEdit>(u"编辑框1")->maxLength() > 1'000'000);
        QVERIFY(!find<QPushButton>(u"按钮3")->isDefault() && !find<QPushButton>(u"按钮3")->autoDefault());
    }

    void settingsStartAtTheFormDefaults() {
        const zelvo::GeneratorSettings settings = window_->behaviour().settings();
        QCOMPARE(settings.edition, 0);
        QCOMPARE(settings.width, Text("1920"));
        QCOMPARE(settings.height, Text("500"));
        QCOMPARE(settings.offset, Text("-960"));
        QCOMPARE(settings.topSpacingPreset, 0);
        QCOMPARE(settings.topSpacing, Text("0"));
    }

    void controlOperationsConvertAtTheBoundary() {
        // Typed text outside GBK survives the round trip through the logic's byte strings.
        auto* input = find<QPlainTextEdit>(u"编辑框4");
        input->setFocus();
        typeText(input, QStringLiteral("生成😀"));
        QTest::keyClick(input, Qt::Key_Return);
        typeText(input, QStringLiteral("x\u00A0y"));
        const Text code = window_->controls().text(Control::codeInputBox);
        QCOMPARE(QByteArray::fromStdString(code),
                 QByteArray("\xC9\xFA\xB3\xC9\x94\x39\xFC\x36\nx\x81\x30\x84\x32y"));

        window_->controls().setText(Control::outputBox, code);
        QCOMPARE(find<QPlainTextEdit>(u"编辑框6")->toPlainText(), QStringLiteral("生成😀\nx y"));
        window_->controls().setText(Control::statusLine, "\xD5\xFD\xD4\xDA");  // "正在"
        QCOMPARE(find<QLabel>(u"透明标签生成结果")->text(), QStringLiteral("正在"));

        window_->controls().setBold(Control::generateButton, false);
        QVERIFY(!find<QPushButton>(u"按钮3")->font().bold());
        QCOMPARE(find<QPushButton>(u"按钮3")->font().pixelSize(), 12);
        window_->controls().setEnabled(Control::generateButton, false);
        QVERIFY(!find<QPushButton>(u"按钮3")->isEnabled());
        window_->controls().setText(Control::generateButton, "\xC9\xFA\xB3\xC9");
        QCOMPARE(find<QPushButton>(u"按钮3")->text(), QStringLiteral("生成"));
    }

    // Only the box's own line breaks become "\n", whichever way they were written; a U+2028 that
    // the user pasted is a character of their code and reaches the logic as itself.
    void onlyLineBreaksBecomeLineFeeds() {
        auto* input = find<QPlainTextEdit>(u"编辑框4");
        input->setFocus();
        QApplication::clipboard()->setText(QStringLiteral("a\u2028b\r\nc\rd\u2029e\u00A0"));
        QTest::keyClick(input, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(QByteArray::fromStdString(window_->controls().text(Control::codeInputBox)),
                 QByteArray("a\x81\x36\xA6\x35"
                            "b\nc\nd\ne\x81\x30\x84\x32"));

        const Text generated = "x\x81\x36\xA6\x35y\nz";
        window_->controls().setText(Control::outputBox, generated);
        QCOMPARE(window_->controls().text(Control::outputBox), generated);
    }

    void editionRuleRunsOnEveryPick() {
        auto* offset = find<QLineEdit>(u"编辑框5");
        auto* input = find<QGroupBox>(u"分组框2");

        // A hand-typed offset changes nothing else, and picking the selected edition replaces it.
        offset->setFocus();
        QTest::keyClick(offset, Qt::Key_End);
        QTest::keyClicks(offset, QStringLiteral("5"));
        QCOMPARE(offset->text(), QStringLiteral("-9605"));
        QCOMPARE(find<QLineEdit>(u"编辑框1")->text(), QStringLiteral("1920"));
        pick(u"组合框2", 0);
        QCOMPARE(offset->text(), QStringLiteral("-960"));
        QCOMPARE(input->title(), professionalCaption);

        pick(u"组合框2", 1);
        QCOMPARE(offset->text(), QStringLiteral("-1060"));
        QCOMPARE(input->title(), basicCaption);
        QCOMPARE(find<QLineEdit>(u"编辑框1")->text(), QStringLiteral("1920"));

        pick(u"组合框2", 2);
        QCOMPARE(offset->text(), QStringLiteral("-960"));
        QCOMPARE(input->title(), tmallCaption);
    }

    void editionPickWritesTheOffsetOfTheCurrentWidth() {
        auto* width = find<QLineEdit>(u"编辑框1");
        width->setFocus();
        QTest::keyClick(width, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(width, QStringLiteral("500"));
        QCOMPARE(find<QLineEdit>(u"编辑框5")->text(), QStringLiteral("-250"));
        pick(u"组合框2", 1);
        QCOMPARE(find<QLineEdit>(u"编辑框5")->text(), QStringLiteral("-350"));
        width->setFocus();
        QTest::keyClick(width, Qt::Key_End);
        QTest::keyClick(width, Qt::Key_Backspace);
        QCOMPARE(find<QLineEdit>(u"编辑框5")->text(), QStringLiteral("-125"));
    }

    void widthRuleRunsOncePerUserChange() {
        auto* width = find<QLineEdit>(u"编辑框1");
        QSignalSpy offsetWrites(find<QLineEdit>(u"编辑框5"), &QLineEdit::textChanged);
        width->setFocus();

        QTest::keyClick(width, Qt::Key_End);
        QTest::keyClicks(width, QStringLiteral("2"));
        QCOMPARE(offsetTexts(offsetWrites), QStringList({QStringLiteral("-9601")}));

        offsetWrites.clear();
        QTest::keyClick(width, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(width, QStringLiteral("195"));
        QCOMPARE(offsetTexts(offsetWrites),
                 QStringList({QStringLiteral("-0.5"), QStringLiteral("-9.5"), QStringLiteral("-97.5")}));

        // A paste is one change, computed from the text after it.
        offsetWrites.clear();
        QApplication::clipboard()->setText(QStringLiteral("500"));
        QTest::keyClick(width, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(width, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(width->text(), QStringLiteral("500"));
        QCOMPARE(offsetTexts(offsetWrites), QStringList({QStringLiteral("-250")}));

        // Full-width digits reach the logic as GBK and are read as a number.
        QTest::keyClick(width, Qt::Key_A, Qt::ControlModifier);
        typeText(width, QStringLiteral("１９２０"));
        QCOMPARE(find<QLineEdit>(u"编辑框5")->text(), QStringLiteral("-960"));
    }

    void widthWithoutANumber_data() {
        QTest::addColumn<int>("edition");
        QTest::addColumn<QString>("offset");
        QTest::newRow("professional") << 0 << QStringLiteral("0");
        QTest::newRow("basic") << 1 << QStringLiteral("-100");
        QTest::newRow("tmall") << 2 << QStringLiteral("0");
    }

    void widthWithoutANumber() {
        QFETCH(int, edition);
        QFETCH(QString, offset);
        pick(u"组合框2", edition);
        auto* width = find<QLineEdit>(u"编辑框1");
        width->setFocus();
        QTest::keyClick(width, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(width, QStringLiteral("abc"));
        QCOMPARE(find<QLineEdit>(u"编辑框5")->text(), offset);
        QTest::keyClick(width, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(width, Qt::Key_Delete);
        QCOMPARE(width->text(), QString());
        QCOMPARE(find<QLineEdit>(u"编辑框5")->text(), offset);
    }

    void topSpacingPresets() {
        auto* box = find<QLineEdit>(u"编辑框3");
        pick(u"组合框1", 3);
        QVERIFY(box->isVisible());
        QVERIFY(box->isEnabled());
        QCOMPARE(box->text(), QStringLiteral("-"));

        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("7"));
        QCOMPARE(window_->behaviour().settings().topSpacing, Text("-7"));

        pick(u"组合框1", 0);
        QVERIFY(!box->isVisible());
        QVERIFY(box->isEnabled());
        QCOMPARE(box->text(), QStringLiteral("0"));

        pick(u"组合框1", 2);
        QVERIFY(!box->isVisible());
        QCOMPARE(window_->behaviour().settings().topSpacing, Text("-20"));

        pick(u"组合框1", 3);
        QVERIFY(box->isVisible());
        QCOMPARE(box->text(), QStringLiteral("-"));
        QCOMPARE(find<QLineEdit>(u"编辑框5")->text(), QStringLiteral("-960"));
    }

    void tabCycle_data() {
        QTest::addColumn<bool>("custom");
        QTest::addColumn<QStringList>("cycle");
        QStringList cycle{QStringLiteral("按钮3"),   QStringLiteral("按钮6"),   QStringLiteral("编辑框6"),
                          QStringLiteral("编辑框4"), QStringLiteral("编辑框1"), QStringLiteral("编辑框2"),
                          QStringLiteral("组合框1"), QStringLiteral("编辑框5"), QStringLiteral("组合框2")};
        QTest::newRow("default top spacing") << false << cycle;
        cycle.insert(7, QStringLiteral("编辑框3"));
        QTest::newRow("custom top spacing") << true << cycle;
    }

    void tabCycle() {
        QFETCH(bool, custom);
        QFETCH(QStringList, cycle);
        if (custom) {
            pick(u"组合框1", 3);
        }
        find<QPushButton>(u"按钮3")->setFocus();

        QStringList forward;
        for (qsizetype i = 0; i < cycle.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            forward.append(QApplication::focusWidget()->objectName());
        }
        QCOMPARE(forward, cycle.mid(1) + cycle.mid(0, 1));

        QStringList backward;
        for (qsizetype i = 0; i < cycle.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            backward.append(QApplication::focusWidget()->objectName());
        }
        QStringList reversed(cycle.rbegin(), cycle.rend());
        QCOMPARE(backward, reversed);

        // Passing through the multi-line boxes typed no tab into them.
        QCOMPARE(find<QPlainTextEdit>(u"编辑框4")->toPlainText(), QString());
        QCOMPARE(find<QPlainTextEdit>(u"编辑框6")->toPlainText(), QString());
    }

    void tabSkipsTheTopSpacingBoxAgainAfterDefault() {
        pick(u"组合框1", 3);
        pick(u"组合框1", 0);
        find<QComboBox>(u"组合框1")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("编辑框5"));
    }

    void enterBreaksLinesOnlyInTheMultiLineBoxes() {
        for (const char16_t* name : {u"编辑框4", u"编辑框6"}) {
            auto* box = find<QPlainTextEdit>(name);
            box->setFocus();
            QTest::keyClicks(box, QStringLiteral("a"));
            QTest::keyClick(box, Qt::Key_Return);
            QTest::keyClicks(box, QStringLiteral("b"));
            QCOMPARE(box->toPlainText(), QStringLiteral("a\nb"));
        }

        auto* width = find<QLineEdit>(u"编辑框1");
        width->setFocus();
        QTest::keyClick(width, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), width);
        QCOMPARE(width->text(), QStringLiteral("1920"));
        QCOMPARE(find<QLineEdit>(u"编辑框5")->text(), QStringLiteral("-960"));

        // Enter presses no button; Space does.
        auto* preview = find<QPushButton>(u"按钮6");
        preview->setFocus();
        QTest::keyClick(preview, Qt::Key_Return);
        QTest::keyClick(preview, Qt::Key_Enter);
        QCOMPARE(openedUrls_.size(), 0);
        QCOMPARE(QApplication::focusWidget(), preview);
        QTest::keyClick(preview, Qt::Key_Space);
        QCOMPARE(openedUrls_.size(), 1);
        QCOMPARE(openedUrls_.front(), QUrl::fromLocalFile(directory_->filePath(QStringLiteral("yl.htm"))));
    }

    void arrowKeysNeverMoveTheFocus() {
        for (const char16_t* name : {u"按钮3", u"按钮6", u"编辑框1", u"编辑框4"}) {
            auto* control = find<QWidget>(name);
            control->setFocus();
            for (Qt::Key key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Left, Qt::Key_Up, Qt::Key_Right}) {
                QTest::keyClick(control, key);
                QCOMPARE(QApplication::focusWidget(), control);
            }
        }
        // Inside a drop-down they act: Down picks the next edition and runs its rule.
        auto* edition = find<QComboBox>(u"组合框2");
        edition->setFocus();
        QTest::keyClick(edition, Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), edition);
        QCOMPARE(edition->currentIndex(), 1);
        QCOMPARE(find<QLineEdit>(u"编辑框5")->text(), QStringLiteral("-1060"));
    }

    void doubleClickEmptiesOnlyTheInputBox() {
        auto* input = find<QPlainTextEdit>(u"编辑框4");
        auto* output = find<QPlainTextEdit>(u"编辑框6");
        input->setPlainText(QStringLiteral("<div>code</div>"));
        output->setPlainText(QStringLiteral("output"));

        QTest::mouseDClick(output->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(output->toPlainText(), QStringLiteral("output"));
        QTest::mouseDClick(input->viewport(), Qt::RightButton, {}, QPoint(20, 10));
        QCOMPARE(input->toPlainText(), QStringLiteral("<div>code</div>"));

        QTest::mouseDClick(input->viewport(), Qt::LeftButton, {}, QPoint(300, 150));
        QCOMPARE(input->toPlainText(), QString());
        QCOMPARE(output->toPlainText(), QStringLiteral("output"));
        QCOMPARE(window_->behaviour().settings().offset, Text("-960"));
        QVERIFY(!find<QLabel>(u"透明标签生成结果")->isVisibleTo(window_.get()));
    }

    void timerHidesTheStatusLine() {
        auto* timer = window_->findChild<QTimer*>(QStringLiteral("时钟1"));
        QVERIFY(timer != nullptr);
        QCOMPARE(timer->interval(), 6000);
        QVERIFY(timer->isActive());
        QVERIFY(!timer->isSingleShot());

        auto* status = find<QLabel>(u"透明标签生成结果");
        window_->controls().setVisible(Control::statusLine, true);
        QVERIFY(status->isVisible());
        tick(timer);
        QVERIFY(!status->isVisible());
        tick(timer);
        QVERIFY(!status->isVisible());
        QCOMPARE(status->text(), QStringLiteral("恭喜亲！代码制作成功并已完成复制，安装后即可大功告成！"));
        QVERIFY(timer->isActive());
    }

    void resultsFromAnotherThreadLandInTheStore() {
        const Text tmallTemplate = "\xCC\xEC\xC3\xA8 \xBF\xED\xB6\xC8";  // "天猫 宽度"
        std::thread worker([handOver = window_->desktop().templateHandOver(), tmallTemplate] {
            handOver(TemplateSlot::previewTmb, tmallTemplate);
        });
        worker.join();
        // Queued to the window's thread: nothing is stored until its event loop runs.
        QCOMPARE(window_->behaviour().templates().get(TemplateSlot::previewTmb), Text());
        QTRY_COMPARE(window_->behaviour().templates().get(TemplateSlot::previewTmb), tmallTemplate);
    }

    void escapeClosesFromAnyControl_data() {
        QTest::addColumn<QString>("name");
        for (const char* name : {"编辑框4", "编辑框1", "组合框2", "按钮6", "编辑框6"}) {
            QTest::newRow(name) << QString::fromUtf8(name);
        }
    }

    void escapeClosesFromAnyControl() {
        QFETCH(QString, name);
        const QString previewPath = directory_->filePath(QStringLiteral("yl.htm"));
        QVERIFY(window_->desktop().previewFile().write({'p'}));
        QVERIFY(QFile::exists(previewPath));

        auto* control = window_->findChild<QWidget*>(name);
        control->setFocus();
        QTest::keyClicks(control, QStringLiteral("ab"));
        QTest::keyClick(control, Qt::Key_Escape);

        QVERIFY(!window_->isVisible());
        QVERIFY(!QFile::exists(previewPath));
        expectNoResultStored();
    }

    void closingDropsResultsAlreadyUnderWay() {
        // Posted before the close, delivered after it.
        std::thread([handOver = window_->desktop().templateHandOver()] {
            handOver(TemplateSlot::jsb, "late");
        }).join();
        window_->close();
        QVERIFY(!window_->isVisible());
        QCoreApplication::sendPostedEvents();
        QCOMPARE(window_->behaviour().templates().get(TemplateSlot::jsb), Text());
    }

  private:
    template <class T>
    T* find(const char16_t* name) const {
        return zelvo::test::findControl<T>(*window_, name);
    }

    QStringList listItems(const char16_t* name) const {
        QStringList items;
        auto* list = find<QComboBox>(name);
        for (int i = 0; i < list->count(); ++i) {
            items.append(list->itemText(i));
        }
        return items;
    }

    // Opens the drop-down with the mouse and commits an item with Enter, as a user would.
    void pick(const char16_t* name, int item) {
        auto* list = find<QComboBox>(name);
        QTest::mouseClick(list, Qt::LeftButton);
        QTRY_VERIFY(list->view()->isVisible());
        list->view()->setCurrentIndex(list->model()->index(item, 0));
        QTest::keyClick(list->view(), Qt::Key_Return);
        QTRY_VERIFY(!list->view()->isVisible());
        QCOMPARE(list->currentIndex(), item);
    }

    static QStringList offsetTexts(const QSignalSpy& spy) {
        QStringList texts;
        for (const QList<QVariant>& arguments : spy) {
            texts.append(arguments.front().toString());
        }
        return texts;
    }

    static void tick(QTimer* timer) {
        QTimerEvent event(timer->timerId());
        QCoreApplication::sendEvent(timer, &event);
    }

    // A result handed over after the closing steps never reaches the store.
    void expectNoResultStored() {
        std::thread([handOver = window_->desktop().templateHandOver()] {
            handOver(TemplateSlot::tmb, "after");
        }).join();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QCOMPARE(window_->behaviour().templates().get(TemplateSlot::tmb), Text());
    }

    SilentListener server_;
    std::unique_ptr<QTemporaryDir> directory_;
    std::unique_ptr<QtGeneratorWindow> window_;
    QList<QUrl> openedUrls_;
};

int main(int argc, char** argv) {
    return zelvo::test::runWindowTest<GeneratorWindowTest>(argc, argv);
}

#include "generator_window_test.moc"
