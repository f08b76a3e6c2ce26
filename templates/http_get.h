#pragma once

// The one HTTP operation the program needs: GET a URL and return the body of a successful
// response. One implementation per platform: libcurl on Linux, WinINet on Windows.

#include <functional>
#include <string_view>

#include "generator/text_rules.h"

namespace zelvo {

// Sets the HTTP client up for the whole process; call once from main before any thread starts.
// Safe to call again. There is no matching clean-up: the program may end while a request is under way.
void initHttpClient();

// Asked while a transfer runs (at least on every piece received); true cuts the transfer off.
using CancelCheck = std::function<bool()>;

// Sends exactly "GET <path?query> HTTP/1.0" with Host, the fixed User-Agent, "Accept: */*" and,
// when the URL carries them, credentials; follows redirects; checks certificates for https.
// Returns the body bytes received, all of them, or what arrived before a failure. A final status
// (after redirects) outside 200-299 gives no bytes: an error page is no template. So does a body
// larger than largestTemplateBody (read_buffer.h), whose transfer ends as soon as it passes that
// size. An empty URL, one without scheme or host, or a scheme other than http/https sends nothing
// and gives no bytes.
Bytes httpGet(std::string_view url, const CancelCheck& cancelled = {});

}  // namespace zelvo
