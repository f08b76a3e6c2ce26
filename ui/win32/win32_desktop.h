#pragma once

// The desktop as the Win32 front-end reaches it: the clipboard as Unicode text, the preview file
// opened through the shell, and the template download, whose results reach the window's thread
// as posted messages.

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "templates/template_fetcher.h"
#include "ui/win32/preview_file.h"
#include "window/desktop.h"

namespace zelvo {

// Where the templates come from.
struct TemplateSource {
    std::string templateBaseAddress;
    std::string previewTemplateHost;
};

// The message that carries one fetch result: wParam the slot, lParam a Text* that the window
// takes over (takeTemplateResult).
inline constexpr UINT templateArrivedMessage = WM_APP + 1;

struct TemplateResult {
    TemplateSlot slot;
    Text text;
};

// Takes over the result that a templateArrivedMessage carries.
std::unique_ptr<TemplateResult> takeTemplateResult(LPARAM lParam);

class Win32Desktop final : public Desktop {
  public:
    Win32Desktop(TemplateSource source, std::optional<std::wstring> programDirectory);
    ~Win32Desktop() override;
    Win32Desktop(const Win32Desktop&) = delete;
    Win32Desktop& operator=(const Win32Desktop&) = delete;

    // The window that owns the clipboard and receives the fetch results; set once it exists.
    void attach(HWND window);

    void copyToClipboard(const Text& text) override;
    void writePreviewFile(const Bytes& bytes) override;
    void openPreviewFile() override;
    void removePreviewFile() override;
    void startTemplateFetch() override;
    bool isTemplateFetchRunning() const override;
    void abandonTemplateFetch() override;

    const PreviewFile& previewFile() const { return previewFile_; }

  private:
    class ResultMailbox;

    HWND window_ = nullptr;
    PreviewFile previewFile_;
    TemplateSource source_;
    std::shared_ptr<ResultMailbox> mailbox_;
    TemplateFetcher fetcher_;
};

}  // namespace zelvo
