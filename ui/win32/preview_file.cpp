#include "ui/win32/preview_file.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace zelvo {

namespace {

constexpr wchar_t fileName[] = L"yl.htm";
constexpr wchar_t privateFolderName[] = L"zelvo-fullscreen";

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};

enum class Outcome { written, failed, directoryNotWritable };

// Opens the path itself, never what a reparse point there leads to, and writes only when it is a
// regular file; the share mode keeps every other program out while it is open.
Outcome writeFile(const std::wstring& path, const Bytes& bytes) {
    HANDLE opened = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const bool fileExists = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        return !fileExists && (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT)
                   ? Outcome::directoryNotWritable
                   : Outcome::failed;
    }
    const std::unique_ptr<void, HandleCloser> file(opened);
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileType(opened) != FILE_TYPE_DISK || !GetFileInformationByHandle(opened, &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        return Outcome::failed;
    }
    if (!SetEndOfFile(opened)) {
        return Outcome::failed;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(opened, bytes.data() + done, piece, &written, nullptr) || written == 0) {
            return Outcome::failed;
        }
        done += written;
    }
    return Outcome::written;
}

// The private folder exists as a real directory (not a junction elsewhere) or is made.
bool ensurePrivateFolder(const std::wstring& folder) {
    CreateDirectoryW(folder.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

}  // namespace

std::optional<std::wstring> programDirectory() {
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) {
            return std::nullopt;
        }
        if (length < name.size()) {
            std::wstring path(name.data(), length);
            const auto cut = path.rfind(L'\\');
            if (cut == std::wstring::npos) {
                return std::nullopt;
            }
            path.resize(cut);
            return path;
        }
        name.resize(name.size() * 2);
    }
}

std::wstring temporaryDirectory() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring directory(buffer, length <= MAX_PATH ? length : 0);
    while (!directory.empty() && directory.back() == L'\\') {
        directory.pop_back();
    }
    return directory;
}

PreviewFile::PreviewFile(std::optional<std::wstring> directory, std::wstring temporaryDirectory)
    : directory_(std::move(directory)), temporaryDirectory_(std::move(temporaryDirectory)) {}

std::wstring PreviewFile::path() const {
    return directory_ ? *directory_ + L'\\' + fileName : privatePath();
}

std::wstring PreviewFile::privatePath() const {
    return temporaryDirectory_ + L'\\' + privateFolderName + L'\\' + fileName;
}

std::wstring PreviewFile::openedPath() const {
    return written_.value_or(path());
}

bool PreviewFile::write(const Bytes& bytes) {
    if (directory_) {
        const Outcome outcome = writeFile(path(), bytes);
        if (outcome != Outcome::directoryNotWritable) {
            if (outcome == Outcome::written) {
                written_ = path();
            }
            return outcome == Outcome::written;
        }
    }
    if (!ensurePrivateFolder(temporaryDirectory_ + L'\\' + privateFolderName)) {
        return false;
    }
    const bool written = writeFile(privatePath(), bytes) == Outcome::written;
    if (written) {
        written_ = privatePath();
    }
    return written;
}

void PreviewFile::open() const {
    ShellExecuteW(nullptr, L"open", openedPath().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void PreviewFile::remove() const {
    DeleteFileW(path().c_str());
    if (written_ && *written_ != path()) {
        DeleteFileW(written_->c_str());
    }
}

}  // namespace zelvo
