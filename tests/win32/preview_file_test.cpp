// yl.htm under Wine: beside the program, exact bytes, overwritten whole, shared by nobody while it
// is written, and in the user's temporary folder when there is no program directory to write.

#include "ui/win32/preview_file.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace zelvo {
namespace {

namespace fs = std::filesystem;

std::string contentOf(const std::wstring& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bytes bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

class Win32PreviewFile : public ::testing::Test {
  protected:
    void SetUp() override {
        directory =
            fs::temp_directory_path() / ("zelvo-preview-test-" + std::to_string(GetCurrentProcessId()));
        fs::create_directories(directory);
    }
    void TearDown() override { fs::remove_all(directory); }

    fs::path directory;
};

TEST_F(Win32PreviewFile, ProgramDirectoryIsTheExecutablesFolderWithoutATrailingBackslash) {
    const auto found = programDirectory();
    ASSERT_TRUE(found.has_value());
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    EXPECT_EQ(*found + L"\\" + fs::path(module).filename().wstring(), std::wstring(module));
    EXPECT_NE(found->back(), L'\\');
}

TEST_F(Win32PreviewFile, PathIsTheDirectoryABackslashAndYlHtm) {
    EXPECT_EQ(PreviewFile(L"C:").path(), L"C:\\yl.htm");
    EXPECT_EQ(PreviewFile(L"C:\\工具").path(), L"C:\\工具\\yl.htm");
}

TEST_F(Win32PreviewFile, WritesExactBytesAndASecondWriteReplacesTheFirstWhole) {
    PreviewFile file(directory.wstring());
    const std::string withZero("<html>\0\xB0\xA1</html>", 15);

    ASSERT_TRUE(file.write(bytesOf(withZero + "a long first page")));
    ASSERT_TRUE(file.write(bytesOf(withZero)));
    EXPECT_EQ(contentOf(file.path()), withZero);

    ASSERT_TRUE(file.write({}));
    EXPECT_TRUE(fs::exists(fs::path(file.path())));
    EXPECT_EQ(fs::file_size(fs::path(file.path())), 0u);
    EXPECT_EQ(file.openedPath(), file.path());
}

TEST_F(Win32PreviewFile, AFileInUseIsLeftAsItWas) {
    PreviewFile file(directory.wstring());
    ASSERT_TRUE(file.write(bytesOf("first")));
    HANDLE held = CreateFileW(file.path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    EXPECT_FALSE(file.write(bytesOf("second")));
    CloseHandle(held);

    EXPECT_EQ(contentOf(file.path()), "first");
}

// A link planted at the path must not redirect the write to a file elsewhere.
TEST_F(Win32PreviewFile, NeverWritesThroughALinkAtThePath) {
    PreviewFile file(directory.wstring());
    const fs::path target = directory / "elsewhere.txt";
    std::ofstream(target) << "untouched";
    // Wine 8 answers CreateSymbolicLinkW with success and makes nothing.
    CreateSymbolicLinkW(file.path().c_str(), target.wstring().c_str(), 0);
    const DWORD attributes = GetFileAttributesW(file.path().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        GTEST_SKIP() << "this system makes no symbolic links";
    }

    EXPECT_FALSE(file.write(bytesOf("page")));

    EXPECT_EQ(contentOf(target.wstring()), "untouched");
}

TEST_F(Win32PreviewFile, ARemoveDeletesTheFileAndNothingElse) {
    PreviewFile file(directory.wstring());
    std::ofstream(directory / "other.htm") << "kept";
    ASSERT_TRUE(file.write(bytesOf("page")));

    file.remove();
    file.remove();

    EXPECT_FALSE(fs::exists(fs::path(file.path())));
    EXPECT_TRUE(fs::exists(directory / "other.htm"));
}

TEST_F(Win32PreviewFile, WithoutAProgramDirectoryThePageGoesToTheUsersTemporaryFolder) {
    PreviewFile file(std::nullopt, directory.wstring());

    ASSERT_TRUE(file.write(bytesOf("page")));

    EXPECT_EQ(file.path(), file.privatePath());
    EXPECT_EQ(file.privatePath(), (directory / "zelvo-fullscreen" / "yl.htm").wstring());
    EXPECT_EQ(contentOf(file.privatePath()), "page");
    EXPECT_EQ(file.openedPath(), file.privatePath());
    file.remove();
    EXPECT_FALSE(fs::exists(fs::path(file.privatePath())));
}

TEST_F(Win32PreviewFile, TheTemporaryDirectoryHasNoTrailingBackslash) {
    const std::wstring temporary = temporaryDirectory();
    ASSERT_FALSE(temporary.empty());
    EXPECT_NE(temporary.back(), L'\\');
    EXPECT_TRUE(fs::is_directory(fs::path(temporary)));
}

}  // namespace
}  // namespace zelvo
