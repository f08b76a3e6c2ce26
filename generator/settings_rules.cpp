#include "generator/settings_rules.h"

#include <utility>

namespace zelvo {
namespace {

// GBK bytes of the three code-input captions.
// 代码输入（将生成好的代码安装到950区）
constexpr const char* professionalCaption =
    "\xB4\xFA\xC2\xEB\xCA\xE4\xC8\xEB\xA3\xA8\xBD\xAB\xC9\xFA\xB3\xC9\xBA\xC3\xB5\xC4\xB4\xFA\xC2\xEB\xB0"
    "\xB2\xD7\xB0\xB5\xBD"
    "950\xC7\xF8\xA3\xA9";
// 代码输入（将生成好的代码安装到750区,并生成点位符代码放190区）
constexpr const char* basicCaption =
    "\xB4\xFA\xC2\xEB\xCA\xE4\xC8\xEB\xA3\xA8\xBD\xAB\xC9\xFA\xB3\xC9\xBA\xC3\xB5\xC4\xB4\xFA\xC2\xEB\xB0"
    "\xB2\xD7\xB0\xB5\xBD"
    "750\xC7\xF8,\xB2\xA2\xC9\xFA\xB3\xC9\xB5\xE3\xCE\xBB\xB7\xFB\xB4\xFA\xC2\xEB\xB7\xC5"
    "190\xC7\xF8\xA3\xA9";
// 代码输入（将生成好的代码安装到990区）
constexpr const char* tmallCaption =
    "\xB4\xFA\xC2\xEB\xCA\xE4\xC8\xEB\xA3\xA8\xBD\xAB\xC9\xFA\xB3\xC9\xBA\xC3\xB5\xC4\xB4\xFA\xC2\xEB\xB0"
    "\xB2\xD7\xB0\xB5\xBD"
    "990\xC7\xF8\xA3\xA9";

SettingsWrite textWrite(SettingsWrite::Target target, Text text) {
    return {target, std::move(text)};
}

SettingsWrite flagWrite(SettingsWrite::Target target, bool flag) {
    return {target, {}, flag};
}

}  // namespace

const char* const defaultInputCaption = professionalCaption;

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
            return {textWrite(Target::offset, "-960"), textWrite(Target::inputCaption, professionalCaption)};
        case Edition::Basic:
            return {textWrite(Target::offset, "-1060"), textWrite(Target::inputCaption, basicCaption)};
        case Edition::Tmall:
            return {textWrite(Target::offset, "-960"), textWrite(Target::inputCaption, tmallCaption)};
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
