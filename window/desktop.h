#pragma once

// What the desktop does for the window: the clipboard, the preview page on disk and in the
// browser, and the template download. A front-end implements it for its platform; none of these
// reports a failure, and the behaviour goes on whatever happens.

#include "generator/text_rules.h"

namespace zelvo {

class Desktop {
  public:
    virtual ~Desktop() = default;

    // Replaces the clipboard's content with this one text.
    virtual void copyToClipboard(const Text& text) = 0;

    // Creates or overwrites the preview file with exactly these bytes.
    virtual void writePreviewFile(const Bytes& bytes) = 0;
    // Asks the desktop to open the preview file with its default handler; does not wait.
    virtual void openPreviewFile() = 0;
    // Deletes the preview file this run wrote.
    virtual void removePreviewFile() = 0;

    // Starts the fetch sequence in the background. Results reach the window on its own thread.
    virtual void startTemplateFetch() = 0;
    // True while a fetch sequence is under way.
    virtual bool isTemplateFetchRunning() const = 0;
    // Returns at once; no result is delivered after it and no request is made.
    virtual void abandonTemplateFetch() = 0;
};

}  // namespace zelvo
