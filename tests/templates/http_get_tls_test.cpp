// https goes over TLS with the usual certificate checks: a server with a self-signed certificate
// (openssl s_server) gets a TLS handshake that the client breaks off, and no body comes back.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "templates/http_get.h"

extern char** environ;

namespace zelvo {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A child process whose stdout and stderr arrive on one pipe; killed if still running at the end.
class Child {
  public:
    explicit Child(std::vector<std::string> arguments, const std::string& workingDirectory = {}) {
        int pipeEnds[2];
        if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
        if (!workingDirectory.empty()) {
            posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
        }
        std::vector<char*> argv;
        for (auto& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeEnds[1]);
        output_ = pipeEnds[0];
    }
    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0) {
            ::close(output_);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return pid_ > 0; }

    // Reads output until it contains `wanted` or the child closes it; false after `timeout`.
    bool readUntil(const std::string& wanted, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (text_.find(wanted) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd watched{output_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&watched, 1, static_cast<int>(left.count())) <= 0) {
                return false;
            }
            char piece[1024];
            const ssize_t received = ::read(output_, piece, sizeof piece);
            if (received <= 0) {
                return false;
            }
            text_.append(piece, static_cast<std::size_t>(received));
        }
        return true;
    }

    int wait() {
        int status = -1;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

    const std::string& output() const { return text_; }

  private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string text_;
};

TEST(HttpGetTlsTest, ASelfSignedCertificateIsRefusedAndGivesNoBytes) {
    char pattern[] = "/tmp/zelvo-tls-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path directory = pattern;
    const std::string key = (directory / "key.pem").string();
    const std::string certificate = (directory / "cert.pem").string();
    std::ofstream(directory / "page.txt") << "served over TLS";

    Child makeCertificate({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj",
                           "/CN=127.0.0.1", "-days", "1", "-keyout", key, "-out", certificate});
    ASSERT_TRUE(makeCertificate.started()) << "openssl is needed for this test";
    ASSERT_EQ(makeCertificate.wait(), 0);

    // -WWW serves the files of its working directory.
    Child server({"openssl", "s_server", "-accept", "127.0.0.1:0", "-cert", certificate, "-key", key, "-WWW",
                  "-naccept", "1"},
                 directory.string());
    ASSERT_TRUE(server.readUntil("ACCEPT 127.0.0.1:", 10s)) << server.output();
    ASSERT_TRUE(server.readUntil("\n", 10s));
    const std::string port = server.output().substr(server.output().find("ACCEPT 127.0.0.1:") + 17);

    const Bytes body =
        httpGet("https://127.0.0.1:" + port.substr(0, port.find_first_of("\r\n")) + "/page.txt");

    EXPECT_TRUE(body.empty()) << std::string(body.begin(), body.end());
    // The client reached the server over TLS and refused the certificate.
    EXPECT_TRUE(server.readUntil("unknown ca", 10s)) << server.output();
    fs::remove_all(directory);
}

}  // namespace
}  // namespace zelvo
