#include "tests/support/test_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace zelvo::test {
namespace {

// False when the client has gone.
bool sendAll(int connection, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(connection, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

void sendGenerated(int connection, std::size_t length) {
    std::string period(patternPeriod, '\0');
    for (std::size_t i = 0; i < patternPeriod; ++i) {
        period[i] = patternedByte(i);
    }
    std::string piece;
    for (std::size_t offset = 0; offset < length; offset += piece.size()) {
        const std::size_t pieceLength = std::min<std::size_t>(64 * 1024, length - offset);
        piece.clear();
        while (piece.size() < pieceLength) {
            const std::size_t start = (offset + piece.size()) % patternPeriod;
            piece.append(period, start, std::min(patternPeriod - start, pieceLength - piece.size()));
        }
        if (!sendAll(connection, piece)) {
            return;
        }
    }
}

// An abortive close drops whatever the client has not acknowledged, so the part sent before a
// reset must have arrived first. Bounded, in case the client stopped reading.
void waitUntilAcknowledged(int connection) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int unacknowledged = 0;
    while (::ioctl(connection, SIOCOUTQ, &unacknowledged) == 0 && unacknowledged > 0 &&
           std::chrono::steady_clock::now() < deadline) {
        ::poll(nullptr, 0, 1);
    }
}

void resetConnection(int connection) {
    const linger abortive{1, 0};
    ::setsockopt(connection, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    ::close(connection);
}

// Reads up to the blank line that ends a GET request; what a broken client sent before it
// closed counts as the request too.
std::string readRequest(int connection) {
    std::string request;
    char piece[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const ssize_t received = ::recv(connection, piece, sizeof piece, 0);
        if (received < 0 && errno == EINTR) {
            continue;
        }
        if (received <= 0) {
            break;
        }
        request.append(piece, static_cast<std::size_t>(received));
    }
    return request;
}

std::string targetOf(const std::string& request) {
    const auto first = request.find(' ');
    const auto second = request.find(' ', first + 1);
    if (first == std::string::npos || second == std::string::npos) {
        return {};
    }
    return request.substr(first + 1, second - first - 1);
}

std::string head(const Reply& reply, bool withLength, std::size_t length) {
    std::string text = "HTTP/1.0 " + reply.status + "\r\n";
    for (const auto& header : reply.headers) {
        text += header + "\r\n";
    }
    if (withLength) {
        text += "Content-Length: " + std::to_string(length) + "\r\n";
    }
    return text + "\r\n";
}

}  // namespace

Reply ok(std::string body) {
    Reply reply;
    reply.body = std::move(body);
    return reply;
}

Reply errorPage(std::string status, std::string page) {
    Reply reply;
    reply.status = std::move(status);
    reply.headers.push_back("Content-Type: text/html");
    reply.body = std::move(page);
    return reply;
}

Reply withoutLength(std::string body) {
    Reply reply;
    reply.kind = Reply::Kind::withoutLength;
    reply.body = std::move(body);
    return reply;
}

Reply redirectTo(std::string location) {
    Reply reply;
    reply.status = "302 Found";
    reply.headers.push_back("Location: " + location);
    reply.body = "moved";
    return reply;
}

Reply misstatedLength(std::string body, std::size_t announcedLength) {
    Reply reply;
    reply.kind = Reply::Kind::misstatedLength;
    reply.body = std::move(body);
    reply.announcedLength = announcedLength;
    return reply;
}

Reply closedMidBody(std::string sentPart, std::size_t announcedLength) {
    return misstatedLength(std::move(sentPart), announcedLength);
}

Reply resetMidBody(std::string sentPart, std::size_t announcedLength) {
    Reply reply = misstatedLength(std::move(sentPart), announcedLength);
    reply.kind = Reply::Kind::resetMidBody;
    return reply;
}

Reply drip(std::string body, std::chrono::milliseconds interval) {
    Reply reply;
    reply.kind = Reply::Kind::drip;
    reply.body = std::move(body);
    reply.interval = interval;
    return reply;
}

Reply generated(std::size_t length) {
    Reply reply;
    reply.kind = Reply::Kind::generated;
    reply.generatedLength = length;
    return reply;
}

Reply hang() {
    Reply reply;
    reply.kind = Reply::Kind::hang;
    return reply;
}

TestHttpServer::TestHttpServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0 || ::pipe2(wakePipe_, O_CLOEXEC) != 0) {
        throw std::runtime_error("test server: no socket");
    }
    const int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 64) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("test server: cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread(&TestHttpServer::acceptConnections, this);
}

TestHttpServer::~TestHttpServer() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    releaseHangs();
    // On Linux this wakes the blocked accept().
    ::shutdown(listener_, SHUT_RDWR);
    acceptor_.join();
    for (auto& connection : connectionThreads_) {
        connection.thread.join();
    }
    ::close(listener_);
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
}

std::string TestHttpServer::host() const {
    return "127.0.0.1:" + std::to_string(port_);
}

std::string TestHttpServer::baseAddress() const {
    return "http://" + host();
}

void TestHttpServer::serve(const std::string& target, Reply reply) {
    serve(target, std::vector{std::move(reply)});
}

void TestHttpServer::serve(const std::string& target, std::vector<Reply> repliesInTurn) {
    const std::lock_guard lock(mutex_);
    replies_[target] = std::move(repliesInTurn);
}

std::vector<std::string> TestHttpServer::requests() const {
    const std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<std::string> TestHttpServer::targets() const {
    const std::lock_guard lock(mutex_);
    return targets_;
}

std::size_t TestHttpServer::connectionCount() const {
    const std::lock_guard lock(mutex_);
    return connections_;
}

bool TestHttpServer::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

std::size_t TestHttpServer::drippedBytes() const {
    const std::lock_guard lock(mutex_);
    return dripped_;
}

bool TestHttpServer::waitForDrippedBytes(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return dripped_ >= count; });
}

bool TestHttpServer::waitForHangUps(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return hangUps_ >= count; });
}

void TestHttpServer::releaseHangs() {
    const std::lock_guard lock(mutex_);
    if (!released_) {
        released_ = true;
        // Never read: the pipe stays readable, so every hang, present or later, wakes.
        const char wake = 1;
        [[maybe_unused]] const auto written = ::write(wakePipe_[1], &wake, 1);
    }
}

void TestHttpServer::acceptConnections() {
    for (;;) {
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        const std::lock_guard lock(mutex_);
        if (connection < 0) {
            if (errno == EINTR && !stopping_) {
                continue;
            }
            return;
        }
        if (stopping_) {
            ::close(connection);
            return;
        }
        ++connections_;
        std::erase_if(connectionThreads_, [](ConnectionThread& done) {
            if (!*done.finished) {
                return false;
            }
            done.thread.join();
            return true;
        });
        auto finished = std::make_shared<std::atomic<bool>>(false);
        connectionThreads_.push_back({std::thread([this, connection, finished] {
                                          answer(connection);
                                          *finished = true;
                                      }),
                                      finished});
    }
}

Reply TestHttpServer::replyFor(const std::string& target) {
    const std::lock_guard lock(mutex_);
    const auto found = replies_.find(target);
    if (found == replies_.end() || found->second.empty()) {
        return errorPage("404 Not Found", "");
    }
    const std::size_t turn = answered_[target]++;
    return found->second[std::min(turn, found->second.size() - 1)];
}

void TestHttpServer::answer(int connection) {
    // A client that never finishes its request must not hold the server's end.
    timeval timeout{5, 0};
    ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    const std::string request = readRequest(connection);
    const std::string target = targetOf(request);
    {
        const std::lock_guard lock(mutex_);
        requests_.push_back(request);
        targets_.push_back(target);
    }
    changed_.notify_all();

    const Reply reply = replyFor(target);
    switch (reply.kind) {
        case Reply::Kind::complete:
            sendAll(connection, head(reply, true, reply.body.size()) + reply.body);
            break;
        case Reply::Kind::withoutLength:
            sendAll(connection, head(reply, false, 0) + reply.body);
            break;
        case Reply::Kind::misstatedLength:
            sendAll(connection, head(reply, true, reply.announcedLength) + reply.body);
            break;
        case Reply::Kind::resetMidBody:
            sendAll(connection, head(reply, true, reply.announcedLength) + reply.body);
            waitUntilAcknowledged(connection);
            resetConnection(connection);
            return;
        case Reply::Kind::drip:
            sendDrip(connection, reply);
            break;
        case Reply::Kind::generated:
            if (sendAll(connection, head(reply, true, reply.generatedLength))) {
                sendGenerated(connection, reply.generatedLength);
            }
            break;
        case Reply::Kind::hang:
            if (waitForHangUp(connection, std::chrono::milliseconds(-1)) == Waited::hungUp) {
                noteHangUp();
            }
            break;
    }
    ::shutdown(connection, SHUT_WR);
    ::close(connection);
}

void TestHttpServer::sendDrip(int connection, const Reply& reply) {
    if (!sendAll(connection, head(reply, true, reply.body.size()))) {
        return;
    }
    for (std::size_t i = 0; i < reply.body.size(); ++i) {
        if (i > 0) {
            const Waited waited = waitForHangUp(connection, reply.interval);
            if (waited == Waited::hungUp) {
                noteHangUp();
            }
            if (waited != Waited::timedOut) {
                return;
            }
        }
        if (!sendAll(connection, std::string_view(reply.body).substr(i, 1))) {
            return;
        }
        {
            const std::lock_guard lock(mutex_);
            ++dripped_;
        }
        changed_.notify_all();
    }
}

void TestHttpServer::noteHangUp() {
    {
        const std::lock_guard lock(mutex_);
        ++hangUps_;
    }
    changed_.notify_all();
}

TestHttpServer::Waited TestHttpServer::waitForHangUp(int connection, std::chrono::milliseconds timeout) {
    const bool forever = timeout.count() < 0;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    pollfd watched[2] = {{connection, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    for (;;) {
        int waitMs = -1;
        if (!forever) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return Waited::timedOut;
            }
            waitMs = static_cast<int>(left.count());
        }
        const int ready = ::poll(watched, 2, waitMs);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Waited::released;
        }
        if (watched[1].revents != 0) {
            return Waited::released;
        }
        if (watched[0].revents != 0) {
            char byte;
            if (::recv(connection, &byte, 1, 0) <= 0) {
                return Waited::hungUp;
            }
        }
    }
}

}  // namespace zelvo::test
