#pragma once

// The window's four template texts. Lives on the window's thread only; needs no lock.

#include <utility>

#include "generator/template_texts.h"

namespace zelvo {

class TemplateStore {
  public:
    // Replaces the slot's whole text; an empty text wipes what an earlier result stored.
    void put(TemplateSlot slot, Text text) { texts_[slot] = std::move(text); }
    // The last text stored for the slot, or the empty text while none has been.
    const Text& get(TemplateSlot slot) const { return texts_[slot]; }
    const TemplateTexts& texts() const { return texts_; }

  private:
    TemplateTexts texts_;
};

}  // namespace zelvo
