// A press of the generate button, from the press to the output box filled and painted, beside the
// cost of only filling the output box with the same amount of ordinary HTML (the baseline). User
// codes come in three shapes: HTML lines, one long word with no break (a pasted base64 image), and
// one long line of spaced words. Runs headless.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench/headless_window_main.h"
#include "bench/long_line_codes.h"
#include "generator/code_generator.h"
#include "templates/http_get.h"
#include "ui/qt/qt_generator_window.h"

namespace {

using zelvo::bench::CodeShape;

std::unique_ptr<zelvo::QtGeneratorWindow> windowWithTemplate() {
    // Port 9 on loopback refuses at once: the window's own download fails quietly.
    auto window = std::make_unique<zelvo::QtGeneratorWindow>(
        zelvo::GeneratorWindowSetup{{"http://127.0.0.1:9", "127.0.0.1:9"}, "/tmp"});
    window->show();
    // The window's own fetch fails and hands over empty texts: let it end first.
    while (window->desktop().isTemplateFetchRunning()) {
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    window->desktop().templateHandOver()(
        zelvo::TemplateSlot::jsb,
        "<div style=\"width:\xBF\xED\xB6\xC8px\">" + std::string(zelvo::codeMarker) + "</div>");
    while (window->behaviour().templates().get(zelvo::TemplateSlot::jsb).empty()) {
        QCoreApplication::processEvents();
    }
    return window;
}

// What the user waits for: the box laid out and painted, not only its text replaced.
void paint(zelvo::QtGeneratorWindow& window) {
    QCoreApplication::processEvents();
    window.findChild<QPlainTextEdit*>(QStringLiteral("编辑框6"))->viewport()->repaint();
}

void pressToOutputFilled(benchmark::State& state) {
    const auto bytes = static_cast<std::size_t>(state.range(0));
    const auto shape = static_cast<CodeShape>(state.range(1));
    auto window = windowWithTemplate();
    window->controls().setText(zelvo::Control::codeInputBox, zelvo::bench::userCodeOf(bytes, shape));
    auto* button = window->findChild<QPushButton*>(QStringLiteral("按钮3"));
    for (auto _ : state) {
        window->controls().setText(zelvo::Control::outputBox, {});
        button->click();  // generateAndCopy runs wholly within the click
        paint(*window);
    }
    if (window->controls().text(zelvo::Control::outputBox).size() < bytes) {
        state.SkipWithError("the output box does not hold the generation");
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    state.SetLabel(zelvo::bench::shapeName(shape));
}

void outputBoxFilledOnly(benchmark::State& state) {
    auto window = windowWithTemplate();
    const zelvo::Text code =
        zelvo::bench::userCodeOf(static_cast<std::size_t>(state.range(0)), CodeShape::lines);
    for (auto _ : state) {
        window->controls().setText(zelvo::Control::outputBox, code);
        paint(*window);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    state.SetLabel("baseline: HTML lines");
}

constexpr int mebibyte = 1 << 20;
constexpr auto lines = static_cast<int>(CodeShape::lines);
constexpr auto word = static_cast<int>(CodeShape::word);
constexpr auto spaced = static_cast<int>(CodeShape::spaced);

}  // namespace

BENCHMARK(outputBoxFilledOnly)->Arg(mebibyte)->Unit(benchmark::kMillisecond);
BENCHMARK(pressToOutputFilled)->Args({mebibyte, lines})->Unit(benchmark::kMillisecond);
BENCHMARK(pressToOutputFilled)
    ->ArgsProduct({{mebibyte, 4 * mebibyte, 8 * mebibyte}, {word, spaced}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(outputBoxFilledOnly)->Arg(50 * mebibyte)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(pressToOutputFilled)->Args({50 * mebibyte, lines})->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char** argv) {
    return zelvo::bench::runHeadlessWindowBenchmarks(argc, argv);
}
