// Every test here talks to a server on 127.0.0.1: a proxy from the environment running the tests
// must not stand in between. Tests that want a proxy set one themselves.

#include <gtest/gtest.h>

#include <cstdlib>

#include "templates/http_get.h"

namespace {

class LoopbackEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                 "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
            ::unsetenv(name);
        }
        zelvo::initHttpClient();
    }
};

// GoogleTest owns registered environments.
const auto* const loopbackEnvironment = ::testing::AddGlobalTestEnvironment(new LoopbackEnvironment);

}  // namespace
