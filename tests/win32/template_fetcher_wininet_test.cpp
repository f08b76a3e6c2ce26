// The fetch worker over WinINet, under Wine: the four requests byte for byte in fetch order, the
// one repeat, and an abandon that returns at once while a request hangs.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "templates/template_fetcher.h"
#include "tests/support/test_http_server.h"
#include "tests/templates/handover_log.h"

namespace zelvo {
namespace {

using namespace std::chrono_literals;
using test::HandOver;
using test::HandOverLog;
using test::TestHttpServer;
using ::testing::ElementsAre;

const std::string tmbPath = "/gjx/qpdmsc/tmb.txt";
const std::string jsbPath = "/gjx/qpdmsc/jsb.txt";
const std::string previewJsbPath = "/zhongdaili/gongyongshuju/yl/jsb.txt";
const std::string previewTmbPath = "/zhongdaili/gongyongshuju/yl/tmb.txt";

// Long enough for a wrongly made further request to show: the worker makes it at once.
constexpr auto quietPeriod = 500ms;
constexpr auto patience = 20s;

std::string requestFor(const TestHttpServer& server, const std::string& target) {
    return "GET " + target + " HTTP/1.0\r\nHost: " + server.host() +
           "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\nAccept: */*\r\n\r\n";
}

class WinInetFetcher : public ::testing::Test {
  protected:
    void start() {
        fetcher.start(codeServer.baseAddress(), preview.host(),
                      [log = log](TemplateSlot slot, Text text) { log->add(slot, std::move(text)); });
    }

    std::vector<HandOver> handOversSettledAt(std::size_t count) {
        EXPECT_TRUE(log->waitForCount(count, patience));
        EXPECT_FALSE(log->waitForCount(count + 1, quietPeriod)) << "more hand-overs than expected";
        return log->handOvers();
    }

    TestHttpServer codeServer;
    TestHttpServer preview;
    std::shared_ptr<HandOverLog> log = std::make_shared<HandOverLog>();
    TemplateFetcher fetcher;
};

TEST_F(WinInetFetcher, SendsTheFourRequestsInOrderAndHandsEachTextOver) {
    codeServer.serve(tmbPath, test::ok("tmall code"));
    codeServer.serve(jsbPath, test::ok("shop code"));
    preview.serve(previewJsbPath, test::ok("preview jsb"));
    preview.serve(previewTmbPath, test::ok("preview tmb"));

    start();

    EXPECT_THAT(handOversSettledAt(4), ElementsAre(HandOver{TemplateSlot::tmb, "tmall code"},
                                                   HandOver{TemplateSlot::jsb, "shop code"},
                                                   HandOver{TemplateSlot::previewJsb, "preview jsb"},
                                                   HandOver{TemplateSlot::previewTmb, "preview tmb"}));
    EXPECT_THAT(codeServer.requests(),
                ElementsAre(requestFor(codeServer, tmbPath), requestFor(codeServer, jsbPath)));
    EXPECT_THAT(preview.requests(),
                ElementsAre(requestFor(preview, previewJsbPath), requestFor(preview, previewTmbPath)));
}

TEST_F(WinInetFetcher, AnErrorPageForTmbIsNoTemplateAndBringsTheRepeat) {
    codeServer.serve(tmbPath, std::vector{test::errorPage("404 Not Found", "<html>missing</html>"),
                                          test::ok("tmall code")});
    codeServer.serve(jsbPath, test::ok("shop code"));

    start();

    const auto handOvers = handOversSettledAt(6);
    EXPECT_EQ(handOvers[0], (HandOver{TemplateSlot::tmb, ""}));
    EXPECT_EQ(handOvers[4], (HandOver{TemplateSlot::tmb, "tmall code"}));
    EXPECT_EQ(codeServer.targets(), (std::vector{tmbPath, jsbPath, tmbPath, jsbPath}));
}

TEST_F(WinInetFetcher, AbandonDuringAHangReturnsAtOnceAndNothingFollows) {
    codeServer.serve(tmbPath, test::hang());
    start();
    ASSERT_TRUE(codeServer.waitForRequests(1, patience));

    // The server still hangs here: an abandon that waited for the request would never return.
    fetcher.abandon();
    EXPECT_FALSE(fetcher.isRunning());

    codeServer.releaseHangs();
    EXPECT_FALSE(log->waitForCount(1, quietPeriod));
    EXPECT_EQ(codeServer.targets().size(), 1u);
}

}  // namespace
}  // namespace zelvo
