// A press of the generate button with a large user code, from the press to the output box filled,
// beside the cost of only filling the output box with the same code. Runs headless.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cstdlib>
#include <memory>
#include <string>

#include "generator/code_generator.h"
#include "templates/http_get.h"
#include "ui/qt/qt_generator_window.h"

namespace {

// HTML with Chinese text, in GBK, of about `bytes` bytes.
zelvo::Text userCodeOf(std::size_t bytes) {
    const zelvo::Text line =
        "<div class=\"item\"><a href=\"#\">\xC8\xAB\xC6\xC1\xBA\xA3\xB1\xA8</a> <span>"
        "\xD0\xC2\xC6\xB7\xC9\xCF\xCA\xD0 50% off</span></div>\n";  // 全屏海报, 新品上市
    zelvo::Text code;
    code.reserve(bytes + line.size());
    while (code.size() < bytes) {
        code += line;
    }
    return code;
}

std::unique_ptr<zelvo::QtGeneratorWindow> windowWithTemplate() {
    // Port 9 on loopback refuses at once: the window's own download fails quietly.
    auto window = std::make_unique<zelvo::QtGeneratorWindow>(
        zelvo::GeneratorWindowSetup{{"http://127.0.0.1:9", "127.0.0.1:9"}, "/tmp"});
    window->show();
    window->desktop().templateHandOver()(
        zelvo::TemplateSlot::jsb,
        "<div style=\"width:\xBF\xED\xB6\xC8px\">" + std::string(zelvo::codeMarker) + "</div>");
    while (window->behaviour().templates().get(zelvo::TemplateSlot::jsb).empty()) {
        QCoreApplication::processEvents();
    }
    return window;
}

void pressToOutputFilled(benchmark::State& state) {
    auto window = windowWithTemplate();
    window->controls().setText(zelvo::Control::codeInputBox,
                               userCodeOf(static_cast<std::size_t>(state.range(0))));
    auto* button = window->findChild<QPushButton*>(QStringLiteral("按钮3"));
    for (auto _ : state) {
        button->click();  // generateAndCopy runs wholly within the click
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void outputBoxFilledOnly(benchmark::State& state) {
    auto window = windowWithTemplate();
    const zelvo::Text code = userCodeOf(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        window->controls().setText(zelvo::Control::outputBox, code);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(outputBoxFilledOnly)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(pressToOutputFilled)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(outputBoxFilledOnly)->Arg(50 << 20)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(pressToOutputFilled)->Arg(50 << 20)->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    zelvo::initHttpClient();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::fflush(nullptr);
    std::_Exit(0);  // the window's download worker may still be running
}
