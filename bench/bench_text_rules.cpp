// Throughput of the text rules, each beside a baseline measured in the same run:
// replaceCounted against memcpy of the same bytes, numberToText against snprintf("%.17g"),
// textToNumber against strtod.

#include <benchmark/benchmark.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "generator/text_rules.h"

namespace {

constexpr std::size_t kCorpusBytes = std::size_t{64} << 20;
constexpr std::size_t kPlaceholderSpacing = 3 * 1024;
const std::string kPlaceholder = "\xBF\xED\xB6\xC8";  // GBK "宽度"
constexpr int kNumberCount = 1'000'000;

// Markup with a placeholder every few KiB: mostly ASCII, a little GBK text in between.
std::string makeAsciiHeavyHtml() {
    const std::string lines[] = {
        "<div class=\"banner\" style=\"width:100%;height:auto;margin:0 auto;\">\n",
        "  <a href=\"https://shop.example.com/item.htm?id=537206418\" target=\"_blank\">\n",
        "    <img src=\"https://img.example.com/bao/uploaded/i4/banner_01.jpg\" border=\"0\"/>\n",
        "  </a>\n",
        "  <p style=\"font-size:14px;color:#333333;\">\xD0\xC2\xC6\xB7\xC9\xCF\xCA\xD0</p>\n",
        "</div>\n",
    };
    std::string html;
    html.reserve(kCorpusBytes + 1024);
    std::size_t sinceMark = 0;
    for (std::size_t i = 0; html.size() < kCorpusBytes; ++i) {
        const std::string& line = lines[i % std::size(lines)];
        html += line;
        sinceMark += line.size();
        if (sinceMark >= kPlaceholderSpacing) {
            html += "<td width=\"" + kPlaceholder + "\">";
            sinceMark = 0;
        }
    }
    return html;
}

// Chinese prose in GBK, some second bytes in the ASCII range, a placeholder every few KiB.
std::string makeGbkHeavyText() {
    std::mt19937 random(42);
    std::string text;
    text.reserve(kCorpusBytes + 16);
    std::size_t sinceMark = 0;
    while (text.size() < kCorpusBytes) {
        if (sinceMark >= kPlaceholderSpacing) {
            text += kPlaceholder;
            sinceMark = 0;
        } else if (random() % 40 == 0) {
            text += random() % 2 == 0 ? "\xA3\xAC" : "\r\n";  // full-width comma or line break
            sinceMark += 2;
        } else {
            text += static_cast<char>(0xB0 + random() % 0x48);
            const unsigned trail = random() % 8 == 0 ? 0x40 + random() % 0x3F : 0xA1 + random() % 0x5E;
            text += static_cast<char>(trail);
            sinceMark += 2;
        }
    }
    return text;
}

const std::string& asciiHeavyHtml() {
    static const std::string corpus = makeAsciiHeavyHtml();
    return corpus;
}

const std::string& gbkHeavyText() {
    static const std::string corpus = makeGbkHeavyText();
    return corpus;
}

void replaceAll(benchmark::State& state, const std::string& corpus) {
    for (auto _ : state) {
        zelvo::Text result = zelvo::replaceCounted(corpus, kPlaceholder, "1920", 1, -1, false);
        benchmark::DoNotOptimize(result.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpus.size()));
}

void copyAll(benchmark::State& state, const std::string& corpus) {
    std::vector<char> target(corpus.size());
    for (auto _ : state) {
        std::memcpy(target.data(), corpus.data(), corpus.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpus.size()));
}

// A second baseline: a fresh text of the same size, so the cost of faulting in new memory,
// which replaceCounted pays for its result, shows apart from the copying.
void copyToNewText(benchmark::State& state, const std::string& corpus) {
    for (auto _ : state) {
        zelvo::Text copy(corpus);
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpus.size()));
}

void BM_AsciiHtml_CopyToNewText(benchmark::State& state) {
    copyToNewText(state, asciiHeavyHtml());
}
void BM_GbkText_CopyToNewText(benchmark::State& state) {
    copyToNewText(state, gbkHeavyText());
}
void BM_AsciiHtml_Memcpy(benchmark::State& state) {
    copyAll(state, asciiHeavyHtml());
}
void BM_AsciiHtml_ReplaceCounted(benchmark::State& state) {
    replaceAll(state, asciiHeavyHtml());
}
void BM_GbkText_Memcpy(benchmark::State& state) {
    copyAll(state, gbkHeavyText());
}
void BM_GbkText_ReplaceCounted(benchmark::State& state) {
    replaceAll(state, gbkHeavyText());
}

// Offsets as the window computes them, values of every size, and arbitrary bit patterns.
std::vector<double> makeMixedNumbers() {
    std::mt19937_64 random(7);
    std::vector<double> numbers;
    numbers.reserve(kNumberCount);
    while (numbers.size() < kNumberCount) {
        switch (numbers.size() % 4) {
            case 0:
                numbers.push_back(static_cast<double>(random() % 4000) / -2.0 - (random() % 2 ? 100.0 : 0.0));
                break;
            case 1:
                numbers.push_back(static_cast<double>(random() % 100'000'000) /
                                  static_cast<double>(std::uint64_t{1} << (random() % 40)));
                break;
            case 2:
                numbers.push_back(
                    std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 200) - 100));
                break;
            default: {
                const double any = std::bit_cast<double>(random());
                if (std::isfinite(any)) {
                    numbers.push_back(any);
                }
            }
        }
    }
    return numbers;
}

const std::vector<double>& mixedNumbers() {
    static const std::vector<double> numbers = makeMixedNumbers();
    return numbers;
}

// Number texts as users type them and as programs write them: short, 13 and 17 digits, exponents.
std::vector<std::string> makeNumberTexts() {
    std::vector<std::string> texts;
    texts.reserve(kNumberCount);
    const auto& numbers = mixedNumbers();
    char buffer[64];
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i % 2 == 0) {
            texts.push_back(zelvo::numberToText(numbers[i]));
        } else {
            std::snprintf(buffer, sizeof buffer, "%.17g", numbers[i]);
            texts.emplace_back(buffer);
        }
    }
    return texts;
}

const std::vector<std::string>& numberTexts() {
    static const std::vector<std::string> texts = makeNumberTexts();
    return texts;
}

void BM_Numbers_Snprintf17g(benchmark::State& state) {
    const auto& numbers = mixedNumbers();
    char buffer[64];
    for (auto _ : state) {
        for (double number : numbers) {
            const int length = std::snprintf(buffer, sizeof buffer, "%.17g", number);
            benchmark::DoNotOptimize(length);
            benchmark::DoNotOptimize(buffer);
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * numbers.size()));
}

void BM_Numbers_NumberToText(benchmark::State& state) {
    const auto& numbers = mixedNumbers();
    for (auto _ : state) {
        for (double number : numbers) {
            zelvo::Text text = zelvo::numberToText(number);
            benchmark::DoNotOptimize(text.data());
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * numbers.size()));
}

void BM_Texts_Strtod(benchmark::State& state) {
    const auto& texts = numberTexts();
    for (auto _ : state) {
        for (const std::string& text : texts) {
            double value = std::strtod(text.c_str(), nullptr);
            benchmark::DoNotOptimize(value);
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * texts.size()));
}

void BM_Texts_TextToNumber(benchmark::State& state) {
    const auto& texts = numberTexts();
    for (auto _ : state) {
        for (const std::string& text : texts) {
            double value = zelvo::textToNumber(text);
            benchmark::DoNotOptimize(value);
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * texts.size()));
}

}  // namespace

BENCHMARK(BM_AsciiHtml_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AsciiHtml_CopyToNewText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AsciiHtml_ReplaceCounted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GbkText_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GbkText_CopyToNewText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GbkText_ReplaceCounted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Numbers_Snprintf17g)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Numbers_NumberToText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Texts_Strtod)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Texts_TextToNumber)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
