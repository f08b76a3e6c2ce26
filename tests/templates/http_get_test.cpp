#include "templates/http_get.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "templates/read_buffer.h"
#include "tests/support/test_http_server.h"

namespace zelvo {
namespace {

using namespace std::chrono_literals;
using test::TestHttpServer;
using ::testing::HasSubstr;
using ::testing::Not;

const std::string userAgentLine = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n";

std::string asString(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

std::string patterned(std::size_t length) {
    std::string text(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        text[i] = test::patternedByte(i);
    }
    return text;
}

TEST(HttpGetTest, SendsExactlyTheRequestLineAndThreeHeadersWithoutTheFragment) {
    TestHttpServer server;
    server.serve("/gjx/qpdmsc/tmb.txt?v=1", test::ok("template"));

    const Bytes body = httpGet(server.baseAddress() + "/gjx/qpdmsc/tmb.txt?v=1#part2");

    EXPECT_EQ(asString(body), "template");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0], "GET /gjx/qpdmsc/tmb.txt?v=1 HTTP/1.0\r\nHost: " + server.host() +
                                        "\r\n" + userAgentLine + "Accept: */*\r\n\r\n");
}

TEST(HttpGetTest, CredentialsInTheUrlArriveAsAuthorization) {
    TestHttpServer server;
    server.serve("/t.txt", test::ok("secret"));

    EXPECT_EQ(asString(httpGet("http://user:pass@" + server.host() + "/t.txt")), "secret");
    httpGet("http://user@" + server.host() + "/t.txt");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], "GET /t.txt HTTP/1.0\r\nHost: " + server.host() +
                               "\r\nAuthorization: Basic dXNlcjpwYXNz\r\n" + userAgentLine +
                               "Accept: */*\r\n\r\n");
    EXPECT_THAT(requests[1], Not(HasSubstr("Authorization")));
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
        // The client stops at the announced length and drops the rest.
        {"Content-Length smaller than the body", test::misstatedLength("0123456789", 4), "0123"},
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

TEST(HttpGetTest, FollowsRedirectsWithTheSameRequest) {
    TestHttpServer server;
    server.serve("/old.txt", test::redirectTo("/new.txt"));
    server.serve("/new.txt", test::ok("moved here"));

    EXPECT_EQ(asString(httpGet(server.baseAddress() + "/old.txt")), "moved here");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1], "GET /new.txt HTTP/1.0\r\nHost: " + server.host() + "\r\n" + userAgentLine +
                               "Accept: */*\r\n\r\n");
    EXPECT_EQ(server.connectionCount(), 2u);
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
        "file:///etc/hostname",
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

TEST(HttpGetTest, GoesThroughTheSystemProxyWithoutAskingForKeepAlive) {
    TestHttpServer proxy;
    proxy.serve("http://templates.example/gjx/qpdmsc/jsb.txt", test::ok("via proxy"));
    ::setenv("http_proxy", proxy.baseAddress().c_str(), 1);

    const Bytes body = httpGet("http://templates.example/gjx/qpdmsc/jsb.txt");
    ::unsetenv("http_proxy");

    EXPECT_EQ(asString(body), "via proxy");
    ASSERT_EQ(proxy.requests().size(), 1u);
    const std::string request = proxy.requests()[0];
    EXPECT_THAT(request, HasSubstr("GET http://templates.example/gjx/qpdmsc/jsb.txt HTTP/1.0\r\n"));
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

TEST(HttpGetTest, ACancelCheckCutsOffAHungTransfer) {
    TestHttpServer server;
    server.serve("/hang.txt", test::hang());
    std::atomic<bool> cancelled{false};
    auto result = std::async(std::launch::async, [&] {
        return httpGet(server.baseAddress() + "/hang.txt", [&] { return cancelled.load(); });
    });
    ASSERT_TRUE(server.waitForRequests(1, 5s));

    cancelled = true;

    ASSERT_EQ(result.wait_for(5s), std::future_status::ready);
    EXPECT_TRUE(result.get().empty());
    EXPECT_TRUE(server.waitForHangUps(1, 5s));
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
