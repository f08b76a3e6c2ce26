#pragma once

// The shop editions, the settings of a generation, and the three rules that keep the offset, the
// input caption and the top spacing in step with the edition, the width and the preset. The rules
// are pure: they return their writes, in the order the window must apply them.

#include <optional>
#include <string_view>
#include <vector>

#include "generator/text_rules.h"

namespace zelvo {

// The item indexes of the edition drop-down.
enum class Edition { Professional = 0, Basic = 1, Tmall = 2 };

// The edition an item index stands for; any other index is no edition.
std::optional<Edition> editionFromItem(int item);

// The settings texts exactly as their boxes hold them; nothing is trimmed or validated.
struct GeneratorSettings {
    int edition = 0;
    Text width = "1920";
    Text height = "500";
    Text offset = "-960";
    int topSpacingPreset = 0;
    Text topSpacing = "0";
};

struct SettingsWrite {
    enum class Target {
        offset,                // text of the offset box
        inputCaption,          // caption of the code-input group
        topSpacing,            // text of the top-spacing box
        topSpacingBoxVisible,  // flag of the top-spacing box
        topSpacingBoxEnabled,  // flag of the top-spacing box
    };
    Target target;
    Text text;          // for offset, inputCaption and topSpacing
    bool flag = false;  // for the two flags

    bool operator==(const SettingsWrite&) const = default;
};
using SettingsWrites = std::vector<SettingsWrite>;

// GBK bytes of the code-input captions, one per edition; the brackets are full-width and the
// comma in the basic one is ASCII.
// 代码输入（将生成好的代码安装到950区）
inline constexpr std::string_view professionalInputCaption =
    "\xB4\xFA\xC2\xEB\xCA\xE4\xC8\xEB\xA3\xA8\xBD\xAB\xC9\xFA\xB3\xC9\xBA\xC3\xB5\xC4\xB4\xFA\xC2\xEB\xB0"
    "\xB2\xD7\xB0\xB5\xBD"
    "950\xC7\xF8\xA3\xA9";
// 代码输入（将生成好的代码安装到750区,并生成点位符代码放190区）
inline constexpr std::string_view basicInputCaption =
    "\xB4\xFA\xC2\xEB\xCA\xE4\xC8\xEB\xA3\xA8\xBD\xAB\xC9\xFA\xB3\xC9\xBA\xC3\xB5\xC4\xB4\xFA\xC2\xEB\xB0"
    "\xB2\xD7\xB0\xB5\xBD"
    "750\xC7\xF8,\xB2\xA2\xC9\xFA\xB3\xC9\xB5\xE3\xCE\xBB\xB7\xFB\xB4\xFA\xC2\xEB\xB7\xC5"
    "190\xC7\xF8\xA3\xA9";
// 代码输入（将生成好的代码安装到990区）
inline constexpr std::string_view tmallInputCaption =
    "\xB4\xFA\xC2\xEB\xCA\xE4\xC8\xEB\xA3\xA8\xBD\xAB\xC9\xFA\xB3\xC9\xBA\xC3\xB5\xC4\xB4\xFA\xC2\xEB\xB0"
    "\xB2\xD7\xB0\xB5\xBD"
    "990\xC7\xF8\xA3\xA9";

// The code-input caption shown at start (the professional edition's).
inline constexpr std::string_view defaultInputCaption = professionalInputCaption;

// An edition was picked (also the one already selected): the offset that the width rule gives for
// the current width and the new edition, then the edition's caption. Writes the offset also when
// it was typed by hand.
SettingsWrites applyEdition(const GeneratorSettings& settings, int item);

// The width text changed: the offset becomes minus half the width (100 less for Basic).
SettingsWrites applyWidth(const GeneratorSettings& settings);

// A top-spacing preset was picked: the box's flags, then its text.
SettingsWrites applyTopSpacingPreset(const GeneratorSettings& settings, int item);

}  // namespace zelvo
