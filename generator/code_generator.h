#pragma once

// Builds the full-screen code from an edition's code template and the preview page from its
// preview template. No side effects: the same inputs always give the same result.

#include <string_view>
#include <variant>

#include "generator/settings_rules.h"
#include "generator/template_texts.h"
#include "generator/text_rules.h"

namespace zelvo {

inline constexpr std::string_view widthPlaceholder = "\xBF\xED\xB6\xC8";       // 宽度
inline constexpr std::string_view heightPlaceholder = "\xB8\xDF\xB6\xC8";      // 高度
inline constexpr std::string_view offsetPlaceholder = "\xC6\xAB\xD2\xC6";      // 偏移
inline constexpr std::string_view topSpacingPlaceholder = "\xBE\xE0\xB6\xA5";  // 距顶
inline constexpr std::string_view codeMarker =
    "Zelvo\xC8\xED\xBC\xFE"
    "537206418";  // Zelvo软件537206418
inline constexpr std::string_view previewMarker = "537206418";

// Professional and Basic share one preview page, whose marker sits in the 950 area. A basic
// shop's 750 area starts 200 px into that area, and its offset is 100 px further left to match,
// so a basic preview puts the code in a box that stands where the 750 area does.
inline constexpr std::string_view basicPreviewBoxStart =
    "<div style=\"position:relative;margin-left:200px;width:750px\">";
inline constexpr std::string_view basicPreviewBoxEnd = "</div>";

// The chosen edition's code template is empty (not downloaded yet, or no edition selected).
struct TemplateMissing {
    bool operator==(const TemplateMissing&) const = default;
};

struct GeneratedCode {
    Text generatedCode;
    // The preview template with its first marker replaced by generatedCode, for Basic by
    // generatedCode inside the basic preview box.
    Text previewPage;
    bool operator==(const GeneratedCode&) const = default;
};

using GenerationResult = std::variant<TemplateMissing, GeneratedCode>;

class CodeGenerator {
  public:
    // True when the edition's code template is empty, or the item is no edition: a generation
    // would give TemplateMissing.
    static bool isTemplateMissing(int edition, const TemplateTexts& templates);

    // Fills at most 3 widths, 5 heights, 2 offsets and 1 top spacing, in that order and ignoring
    // letter case, then puts the user's code at the first code marker, so the user's code is
    // never altered.
    static GenerationResult generate(const GeneratorSettings& settings, std::string_view userCode,
                                     const TemplateTexts& templates);
};

}  // namespace zelvo
