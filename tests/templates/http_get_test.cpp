// The HTTP client against the raw-socket loopback server: the request bytes and the rules for what
// comes back, the same for both clients (libcurl on Linux, WinINet on Windows under Wine). What
// one client does its own way is tested beside it: http_get_curl_test.cpp and
// tests/win32/http_get_wininet_test.cpp.

#include "templates/http_get.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "templates/read_buffer.h"
#include "tests/support/test_http_server.h"
#include "tests/templates/http_test_support.h"

namespace zelvo {
namespace {

using namespace std::chrono_literals;
using test::asString;
using test::patterned;
using test::requestFor;
using test::TestHttpServer;
using ::testing::HasSubstr;
using ::testing::Not;

#ifdef _WIN32
// A file every Windows has.
const std::string localFileUrl = "file:///c:/windows/win.ini";
// Wine names the default port in the absolute target it sends to a proxy; either form is the same
// resource.
const std::vector<std::string> proxiedTargets = {"http://templates.example/gjx/qpdmsc/jsb.txt",
                                                 "http://templates.example:80/gjx/qpdmsc/jsb.txt"};
// Wine's WinINet reads on until the server closes and keeps what follows the announced length.
const std::string bodyPastASmallerContentLength = "0123456789";
#else
const std::string localFileUrl = "file:///etc/hostname";
const std::vector<std::string> proxiedTargets = {"http://templates.example/gjx/qpdmsc/jsb.txt"};
// libcurl stops at the announced length and drops the rest.
const std::string bodyPastASmallerContentLength = "0123";
#endif

TEST(HttpGetTest, SendsExactlyTheRequestLineAndThreeHeadersWithoutTheFragment) {
    TestHttpServer server;
    server.serve("/gjx/qpdmsc/tmb.txt?v=1", test::ok("template"));

    const Bytes body = httpGet(server.baseAddress() + "/gjx/qpdmsc/tmb.txt?v=1#part2");

    EXPECT_EQ(asString(body), "template");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0], "GET /gjx/qpdmsc/tmb.txt?v=1 HTTP/1.0\r\nHost: " + server.host() +
                                        "\r\n" + test::userAgentLine + "Accept: */*\r\n\r\n");
}

TEST(HttpGetTest, ReturnsTheWholeBodyOfASuccessfulResponse) {
    const std::string large = patterned(600 * 1024);
    const std::string longWithoutLength = patterned(300 * 1024 + 17);
    const std::string withZero("ab\0cd", 5);
    struct Case {
        const char* name;
        test::Reply reply;
        std::string expected;
    } cases[] = {
        {"plain text", test::ok("<div>宽度</div>"), "<div>宽度</div>"},
        {"several hundred KiB", test::ok(large), large},
        {"no Content-Length", test::withoutLength(longWithoutLength), longWithoutLength},
        {"zero byte", test::ok(withZero), withZero},
        {"closed mid-body, Content-Length larger than the body", test::closedMidBody("first half", 1000),
         "first half"},
        {"reset mid-body", test::resetMidBody("before the reset", 1000), "before the reset"},
        {"Content-Length smaller than the body", test::misstatedLength("0123456789", 4),
         bodyPastASmallerContentLength},
        {"empty body", test::ok(""), ""},
    };
    TestHttpServer server;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = "/body-" + std::to_string(&c - cases) + ".txt";
        server.serve(path, c.reply);
        const std::string received = asString(httpGet(server.baseAddress() + path));
        EXPECT_EQ(received.size(), c.expected.size());
        EXPECT_TRUE(received == c.expected);
    }
}

// Judged by the final response, after redirects: an error page is no template.
TEST(HttpGetTest, AStatusOutside200To299GivesNoBytes) {
    const struct {
        const char* name;
        std::vector<std::pair<std::string, test::Reply>> replies;  // the first is requested
        std::string expected;
    } cases[] = {
        {"404 with a page", {{"/a.txt", test::errorPage("404 Not Found", "<html>missing</html>")}}, ""},
        {"401 with a page", {{"/a.txt", test::errorPage("401 Unauthorized", "<html>log in</html>")}}, ""},
        {"500", {{"/a.txt", test::errorPage("500 Internal Server Error", "oops")}}, ""},
        {"a redirect without a place to go",
         {{"/a.txt", test::errorPage("300 Multiple Choices", "pick")}},
         ""},
        {"a redirect ending in 404",
         {{"/a.txt", test::redirectTo("/b.txt")},
          {"/b.txt", test::errorPage("404 Not Found", "<html>gone</html>")}},
         ""},
        {"200 after a redirect",
         {{"/a.txt", test::redirectTo("/b.txt")}, {"/b.txt", test::ok("moved here")}},
         "moved here"},
        {"201 with a body", {{"/a.txt", test::errorPage("201 Created", "made")}}, "made"},
        {"299 with a body", {{"/a.txt", test::errorPage("299 Unusual", "still fine")}}, "still fine"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestHttpServer server;
        for (const auto& [target, reply] : c.replies) {
            server.serve(target, reply);
        }
        EXPECT_EQ(asString(httpGet(server.baseAddress() + c.replies.front().first)), c.expected);
        EXPECT_EQ(server.targets().size(), c.replies.size()) << "each response requested once";
    }
}

// A Location names the new place relative to the old one or in full.
TEST(HttpGetTest, FollowsRedirectsWithTheSameRequest) {
    for (const bool absolute : {false, true}) {
        SCOPED_TRACE(absolute ? "absolute Location" : "relative Location");
        TestHttpServer server;
        server.serve("/old.txt", test::redirectTo((absolute ? server.baseAddress() : "") + "/new.txt"));
        server.serve("/new.txt", test::ok("moved here"));

        EXPECT_EQ(asString(httpGet(server.baseAddress() + "/old.txt")), "moved here");

        EXPECT_EQ(server.targets(), (std::vector<std::string>{"/old.txt", "/new.txt"}));
        const auto requests = server.requests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[1], requestFor(server, "/new.txt"));
        EXPECT_EQ(server.connectionCount(), 2u);
    }
}

TEST(HttpGetTest, ARedirectLoopEndsAfterThirtyFollows) {
    TestHttpServer server;
    server.serve("/loop.txt", test::redirectTo("/loop.txt"));

    // Without a limit of its own the client would follow for ever: the cancel check turns that
    // into a failure here instead of a hung test.
    const Bytes body =
        httpGet(server.baseAddress() + "/loop.txt", [&] { return server.targets().size() > 100; });

    EXPECT_EQ(server.targets().size(), 31u) << "the first request and thirty redirects";
    EXPECT_EQ(asString(body), "") << "a redirect's own body is never the result";
}

// The stall limit allows a minute below one byte a second; a server that keeps sending, however
// slowly, is read to the end.
TEST(HttpGetTest, ADrippingServerIsReadToTheEnd) {
    TestHttpServer server;
    server.serve("/slow.txt", test::drip("drip", 1s));
    const auto before = std::chrono::steady_clock::now();

    const Bytes body = httpGet(server.baseAddress() + "/slow.txt");

    EXPECT_EQ(asString(body), "drip");
    EXPECT_GE(std::chrono::steady_clock::now() - before, 2900ms) << "the server did not drip";
}

TEST(HttpGetTest, UrlsThatCannotBeSplitOrAreNotHttpSendNothing) {
    TestHttpServer server;
    server.serve("/t.txt", test::ok("x"));
    const std::string urls[] = {
        "",
        "/gjx/qpdmsc/tmb.txt",
        server.host() + "/t.txt",
        "http:///t.txt",
        "ftp://" + server.host() + "/t.txt",
        "gopher://" + server.host() + "/t.txt",
        localFileUrl,
    };
    for (const auto& url : urls) {
        SCOPED_TRACE(url);
        EXPECT_TRUE(httpGet(url).empty());
    }
    // A request that does reach the server proves it was listening all along.
    EXPECT_EQ(asString(httpGet(server.baseAddress() + "/t.txt")), "x");
    EXPECT_EQ(server.connectionCount(), 1u);
}

TEST(HttpGetTest, AnUnreachableServerGivesNoBytes) {
    std::string closedAddress;
    {
        TestHttpServer gone;
        closedAddress = gone.baseAddress();
    }
    EXPECT_TRUE(httpGet(closedAddress + "/t.txt").empty());
}

// The system's proxy settings apply, read again for each request: libcurl takes them from the
// environment, and so does Wine's WinINet when the registry names none.
TEST(HttpGetTest, GoesThroughTheSystemProxyWithoutAskingForKeepAlive) {
    TestHttpServer proxy;
    for (const auto& target : proxiedTargets) {
        proxy.serve(target, test::ok("via proxy"));
    }
    test::setEnvironmentVariable("http_proxy", proxy.baseAddress().c_str());

    const Bytes body = httpGet("http://templates.example/gjx/qpdmsc/jsb.txt");
    test::setEnvironmentVariable("http_proxy", nullptr);

    EXPECT_EQ(asString(body), "via proxy");
    ASSERT_EQ(proxy.requests().size(), 1u);
    const std::string request = proxy.requests()[0];
    EXPECT_THAT(proxiedTargets, ::testing::Contains(::testing::Truly([&](const std::string& target) {
                    return request.starts_with("GET " + target + " HTTP/1.0\r\n");
                })))
        << request;
    EXPECT_THAT(request, Not(HasSubstr("Connection")));
    EXPECT_THAT(request, Not(HasSubstr("Keep-Alive")));
}

// Real templates are about a kilobyte; a body past the limit is no template, announced or not.
TEST(HttpGetTest, ABodyAtTheLimitArrivesWholeAndOneByteMoreGivesNone) {
    const struct {
        const char* name;
        test::Reply reply;
        std::size_t expectedSize;
    } cases[] = {
        {"at the limit", test::generated(largestTemplateBody), largestTemplateBody},
        {"one byte more", test::generated(largestTemplateBody + 1), 0},
        {"at the limit, no Content-Length", test::withoutLength(patterned(largestTemplateBody)),
         largestTemplateBody},
        {"one byte more, no Content-Length", test::withoutLength(patterned(largestTemplateBody + 1)), 0},
    };
    TestHttpServer server;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = "/large-" + std::to_string(&c - cases) + ".txt";
        server.serve(path, c.reply);
        const std::string received = asString(httpGet(server.baseAddress() + path));
        ASSERT_EQ(received.size(), c.expectedSize);
        EXPECT_TRUE(received == patterned(c.expectedSize)) << "the body differs from what was sent";
    }
}

TEST(HttpGetTest, AnEndlessBodyGivesNoBytesAndItsTransferStopsAtTheLimit) {
    TestHttpServer server;
    server.serve("/endless.txt", test::endless());

    // A client that never stopped would read for ever: the cancel check turns that into a failure.
    const Bytes body = httpGet(server.baseAddress() + "/endless.txt",
                               [&] { return server.generatedBytes() > 4 * test::loopbackBuffersAtMost; });

    EXPECT_TRUE(body.empty());
    ASSERT_TRUE(server.waitForHangUps(1, 10s)) << "the server is still sending";
    std::cout << "endless body: the server sent " << server.generatedBytes() << " bytes\n";
    EXPECT_GE(server.generatedBytes(), largestTemplateBody);
    EXPECT_LE(server.generatedBytes(), largestTemplateBody + test::loopbackBuffersAtMost);
}

// Arriving bytes keep the stall limit away: only the cancel check ends this transfer.
TEST(HttpGetTest, ACancelCheckEndsATransferThatIsStillReceivingBytes) {
    TestHttpServer server;
    server.serve("/slow.txt", test::drip(std::string(1000, 'd'), 20ms));
    std::atomic<bool> cancelled{false};
    auto result = std::async(std::launch::async, [&] {
        return httpGet(server.baseAddress() + "/slow.txt", [&] { return cancelled.load(); });
    });
    ASSERT_TRUE(server.waitForDrippedBytes(3, 10s));

    cancelled = true;

    ASSERT_EQ(result.wait_for(10s), std::future_status::ready);
    EXPECT_LT(result.get().size(), 1000u);
    EXPECT_TRUE(server.waitForHangUps(1, 10s));
}

TEST(HttpGetTest, ReadBufferFollowsContentLengthWithinItsBounds) {
    const struct {
        std::int64_t contentLength;
        std::size_t size;
    } cases[] = {
        {-1, 10240},      {0, 10240},           {1, 2}, {102398, 102399}, {102399, 102400},
        {102400, 102400}, {5000000000, 102400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.contentLength);
        EXPECT_EQ(readBufferSize(c.contentLength), c.size);
    }
}

}  // namespace
}  // namespace zelvo
