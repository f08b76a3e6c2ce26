#pragma once

// The four downloaded template texts and the slots that name them.

#include <array>
#include <cstddef>

#include "generator/text_rules.h"

namespace zelvo {

// In fetch order: the Tmall code template, the code template of the professional and basic
// editions, then their preview templates.
enum class TemplateSlot { tmb = 0, jsb = 1, previewJsb = 2, previewTmb = 3 };

inline constexpr std::array<TemplateSlot, 4> allTemplateSlots{
    TemplateSlot::tmb, TemplateSlot::jsb, TemplateSlot::previewJsb, TemplateSlot::previewTmb};

// One text per slot; a slot that holds nothing is the empty text.
struct TemplateTexts {
    std::array<Text, 4> texts;

    Text& operator[](TemplateSlot slot) { return texts[static_cast<std::size_t>(slot)]; }
    const Text& operator[](TemplateSlot slot) const { return texts[static_cast<std::size_t>(slot)]; }
};

}  // namespace zelvo
