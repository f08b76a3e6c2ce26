#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>
#include <variant>

#include "generator/code_generator.h"
#include "templates/http_get.h"
#include "tests/support/silent_listener.h"
#include "ui/qt/qt_generator_window.h"
#include "ui/qt/text_boundary.h"
#include "window_test_support.h"

using zelvo::Control;
using zelvo::QtGeneratorWindow;
using zelvo::TemplateSlot;
using zelvo::Text;

namespace {

const Text codeMarker(zelvo::codeMarker);
const Text widthPlaceholder(zelvo::widthPlaceholder);
const QString successText = QStringLiteral("恭喜亲！代码制作成功并已完成复制，安装后即可大功告成！");
const QString waitingText = QStringLiteral("正在读取服务器文件，请稍候数秒再试，不影响您配置代码！");

// What the generate button looked like at one moment.
struct ButtonLook {
    QString caption;
    bool bold = false;
    bool enabled = false;
    bool operator==(const ButtonLook&) const = default;
};

}  // namespace

class GenerateAndCopyTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        directory_ = std::make_unique<QTemporaryDir>();
        QVERIFY(directory_->isValid());
        const std::string address = "127.0.0.1:" + std::to_string(server_.port());
        window_ = std::make_unique<QtGeneratorWindow>(
            zelvo::GeneratorWindowSetup{{"http://" + address, address}, directory_->path().toStdString()});
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QGuiApplication::clipboard()->setText(QStringLiteral("held before"));
    }

    void cleanup() {
        window_.reset();
        directory_.reset();
    }

    void withoutTheTemplateOnlyTheWaitingTextShows() {
        writePreviewFile("earlier page");
        setOutput(QStringLiteral("earlier output"));
        // The Tmall template has arrived, the professional edition's has not.
        handOver(TemplateSlot::tmb, "T" + codeMarker);

        press();

        QVERIFY(statusLine()->isVisible());
        QCOMPARE(statusLine()->text(), waitingText);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("held before"));
        QCOMPARE(output()->toPlainText(), QStringLiteral("earlier output"));
        QCOMPARE(previewFileBytes(), QByteArray("earlier page"));
        QCOMPARE(look(), (ButtonLook{QStringLiteral("生成并复制"), true, true}));
    }

    void onePressGeneratesCopiesWritesAndShows() {
        handOver(TemplateSlot::jsb,
                 "<div style=\"width:" + widthPlaceholder + "px\">" + codeMarker + "</div>");
        handOver(TemplateSlot::previewJsb, "<body>537206418</body>");
        typeCode(QStringLiteral("<p>hi</p>"));

        press();

        const QString expected = QStringLiteral("<div style=\"width:1920px\"><p>hi</p></div>");
        QCOMPARE(output()->toPlainText(), expected);
        QCOMPARE(QGuiApplication::clipboard()->text(), output()->toPlainText());
        QCOMPARE(previewFileBytes(), QByteArray("<body>") + expected.toLatin1() + QByteArray("</body>"));
        QCOMPARE(look(), (ButtonLook{QStringLiteral("生成与复制"), true, true}));
        QVERIFY(statusLine()->isVisible());
        QCOMPARE(statusLine()->text(), successText);
    }

    void theBusyLookHoldsWhileTheGenerationRuns() {
        handOver(TemplateSlot::jsb, codeMarker);
        std::optional<ButtonLook> lookWhileCopying;
        bool statusShownWhileCopying = false;
        bool outputEmptyWhileCopying = false;
        QObject connectionScope;  // the connection ends with this test, before its locals go
        connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, &connectionScope, [&] {
            lookWhileCopying = look();
            statusShownWhileCopying = statusLine()->isVisible() && statusLine()->text() == successText;
            outputEmptyWhileCopying = output()->toPlainText().isEmpty();
        });

        press();

        QVERIFY(lookWhileCopying.has_value());
        QCOMPARE(*lookWhileCopying, (ButtonLook{QStringLiteral("使劲生成中"), false, false}));
        QVERIFY(statusShownWhileCopying);
        QVERIFY(outputEmptyWhileCopying);
        QCOMPARE(look(), (ButtonLook{QStringLiteral("生成与复制"), true, true}));
    }

    // Going disabled hands the button's focus on; after the press it is the button's again.
    void theFocusReturnsToTheButtonAfterAGeneration_data() {
        QTest::addColumn<bool>("bySpace");
        QTest::newRow("mouse click") << false;
        QTest::newRow("Space") << true;
    }

    void theFocusReturnsToTheButtonAfterAGeneration() {
        QFETCH(bool, bySpace);
        QApplication::setActiveWindow(window_.get());
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        handOver(TemplateSlot::jsb, codeMarker);
        auto* button = find<QPushButton>(u"按钮3");
        bool focusMovedWhileBusy = false;
        QObject connectionScope;
        connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, &connectionScope,
                [&] { focusMovedWhileBusy = QApplication::focusWidget() != button; });

        if (bySpace) {
            button->setFocus();
            QTest::keyClick(button, Qt::Key_Space);
        } else {
            press();
        }

        QVERIFY(focusMovedWhileBusy);  // the fault this guards against is real
        QCOMPARE(look(), (ButtonLook{QStringLiteral("生成与复制"), true, true}));
        QCOMPARE(QApplication::focusWidget(), button);
    }

    void aSecondGenerationReplacesAllThreeResults() {
        handOver(TemplateSlot::jsb, "[" + codeMarker + "]");
        handOver(TemplateSlot::previewJsb, "537206418");
        typeCode(QStringLiteral("a long first piece of code"));
        press();
        QCOMPARE(output()->toPlainText(), QStringLiteral("[a long first piece of code]"));

        QTest::mouseDClick(codeInput()->viewport(), Qt::LeftButton);
        typeCode(QStringLiteral("x"));
        press();

        QCOMPARE(output()->toPlainText(), QStringLiteral("[x]"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("[x]"));
        QCOMPARE(previewFileBytes(), QByteArray("[x]"));
    }

    void anEmptyPreviewTemplateWritesAnEmptyFile() {
        writePreviewFile("earlier page");
        handOver(TemplateSlot::jsb, codeMarker);

        press();

        QVERIFY(QFile::exists(previewPath()));
        QCOMPARE(previewFileBytes(), QByteArray());
        QCOMPARE(output()->toPlainText(), QString());
    }

    void chineseAndEmojiComeBackUnchanged() {
        handOver(TemplateSlot::jsb, "<" + codeMarker + ">");
        const QString userCode = QStringLiteral("<b>全屏海报 宽度 537206418</b> 😀 𠀀");
        QGuiApplication::clipboard()->setText(userCode);
        codeInput()->setFocus();
        QTest::keyClick(codeInput(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(codeInput()->toPlainText(), userCode);

        press();

        QCOMPARE(QGuiApplication::clipboard()->text(), QLatin1Char('<') + userCode + QLatin1Char('>'));
        QCOMPARE(output()->toPlainText(), QGuiApplication::clipboard()->text());
    }

    void theGeneratedCodeFollowsTheSettingsOnScreen() {
        handOver(TemplateSlot::tmb, widthPlaceholder +
                                        "|\xB8\xDF\xB6\xC8|\xC6\xAB\xD2\xC6|\xBE\xE0\xB6\xA5|" +
                                        codeMarker);  // 宽度|高度|偏移|距顶|marker
        window_->findChild<QComboBox*>(QStringLiteral("组合框2"))->setCurrentIndex(2);
        setBox(u"编辑框1", QStringLiteral("990"));
        setBox(u"编辑框2", QStringLiteral("300"));
        setBox(u"编辑框5", QStringLiteral("-495"));
        window_->controls().setText(Control::topSpacingBox, "-10");  // hidden: the preset writes it
        typeCode(QStringLiteral("c"));

        press();

        QCOMPARE(output()->toPlainText(), QStringLiteral("990|300|-495|-10|c"));
    }

    // Template bytes that are not GBK reach the preview file as they are; the output box and the
    // clipboard show each bad byte, and a lead byte left alone at the end, as U+FFFD. A zero byte
    // ends a downloaded text.
    void bytesThatAreNotGbkGoThroughWithoutHarm() {
        const zelvo::Bytes downloaded{'<', '\x80', '>', '\xFF', ' '};
        Text code = zelvo::bytesToText(downloaded) + codeMarker + "\x81";
        handOver(TemplateSlot::jsb, code);
        handOver(TemplateSlot::previewJsb,
                 zelvo::bytesToText({'[', '5', '3', '7', '2', '0', '6', '4', '1', '8', ']', '\0', 'z'}));
        typeCode(QStringLiteral("ok"));

        press();

        const QString bad(QChar(0xFFFD));
        const QString shown =
            QStringLiteral("<") + bad + QStringLiteral(">") + bad + QStringLiteral(" ok") + bad;
        QCOMPARE(output()->toPlainText(), shown);
        QCOMPARE(QGuiApplication::clipboard()->text(), shown);
        QCOMPARE(previewFileBytes(), QByteArray("[<\x80>\xFF ok\x81]"));
        QCOMPARE(look(), (ButtonLook{QStringLiteral("生成与复制"), true, true}));
    }

    // A preview file that can't be written is passed over silently: the rest still happens.
    void anUnwritablePreviewFileStopsNothingElse() {
        QVERIFY(QDir(directory_->path()).mkdir(QStringLiteral("yl.htm")));
        handOver(TemplateSlot::jsb, "<" + codeMarker + ">");
        handOver(TemplateSlot::previewJsb, "537206418");
        typeCode(QStringLiteral("c"));

        press();

        QCOMPARE(output()->toPlainText(), QStringLiteral("<c>"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("<c>"));
        QCOMPARE(look(), (ButtonLook{QStringLiteral("生成与复制"), true, true}));
        QVERIFY(QFileInfo(previewPath()).isDir());
    }

    // 50 MiB of user code: the generation completes and the window takes input again.
    void aFiftyMebibyteCodeIsGeneratedWhole() {
        handOver(TemplateSlot::jsb, "<" + codeMarker + ">");
        const Text line = "<div class=\"item\"><img src=\"data:image/png;base64,iVBORw0KGgo\"></div>\n";
        Text userCode;
        userCode.reserve((50u << 20) + line.size());
        while (userCode.size() < (50u << 20)) {
            userCode += line;
        }
        window_->controls().setText(Control::codeInputBox, userCode);

        press();

        const Text generated = window_->controls().text(Control::outputBox);
        QCOMPARE(generated.size(), userCode.size() + 2);
        QVERIFY(generated == "<" + userCode + ">");
        QCOMPARE(look(), (ButtonLook{QStringLiteral("生成与复制"), true, true}));
        QTest::mouseDClick(codeInput()->viewport(), Qt::LeftButton);
        QCOMPARE(codeInput()->toPlainText(), QString());
    }

    // A long word with no break in it (a pasted base64 image) is laid out in linear time.
    void aLongUnbrokenWordIsShownWithoutStalling() {
        handOver(TemplateSlot::jsb, codeMarker);
        const Text word(4u << 20, 'A');
        window_->controls().setText(Control::codeInputBox, word);
        press();
        QCOMPARE(window_->controls().text(Control::outputBox).size(), word.size());
    }

    // A long pasted line is shown in display pieces, yet the logic reads it exactly, and what a
    // user copies from the output box is exactly the generated code.
    void aLongPastedLineIsGeneratedAndCopiedExactly() {
        handOver(TemplateSlot::jsb, "<" + codeMarker + ">");
        QString line;
        while (line.size() < (1 << 20)) {
            line += QStringLiteral("<a href=\"#\">全屏海报 😀</a>\u00A0\u2028");
        }
        QGuiApplication::clipboard()->setText(line);
        codeInput()->setFocus();
        QTest::keyClick(codeInput(), Qt::Key_V, Qt::ControlModifier);
        QVERIFY(codeInput()->document()->blockCount() > 100);  // shown in pieces

        press();

        const QString generated = QLatin1Char('<') + line + QLatin1Char('>');
        QCOMPARE(zelvo::toQString(window_->controls().text(Control::outputBox)), generated);
        QCOMPARE(QGuiApplication::clipboard()->text(), generated);
        QGuiApplication::clipboard()->clear();
        output()->setFocus();
        QTest::keyClick(output(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(output(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), generated);
    }

  private:
    // A template result from the fetch worker's side, stored once the window's thread is free.
    void handOver(TemplateSlot slot, const Text& text) {
        std::thread([handOver = window_->desktop().templateHandOver(), slot, text] {
            handOver(slot, text);
        }).join();
        QTRY_COMPARE(window_->behaviour().templates().get(slot), text);
    }

    void press() { QTest::mouseClick(find<QPushButton>(u"按钮3"), Qt::LeftButton); }

    void typeCode(const QString& code) {
        codeInput()->setFocus();
        QTest::keyClicks(codeInput(), code);
    }

    void setBox(const char16_t* name, const QString& text) {
        auto* box = find<QLineEdit>(name);
        box->selectAll();
        QTest::keyClicks(box, text);
    }

    void setOutput(const QString& text) { output()->setPlainText(text); }

    ButtonLook look() const {
        auto* button = find<QPushButton>(u"按钮3");
        return {button->text(), button->font().bold(), button->isEnabled()};
    }

    QString previewPath() const { return directory_->filePath(QStringLiteral("yl.htm")); }

    void writePreviewFile(const QByteArray& bytes) {
        QFile file(previewPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray previewFileBytes() const {
        QFile file(previewPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QLabel* statusLine() const { return find<QLabel>(u"透明标签生成结果"); }
    QPlainTextEdit* output() const { return find<QPlainTextEdit>(u"编辑框6"); }
    QPlainTextEdit* codeInput() const { return find<QPlainTextEdit>(u"编辑框4"); }

    template <class T>
    T* find(const char16_t* name) const {
        return zelvo::test::findControl<T>(*window_, name);
    }

    SilentListener server_;
    std::unique_ptr<QTemporaryDir> directory_;
    std::unique_ptr<QtGeneratorWindow> window_;
};

int main(int argc, char** argv) {
    return zelvo::test::runWindowTest<GenerateAndCopyTest>(argc, argv);
}

#include "generate_and_copy_test.moc"
