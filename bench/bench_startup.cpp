// Time from starting a program to its window being mapped, and its resident memory then: the
// generator against a bare Qt window of the same size, and against that window showing one
// Chinese caption, since loading a CJK font is a large share of any such window's start. Needs an X display,
// e.g.
//   xvfb-run -a build/release/bench/bench_startup

#include <X11/Xlib.h>
#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>

extern char** environ;

namespace {

// Resident memory of a process in KiB, from /proc.
long residentKib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// Waits for a top-level window to be mapped on the display's root window.
bool waitForMap(Display* display, std::chrono::steady_clock::time_point deadline) {
    const int fd = ConnectionNumber(display);
    while (std::chrono::steady_clock::now() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify) {
                return true;
            }
        }
        pollfd wait{fd, POLLIN, 0};
        poll(&wait, 1, 100);
    }
    return false;
}

void startToMapped(benchmark::State& state, const char* program, const char* argument = nullptr) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        state.SkipWithError("no X display: run under xvfb-run -a");
        return;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, True);
    long rss = 0;
    for (auto _ : state) {
        char* argv[] = {const_cast<char*>(program), const_cast<char*>(argument), nullptr};
        const auto started = std::chrono::steady_clock::now();
        pid_t pid = 0;
        if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("cannot start the program");
            break;
        }
        const bool mapped = waitForMap(display, started + std::chrono::seconds(20));
        const auto elapsed = std::chrono::steady_clock::now() - started;
        rss = residentKib(pid);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        if (!mapped) {
            state.SkipWithError("the window was never mapped");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        XSync(display, True);  // drop the unmap and destroy events of this run
    }
    state.counters["rss_kib"] = static_cast<double>(rss);
    XCloseDisplay(display);
}

}  // namespace

BENCHMARK_CAPTURE(startToMapped, bare_qt_window, ZELVO_BARE_WINDOW)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK_CAPTURE(startToMapped, bare_qt_window_with_chinese_caption, ZELVO_BARE_WINDOW, "--chinese-caption")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK_CAPTURE(startToMapped, zelvo_fullscreen, ZELVO_FULLSCREEN)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

BENCHMARK_MAIN();
