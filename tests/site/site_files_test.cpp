// The four files the template servers serve: valid GBK, each placeholder exactly as often as the
// generator fills it, and a default generation that yields a full-width module.

#include <gtest/gtest.h>

#include <cstddef>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <string_view>

#include "generator/code_generator.h"
#include "generator/settings_rules.h"

namespace zelvo {
namespace {

constexpr std::string_view jsbPath = "gjx/qpdmsc/jsb.txt";
constexpr std::string_view tmbPath = "gjx/qpdmsc/tmb.txt";
constexpr std::string_view previewJsbPath = "zhongdaili/gongyongshuju/yl/jsb.txt";
constexpr std::string_view previewTmbPath = "zhongdaili/gongyongshuju/yl/tmb.txt";

Text readSiteFile(std::string_view relativePath) {
    std::ifstream in(std::string(ZELVO_SITE_DIR) + "/" + std::string(relativePath), std::ios::binary);
    EXPECT_TRUE(in) << relativePath;
    return Text(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

unsigned char byteAt(std::string_view text, std::size_t i) {
    return static_cast<unsigned char>(text[i]);
}

// Strict GBK: ASCII without zero bytes, or a lead 0x81-0xFE followed by a trail 0x40-0xFE but not 0x7F.
bool isStrictGbk(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char lead = byteAt(text, i);
        if (lead == 0) {
            return false;
        }
        if (lead < 0x80) {
            continue;
        }
        if (lead == 0x80 || lead == 0xFF || i + 1 == text.size()) {
            return false;
        }
        const unsigned char trail = byteAt(text, ++i);
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF) {
            return false;
        }
    }
    return true;
}

char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool matchesAt(std::string_view text, std::size_t at, std::string_view needle) {
    if (text.size() - at < needle.size()) {
        return false;
    }
    for (std::size_t k = 0; k < needle.size(); ++k) {
        if (foldAscii(text[at + k]) != foldAscii(needle[k])) {
            return false;
        }
    }
    return true;
}

// Counts as the generator scans: matches start at character starts, letter case ignored.
int countAtCharacterStarts(std::string_view text, std::string_view needle) {
    int count = 0;
    for (std::size_t i = 0; i < text.size(); i += byteAt(text, i) >= 0x80 ? 2 : 1) {
        count += matchesAt(text, i, needle) ? 1 : 0;
    }
    return count;
}

// Counts at every byte, so a look-alike that straddles two characters counts too.
int countAtEveryByte(std::string_view text, std::string_view needle) {
    int count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        count += matchesAt(text, i, needle) ? 1 : 0;
    }
    return count;
}

TEST(SiteFiles, AreStrictGbk) {
    for (const auto path : {jsbPath, tmbPath, previewJsbPath, previewTmbPath}) {
        SCOPED_TRACE(path);
        const Text text = readSiteFile(path);
        EXPECT_FALSE(text.empty());
        EXPECT_TRUE(isStrictGbk(text));
    }
}

struct ExpectedCount {
    std::string_view name;
    std::string_view needle;
    int codeTemplate;     // every occurrence is filled by the generator
    int previewTemplate;  // the preview carries nothing but its one marker
};

constexpr ExpectedCount expectedCounts[] = {
    {"width", widthPlaceholder, 3, 0},
    {"height", heightPlaceholder, 5, 0},
    {"offset", offsetPlaceholder, 2, 0},
    {"top spacing", topSpacingPlaceholder, 1, 0},
    {"code marker", codeMarker, 1, 0},
    {"preview marker", previewMarker, 1, 1},  // in the code templates, inside the code marker
};

TEST(SiteFiles, HoldEachPlaceholderAsOftenAsTheGeneratorFillsIt) {
    for (const auto path : {jsbPath, tmbPath, previewJsbPath, previewTmbPath}) {
        const Text text = readSiteFile(path);
        const bool isCodeTemplate = path == jsbPath || path == tmbPath;
        for (const auto& expected : expectedCounts) {
            SCOPED_TRACE(std::string(path) + ": " + std::string(expected.name));
            const int wanted = isCodeTemplate ? expected.codeTemplate : expected.previewTemplate;
            EXPECT_EQ(countAtCharacterStarts(text, expected.needle), wanted);
            EXPECT_EQ(countAtEveryByte(text, expected.needle), wanted);
        }
    }
}

struct EditionSite {
    std::string_view codePath;
    std::string_view previewPath;
    std::string_view borrowedClass;  // positioned absolutely by the shop's own stylesheet
    std::string_view areaTag;
    int areaWidth;  // centred in the window by the page's stylesheet
};

constexpr EditionSite editionSites[] = {
    {jsbPath, previewJsbPath, "footer-more-trigger", "<div class=\"area area-950\">", 950},
    {tmbPath, previewTmbPath, "sn-simple-logo", "<div class=\"area area-990\">", 990},
};

// Professional and Basic share the code template and the preview page.
const EditionSite& siteOf(int edition) {
    return editionSites[edition == 2 ? 1 : 0];
}

TEST(SiteFiles, PreviewIsAGbkPageWithTheMarkerInsideTheShopArea) {
    for (const auto& site : editionSites) {
        SCOPED_TRACE(site.previewPath);
        const Text page = readSiteFile(site.previewPath);
        EXPECT_NE(page.find("charset=gbk"), Text::npos);
        EXPECT_NE(page.find("</html>"), Text::npos);

        const auto areaStart = page.find(site.areaTag);
        const auto marker = page.find(previewMarker);
        ASSERT_NE(areaStart, Text::npos);
        ASSERT_NE(marker, Text::npos);
        EXPECT_LT(areaStart, marker);
        EXPECT_EQ(page.find("</div></div>", areaStart), marker + previewMarker.size());
    }
}

TEST(SiteFiles, PreviewStylesheetPositionsTheClassTheCodeTemplateBorrows) {
    for (const auto& site : editionSites) {
        SCOPED_TRACE(site.borrowedClass);
        const Text code = readSiteFile(site.codePath);
        const Text page = readSiteFile(site.previewPath);
        EXPECT_NE(code.find("class=\"" + std::string(site.borrowedClass) + "\""), Text::npos);

        const auto rule = page.find("." + std::string(site.borrowedClass) + "{");
        ASSERT_NE(rule, Text::npos);
        const auto ruleEnd = page.find('}', rule);
        EXPECT_NE(page.substr(rule, ruleEnd - rule).find("position:absolute"), Text::npos);
    }
}

// Follows the page's layout at a window 1920 px wide: the area is centred, the module's
// containing block is the area (or, for Basic, the box that stands for the 750 area), and the
// module starts at the block's middle plus the offset. A full-width module must start at 0.
TEST(SiteFiles, DefaultGenerationGivesAFullWidthModuleCentredInTheWindowForEveryEdition) {
    TemplateTexts templates;
    templates[TemplateSlot::jsb] = readSiteFile(jsbPath);
    templates[TemplateSlot::tmb] = readSiteFile(tmbPath);
    templates[TemplateSlot::previewJsb] = readSiteFile(previewJsbPath);
    templates[TemplateSlot::previewTmb] = readSiteFile(previewTmbPath);
    const Text userCode = "<img src=\"banner.jpg\" alt=\"\xC8\xAB\xC6\xC1\xBA\xA3\xB1\xA8\">";  // 全屏海报
    const std::regex box(R"(<div style="position:relative;margin-left:(\d+)px;width:(\d+)px">)");
    constexpr double windowWidth = 1920;

    for (const int edition : {0, 1, 2}) {
        SCOPED_TRACE(testing::Message() << "edition " << edition);
        const EditionSite& site = siteOf(edition);
        GeneratorSettings settings;  // width 1920, height 500, top spacing 0
        settings.edition = edition;
        settings.offset = applyEdition(settings, edition).front().text;

        const auto result = CodeGenerator::generate(settings, userCode, templates);
        ASSERT_TRUE(std::holds_alternative<GeneratedCode>(result));
        const auto& [code, previewPage] = std::get<GeneratedCode>(result);

        EXPECT_NE(code.find("width:1920px"), Text::npos);
        EXPECT_NE(code.find("margin-left:" + settings.offset + "px"), Text::npos);
        EXPECT_NE(code.find("height:500px"), Text::npos);
        EXPECT_NE(code.find("top:0px"), Text::npos);
        EXPECT_EQ(countAtEveryByte(code, userCode), 1);
        for (const auto& expected : expectedCounts) {
            SCOPED_TRACE(expected.name);
            EXPECT_EQ(countAtEveryByte(code, expected.needle), 0);
        }

        EXPECT_EQ(countAtEveryByte(previewPage, code), 1);
        EXPECT_EQ(countAtEveryByte(previewPage, previewMarker), 0);

        const std::string moduleTag = std::string(site.areaTag) + "<div class=\"module\">";
        const auto module = previewPage.find(moduleTag);
        const auto codeAt = previewPage.find(code);
        ASSERT_NE(module, Text::npos);
        ASSERT_NE(codeAt, Text::npos);
        ASSERT_LE(module + moduleTag.size(), codeAt);
        const std::string between =
            previewPage.substr(module + moduleTag.size(), codeAt - module - moduleTag.size());
        double blockLeft = (windowWidth - site.areaWidth) / 2;
        double blockWidth = site.areaWidth;
        std::smatch boxed;
        if (std::regex_match(between, boxed, box)) {
            blockLeft += std::stod(boxed[1]);
            blockWidth = std::stod(boxed[2]);
            EXPECT_EQ(previewPage.compare(codeAt + code.size(), 6, "</div>"), 0);
        } else {
            EXPECT_EQ(between, "") << "the code is not in the module itself nor in a box";
        }
        EXPECT_EQ(blockLeft + blockWidth / 2 + textToNumber(settings.offset), 0.0);
    }
}

}  // namespace
}  // namespace zelvo
