#include "test_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <utility>

namespace zelvo::test {
namespace {

void sendAll(int connection, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(connection, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
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

Reply closedMidBody(std::string sentPart, std::size_t announcedLength) {
    Reply reply;
    reply.kind = Reply::Kind::closedMidBody;
    reply.body = std::move(sentPart);
    reply.announcedLength = announcedLength;
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
        case Reply::Kind::closedMidBody:
            sendAll(connection, head(reply, true, reply.announcedLength) + reply.body);
            break;
        case Reply::Kind::hang:
            if (waitInHang(connection)) {
                {
                    const std::lock_guard lock(mutex_);
                    ++hangUps_;
                }
                changed_.notify_all();
            }
            break;
    }
    ::shutdown(connection, SHUT_WR);
    ::close(connection);
}

// True when the client closed the connection, false when the hang was released.
bool TestHttpServer::waitInHang(int connection) {
    pollfd watched[2] = {{connection, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    for (;;) {
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (watched[1].revents != 0) {
            return false;
        }
        if (watched[0].revents != 0) {
            char byte;
            if (::recv(connection, &byte, 1, 0) <= 0) {
                return true;
            }
        }
    }
}

}  // namespace zelvo::test
