// Starts a fetcher against the base address given, waits for a byte (or the end) on stdin, then
// ends the way the program does on closing: abandon, and exit without waiting for the worker.
// quick_exit skips static destructors and libcurl's TLS clean-up, which would race the worker.

#include <unistd.h>

#include <cstdlib>

#include "templates/http_get.h"
#include "templates/template_fetcher.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    zelvo::initHttpClient();
    zelvo::TemplateFetcher fetcher;
    fetcher.start(argv[1], "127.0.0.1:9", [](zelvo::TemplateSlot, zelvo::Text) {});
    char go = 0;
    [[maybe_unused]] const auto received = ::read(STDIN_FILENO, &go, 1);
    fetcher.abandon();
    std::quick_exit(0);
}
