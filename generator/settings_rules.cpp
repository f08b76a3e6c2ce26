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

SettingsWrites applyEdition(const GeneratorSettings& /*settings*/, int item) {
    const auto edition = editionFromItem(item);
    if (!edition) {
        return {};
    }
    using Target = SettingsWrite::Target;
    // The offsets are those of a 1920 px width, whatever the width box holds.
    switch (*edition) {
        case Edition::Professional:
            return {textWrite(Target::offset, "-960"),
                    textWrite(Target::inputCaption, Text(professionalInputCaption))};
        case Edition::Basic:
            return {textWrite(Target::offset, "-1060"),
                    textWrite(Target::inputCaption, Text(basicInputCaption))};
        case Edition::Tmall:
            return {textWrite(Target::offset, "-960"),
                    textWrite(Target::inputCaption, Text(tmallInputCaption))};
    }
    return {};
}

SettingsWrites applyWidth(const GeneratorSettings& settings) {
    const auto edition = editionFromItem(settings.edition);
    if (!edition) {
        return {};
    }
    double offset = textToNumber(settings.width) / -2.0;
    if (*edition == Edition::Basic) {
        offset = offset + -100.0;  // the basic edition's column starts 200 px further right
    }
    return {textWrite(SettingsWrite::Target::offset, numberToText(offset))};
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
