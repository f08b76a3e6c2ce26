// httpGet over WinINet, the HTTP client of the Windows build.

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "templates/http_get.h"
#include "templates/read_buffer.h"

namespace zelvo {
namespace {

constexpr wchar_t userAgent[] = L"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr wchar_t extraHeaders[] = L"Accept: */*\r\n\r\n";
// A stalled server must not hold a template slot forever; a slow one still gets a minute. Set on
// the request handle: closing a handle from another thread does not end a hung request everywhere.
constexpr DWORD connectTimeoutMilliseconds = 60000;
constexpr DWORD receiveTimeoutMilliseconds = 60000;
// URLs are GBK texts.
constexpr UINT urlCodePage = 936;
// Redirects are followed here rather than by WinINet, which under Wine follows a loop for ever.
constexpr int maxRedirects = 30;

struct InternetHandleCloser {
    void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

// Opened at the first request and never closed: a request may still be under way when the
// program ends.
HINTERNET session() {
    static HINTERNET handle = nullptr;
    static std::once_flag once;
    std::call_once(
        once, [] { handle = InternetOpenW(userAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0); });
    return handle;
}

std::wstring widen(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(urlCodePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(urlCodePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

struct SplitUrl {
    bool secure = false;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring user;
    std::wstring password;
    // Path and query, without the fragment.
    std::wstring target;
};

// False for an empty URL, one without scheme or host, and every scheme but http and https.
bool splitUrl(const std::wstring& url, SplitUrl& split) {
    if (url.empty()) {
        return false;
    }
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof(parts);
    // A length without a buffer asks for pointers into `url`.
    parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUserNameLength = parts.dwPasswordLength =
        parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
    if (!InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
        return false;
    }
    if ((parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) ||
        parts.dwHostNameLength == 0) {
        return false;
    }
    split.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    split.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    split.port = parts.nPort;
    // Credentials only as a pair, so a lone user name never turns into an Authorization header.
    if (parts.dwUserNameLength > 0 && parts.lpszPassword != nullptr) {
        split.user.assign(parts.lpszUserName, parts.dwUserNameLength);
        split.password.assign(parts.lpszPassword, parts.dwPasswordLength);
    }
    split.target.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    split.target.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    split.target.erase(std::min(split.target.find(L'#'), split.target.size()));
    if (split.target.empty() || split.target.front() != L'/') {
        split.target.insert(0, 1, L'/');
    }
    return true;
}

// The system's proxy settings, read again for every request.
void usePreconfiguredProxy(HINTERNET handle) {
    INTERNET_PROXY_INFO proxy{};
    proxy.dwAccessType = INTERNET_OPEN_TYPE_PRECONFIG;
    InternetSetOptionW(handle, INTERNET_OPTION_PROXY, &proxy, sizeof(proxy));
}

void setTimeout(HINTERNET request, DWORD option, DWORD milliseconds) {
    InternetSetOptionW(request, option, &milliseconds, sizeof(milliseconds));
}

// The final response's status (after redirects), 0 when it cannot be read.
DWORD statusCode(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
        return 0;
    }
    return status;
}

// The Content-Length header as sent, -1 when it is missing or no number.
std::int64_t contentLength(HINTERNET request) {
    wchar_t value[32] = {};
    DWORD size = sizeof(value);
    if (!HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, value, &size, nullptr)) {
        return -1;
    }
    std::string digits;
    for (const wchar_t* c = value; *c != L'\0'; ++c) {
        digits.push_back(*c < 0x80 ? static_cast<char>(*c) : '?');
    }
    std::int64_t length = -1;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), length);
    if (error != std::errc{} || end != digits.data() + digits.size()) {
        return -1;
    }
    return length;
}

bool isRedirect(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The Location of a redirect resolved against the URL that answered it; empty when there is none.
std::wstring redirectTarget(HINTERNET request, const std::wstring& from) {
    std::wstring location(2048, L'\0');
    DWORD size = static_cast<DWORD>(location.size() * sizeof(wchar_t));
    if (!HttpQueryInfoW(request, HTTP_QUERY_LOCATION, location.data(), &size, nullptr)) {
        return {};
    }
    location.resize(size / sizeof(wchar_t));
    std::wstring combined(4096, L'\0');
    DWORD length = static_cast<DWORD>(combined.size());
    if (!InternetCombineUrlW(from.c_str(), location.c_str(), combined.data(), &length, ICU_NO_ENCODE)) {
        return {};
    }
    combined.resize(length);
    return combined;
}

bool isCancelled(const CancelCheck& cancelled) {
    return cancelled && cancelled();
}

// Reads the body until a read of zero bytes. A failed read ends it with what arrived before; a body
// past the size limit, or no memory for it, gives no bytes.
Bytes readBody(HINTERNET request, const CancelCheck& cancelled) {
    Bytes body;
    std::vector<char> buffer;
    try {
        buffer.resize(readBufferSize(contentLength(request)));
    } catch (const std::bad_alloc&) {
        return {};
    }
    for (;;) {
        if (isCancelled(cancelled)) {
            return body;
        }
        // A read blocks until it has filled its buffer; asking for what has arrived keeps a slow
        // body coming piece by piece, with the cancel check between pieces.
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0)) {
            return body;
        }
        const DWORD wanted = available == 0 ? static_cast<DWORD>(buffer.size())
                                            : std::min(available, static_cast<DWORD>(buffer.size()));
        DWORD received = 0;
        if (!InternetReadFile(request, buffer.data(), wanted, &received)) {
            return body;
        }
        if (received == 0) {
            return body;
        }
        if (body.size() + received > largestTemplateBody) {
            return {};
        }
        try {
            body.insert(body.end(), buffer.data(), buffer.data() + received);
        } catch (const std::bad_alloc&) {
            return {};
        }
    }
}

}  // namespace

void initHttpClient() {
    session();
}

Bytes httpGet(std::string_view url, const CancelCheck& cancelled) {
    std::wstring current = widen(url);
    for (int redirects = 0;; ++redirects) {
        SplitUrl split;
        if (!splitUrl(current, split)) {
            return {};
        }
        HINTERNET internet = session();
        if (internet == nullptr) {
            return {};
        }
        usePreconfiguredProxy(internet);
        // Credentials go to the server when it asks for them (a 401 challenge).
        const InternetHandle connection(InternetConnectW(
            internet, split.host.c_str(), split.port, split.user.empty() ? nullptr : split.user.c_str(),
            split.user.empty() ? nullptr : split.password.c_str(), INTERNET_SERVICE_HTTP, 0, 0));
        if (!connection) {
            return {};
        }
        // Every request goes to the server and nothing is kept in the cache; no keep-alive is asked for.
        DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT;
        if (split.secure) {
            flags |= INTERNET_FLAG_SECURE;
        }
        const InternetHandle request(HttpOpenRequestW(connection.get(), L"GET", split.target.c_str(),
                                                      L"HTTP/1.0", nullptr, nullptr, flags, 0));
        if (!request) {
            return {};
        }
        setTimeout(request.get(), INTERNET_OPTION_CONNECT_TIMEOUT, connectTimeoutMilliseconds);
        setTimeout(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, receiveTimeoutMilliseconds);
        if (!HttpSendRequestW(request.get(), extraHeaders, static_cast<DWORD>(-1), nullptr, 0)) {
            return {};
        }
        const DWORD status = statusCode(request.get());
        if (isRedirect(status) && redirects < maxRedirects && !isCancelled(cancelled)) {
            current = redirectTarget(request.get(), current);
            continue;
        }
        // An error page is no template, and neither is a redirect that leads nowhere.
        if (status < 200 || status > 299) {
            return {};
        }
        return readBody(request.get(), cancelled);
    }
}

}  // namespace zelvo
