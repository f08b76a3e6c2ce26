#pragma once

// A raw-socket HTTP/1.0 server on 127.0.0.1 for tests. It records each request's exact bytes and
// answers each request target as told, misbehaving on purpose when asked (hang, close or reset
// mid-body, a wrong Content-Length, one byte at a time).

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

// A socket as the system names it: a descriptor on POSIX systems, a SOCKET handle on Windows.
#ifdef _WIN32
using SocketHandle = std::uintptr_t;
#else
using SocketHandle = int;
#endif
inline constexpr SocketHandle noSocket = static_cast<SocketHandle>(-1);

// The byte at `offset` of a large generated body: letters that differ along the way, so a lost,
// doubled or reordered piece shows unless it is a whole number of periods long.
constexpr char patternedByte(std::size_t offset) {
    return static_cast<char>('a' + (offset * 7 + offset / 251) % 26);
}
// Lets a large body be made and checked by copying one period instead of byte by byte.
inline constexpr std::size_t patternPeriod = 251 * 26;
static_assert(patternedByte(patternPeriod + 250) == patternedByte(250) &&
              patternedByte(3 * patternPeriod + 251) == patternedByte(251));

// What a sender can hand to a loopback connection beyond what its client has read: both ends'
// socket buffers, which the system grows on demand up to its limits (tcp_wmem and tcp_rmem on
// Linux, a few MiB to a few tens of MiB). A client that stops reading at some byte leaves the
// server's count of sent bytes at most this much past it.
inline constexpr std::size_t loopbackBuffersAtMost = 48 * 1024 * 1024;

struct Reply {
    enum class Kind {
        complete,
        withoutLength,
        misstatedLength,
        resetMidBody,
        drip,
        generated,
        endless,
        hang
    };
    Kind kind = Kind::complete;
    std::string status = "200 OK";
    std::vector<std::string> headers;
    std::string body;
    // For misstatedLength and resetMidBody: the Content-Length announced instead of the body's.
    std::size_t announcedLength = 0;
    // For drip: the pause before each byte after the first.
    std::chrono::milliseconds interval{0};
    // For generated: the length of a body of patternedByte()s, made while sending.
    std::size_t generatedLength = 0;
};

Reply ok(std::string body);
// An error status with an HTML page as its body, e.g. errorPage("404 Not Found", "<html>...").
Reply errorPage(std::string status, std::string page);
Reply withoutLength(std::string body);
Reply redirectTo(std::string location);
// Announces `announcedLength` bytes, sends the whole body, no more and no less, and closes.
Reply misstatedLength(std::string body, std::size_t announcedLength);
// Announces `announcedLength` bytes, more than `sentPart`, sends the part and closes.
Reply closedMidBody(std::string sentPart, std::size_t announcedLength);
// Announces `announcedLength` bytes, sends `sentPart` and, once the client has it, aborts the
// connection with a reset instead of a normal close.
Reply resetMidBody(std::string sentPart, std::size_t announcedLength);
// Announces the body's length and sends it one byte at a time, `interval` apart. Stops early when
// the client hangs up (counted as for a hang), on releaseHangs() or at the server's end.
Reply drip(std::string body, std::chrono::milliseconds interval);
// A body of `length` patternedByte()s with its Content-Length; the server never holds it whole.
// When the client hangs up before the end, that counts as for a hang.
Reply generated(std::size_t length);
// patternedByte()s without a Content-Length and without end: sent until the client hangs up
// (counted as for a hang), releaseHangs() or the server's end.
Reply endless();
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
    // Body bytes sent so far by drip replies, all connections together.
    std::size_t drippedBytes() const;
    // Body bytes sent so far by generated and endless replies, all connections together: what
    // the system took for sending, which is more than the client read when it hung up early.
    std::size_t generatedBytes() const;

    bool waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
    bool waitForDrippedBytes(std::size_t count, std::chrono::milliseconds timeout) const;
    // Waits until the client has closed `count` hung, dripping, generated or endless connections
    // before their end.
    bool waitForHangUps(std::size_t count, std::chrono::milliseconds timeout) const;
    // Ends every hang, drip and endless body, now and later, by closing the connection.
    void releaseHangs();

  private:
    void acceptConnections();
    void answer(SocketHandle connection);
    enum class Waited { timedOut, hungUp, released };
    // Waits for the client to hang up or the hangs to be released; a negative timeout never ends.
    Waited waitForHangUp(SocketHandle connection, std::chrono::milliseconds timeout);
    void noteHangUp();
    void sendDrip(SocketHandle connection, const Reply& reply);
    // Sends `length` patternedByte()s in pieces; an endless body stops only on release.
    void sendGenerated(SocketHandle connection, std::size_t length, bool endless);
    Reply replyFor(const std::string& target);

    SocketHandle listener_ = noSocket;
    // Readable once the hangs are released: a pipe, or on Windows a connected pair of sockets.
    SocketHandle wakePipe_[2] = {noSocket, noSocket};
    std::uint16_t port_ = 0;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::map<std::string, std::vector<Reply>> replies_;
    std::map<std::string, std::size_t> answered_;
    std::vector<std::string> requests_;
    std::vector<std::string> targets_;
    std::size_t connections_ = 0;
    std::size_t hangUps_ = 0;
    std::size_t dripped_ = 0;
    std::size_t generated_ = 0;
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
