// The WinINet client against the raw-socket loopback server, under Wine: the same request bytes
// as the libcurl client sends, and the same rules for what comes back.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>

#include "templates/http_get.h"
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

TEST(WinInetHttpGet, SendsExactlyTheRequestLineAndThreeHeadersWithoutTheFragment) {
    TestHttpServer server;
    server.serve("/gjx/qpdmsc/tmb.txt?v=1", test::ok("template"));

    const Bytes body = httpGet(server.baseAddress() + "/gjx/qpdmsc/tmb.txt?v=1#part2");

    EXPECT_EQ(asString(body), "template");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0], "GET /gjx/qpdmsc/tmb.txt?v=1 HTTP/1.0\r\nHost: " + server.host() +
                                        "\r\n" + userAgentLine + "Accept: */*\r\n\r\n");
}

// WinINet sends the credentials when the server asks for them, not with the first request.
TEST(WinInetHttpGet, CredentialsInTheUrlAnswerTheServersChallengeOnlyAsAPair) {
    test::Reply challenge = test::errorPage("401 Unauthorized", "<html>who</html>");
    challenge.headers.push_back("WWW-Authenticate: Basic realm=\"templates\"");
    TestHttpServer server;
    server.serve("/t.txt", std::vector{challenge, test::ok("secret")});
    TestHttpServer alone;
    alone.serve("/t.txt", challenge);

    EXPECT_EQ(asString(httpGet("http://user:pass@" + server.host() + "/t.txt")), "secret");
    EXPECT_TRUE(httpGet("http://user@" + alone.host() + "/t.txt").empty());

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_THAT(requests[0], Not(HasSubstr("Authorization")));
    EXPECT_THAT(requests[1], HasSubstr("\r\nAuthorization: Basic dXNlcjpwYXNz\r\n"));
    for (const auto& request : alone.requests()) {
        EXPECT_THAT(request, Not(HasSubstr("Authorization")));
    }
}

TEST(WinInetHttpGet, GivesTheBodyOfASuccessAndNothingForAnErrorStatus) {
    const std::string large = patterned(600 * 1024);
    const std::string longWithoutLength = patterned(300 * 1024 + 17);
    const std::string withZero("ab\0cd", 5);
    struct Case {
        const char* name;
        test::Reply reply;
        std::string expected;
    };
    const Case cases[] = {
        {"small", test::ok("tmb"), "tmb"},
        {"empty", test::ok(""), ""},
        {"zero byte inside", test::ok(withZero), withZero},
        {"600 KiB with length", test::ok(large), large},
        {"300 KiB without length", test::withoutLength(longWithoutLength), longWithoutLength},
        {"closed mid-body keeps the part", test::closedMidBody("first half", 100), "first half"},
        {"404 page", test::errorPage("404 Not Found", "<html>missing</html>"), ""},
        {"500 page", test::errorPage("500 Internal Server Error", "<html>oops</html>"), ""},
        {"401 page", test::errorPage("401 Unauthorized", "<html>who</html>"), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestHttpServer server;
        server.serve("/t.txt", c.reply);
        EXPECT_EQ(asString(httpGet(server.baseAddress() + "/t.txt")), c.expected);
    }
}

TEST(WinInetHttpGet, FollowsRedirectsAndJudgesTheFinalStatus) {
    TestHttpServer server;
    server.serve("/old.txt", test::redirectTo(server.baseAddress() + "/new.txt"));
    server.serve("/new.txt", test::ok("moved here"));
    server.serve("/gone.txt", test::redirectTo(server.baseAddress() + "/missing.txt"));
    server.serve("/loop.txt", test::redirectTo(server.baseAddress() + "/loop.txt"));

    EXPECT_EQ(asString(httpGet(server.baseAddress() + "/old.txt")), "moved here");
    EXPECT_EQ(server.targets(), (std::vector<std::string>{"/old.txt", "/new.txt"}));
    EXPECT_TRUE(httpGet(server.baseAddress() + "/gone.txt").empty());
    EXPECT_TRUE(httpGet(server.baseAddress() + "/loop.txt").empty());
    EXPECT_EQ(server.targets().size(), 2u + 2u + 31u) << "the loop ends after thirty follows";
}

TEST(WinInetHttpGet, ABodyLargerThanTheLimitGivesNoBytes) {
    TestHttpServer server;
    server.serve("/limit.txt", test::generated(largestTemplateBody));
    server.serve("/over.txt", test::generated(largestTemplateBody + 1));

    const Bytes atLimit = httpGet(server.baseAddress() + "/limit.txt");
    ASSERT_EQ(atLimit.size(), largestTemplateBody);
    EXPECT_EQ(asString(atLimit), patterned(largestTemplateBody));
    EXPECT_TRUE(httpGet(server.baseAddress() + "/over.txt").empty());
}

TEST(WinInetHttpGet, UrlsThatCannotBeSplitOrAreNotHttpSendNothing) {
    TestHttpServer server;
    server.serve("/t.txt", test::ok("x"));
    const std::string urls[] = {
        "",
        "/gjx/qpdmsc/tmb.txt",
        server.host() + "/t.txt",
        "http:///t.txt",
        "ftp://" + server.host() + "/t.txt",
        "gopher://" + server.host() + "/t.txt",
        "file:///c:/windows/win.ini",
    };
    for (const auto& url : urls) {
        SCOPED_TRACE(url);
        EXPECT_TRUE(httpGet(url).empty());
    }
    EXPECT_EQ(asString(httpGet(server.baseAddress() + "/t.txt")), "x");
    EXPECT_EQ(server.connectionCount(), 1u);
}

TEST(WinInetHttpGet, AnUnreachableServerGivesNoBytes) {
    std::string closedAddress;
    {
        TestHttpServer gone;
        closedAddress = gone.baseAddress();
    }
    EXPECT_TRUE(httpGet(closedAddress + "/t.txt").empty());
}

// The system's proxy settings apply, read again for each request; Wine takes them from the
// http_proxy variable of the program's environment when the registry names none.
TEST(WinInetHttpGet, GoesThroughTheSystemProxyWithoutAskingForKeepAlive) {
    TestHttpServer proxy;
    // Wine names the default port in the absolute target; either form is the same resource.
    proxy.serve("http://templates.example/gjx/qpdmsc/jsb.txt", test::ok("via proxy"));
    proxy.serve("http://templates.example:80/gjx/qpdmsc/jsb.txt", test::ok("via proxy"));
    SetEnvironmentVariableA("http_proxy", proxy.baseAddress().c_str());

    const Bytes body = httpGet("http://templates.example/gjx/qpdmsc/jsb.txt");
    SetEnvironmentVariableA("http_proxy", nullptr);

    EXPECT_EQ(asString(body), "via proxy");
    ASSERT_EQ(proxy.requests().size(), 1u);
    const std::string request = proxy.requests()[0];
    EXPECT_THAT(
        request,
        ::testing::AnyOf(
            ::testing::StartsWith("GET http://templates.example/gjx/qpdmsc/jsb.txt HTTP/1.0\r\n"),
            ::testing::StartsWith("GET http://templates.example:80/gjx/qpdmsc/jsb.txt HTTP/1.0\r\n")));
    EXPECT_THAT(request, Not(HasSubstr("Keep-Alive")));
}

TEST(WinInetHttpGet, ACancelCheckEndsADripBetweenReads) {
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

}  // namespace
}  // namespace zelvo
