#include "generator/settings_rules.h"

#include <utility>

namespace zelvo {
namespace {

SettingsWrite textWrite(SettingsWrite::Target target, Text text) {
    return {target, std::move(text)};
}

SettingsWrite flagWrite(SettingsWrite::Target target, bool flag) {
    return {target, {}, flag};
}

// Minus half the width, so the module's left edge sits half its width left of the area's centre;
// for Basic 100 less, since its 750 area starts 200 px into the 950 area. Each step is held as a
// double, so a width that holds no number gives minus zero, written "0", or -100 for Basic.
Text offsetForWidth(const Text& width, Edition edition) {
    double offset = textToNumber(width) / -2.0;
    if (edition == Edition::Basic) {
        offset = offset + -100.0;
    }
    return numberToText(offset);
}

}  // namespace

std::optional<Edition> editionFromItem(int item) {
    switch (item) {
        case 0:
            return Edition::Professional;
        case 1:
            return Edition::Basic;
        case 2:
            return Edition::Tmall;
        default:
            return std::nullopt;
    }
}

SettingsWrites applyEdition(const GeneratorSettings& settings, int item) {
    const auto edition = editionFromItem(item);
    if (!edition) {
        return {};
    }
    using Target = SettingsWrite::Target;
    // The offset follows the width already in the box, as the width rule would give it for the
    // new edition: a width kept at 1920 gives the familiar -960 or -1060.
    SettingsWrite offset = textWrite(Target::offset, offsetForWidth(settings.width, *edition));
    switch (*edition) {
        case Edition::Professional:
            return {std::move(offset), textWrite(Target::inputCaption, Text(professionalInputCaption))};
        case Edition::Basic:
            return {std::move(offset), textWrite(Target::inputCaption, Text(basicInputCaption))};
        case Edition::Tmall:
            return {std::move(offset), textWrite(Target::inputCaption, Text(tmallInputCaption))};
    }
    return {};
}

SettingsWrites applyWidth(const GeneratorSettings& settings) {
    const auto edition = editionFromItem(settings.edition);
    if (!edition) {
        return {};
    }
    return {textWrite(SettingsWrite::Target::offset, offsetForWidth(settings.width, *edition))};
}

SettingsWrites applyTopSpacingPreset(const GeneratorSettings& /*settings*/, int item) {
    using Target = SettingsWrite::Target;
    switch (item) {
        case 0:
            return {flagWrite(Target::topSpacingBoxVisible, false), textWrite(Target::topSpacing, "0")};
        case 1:
            return {flagWrite(Target::topSpacingBoxVisible, false), textWrite(Target::topSpacing, "-10")};
        case 2:
            return {flagWrite(Target::topSpacingBoxVisible, false), textWrite(Target::topSpacing, "-20")};
        case 3:
            return {flagWrite(Target::topSpacingBoxEnabled, true),
                    flagWrite(Target::topSpacingBoxVisible, true), textWrite(Target::topSpacing, "-")};
        default:
            return {};
    }
}

}  // namespace zelvo
