#include "generator/text_rules.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/generator/gbk_literals.h"
#include "tests/support/reference_replace.h"

namespace zelvo {
namespace {

using test::kuandu;

struct ReplaceCase {
    const char* name;
    std::string text;
    std::string find;
    std::string replacement;
    std::int32_t start;
    std::int32_t count;
    bool caseSensitive;
    std::string expected;
};

// 丄 is 81 41 and 乤 is 81 61: their second bytes look like "A" and "a".
const std::string shang = "\x81\x41";
const std::string sha = "\x81\x61";

TEST(ReplaceCounted, FollowsTheScanRules) {
    const ReplaceCase cases[] = {
        {"fourth occurrence stays", kuandu + kuandu + "x" + kuandu + kuandu, kuandu, "1920", 1, 3, false,
         "19201920x1920" + kuandu},
        {"matches never overlap", "aaa", "aa", "X", 1, -1, false, "Xa"},
        {"inserted text is not rescanned", "ab", "a", "aa", 1, -1, false, "aab"},
        {"start 2 skips the first byte", "abab", "a", "X", 2, -1, true, "abXb"},
        {"start 1", "abab", "a", "X", 1, -1, true, "XbXb"},
        {"start 0 counts as 1", "abab", "a", "X", 0, -1, true, "XbXb"},
        {"negative start counts as 1", "abab", "a", "X", -5, -1, true, "XbXb"},
        {"start past the end", "abab", "a", "X", 5, -1, true, "abab"},
        {"count 0 changes nothing", "abab", "a", "X", 1, 0, true, "abab"},
        {"empty find changes nothing", "abab", "", "X", 1, -1, true, "abab"},
        {"empty text", "", "a", "X", 1, -1, true, ""},
        {"empty replacement deletes", "a-b-c", "-", "", 1, -1, true, "abc"},
        {"count limits from the left", "a.a.a.a", "a", "X", 1, 2, true, "X.X.a.a"},
        {"case-blind", "Width WIDTH width", "width", "w", 1, -1, false, "w w w"},
        {"case-sensitive", "Width WIDTH width", "width", "w", 1, -1, true, "Width WIDTH w"},
        {"full-width letters never fold", "\xA3\xD7\xA3\xE9\xA3\xE4\xA3\xF4\xA3\xE8", "width", "w", 1, -1,
         false, "\xA3\xD7\xA3\xE9\xA3\xE4\xA3\xF4\xA3\xE8"},
        {"second byte is never a match start", shang + "A", "A", "X", 1, -1, true, shang + "X"},
        {"case-blind folds second bytes", sha, shang, "Y", 1, -1, false, "Y"},
        {"case-sensitive keeps second bytes", sha, shang, "Y", 1, -1, true, sha},
        {"start inside a character realigns there",
         "\xB0\xA1"
         "A",
         "\xA1"
         "A",
         "X", 2, -1, true, "\xB0X"},
        {"find longer than text", "ab", "abc", "X", 1, -1, true, "ab"},
        {"match at the very end", "xx" + kuandu, kuandu, "W", 1, -1, true, "xxW"},
        {"ASCII run longer than a word before a match", std::string(37, 'a') + "Q", "q", "!", 1, -1, false,
         std::string(37, 'a') + "!"},
        {"two-byte characters before a candidate", std::string(9, '\xB0') + "a", "a", "!", 1, -1, true,
         std::string(9, '\xB0') + "a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(replaceCounted(c.text, c.find, c.replacement, c.start, c.count, c.caseSensitive),
                  c.expected);
    }
}

// The simple scan is the reference that the fuzz target compares with too.
TEST(ReplaceCounted, AgreesWithTheSimpleScanOnRandomTexts) {
    std::mt19937 random(20261211);
    const char alphabet[] = {'a', 'A', 'b', '<', '\x81', '\xB0', '\xC1', '\xE1', '\x61', '\x41'};
    auto randomText = [&](std::size_t maxLength) {
        std::string s(random() % (maxLength + 1), ' ');
        for (auto& c : s) {
            c = alphabet[random() % sizeof alphabet];
        }
        return s;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::string text = randomText(40);
        std::string find = randomText(3);
        if (find.empty() || (find.size() == 1 && (static_cast<unsigned char>(find[0]) & 0x80))) {
            find = "a";  // a lone lead byte as find is left open by the rules
        }
        const std::string replacement = randomText(3);
        const int start = static_cast<int>(random() % 45) - 2;
        const int count = static_cast<int>(random() % 5) - 1;
        const bool caseSensitive = random() % 2 == 0;
        SCOPED_TRACE(testing::Message() << "case " << i);
        ASSERT_EQ(replaceCounted(text, find, replacement, start, count, caseSensitive),
                  test::referenceReplace(text, find, replacement, start, count, caseSensitive).text);
    }
}

TEST(Bytes, ConvertAtTheFirstZeroByteAndNowhereElse) {
    EXPECT_EQ(bytesToText(Bytes{'1', '2', '\0', '3'}), "12");
    EXPECT_EQ(bytesToText(Bytes{}), "");
    EXPECT_EQ(bytesToText(Bytes{'\0', 'a'}), "");
    EXPECT_EQ(bytesToText(Bytes{'\xEF', '\xBB', '\xBF', 'a'}),
              "\xEF\xBB\xBF"
              "a");  // a BOM stays

    EXPECT_EQ(textToBytes("yl.htm"), (Bytes{'y', 'l', '.', 'h', 't', 'm'}));
    EXPECT_TRUE(textToBytes("").empty());

    EXPECT_TRUE(isEmpty(""));
    EXPECT_FALSE(isEmpty(" "));
}

}  // namespace
}  // namespace zelvo
