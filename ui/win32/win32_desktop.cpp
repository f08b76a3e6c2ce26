#include "ui/win32/win32_desktop.h"

#include <cstring>
#include <mutex>
#include <utility>

#include "ui/win32/text_boundary.h"

namespace zelvo {

// Lets the fetch worker post to the window only until the fetch is abandoned; the mutex makes
// sure the window is never addressed once the mailbox is shut.
class Win32Desktop::ResultMailbox {
  public:
    void open(HWND window) {
        const std::lock_guard lock(mutex_);
        window_ = window;
    }

    void post(TemplateSlot slot, Text text) {
        const std::lock_guard lock(mutex_);
        if (window_ == nullptr) {
            return;
        }
        auto result = std::make_unique<TemplateResult>(TemplateResult{slot, std::move(text)});
        if (PostMessageW(window_, templateArrivedMessage, 0, reinterpret_cast<LPARAM>(result.get()))) {
            // The window's thread owns it now.
            static_cast<void>(result.release());
        }
    }

    void shut() {
        const std::lock_guard lock(mutex_);
        window_ = nullptr;
    }

  private:
    std::mutex mutex_;
    HWND window_ = nullptr;
};

std::unique_ptr<TemplateResult> takeTemplateResult(LPARAM lParam) {
    return std::unique_ptr<TemplateResult>(reinterpret_cast<TemplateResult*>(lParam));
}

Win32Desktop::Win32Desktop(TemplateSource source, std::optional<std::wstring> programDirectory)
    : previewFile_(std::move(programDirectory)),
      source_(std::move(source)),
      mailbox_(std::make_shared<ResultMailbox>()) {}

Win32Desktop::~Win32Desktop() {
    abandonTemplateFetch();
}

void Win32Desktop::attach(HWND window) {
    window_ = window;
    mailbox_->open(window);
}

void Win32Desktop::copyToClipboard(const Text& text) {
    // Unicode text: Windows offers it as ANSI text too, to programs that ask for that.
    const std::wstring wide = toWide(text);
    const std::size_t size = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (memory == nullptr) {
        return;
    }
    void* locked = GlobalLock(memory);
    if (locked == nullptr) {
        GlobalFree(memory);
        return;
    }
    std::memcpy(locked, wide.c_str(), size);
    GlobalUnlock(memory);
    if (!OpenClipboard(window_)) {
        GlobalFree(memory);
        return;
    }
    EmptyClipboard();
    if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
        GlobalFree(memory);
    }
    CloseClipboard();
}

void Win32Desktop::writePreviewFile(const Bytes& bytes) {
    previewFile_.write(bytes);
}

void Win32Desktop::openPreviewFile() {
    previewFile_.open();
}

void Win32Desktop::removePreviewFile() {
    previewFile_.remove();
}

void Win32Desktop::startTemplateFetch() {
    fetcher_.start(
        source_.templateBaseAddress, source_.previewTemplateHost,
        [mailbox = mailbox_](TemplateSlot slot, Text text) { mailbox->post(slot, std::move(text)); });
}

bool Win32Desktop::isTemplateFetchRunning() const {
    return fetcher_.isRunning();
}

void Win32Desktop::abandonTemplateFetch() {
    mailbox_->shut();
    fetcher_.abandon();
}

}  // namespace zelvo
