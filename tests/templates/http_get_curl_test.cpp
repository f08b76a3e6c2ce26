// What the libcurl client does its own way; https is tested in http_get_tls_test.cpp.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>

#include "templates/http_get.h"
#include "tests/support/test_http_server.h"
#include "tests/templates/http_test_support.h"

namespace zelvo {
namespace {

using namespace std::chrono_literals;
using test::asString;
using test::TestHttpServer;
using ::testing::HasSubstr;
using ::testing::Not;

// libcurl sends the credentials with the first request, before any challenge.
TEST(CurlHttpGetTest, CredentialsInTheUrlArriveAsAuthorization) {
    TestHttpServer server;
    server.serve("/t.txt", test::ok("secret"));

    EXPECT_EQ(asString(httpGet("http://user:pass@" + server.host() + "/t.txt")), "secret");
    httpGet("http://user@" + server.host() + "/t.txt");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], "GET /t.txt HTTP/1.0\r\nHost: " + server.host() +
                               "\r\nAuthorization: Basic dXNlcjpwYXNz\r\n" + test::userAgentLine +
                               "Accept: */*\r\n\r\n");
    EXPECT_THAT(requests[1], Not(HasSubstr("Authorization")));
}

// libcurl asks its cancel check while it waits for the response, too, not only between reads.
TEST(CurlHttpGetTest, ACancelCheckCutsOffAHungTransfer) {
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

}  // namespace
}  // namespace zelvo
