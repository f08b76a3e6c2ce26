// The Win32 text boundary under Wine: GBK both ways, the window's own texts, and what happens to a
// character outside GBK with the code page that the system offers.

#include "ui/win32/text_boundary.h"

#include <gtest/gtest.h>

#include <string>

#include "window/window_texts.h"

namespace zelvo {
namespace {

TEST(Win32TextBoundary, TakesGb18030WhereTheSystemHasItAndGbkOtherwise) {
    const bool hasGb18030 = IsValidCodePage(gb18030CodePage) != FALSE;
    EXPECT_EQ(boundaryCodePage(), hasGb18030 ? gb18030CodePage : gbkCodePage);
    // GBK is there everywhere, and every GBK text round-trips through it.
    EXPECT_TRUE(IsValidCodePage(gbkCodePage));
}

TEST(Win32TextBoundary, ConvertsGbkTextsBothWays) {
    const struct {
        const char* name;
        std::wstring string;
        std::string bytes;
    } cases[] = {
        {"empty", L"", ""},
        {"ascii", L"<div>1920</div>", "<div>1920</div>"},
        {"edition", L"生成专业版", "\xC9\xFA\xB3\xC9\xD7\xA8\xD2\xB5\xB0\xE6"},
        {"full-width brackets", L"（950）",
         "\xA3\xA8"
         "950\xA3\xA9"},
        {"line breaks", L"a\r\nb", "a\r\nb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(toText(c.string), c.bytes);
        EXPECT_EQ(toWide(c.bytes), c.string);
    }
}

TEST(Win32TextBoundary, TheWindowsOwnTextsReachTheirControlsAsTheyRead) {
    EXPECT_EQ(toWide(successText), L"恭喜亲！代码制作成功并已完成复制，安装后即可大功告成！");
    EXPECT_EQ(toWide(waitingText), L"正在读取服务器文件，请稍候数秒再试，不影响您配置代码！");
    EXPECT_EQ(toWide(busyGenerateCaption), L"使劲生成中");
    EXPECT_EQ(toWide(inputCaptions[0]), L"代码输入（将生成好的代码安装到950区）");
}

// An emoji keeps its four GB18030 bytes with code page 54936; without it (Wine), GBK has no form
// for it and the code page's default character stands in, while the rest of the text is kept.
TEST(Win32TextBoundary, ACharacterOutsideGbkKeepsItsGb18030FormOnlyWhereTheSystemHasIt) {
    const std::wstring string = L"a😀b";
    const Text text = toText(string);
    if (boundaryCodePage() == gb18030CodePage) {
        EXPECT_EQ(text,
                  "a\x94\x39\xFC\x36"
                  "b");
        EXPECT_EQ(toWide(text), string);
    } else {
        ASSERT_GE(text.size(), 3u);
        EXPECT_EQ(text.front(), 'a');
        EXPECT_EQ(text.back(), 'b');
        EXPECT_EQ(text.find('\0'), std::string::npos);
        EXPECT_EQ(text.substr(1, text.size() - 2).find_first_not_of('?'), std::string::npos) << text;
    }
}

TEST(Win32TextBoundary, AControlStringEndsAtItsFirstZero) {
    EXPECT_EQ(toText(std::wstring(L"ab\0cd", 5)), "ab");
}

}  // namespace
}  // namespace zelvo
