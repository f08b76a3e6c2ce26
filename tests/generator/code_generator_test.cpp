#include "generator/code_generator.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/generator/gbk_literals.h"

namespace zelvo {
namespace {

using namespace test;

TemplateTexts templatesWith(std::string jsb, std::string tmb = "T:" + codeMarkerText,
                            std::string previewJsb = "<p>537206418</p>",
                            std::string previewTmb = "<t>537206418</t>") {
    TemplateTexts texts;
    texts[TemplateSlot::jsb] = std::move(jsb);
    texts[TemplateSlot::tmb] = std::move(tmb);
    texts[TemplateSlot::previewJsb] = std::move(previewJsb);
    texts[TemplateSlot::previewTmb] = std::move(previewTmb);
    return texts;
}

GeneratedCode generated(const GenerationResult& result) {
    const auto* code = std::get_if<GeneratedCode>(&result);
    EXPECT_NE(code, nullptr);
    return code ? *code : GeneratedCode{};
}

TEST(CodeGenerator, FillsEachPlaceholderUpToItsCountThenTheCode) {
    std::string tpl;
    for (int i = 0; i < 4; ++i)
        tpl += "w" + kuandu;
    for (int i = 0; i < 6; ++i)
        tpl += "h" + gaodu;
    for (int i = 0; i < 3; ++i)
        tpl += "o" + pianyi;
    for (int i = 0; i < 2; ++i)
        tpl += "t" + juding;
    tpl += "[" + codeMarkerText + "][" + codeMarkerText + "]";

    GeneratorSettings settings;
    settings.topSpacing = "-10";
    const auto code = generated(CodeGenerator::generate(settings, "<b>x</b>", templatesWith(tpl)));
    EXPECT_EQ(code.generatedCode, "w1920w1920w1920w" + kuandu + "h500h500h500h500h500h" + gaodu +
                                      "o-960o-960o" + pianyi + "t-10t" + juding + "[<b>x</b>][" +
                                      codeMarkerText + "]");
}

TEST(CodeGenerator, UserCodeIsNeverAltered) {
    const std::string userCode = kuandu + gaodu + "537206418" + codeMarkerText + "ZELVO" + zhongwen;
    const auto code =
        generated(CodeGenerator::generate({}, userCode, templatesWith(kuandu + "|" + codeMarkerText)));
    EXPECT_EQ(code.generatedCode, "1920|" + userCode);
}

TEST(CodeGenerator, SettingsTextsAreFilledByLaterSteps) {
    GeneratorSettings settings;
    settings.width = "W" + gaodu;  // its height placeholder is the first of the text
    const auto code = generated(
        CodeGenerator::generate(settings, "", templatesWith(kuandu + "," + gaodu + "," + codeMarkerText)));
    EXPECT_EQ(code.generatedCode, "W500,500,");
}

TEST(CodeGenerator, MarkerMatchesInEitherLetterCase) {
    const auto code = generated(CodeGenerator::generate({}, "U",
                                                        templatesWith("zELVO\xC8\xED\xBC\xFE"
                                                                      "537206418!")));
    EXPECT_EQ(code.generatedCode, "U!");
}

TEST(CodeGenerator, EditionChoosesTheTemplates) {
    const TemplateTexts texts = templatesWith("J:" + codeMarkerText);
    GeneratorSettings settings;
    const auto professional = generated(CodeGenerator::generate(settings, "c", texts));
    EXPECT_EQ(professional.generatedCode, "J:c");
    EXPECT_EQ(professional.previewPage, "<p>J:c</p>");

    // The shared preview page shows the 950 area; a basic shop's 750 area starts 200 px into it.
    settings.edition = 1;
    const auto basic = generated(CodeGenerator::generate(settings, "c", texts));
    EXPECT_EQ(basic.generatedCode, "J:c");
    EXPECT_EQ(basic.previewPage,
              "<p><div style=\"position:relative;margin-left:200px;width:750px\">J:c</div></p>");

    settings.edition = 2;
    const auto tmall = generated(CodeGenerator::generate(settings, "c", texts));
    EXPECT_EQ(tmall.generatedCode, "T:c");
    EXPECT_EQ(tmall.previewPage, "<t>T:c</t>");
}

TEST(CodeGenerator, OnlyTheFirstPreviewMarkerIsReplaced) {
    const auto code = generated(
        CodeGenerator::generate({}, "c", templatesWith(codeMarkerText, "", "a537206418b537206418")));
    EXPECT_EQ(code.previewPage, "acb537206418");
}

TEST(CodeGenerator, MissingTemplate) {
    GeneratorSettings settings;
    EXPECT_TRUE(
        std::holds_alternative<TemplateMissing>(CodeGenerator::generate(settings, "c", templatesWith(""))));
    settings.edition = 2;
    EXPECT_TRUE(std::holds_alternative<TemplateMissing>(
        CodeGenerator::generate(settings, "c", templatesWith("J", ""))));
    settings.edition = -1;  // no edition, even with every template present
    EXPECT_TRUE(
        std::holds_alternative<TemplateMissing>(CodeGenerator::generate(settings, "c", templatesWith("J"))));
}

TEST(CodeGenerator, EmptyPreviewTemplateGivesAnEmptyPage) {
    GeneratorSettings settings;
    for (int edition : {0, 1}) {
        settings.edition = edition;
        const auto code =
            generated(CodeGenerator::generate(settings, "c", templatesWith(codeMarkerText, "", "")));
        EXPECT_EQ(code.generatedCode, "c");
        EXPECT_EQ(code.previewPage, "") << "edition " << edition;
    }
}

TEST(CodeGenerator, EmptyUserCodeRemovesTheMarker) {
    const auto code = generated(CodeGenerator::generate({}, "", templatesWith("<" + codeMarkerText + ">")));
    EXPECT_EQ(code.generatedCode, "<>");
}

}  // namespace
}  // namespace zelvo
