// The program ends without waiting for its fetch worker: a probe program (fetcher_exit_probe.cpp)
// started as a child process ends the same way while its worker is inside a request.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>

#include "tests/support/test_http_server.h"

extern char** environ;

namespace zelvo {
namespace {

using namespace std::chrono_literals;
using test::TestHttpServer;

const std::string tmbPath = "/gjx/qpdmsc/tmb.txt";
constexpr auto patience = 10s;

// The probe's worker is blocked inside a request to a server that never answers.
TEST(TemplateFetcherExitTest, TheProgramExitsPromptlyWhileItsWorkerIsInsideARequest) {
    TestHttpServer server;
    server.serve(tmbPath, test::hang());
    int goSignal[2];
    ASSERT_EQ(::pipe2(goSignal, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, goSignal[0], STDIN_FILENO);
    std::string probe = FETCHER_EXIT_PROBE;
    std::string baseAddress = server.baseAddress();
    char* argv[] = {probe.data(), baseAddress.data(), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawn(&child, probe.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(goSignal[0]);
    ASSERT_EQ(spawned, 0);
    auto exited = std::async(std::launch::async, [child] {
        int status = 0;
        ::waitpid(child, &status, 0);
        return status;
    });

    ASSERT_TRUE(server.waitForRequests(1, patience));
    ASSERT_EQ(::write(goSignal[1], "x", 1), 1);
    ::close(goSignal[1]);

    const bool ended = exited.wait_for(3s) == std::future_status::ready;
    if (!ended) {
        ::kill(child, SIGKILL);
    }
    ASSERT_TRUE(ended) << "the program waited for its worker";
    const int status = exited.get();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(server.waitForHangUps(1, patience));
}

}  // namespace
}  // namespace zelvo
