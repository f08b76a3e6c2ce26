#include "window/generator_window.h"

#include <utility>
#include <variant>

#include "generator/code_generator.h"
#include "window/window_texts.h"

namespace zelvo {

GeneratorWindow::GeneratorWindow(WindowControls& controls, Desktop& desktop)
    : controls_(controls), desktop_(desktop) {}

void GeneratorWindow::created() {
    desktop_.startTemplateFetch();
}

void GeneratorWindow::editionPicked() {
    applyWrites(applyEdition(settings(), controls_.currentItem(Control::editionList)));
}

void GeneratorWindow::widthEdited() {
    applyWrites(applyWidth(settings()));
}

void GeneratorWindow::topSpacingPresetPicked() {
    applyWrites(applyTopSpacingPreset(settings(), controls_.currentItem(Control::topSpacingList)));
}

void GeneratorWindow::generatePressed() {
    const int edition = controls_.currentItem(Control::editionList);
    if (CodeGenerator::isTemplateMissing(edition, templates_.texts())) {
        showStatus(waitingText);
        // A fetch that ended without the template would otherwise leave the waiting text true for
        // the rest of the run: ask again, unless a fetch is still under way.
        if (editionFromItem(edition) && !desktop_.isTemplateFetchRunning()) {
            desktop_.startTemplateFetch();
        }
        return;
    }
    // The success text comes first, before any of the work.
    showStatus(successText);

    controls_.setBold(Control::generateButton, false);
    controls_.setText(Control::generateButton, Text(busyGenerateCaption));
    controls_.setEnabled(Control::generateButton, false);

    const GenerationResult result =
        CodeGenerator::generate(settings(), controls_.text(Control::codeInputBox), templates_.texts());
    const auto& generated = std::get<GeneratedCode>(result);
    desktop_.copyToClipboard(generated.generatedCode);
    desktop_.writePreviewFile(textToBytes(generated.previewPage));

    controls_.setBold(Control::generateButton, true);
    controls_.setText(Control::generateButton, Text(doneGenerateCaption));
    controls_.setEnabled(Control::generateButton, true);

    controls_.setText(Control::outputBox, generated.generatedCode);
}

void GeneratorWindow::previewPressed() {
    desktop_.openPreviewFile();
}

void GeneratorWindow::timerTicked() {
    controls_.setVisible(Control::statusLine, false);
}

void GeneratorWindow::codeInputDoubleClicked() {
    controls_.setText(Control::codeInputBox, {});
}

void GeneratorWindow::templateArrived(TemplateSlot slot, Text text) {
    // Handed over before the closing steps but delivered after them.
    if (!closed_) {
        templates_.put(slot, std::move(text));
    }
}

void GeneratorWindow::closing() {
    if (closed_) {
        return;
    }
    closed_ = true;
    desktop_.removePreviewFile();
    desktop_.abandonTemplateFetch();
}

GeneratorSettings GeneratorWindow::settings() const {
    GeneratorSettings current;
    current.edition = controls_.currentItem(Control::editionList);
    current.width = controls_.text(Control::widthBox);
    current.height = controls_.text(Control::heightBox);
    current.offset = controls_.text(Control::offsetBox);
    current.topSpacingPreset = controls_.currentItem(Control::topSpacingList);
    current.topSpacing = controls_.text(Control::topSpacingBox);
    return current;
}

void GeneratorWindow::applyWrites(const SettingsWrites& writes) {
    for (const SettingsWrite& write : writes) {
        switch (write.target) {
            case SettingsWrite::Target::offset:
                controls_.setText(Control::offsetBox, write.text);
                break;
            case SettingsWrite::Target::inputCaption:
                controls_.setText(Control::inputGroup, write.text);
                break;
            case SettingsWrite::Target::topSpacing:
                controls_.setText(Control::topSpacingBox, write.text);
                break;
            case SettingsWrite::Target::topSpacingBoxVisible:
                controls_.setVisible(Control::topSpacingBox, write.flag);
                break;
            case SettingsWrite::Target::topSpacingBoxEnabled:
                controls_.setEnabled(Control::topSpacingBox, write.flag);
                break;
        }
    }
}

void GeneratorWindow::showStatus(std::string_view text) {
    controls_.setVisible(Control::statusLine, true);
    controls_.setText(Control::statusLine, Text(text));
}

}  // namespace zelvo
