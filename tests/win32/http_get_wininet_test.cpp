// What the WinINet client does its own way, under Wine. The rules both clients share are tested
// in tests/templates/http_get_test.cpp, built here too.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "templates/http_get.h"
#include "tests/support/test_http_server.h"
#include "tests/templates/http_test_support.h"

namespace zelvo {
namespace {

using test::asString;
using test::TestHttpServer;
using ::testing::HasSubstr;
using ::testing::Not;

// WinINet sends the credentials when the server asks for them, not with the first request.
TEST(WinInetHttpGetTest, CredentialsInTheUrlAnswerTheServersChallengeOnlyAsAPair) {
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

}  // namespace
}  // namespace zelvo
