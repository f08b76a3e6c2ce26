// Each event of the window, on a recording fake of its controls and desktop: the exact writes
// and desktop calls it makes, in order.

#include "window/generator_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "generator/code_generator.h"
#include "recording_window.h"
#include "window/window_texts.h"

namespace zelvo {
namespace {

using test::OperationLog;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const Text jsbTemplate = "<div style=\"width:\xBF\xED\xB6\xC8px;margin-left:\xC6\xAB\xD2\xC6px\">" +
                         std::string(codeMarker) + "</div>";  // 宽度, 偏移
const Text previewTemplate = "<body>537206418</body>";

class WindowEvents : public ::testing::Test {
  protected:
    OperationLog log;
    test::RecordingControls controls{log};
    test::RecordingDesktop desktop{log};
    GeneratorWindow window{controls, desktop};

    // Runs one event and returns what it did, alone.
    OperationLog run(const std::function<void()>& event) {
        log.clear();
        event();
        return log;
    }
};

TEST_F(WindowEvents, CreatedStartsTheTemplateFetch) {
    EXPECT_THAT(run([&] { window.created(); }), ElementsAre("startTemplateFetch"));
}

TEST_F(WindowEvents, EditionPickedWritesOffsetThenCaption) {
    struct Case {
        int item;
        std::vector<std::string> writes;
    };
    const Case cases[] = {
        {0, {"setText offsetBox -960", "setText inputGroup " + Text(inputCaptions[0])}},
        {1, {"setText offsetBox -1060", "setText inputGroup " + Text(inputCaptions[1])}},
        {2, {"setText offsetBox -960", "setText inputGroup " + Text(inputCaptions[2])}},
        {-1, {}},
        {3, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        controls.pick(Control::editionList, c.item);
        EXPECT_EQ(run([&] { window.editionPicked(); }), c.writes);
    }
}

TEST_F(WindowEvents, EditionPickedWritesTheOffsetOfTheCurrentWidth) {
    struct Case {
        Text width;
        int item;
        Text offset;
    };
    const Case cases[] = {
        {"1366", 2, "-683"}, {"1366", 1, "-783"}, {"500", 1, "-350"},   {"195", 1, "-197.5"},
        {"", 0, "0"},        {"abc", 1, "-100"},  {"1920", 1, "-1060"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width + " " + std::to_string(c.item));
        controls.type(Control::widthBox, c.width);
        controls.type(Control::offsetBox, "typed by hand");
        controls.pick(Control::editionList, c.item);
        const OperationLog writes = run([&] { window.editionPicked(); });
        ASSERT_EQ(writes.size(), 2U);
        EXPECT_EQ(writes[0], "setText offsetBox " + c.offset);
        EXPECT_EQ(writes[1], "setText inputGroup " + Text(inputCaptions[static_cast<std::size_t>(c.item)]));
    }
}

TEST_F(WindowEvents, WidthEditedWritesTheOffsetForTheCurrentEdition) {
    controls.type(Control::widthBox, "500");
    EXPECT_THAT(run([&] { window.widthEdited(); }), ElementsAre("setText offsetBox -250"));
    controls.pick(Control::editionList, 1);
    EXPECT_THAT(run([&] { window.widthEdited(); }), ElementsAre("setText offsetBox -350"));
    controls.pick(Control::editionList, -1);
    EXPECT_THAT(run([&] { window.widthEdited(); }), IsEmpty());
}

TEST_F(WindowEvents, TopSpacingPresetPickedWritesFlagsThenText) {
    struct Case {
        int item;
        std::vector<std::string> writes;
    };
    const Case cases[] = {
        {3, {"enable topSpacingBox", "show topSpacingBox", "setText topSpacingBox -"}},
        {0, {"hide topSpacingBox", "setText topSpacingBox 0"}},
        {1, {"hide topSpacingBox", "setText topSpacingBox -10"}},
        {2, {"hide topSpacingBox", "setText topSpacingBox -20"}},
        {-1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        controls.pick(Control::topSpacingList, c.item);
        EXPECT_EQ(run([&] { window.topSpacingPresetPicked(); }), c.writes);
    }
}

TEST_F(WindowEvents, GeneratePressedWithItsTemplateDeliversEverythingInOrder) {
    window.templateArrived(TemplateSlot::jsb, jsbTemplate);
    window.templateArrived(TemplateSlot::previewJsb, previewTemplate);
    controls.type(Control::codeInputBox, "<p>\xC4\xE3\xBA\xC3</p>");  // 你好
    const Text generated = "<div style=\"width:1920px;margin-left:-960px\"><p>\xC4\xE3\xBA\xC3</p></div>";

    EXPECT_THAT(
        run([&] { window.generatePressed(); }),
        ElementsAre("show statusLine", "setText statusLine " + Text(successText), "notBold generateButton",
                    "setText generateButton " + Text(busyGenerateCaption), "disable generateButton",
                    "clipboard " + generated, "writePreviewFile <body>" + generated + "</body>",
                    "bold generateButton", "setText generateButton " + Text(doneGenerateCaption),
                    "enable generateButton", "setText outputBox " + generated));
    EXPECT_EQ(controls.text(Control::outputBox), generated);
}

TEST_F(WindowEvents, GeneratePressedWithoutItsCodeTemplateShowsTheWaitingTextAndFetchesAgain) {
    window.created();
    // The Tmall template is there, but the professional edition is chosen.
    window.templateArrived(TemplateSlot::tmb, jsbTemplate);
    const std::vector<std::string> waiting{"show statusLine", "setText statusLine " + Text(waitingText)};
    std::vector<std::string> waitingAndFetch = waiting;
    waitingAndFetch.push_back("startTemplateFetch");

    // While the first fetch runs, a press starts none.
    EXPECT_EQ(run([&] { window.generatePressed(); }), waiting);
    // Once it has ended without the template, a press starts exactly one new sequence...
    desktop.fetchRunning = false;
    EXPECT_EQ(run([&] { window.generatePressed(); }), waitingAndFetch);
    // ...and the next press, while that one runs, none.
    EXPECT_EQ(run([&] { window.generatePressed(); }), waiting);
    EXPECT_EQ(controls.text(Control::generateButton), Text(firstGenerateCaption));
}

TEST_F(WindowEvents, GeneratePressedWithNoEditionChosenOnlyWaits) {
    window.templateArrived(TemplateSlot::jsb, jsbTemplate);
    controls.pick(Control::editionList, -1);
    EXPECT_THAT(run([&] { window.generatePressed(); }),
                ElementsAre("show statusLine", "setText statusLine " + Text(waitingText)));
}

TEST_F(WindowEvents, SmallEventsDoOneThingEach) {
    EXPECT_THAT(run([&] { window.previewPressed(); }), ElementsAre("openPreviewFile"));
    EXPECT_THAT(run([&] { window.timerTicked(); }), ElementsAre("hide statusLine"));
    controls.type(Control::codeInputBox, "user code");
    EXPECT_THAT(run([&] { window.codeInputDoubleClicked(); }), ElementsAre("setText codeInputBox "));
}

TEST_F(WindowEvents, TemplatesAreStoredAsTheyArriveAndTouchNoControl) {
    EXPECT_THAT(run([&] { window.templateArrived(TemplateSlot::previewTmb, "first"); }), IsEmpty());
    window.templateArrived(TemplateSlot::previewTmb, "second");
    EXPECT_EQ(window.templates().get(TemplateSlot::previewTmb), "second");
    window.templateArrived(TemplateSlot::previewTmb, "");
    EXPECT_EQ(window.templates().get(TemplateSlot::previewTmb), "");
}

TEST_F(WindowEvents, ClosingRemovesThePreviewAbandonsTheFetchOnceAndDropsLateResults) {
    EXPECT_THAT(run([&] { window.closing(); }), ElementsAre("removePreviewFile", "abandonTemplateFetch"));
    EXPECT_THAT(run([&] { window.closing(); }), IsEmpty());
    window.templateArrived(TemplateSlot::jsb, jsbTemplate);
    EXPECT_EQ(window.templates().get(TemplateSlot::jsb), "");
}

}  // namespace
}  // namespace zelvo
