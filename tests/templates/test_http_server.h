#pragma once

// A raw-socket HTTP/1.0 server on 127.0.0.1 for tests. It records each request's exact bytes and
// answers each request target as told, misbehaving on purpose when asked (hang, close mid-body).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zelvo::test {

struct Reply {
    enum class Kind { complete, withoutLength, closedMidBody, hang };
    Kind kind = Kind::complete;
    std::string status = "200 OK";
    std::vector<std::string> headers;
    std::string body;
    // For closedMidBody: the Content-Length announced, more than the body sent.
    std::size_t announcedLength = 0;
};

Reply ok(std::string body);
// An error status with an HTML page as its body, e.g. errorPage("404 Not Found", "<html>...").
Reply errorPage(std::string status, std::string page);
Reply withoutLength(std::string body);
Reply redirectTo(std::string location);
// Announces `announcedLength` bytes, sends `sentPart` and closes the connection.
Reply closedMidBody(std::string sentPart, std::size_t announcedLength);
// Sends nothing until releaseHangs() or the server's end; notes when the client gives up.
Reply hang();

class TestHttpServer {
  public:
    // Listens on an ephemeral port of 127.0.0.1 and serves every connection on its own thread.
    TestHttpServer();
    // Releases hangs, stops accepting and joins every thread.
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    std::uint16_t port() const { return port_; }
    std::string host() const;         // "127.0.0.1:<port>"
    std::string baseAddress() const;  // "http://127.0.0.1:<port>"

    // Answers requests whose target (as on the request line) is exactly `target`. Any other
    // target gets a 404 with an empty body.
    void serve(const std::string& target, Reply reply);
    // The n-th request for `target` gets the n-th reply; the last one answers every later request.
    void serve(const std::string& target, std::vector<Reply> repliesInTurn);

    // Each request's raw bytes up to and including the blank line, in order of arrival.
    std::vector<std::string> requests() const;
    // The request targets, in order of arrival.
    std::vector<std::string> targets() const;
    std::size_t connectionCount() const;

    bool waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
    // Waits until the client has closed `count` hung connections.
    bool waitForHangUps(std::size_t count, std::chrono::milliseconds timeout) const;
    // Ends every hang, now and later, by closing the connection without an answer.
    void releaseHangs();

  private:
    void acceptConnections();
    void answer(int connection);
    bool waitInHang(int connection);
    Reply replyFor(const std::string& target);

    int listener_ = -1;
    int wakePipe_[2] = {-1, -1};
    std::uint16_t port_ = 0;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::map<std::string, std::vector<Reply>> replies_;
    std::map<std::string, std::size_t> answered_;
    std::vector<std::string> requests_;
    std::vector<std::string> targets_;
    std::size_t connections_ = 0;
    std::size_t hangUps_ = 0;
    bool released_ = false;
    bool stopping_ = false;

    struct ConnectionThread {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };
    // Finished ones are joined as new connections arrive, so a long run keeps few threads.
    std::vector<ConnectionThread> connectionThreads_;
    std::thread acceptor_;
};

}  // namespace zelvo::test
