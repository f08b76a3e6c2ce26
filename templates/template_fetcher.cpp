#include "templates/template_fetcher.h"

#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "templates/http_get.h"

namespace zelvo {

// Owned jointly by the fetcher and its detached worker, so either may go first.
struct TemplateFetcher::Shared {
    explicit Shared(TemplateHandOver handOverFunction) : handOver(std::move(handOverFunction)) {}

    std::mutex mutex;
    // Read without the lock by libcurl's callbacks to cut a transfer off.
    std::atomic<bool> abandoned{false};
    // Cleared by the worker after its last hand-over, read by the window's thread.
    std::atomic<bool> running{true};
    TemplateHandOver handOver;

    // The lock makes a hand-over and abandon exclusive: once abandon has returned, none follows.
    void handOverUnlessAbandoned(TemplateSlot slot, Text text) {
        const std::lock_guard lock(mutex);
        if (!abandoned && handOver) {
            handOver(slot, std::move(text));
        }
    }

    void abandon() {
        const std::lock_guard lock(mutex);
        abandoned = true;
        // Drops whatever the window captured, so nothing of it is reachable from the worker.
        handOver = nullptr;
    }

    // After the last hand-over: the window may start the next sequence from here on.
    void finish() {
        const std::lock_guard lock(mutex);
        running = false;
    }
};

namespace {

constexpr char tmbPath[] = "/gjx/qpdmsc/tmb.txt";
constexpr char jsbPath[] = "/gjx/qpdmsc/jsb.txt";
constexpr char previewJsbPath[] = "/zhongdaili/gongyongshuju/yl/jsb.txt";
constexpr char previewTmbPath[] = "/zhongdaili/gongyongshuju/yl/tmb.txt";

}  // namespace

void TemplateFetcher::runFetchSequence(std::shared_ptr<Shared> shared, std::string base,
                                       std::string previewBase) {
    const CancelCheck cancelled = [&shared] { return shared->abandoned.load(); };
    // Once abandoned, every step is skipped without a request. Tells whether the text was empty.
    auto fetch = [&](const std::string& url, TemplateSlot slot) {
        if (cancelled()) {
            return true;
        }
        Text text = bytesToText(httpGet(url, cancelled));
        const bool empty = isEmpty(text);
        shared->handOverUnlessAbandoned(slot, std::move(text));
        return empty;
    };
    // The repeat is decided from the worker's own first tmb text, never from the store.
    const bool firstTmbEmpty = fetch(base + tmbPath, TemplateSlot::tmb);
    fetch(base + jsbPath, TemplateSlot::jsb);
    fetch(previewBase + previewJsbPath, TemplateSlot::previewJsb);
    fetch(previewBase + previewTmbPath, TemplateSlot::previewTmb);
    if (firstTmbEmpty) {
        fetch(base + tmbPath, TemplateSlot::tmb);
        fetch(base + jsbPath, TemplateSlot::jsb);
    }
    shared->finish();
}

TemplateFetcher::TemplateFetcher() = default;

TemplateFetcher::~TemplateFetcher() {
    abandon();
}

void TemplateFetcher::start(std::string templateBaseAddress, std::string previewTemplateHost,
                            TemplateHandOver handOver) {
    if (abandoned_ || isRunning()) {
        return;
    }
    if (shared_) {
        // The ended sequence's worker may not have exited yet: what the window captured is
        // dropped here, on the window's thread, not with the worker's share of the old state.
        shared_->abandon();
    }
    shared_ = std::make_shared<Shared>(std::move(handOver));
    try {
        std::thread worker(runFetchSequence, shared_, std::move(templateBaseAddress),
                           "http://" + previewTemplateHost);
        // The program may end while the worker is still inside a request; nothing ever joins it.
        worker.detach();
    } catch (const std::system_error&) {
        // No thread, no downloads: every slot stays empty, as after failed downloads.
        shared_->finish();
    }
}

bool TemplateFetcher::isRunning() const {
    return !abandoned_ && shared_ && shared_->running;
}

void TemplateFetcher::abandon() {
    abandoned_ = true;
    if (shared_) {
        shared_->abandon();
    }
}

}  // namespace zelvo
