// The four template downloads from a loopback server: by the fetcher (worker thread included),
// by four httpGet calls in sequence, and, as the baseline measured in the same run, by the curl
// command line tool making the same four requests one after another in one process.

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "templates/http_get.h"
#include "templates/template_fetcher.h"
#include "tests/support/test_http_server.h"

extern char** environ;

namespace {

const std::string kPaths[] = {"/gjx/qpdmsc/tmb.txt", "/gjx/qpdmsc/jsb.txt",
                              "/zhongdaili/gongyongshuju/yl/jsb.txt", "/zhongdaili/gongyongshuju/yl/tmb.txt"};

// Template-sized texts: a few KiB of markup each.
std::string templateText(std::size_t length, char seed) {
    const std::string line = "<div style=\"width:100%;height:500px;\"><img src=\"banner.jpg\"/></div>\n";
    std::string text(1, seed);
    while (text.size() < length) {
        text += line;
    }
    text.resize(length);
    return text;
}

zelvo::test::TestHttpServer& server() {
    static zelvo::test::TestHttpServer instance;
    static const bool served = [] {
        const std::size_t sizes[] = {6 * 1024, 6 * 1024, 3 * 1024, 3 * 1024};
        for (std::size_t i = 0; i < 4; ++i) {
            instance.serve(kPaths[i], zelvo::test::ok(templateText(sizes[i], static_cast<char>('A' + i))));
        }
        return true;
    }();
    (void)served;
    return instance;
}

class CountingHandOver {
  public:
    void add() {
        {
            const std::lock_guard lock(mutex_);
            ++count_;
        }
        changed_.notify_all();
    }
    void waitFor(int count) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return count_ >= count; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

void BM_FetcherFourTemplates(benchmark::State& state) {
    auto& templates = server();
    for (auto _ : state) {
        auto handOvers = std::make_shared<CountingHandOver>();
        zelvo::TemplateFetcher fetcher;
        fetcher.start(templates.baseAddress(), templates.host(),
                      [handOvers](zelvo::TemplateSlot, zelvo::Text) { handOvers->add(); });
        handOvers->waitFor(4);
    }
}
BENCHMARK(BM_FetcherFourTemplates)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_HttpGetFourInSequence(benchmark::State& state) {
    auto& templates = server();
    std::size_t bytes = 0;
    for (auto _ : state) {
        for (const auto& path : kPaths) {
            bytes += zelvo::httpGet(templates.baseAddress() + path).size();
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_HttpGetFourInSequence)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_CurlToolFourUrls(benchmark::State& state) {
    auto& templates = server();
    std::vector<std::string> arguments = {"curl", "-s", "--http1.0"};
    for (const auto& path : kPaths) {
        arguments.insert(arguments.end(), {"-o", "/dev/null", templates.baseAddress() + path});
    }
    std::vector<char*> argv;
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    for (auto _ : state) {
        pid_t child = 0;
        int status = 0;
        if (posix_spawnp(&child, "curl", nullptr, nullptr, argv.data(), environ) != 0 ||
            waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the curl command is missing or failed");
            break;
        }
    }
}
BENCHMARK(BM_CurlToolFourUrls)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Loopback only: neither side may go through a proxy from the environment.
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) {
        unsetenv(name);
    }
    zelvo::initHttpClient();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
