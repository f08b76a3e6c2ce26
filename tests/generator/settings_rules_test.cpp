#include "generator/settings_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace zelvo {
namespace {

using Target = SettingsWrite::Target;

SettingsWrite text(Target target, std::string value) {
    return {target, std::move(value)};
}
SettingsWrite flag(Target target, bool value) {
    return {target, {}, value};
}

const std::string professionalCaption =
    "\xB4\xFA\xC2\xEB\xCA\xE4\xC8\xEB\xA3\xA8\xBD\xAB\xC9\xFA\xB3\xC9\xBA\xC3\xB5\xC4\xB4\xFA\xC2\xEB\xB0"
    "\xB2\xD7\xB0\xB5\xBD"
    "950\xC7\xF8\xA3\xA9";  // 代码输入（将生成好的代码安装到950区）
const std::string basicCaption =
    "\xB4\xFA\xC2\xEB\xCA\xE4\xC8\xEB\xA3\xA8\xBD\xAB\xC9\xFA\xB3\xC9\xBA\xC3\xB5\xC4\xB4\xFA\xC2\xEB\xB0"
    "\xB2\xD7\xB0\xB5\xBD"
    "750\xC7\xF8,\xB2\xA2\xC9\xFA\xB3\xC9\xB5\xE3\xCE\xBB\xB7\xFB\xB4\xFA\xC2\xEB\xB7\xC5"
    "190\xC7\xF8\xA3\xA9";  // 代码输入（将生成好的代码安装到750区,并生成点位符代码放190区）
const std::string tmallCaption =
    "\xB4\xFA\xC2\xEB\xCA\xE4\xC8\xEB\xA3\xA8\xBD\xAB\xC9\xFA\xB3\xC9\xBA\xC3\xB5\xC4\xB4\xFA\xC2\xEB\xB0"
    "\xB2\xD7\xB0\xB5\xBD"
    "990\xC7\xF8\xA3\xA9";  // 代码输入（将生成好的代码安装到990区）

TEST(EditionRule, WritesTheWidthRulesOffsetForTheNewEditionThenTheCaption) {
    const std::string captions[] = {professionalCaption, basicCaption, tmallCaption};
    struct Case {
        const char* width;
        int item;
        const char* offset;
    };
    const Case cases[] = {
        {"1920", 0, "-960"}, {"1920", 1, "-1060"}, {"1920", 2, "-960"}, {"500", 0, "-250"},
        {"500", 1, "-350"},  {"500", 2, "-250"},   {"1366", 2, "-683"}, {"195", 1, "-197.5"},
        {"abc", 0, "0"},     {"", 1, "-100"},      {"", 2, "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.width << "\" item " << c.item);
        GeneratorSettings settings;
        settings.edition = (c.item + 1) % 3;  // the edition before the choice does not count
        settings.width = c.width;
        settings.offset = "123";  // typed by hand, and overwritten all the same
        EXPECT_EQ(
            applyEdition(settings, c.item),
            (SettingsWrites{text(Target::offset, c.offset), text(Target::inputCaption, captions[c.item])}));
    }
    const GeneratorSettings settings;
    EXPECT_TRUE(applyEdition(settings, -1).empty());
    EXPECT_TRUE(applyEdition(settings, 3).empty());
}

TEST(EditionRule, CaptionsByNameAndTheDefaultIsTheProfessionalOne) {
    EXPECT_EQ(professionalInputCaption, professionalCaption);
    EXPECT_EQ(basicInputCaption, basicCaption);
    EXPECT_EQ(tmallInputCaption, tmallCaption);
    EXPECT_EQ(defaultInputCaption, professionalCaption);
}

TEST(WidthRule, OffsetIsMinusHalfTheWidthAndBasicIsAHundredLess) {
    struct Case {
        const char* width;
        int edition;
        const char* offset;
    };
    const Case cases[] = {
        {"1920", 0, "-960"}, {"1920", 2, "-960"},   {"1920", 1, "-1060"},    {"500", 0, "-250"},
        {"500", 1, "-350"},  {"195", 0, "-97.5"},   {"195", 1, "-197.5"},    {"abc", 0, "0"},
        {"", 2, "0"},        {"", 1, "-100"},       {"1", 0, "-0.5"},        {"19", 0, "-9.5"},
        {"192", 0, "-96"},   {"19202", 0, "-9601"}, {"1e999", 0, "-1.#INF"}, {"0.0001", 0, "-5e-005"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.width << "\" edition " << c.edition);
        GeneratorSettings settings;
        settings.edition = c.edition;
        settings.width = c.width;
        EXPECT_EQ(applyWidth(settings), (SettingsWrites{text(Target::offset, c.offset)}));
    }
}

TEST(WidthRule, NoEditionChangesNothing) {
    GeneratorSettings settings;
    settings.edition = -1;
    settings.width = "500";
    EXPECT_TRUE(applyWidth(settings).empty());
}

TEST(TopSpacingRule, WritesFlagsThenText) {
    const GeneratorSettings settings;
    const SettingsWrite hide = flag(Target::topSpacingBoxVisible, false);
    EXPECT_EQ(applyTopSpacingPreset(settings, 0), (SettingsWrites{hide, text(Target::topSpacing, "0")}));
    EXPECT_EQ(applyTopSpacingPreset(settings, 1), (SettingsWrites{hide, text(Target::topSpacing, "-10")}));
    EXPECT_EQ(applyTopSpacingPreset(settings, 2), (SettingsWrites{hide, text(Target::topSpacing, "-20")}));
    EXPECT_EQ(applyTopSpacingPreset(settings, 3),
              (SettingsWrites{flag(Target::topSpacingBoxEnabled, true),
                              flag(Target::topSpacingBoxVisible, true), text(Target::topSpacing, "-")}));
    EXPECT_TRUE(applyTopSpacingPreset(settings, -1).empty());
    EXPECT_TRUE(applyTopSpacingPreset(settings, 4).empty());
}

TEST(Editions, OnlyTheThreeItemsAreEditions) {
    EXPECT_EQ(editionFromItem(0), Edition::Professional);
    EXPECT_EQ(editionFromItem(1), Edition::Basic);
    EXPECT_EQ(editionFromItem(2), Edition::Tmall);
    EXPECT_EQ(editionFromItem(-1), std::nullopt);
    EXPECT_EQ(editionFromItem(3), std::nullopt);
}

}  // namespace
}  // namespace zelvo
