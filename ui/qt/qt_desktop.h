#pragma once

// The desktop as the Qt front-end reaches it: the system clipboard, the preview file opened with
// the desktop's default handler, and the template download, whose results hop to the window's
// thread through the window's event queue.

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "templates/template_fetcher.h"
#include "ui/qt/preview_file.h"
#include "window/desktop.h"

namespace zelvo {

// Where the templates come from.
struct TemplateSource {
    std::string templateBaseAddress;
    std::string previewTemplateHost;
};

class QtDesktop final : public Desktop {
  public:
    // Runs on the window's thread with each fetch result.
    using Delivery = std::function<void(TemplateSlot, Text)>;

    // `window` is the object whose thread and lifetime the deliveries follow.
    // Without a program directory the preview file lives in the private temporary folder only.
    QtDesktop(QObject* window, TemplateSource source, std::optional<std::string> programDirectory,
              Delivery deliver);
    ~QtDesktop() override;
    QtDesktop(const QtDesktop&) = delete;
    QtDesktop& operator=(const QtDesktop&) = delete;

    void copyToClipboard(const Text& text) override;
    void writePreviewFile(const Bytes& bytes) override;
    void openPreviewFile() override;
    void removePreviewFile() override;
    void startTemplateFetch() override;
    bool isTemplateFetchRunning() const override;
    void abandonTemplateFetch() override;

    // What the fetch worker calls from its own thread: posts the result to the window's thread,
    // unless the fetch has been abandoned by then.
    TemplateHandOver templateHandOver();
    PreviewFile& previewFile() { return previewFile_; }
    const PreviewFile& previewFile() const { return previewFile_; }

  private:
    class ResultMailbox;

    PreviewFile previewFile_;
    TemplateSource source_;
    std::shared_ptr<ResultMailbox> mailbox_;
    TemplateFetcher fetcher_;
};

}  // namespace zelvo
