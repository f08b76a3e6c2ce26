// Every test here talks to a server on 127.0.0.1: a proxy from the environment running the tests
// must not stand in between. Tests that want a proxy set one themselves.

#include <gtest/gtest.h>

#include "templates/http_get.h"
#include "tests/templates/http_test_support.h"

namespace {

class LoopbackEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                 "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
            zelvo::test::setEnvironmentVariable(name, nullptr);
        }
#ifndef _WIN32
        // As main does. Wine's WinINet reads the environment's proxy settings only when its
        // session opens, which it otherwise does at the first request: the proxy test sets its
        // proxy before that, in the process of its own that CTest runs each test in.
        zelvo::initHttpClient();
#endif
    }
};

// GoogleTest owns registered environments.
const auto* const loopbackEnvironment = ::testing::AddGlobalTestEnvironment(new LoopbackEnvironment);

}  // namespace
