#pragma once

// Downloads the four templates once, one after another, on one worker thread, and hands each
// text over (slot, text) in fetch order. The worker never touches the window or its store.

#include <functional>
#include <memory>
#include <string>

#include "generator/template_texts.h"

namespace zelvo {

// Called on the worker thread; the window posts the result to its own thread.
using TemplateHandOver = std::function<void(TemplateSlot, Text)>;

class TemplateFetcher {
  public:
    TemplateFetcher();
    // Abandons the fetch. Never joins the worker: it may still be inside a request when the program ends.
    ~TemplateFetcher();
    TemplateFetcher(const TemplateFetcher&) = delete;
    TemplateFetcher& operator=(const TemplateFetcher&) = delete;

    // Starts the worker and returns at once. `templateBaseAddress` + "/gjx/qpdmsc/tmb.txt" and
    // ".../jsb.txt", then http://`previewTemplateHost` + the two preview paths; tmb and jsb once
    // more when the first tmb text was empty.
    void start(std::string templateBaseAddress, std::string previewTemplateHost, TemplateHandOver handOver);

    // Returns at once. From then on nothing is handed over and no request is made; the transfer
    // under way is cut off. Does nothing when the worker has finished or never started.
    void abandon();

  private:
    struct Shared;
    static void runFetchSequence(std::shared_ptr<Shared> shared, std::string base, std::string previewBase);

    std::shared_ptr<Shared> shared_;
};

}  // namespace zelvo
