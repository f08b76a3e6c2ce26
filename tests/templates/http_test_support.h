#pragma once

// What the httpGet and fetcher tests of both clients share: the exact request bytes expected, the
// generated bodies, and a way to set the system's proxy for one request.

#include <cstddef>
#include <cstdlib>
#include <string>

#include "generator/text_rules.h"
#include "tests/support/test_http_server.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace zelvo::test {

inline const std::string userAgentLine = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n";

inline std::string asString(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

inline std::string patterned(std::size_t length) {
    std::string text(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        text[i] = patternedByte(i);
    }
    return text;
}

// Every request either client sends for `target` to `server`, byte for byte.
inline std::string requestFor(const TestHttpServer& server, const std::string& target) {
    return "GET " + target + " HTTP/1.0\r\nHost: " + server.host() + "\r\n" + userAgentLine +
           "Accept: */*\r\n\r\n";
}

// Sets (or with nullptr removes) an environment variable where the platform's HTTP client reads
// it: Wine's WinINet reads the process environment of Windows, libcurl the C library's.
inline void setEnvironmentVariable(const char* name, const char* value) {
#ifdef _WIN32
    SetEnvironmentVariableA(name, value);
#else
    if (value == nullptr) {
        ::unsetenv(name);
    } else {
        ::setenv(name, value, 1);
    }
#endif
}

}  // namespace zelvo::test
