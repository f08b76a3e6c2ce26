// What a press of 按钮3 does: generate the full-screen code from the window's settings, its
// templates and the user's code, then deliver it to the clipboard, the preview file and 编辑框6.

#include <QClipboard>
#include <QGuiApplication>
#include <variant>

#include "generator/code_generator.h"
#include "ui/generator_window.h"
#include "ui/text_boundary.h"

namespace zelvo {

namespace {

// 恭喜亲！代码制作成功并已完成复制，安装后即可大功告成！
constexpr char successText[] =
    "\xB9\xA7\xCF\xB2\xC7\xD7\xA3\xA1\xB4\xFA\xC2\xEB\xD6\xC6\xD7\xF7\xB3\xC9\xB9\xA6\xB2\xA2\xD2\xD1\xCD"
    "\xEA\xB3\xC9\xB8\xB4\xD6\xC6\xA3\xAC\xB0\xB2\xD7\xB0\xBA\xF3\xBC\xB4\xBF\xC9\xB4\xF3\xB9\xA6\xB8\xE6"
    "\xB3\xC9\xA3\xA1";
// 正在读取服务器文件，请稍候数秒再试，不影响您配置代码！
constexpr char waitingText[] =
    "\xD5\xFD\xD4\xDA\xB6\xC1\xC8\xA1\xB7\xFE\xCE\xF1\xC6\xF7\xCE\xC4\xBC\xFE\xA3\xAC\xC7\xEB\xC9\xD4\xBA"
    "\xF2\xCA\xFD\xC3\xEB\xD4\xD9\xCA\xD4\xA3\xAC\xB2\xBB\xD3\xB0\xCF\xEC\xC4\xFA\xC5\xE4\xD6\xC3\xB4\xFA"
    "\xC2\xEB\xA3\xA1";
constexpr char busyCaption[] = "\xCA\xB9\xBE\xA2\xC9\xFA\xB3\xC9\xD6\xD0";  // 使劲生成中
constexpr char doneCaption[] = "\xC9\xFA\xB3\xC9\xD3\xEB\xB8\xB4\xD6\xC6";  // 生成与复制

}  // namespace

void GeneratorWindow::generateAndCopy() {
    if (CodeGenerator::isTemplateMissing(currentItem(Control::editionList), templates_.texts())) {
        setVisible(Control::statusLine, true);
        setText(Control::statusLine, waitingText);
        return;
    }
    setVisible(Control::statusLine, true);
    setText(Control::statusLine, successText);

    setBold(Control::generateButton, false);
    setText(Control::generateButton, busyCaption);
    setEnabled(Control::generateButton, false);

    const GenerationResult result =
        CodeGenerator::generate(settings(), text(Control::codeInputBox), templates_.texts());
    const auto& generated = std::get<GeneratedCode>(result);

    // On X11 this is the CLIPBOARD selection, which other programs paste from.
    QGuiApplication::clipboard()->setText(toQString(generated.generatedCode), QClipboard::Clipboard);
    previewFile_.write(textToBytes(generated.previewPage));

    setBold(Control::generateButton, true);
    setText(Control::generateButton, doneCaption);
    setEnabled(Control::generateButton, true);

    setText(Control::outputBox, generated.generatedCode);
}

}  // namespace zelvo
