#pragma once

// Downloads the four templates one after another on a worker thread, and hands each text over
// (slot, text) in fetch order. The worker never touches the window or its store. A sequence may
// be started again once the one before has ended; never are two under way at once.

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

    // Starts a worker for the whole sequence and returns at once. `templateBaseAddress` +
    // "/gjx/qpdmsc/tmb.txt" and ".../jsb.txt", then http://`previewTemplateHost` + the two preview
    // paths; tmb and jsb once more when the first tmb text was empty. Does nothing while a
    // sequence is under way, and nothing ever after abandon(); otherwise, also after a sequence
    // has ended, starts the sequence anew with the same requests in the same order.
    void start(std::string templateBaseAddress, std::string previewTemplateHost, TemplateHandOver handOver);

    // True from start() until the worker has handed over the last result of its sequence; false
    // after abandon().
    bool isRunning() const;

    // Returns at once. From then on nothing is handed over, no request is made and start() does
    // nothing; the transfer under way is cut off.
    void abandon();

  private:
    struct Shared;
    static void runFetchSequence(std::shared_ptr<Shared> shared, std::string base, std::string previewBase);

    // The sequence started last; a worker that has ended keeps nothing of it.
    std::shared_ptr<Shared> shared_;
    bool abandoned_ = false;
};

}  // namespace zelvo
