#include "generator/code_generator.h"

#include <cstdint>
#include <optional>
#include <utility>

namespace zelvo {
namespace {

struct Substitution {
    std::string_view placeholder;
    std::int32_t atMost;
};

struct EditionTemplates {
    TemplateSlot code;
    TemplateSlot preview;
};

std::optional<EditionTemplates> templatesOf(int editionItem) {
    const auto edition = editionFromItem(editionItem);
    if (!edition) {
        return std::nullopt;
    }
    if (*edition == Edition::Tmall) {
        return EditionTemplates{TemplateSlot::tmb, TemplateSlot::previewTmb};
    }
    return EditionTemplates{TemplateSlot::jsb, TemplateSlot::previewJsb};
}

}  // namespace

bool CodeGenerator::isTemplateMissing(int edition, const TemplateTexts& templates) {
    const auto chosen = templatesOf(edition);
    return !chosen || isEmpty(templates[chosen->code]);
}

GenerationResult CodeGenerator::generate(const GeneratorSettings& settings, std::string_view userCode,
                                         const TemplateTexts& templates) {
    if (isTemplateMissing(settings.edition, templates)) {
        return TemplateMissing{};
    }
    const auto chosen = templatesOf(settings.edition);

    // Each step scans the result of the one before, so a settings text that holds a later
    // placeholder is filled too; the user's code goes in last and is never altered.
    const std::pair<Substitution, std::string_view> steps[] = {
        {{widthPlaceholder, 3}, settings.width},
        {{heightPlaceholder, 5}, settings.height},
        {{offsetPlaceholder, 2}, settings.offset},
        {{topSpacingPlaceholder, 1}, settings.topSpacing},
        {{codeMarker, 1}, userCode},
    };
    Text code = templates[chosen->code];
    for (const auto& [substitution, replacement] : steps) {
        code = replaceCounted(code, substitution.placeholder, replacement, 1, substitution.atMost, false);
    }

    const std::string_view previewTemplate = templates[chosen->preview];
    Text previewPage;
    if (editionFromItem(settings.edition) == Edition::Basic) {
        const Text boxed = Text(basicPreviewBoxStart) + code + Text(basicPreviewBoxEnd);
        previewPage = replaceCounted(previewTemplate, previewMarker, boxed, 1, 1, false);
    } else {
        previewPage = replaceCounted(previewTemplate, previewMarker, code, 1, 1, false);
    }
    return GeneratedCode{std::move(code), std::move(previewPage)};
}

}  // namespace zelvo
