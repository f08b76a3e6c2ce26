// A paste into the code input box 编辑框4, from Ctrl+V to the box painted: one long word (a base64
// image) and one long spaced line, beside the baseline of pasting as many bytes of HTML lines.
// Runs headless.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <cstdlib>
#include <memory>

#include "bench/headless_window_main.h"
#include "bench/long_line_codes.h"
#include "templates/http_get.h"
#include "ui/qt/qt_generator_window.h"
#include "ui/qt/text_boundary.h"

namespace {

using zelvo::bench::CodeShape;

void pasteIntoCodeInput(benchmark::State& state) {
    const auto bytes = static_cast<std::size_t>(state.range(0));
    const auto shape = static_cast<CodeShape>(state.range(1));
    // Port 9 on loopback refuses at once: the window's own download fails quietly.
    zelvo::QtGeneratorWindow window(
        zelvo::GeneratorWindowSetup{{"http://127.0.0.1:9", "127.0.0.1:9"}, "/tmp"});
    window.show();
    auto* box = window.findChild<QPlainTextEdit*>(QStringLiteral("编辑框4"));
    box->setFocus();
    const zelvo::Text code = zelvo::bench::userCodeOf(bytes, shape);
    QGuiApplication::clipboard()->setText(zelvo::toQString(code));
    for (auto _ : state) {
        state.PauseTiming();
        window.controls().setText(zelvo::Control::codeInputBox, {});
        QCoreApplication::processEvents();
        state.ResumeTiming();

        QKeyEvent press(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_V, Qt::ControlModifier);
        QApplication::sendEvent(box, &press);
        QApplication::sendEvent(box, &release);
        QCoreApplication::processEvents();
        box->viewport()->repaint();
    }
    if (window.controls().text(zelvo::Control::codeInputBox) != code) {
        state.SkipWithError("the paste did not arrive whole");
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    state.SetLabel(shape == CodeShape::lines ? "baseline: HTML lines" : zelvo::bench::shapeName(shape));
}

constexpr int mebibyte = 1 << 20;

}  // namespace

BENCHMARK(pasteIntoCodeInput)
    ->ArgsProduct({{mebibyte, 4 * mebibyte},
                   {static_cast<int>(CodeShape::lines), static_cast<int>(CodeShape::word),
                    static_cast<int>(CodeShape::spaced)}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

int main(int argc, char** argv) {
    return zelvo::bench::runHeadlessWindowBenchmarks(argc, argv);
}
