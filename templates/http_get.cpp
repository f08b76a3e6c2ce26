#include "templates/http_get.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "templates/read_buffer.h"

namespace zelvo {
namespace {

constexpr char userAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
// A stalled server must not hold a template slot forever; a slow one still gets a minute.
constexpr long connectTimeoutSeconds = 60;
constexpr long stallSeconds = 60;
// A redirect loop ends instead of running forever.
constexpr long maxRedirects = 30;

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;
using HeaderList = std::unique_ptr<curl_slist, SlistDeleter>;

struct CurlText {
    char* text = nullptr;
    ~CurlText() { curl_free(text); }
};

bool hasPart(CURLU* url, CURLUPart part) {
    CurlText value;
    return curl_url_get(url, part, &value.text, 0) == CURLUE_OK && value.text != nullptr;
}

bool isHttpScheme(CURLU* url) {
    CurlText scheme;
    if (curl_url_get(url, CURLUPART_SCHEME, &scheme.text, 0) != CURLUE_OK) {
        return false;
    }
    std::string lower(scheme.text);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower == "http" || lower == "https";
}

// Splits the URL; null when it is empty, lacks a scheme or host, or is not http/https. Credentials
// stay only as a pair, so a lone user name never turns into an Authorization header.
UrlHandle splitUrl(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    UrlHandle url(curl_url());
    const std::string copy(text);
    if (!url || curl_url_set(url.get(), CURLUPART_URL, copy.c_str(), 0) != CURLUE_OK) {
        return {};
    }
    CurlText host;
    if (!isHttpScheme(url.get()) || curl_url_get(url.get(), CURLUPART_HOST, &host.text, 0) != CURLUE_OK ||
        host.text == nullptr || host.text[0] == '\0') {
        return {};
    }
    if (!hasPart(url.get(), CURLUPART_USER) || !hasPart(url.get(), CURLUPART_PASSWORD)) {
        curl_url_set(url.get(), CURLUPART_USER, nullptr, 0);
        curl_url_set(url.get(), CURLUPART_PASSWORD, nullptr, 0);
    }
    return url;
}

bool isSuccess(long status) {
    return status >= 200 && status <= 299;
}

// Reached from libcurl's callbacks for the length of one request.
struct Transfer {
    CURL* handle = nullptr;
    const CancelCheck* cancelled = nullptr;
    Bytes body;
    bool started = false;  // the first piece of the body has arrived
    // An error status or a body past the limit: whatever arrived is no template.
    bool refused = false;

    bool isCancelled() const { return *cancelled && (*cancelled)(); }
};

// libcurl hands over no body of a redirect it follows, so the first piece belongs to the final
// response, and its status is known by then.
bool hasSuccessStatus(CURL* handle) {
    long status = 0;
    return curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && isSuccess(status);
}

// Grows the body by doubling, but never its reserve past the largest body accepted, so a body at
// the limit costs the limit and no more.
void makeRoom(Bytes& body, std::size_t length) {
    const std::size_t needed = body.size() + length;
    if (needed > body.capacity()) {
        body.reserve(std::min(std::max(needed, 2 * body.capacity()), largestTemplateBody));
    }
}

std::size_t receiveBody(char* data, std::size_t size, std::size_t count, void* userdata) {
    auto& transfer = *static_cast<Transfer*>(userdata);
    const std::size_t length = size * count;
    if (transfer.isCancelled()) {
        return CURL_WRITEFUNC_ERROR;
    }
    try {
        if (!transfer.started) {
            if (!hasSuccessStatus(transfer.handle)) {
                // An error page is no template: stop reading it at once.
                transfer.refused = true;
                return CURL_WRITEFUNC_ERROR;
            }
            // Only a first guess from the header: the body grows past it as pieces arrive, and a
            // lying Content-Length never makes us reserve more than the cap.
            curl_off_t contentLength = -1;
            curl_easy_getinfo(transfer.handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &contentLength);
            transfer.body.reserve(readBufferSize(contentLength));
            transfer.started = true;
        }
        if (length > largestTemplateBody - transfer.body.size()) {
            // Ending the transfer here keeps an endless body from costing more than the limit.
            transfer.refused = true;
            return CURL_WRITEFUNC_ERROR;
        }
        makeRoom(transfer.body, length);
        transfer.body.insert(transfer.body.end(), data, data + length);
    } catch (const std::bad_alloc&) {
        return CURL_WRITEFUNC_ERROR;
    }
    return length;
}

int reportProgress(void* userdata, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(userdata)->isCancelled() ? 1 : 0;
}

HeaderList requestHeaders() {
    // "Proxy-Connection:" with no value keeps libcurl from asking a proxy for keep-alive.
    curl_slist* list = curl_slist_append(nullptr, "Accept: */*");
    if (list == nullptr) {
        return {};
    }
    HeaderList headers(list);
    if (curl_slist_append(list, "Proxy-Connection:") == nullptr) {
        return {};
    }
    return headers;
}

void configure(CURL* handle, CURLU* url, curl_slist* headers, Transfer& transfer) {
    curl_easy_setopt(handle, CURLOPT_CURLU, url);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(handle, CURLOPT_USERAGENT, userAgent);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, maxRedirects);
    curl_easy_setopt(handle, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(handle, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, connectTimeoutSeconds);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, stallSeconds);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, receiveBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, reportProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
}

}  // namespace

void initHttpClient() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

Bytes httpGet(std::string_view url, const CancelCheck& cancelled) {
    initHttpClient();
    const UrlHandle split = splitUrl(url);
    if (!split) {
        return {};
    }
    const EasyHandle handle(curl_easy_init());
    const HeaderList headers = requestHeaders();
    if (!handle || !headers) {
        return {};
    }
    Transfer transfer;
    transfer.handle = handle.get();
    transfer.cancelled = &cancelled;
    configure(handle.get(), split.get(), headers.get(), transfer);
    // A transfer that fails part-way keeps what arrived; only the final status and the body's
    // size are examined, the status also when no piece of the body arrived to be judged by it.
    curl_easy_perform(handle.get());
    if (transfer.refused || !hasSuccessStatus(handle.get())) {
        return {};
    }
    return std::move(transfer.body);
}

}  // namespace zelvo
