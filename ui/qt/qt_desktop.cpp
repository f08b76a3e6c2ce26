#include "ui/qt/qt_desktop.h"

#include <QClipboard>
#include <QGuiApplication>
#include <mutex>
#include <utility>

#include "ui/qt/text_boundary.h"

namespace zelvo {

// Lets the fetch worker post to the window only until the fetch is abandoned; the mutex makes
// sure the window is never addressed once the mailbox is shut.
class QtDesktop::ResultMailbox {
  public:
    ResultMailbox(QObject* window, Delivery deliver) : window_(window), deliver_(std::move(deliver)) {}

    void post(TemplateSlot slot, Text text) {
        const std::lock_guard lock(mutex_);
        if (window_ == nullptr) {
            return;
        }
        QMetaObject::invokeMethod(
            window_,
            [deliver = deliver_, slot, text = std::move(text)]() mutable { deliver(slot, std::move(text)); },
            Qt::QueuedConnection);
    }

    void shut() {
        const std::lock_guard lock(mutex_);
        window_ = nullptr;
    }

  private:
    std::mutex mutex_;
    QObject* window_;
    Delivery deliver_;
};

QtDesktop::QtDesktop(QObject* window, TemplateSource source, std::optional<std::string> programDirectory,
                     Delivery deliver)
    : previewFile_(std::move(programDirectory)),
      source_(std::move(source)),
      mailbox_(std::make_shared<ResultMailbox>(window, std::move(deliver))) {}

QtDesktop::~QtDesktop() {
    abandonTemplateFetch();
}

void QtDesktop::copyToClipboard(const Text& text) {
    // On X11 this is the CLIPBOARD selection, which other programs paste from.
    QGuiApplication::clipboard()->setText(toQString(text), QClipboard::Clipboard);
}

void QtDesktop::writePreviewFile(const Bytes& bytes) {
    previewFile_.write(bytes);
}

void QtDesktop::openPreviewFile() {
    previewFile_.open();
}

void QtDesktop::removePreviewFile() {
    previewFile_.remove();
}

void QtDesktop::startTemplateFetch() {
    fetcher_.start(source_.templateBaseAddress, source_.previewTemplateHost, templateHandOver());
}

bool QtDesktop::isTemplateFetchRunning() const {
    return fetcher_.isRunning();
}

void QtDesktop::abandonTemplateFetch() {
    mailbox_->shut();
    fetcher_.abandon();
}

TemplateHandOver QtDesktop::templateHandOver() {
    return [mailbox = mailbox_](TemplateSlot slot, Text text) { mailbox->post(slot, std::move(text)); };
}

}  // namespace zelvo
