// Input: the edition item as a signed byte, then width, height, offset, top spacing, the user's
// code and the templates tmb, jsb, previewJsb and previewTmb, separated by zero bytes.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "generator/code_generator.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/reference_replace.h"

using zelvo::fuzz::require;
using zelvo::test::referenceReplace;

namespace {

// True when the text's last character is complete: a lead byte at the end would pair with
// whatever a later step puts after it.
bool endsOnCharacter(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        i += (static_cast<unsigned char>(text[i]) & 0x80) != 0 ? 2 : 1;
    }
    return i == text.size();
}

int markerCount(std::string_view text) {
    return referenceReplace(text, zelvo::codeMarker, "", 1, -1, false).replaced;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zelvo::fuzz::InputReader input(data, size);
    zelvo::GeneratorSettings settings;
    settings.edition = static_cast<std::int8_t>(input.byte());
    settings.width = input.text();
    settings.height = input.text();
    settings.offset = input.text();
    settings.topSpacing = input.text();
    const std::string userCode = input.text();
    zelvo::TemplateTexts templates;
    for (const auto slot : zelvo::allTemplateSlots) {
        templates[slot] = input.text();
    }

    const zelvo::GenerationResult result = zelvo::CodeGenerator::generate(settings, userCode, templates);
    require(result == zelvo::CodeGenerator::generate(settings, userCode, templates),
            "the same inputs give the same result");

    const bool tmall = settings.edition == 2;
    const std::string& codeTemplate = templates[tmall ? zelvo::TemplateSlot::tmb : zelvo::TemplateSlot::jsb];
    const std::string& previewTemplate =
        templates[tmall ? zelvo::TemplateSlot::previewTmb : zelvo::TemplateSlot::previewJsb];
    if (settings.edition < 0 || settings.edition > 2 || codeTemplate.empty()) {
        require(std::holds_alternative<zelvo::TemplateMissing>(result),
                "no edition or an empty code template gives TemplateMissing");
        return 0;
    }
    require(std::holds_alternative<zelvo::GeneratedCode>(result), "a code template gives generated code");
    const auto& generated = std::get<zelvo::GeneratedCode>(result);

    std::string expected = codeTemplate;
    expected = referenceReplace(expected, zelvo::widthPlaceholder, settings.width, 1, 3, false).text;
    expected = referenceReplace(expected, zelvo::heightPlaceholder, settings.height, 1, 5, false).text;
    expected = referenceReplace(expected, zelvo::offsetPlaceholder, settings.offset, 1, 2, false).text;
    expected =
        referenceReplace(expected, zelvo::topSpacingPlaceholder, settings.topSpacing, 1, 1, false).text;
    const bool markerLeft = markerCount(expected) > 0;
    expected = referenceReplace(expected, zelvo::codeMarker, userCode, 1, 1, false).text;
    require(generated.generatedCode == expected, "the generated code is the chain of counted replacements");
    // A basic preview stands the code where the 750 area stands inside the shared page's 950 area.
    const std::string previewInsert = settings.edition == 1 ? std::string(zelvo::basicPreviewBoxStart) +
                                                                  generated.generatedCode +
                                                                  std::string(zelvo::basicPreviewBoxEnd)
                                                            : generated.generatedCode;
    require(generated.previewPage ==
                referenceReplace(previewTemplate, zelvo::previewMarker, previewInsert, 1, 1, false).text,
            "the preview page carries the generated code at its first marker, boxed for Basic");

    // Settings texts that end on a whole character keep the template's character boundaries, so
    // its code marker survives the placeholder steps and takes the user's code.
    const bool settingsWhole = endsOnCharacter(settings.width) && endsOnCharacter(settings.height) &&
                               endsOnCharacter(settings.offset) && endsOnCharacter(settings.topSpacing);
    if (markerCount(codeTemplate) == 1 && settingsWhole) {
        require(markerLeft, "the template's code marker survives the placeholder steps");
    }
    if (markerLeft) {
        require(generated.generatedCode.find(userCode) != std::string::npos,
                "the user's code appears unchanged in the generated code");
    }

    if (settings.edition != 2) {
        zelvo::GeneratorSettings other = settings;
        other.edition = 1 - settings.edition;
        const auto otherResult = zelvo::CodeGenerator::generate(other, userCode, templates);
        require(std::get<zelvo::GeneratedCode>(otherResult).generatedCode == generated.generatedCode,
                "the professional and basic editions generate the same code");
    }
    return 0;
}
