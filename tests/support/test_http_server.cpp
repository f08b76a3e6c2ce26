#include "tests/support/test_http_server.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace zelvo::test {
namespace {

// The few socket calls that differ between POSIX systems and Windows (Winsock, for the Windows
// build's tests under Wine). On POSIX systems each is the plain call.
#ifdef _WIN32
using PollEntry = WSAPOLLFD;
constexpr int sendFlags = 0;
constexpr int shutdownSending = SD_SEND;

bool interrupted() {
    return false;
}
bool isSocket(SocketHandle handle) {
    return handle != INVALID_SOCKET;
}
SocketHandle openStreamSocket() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started ? ::socket(AF_INET, SOCK_STREAM, 0) : INVALID_SOCKET;
}
SocketHandle acceptConnection(SocketHandle listener) {
    return ::accept(listener, nullptr, nullptr);
}
void closeSocket(SocketHandle handle) {
    if (isSocket(handle)) {
        ::closesocket(handle);
    }
}
long long sendSome(SocketHandle connection, const char* data, std::size_t size) {
    return ::send(connection, data, static_cast<int>(std::min<std::size_t>(size, 1 << 30)), sendFlags);
}
long long receiveSome(SocketHandle connection, char* data, std::size_t size) {
    return ::recv(connection, data, static_cast<int>(size), 0);
}
int pollSockets(PollEntry* entries, unsigned long count, int timeoutMs) {
    return ::WSAPoll(entries, count, timeoutMs);
}
void setReceiveTimeout(SocketHandle connection, int seconds) {
    const DWORD milliseconds = static_cast<DWORD>(seconds) * 1000;
    ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&milliseconds),
                 sizeof milliseconds);
}
// Winsock wakes a blocked accept() only when the listener is closed.
void stopAccepting(SocketHandle& listener) {
    ::closesocket(listener);
    listener = INVALID_SOCKET;
}
// Winsock has no pipe to poll: a connected pair of loopback sockets stands in for it.
bool openWakePipe(SocketHandle (&ends)[2]) {
    const SocketHandle listener = openStreamSocket();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    bool paired = isSocket(listener) &&
                  ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                  ::listen(listener, 1) == 0 &&
                  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    if (paired) {
        ends[1] = openStreamSocket();
        paired = isSocket(ends[1]) &&
                 ::connect(ends[1], reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    if (paired) {
        ends[0] = ::accept(listener, nullptr, nullptr);
        paired = isSocket(ends[0]);
    }
    closeSocket(listener);
    return paired;
}
void signalWakePipe(SocketHandle writeEnd) {
    const char wake = 1;
    ::send(writeEnd, &wake, 1, 0);
}
// Winsock cannot tell how much the peer has acknowledged; on loopback a moment is plenty.
void waitUntilAcknowledged(SocketHandle) {
    ::Sleep(200);
}
void resetConnection(SocketHandle connection) {
    const linger abortive{1, 0};
    ::setsockopt(connection, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
                 sizeof abortive);
    ::closesocket(connection);
}
#else
using PollEntry = pollfd;
constexpr int sendFlags = MSG_NOSIGNAL;
constexpr int shutdownSending = SHUT_WR;

bool interrupted() {
    return errno == EINTR;
}
bool isSocket(SocketHandle handle) {
    return handle >= 0;
}
SocketHandle openStreamSocket() {
    return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
}
SocketHandle acceptConnection(SocketHandle listener) {
    return ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}
void closeSocket(SocketHandle handle) {
    ::close(handle);
}
ssize_t sendSome(SocketHandle connection, const char* data, std::size_t size) {
    return ::send(connection, data, size, sendFlags);
}
ssize_t receiveSome(SocketHandle connection, char* data, std::size_t size) {
    return ::recv(connection, data, size, 0);
}
int pollSockets(PollEntry* entries, nfds_t count, int timeoutMs) {
    return ::poll(entries, count, timeoutMs);
}
void setReceiveTimeout(SocketHandle connection, int seconds) {
    timeval timeout{seconds, 0};
    ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
}
// On Linux this wakes the blocked accept().
void stopAccepting(SocketHandle& listener) {
    ::shutdown(listener, SHUT_RDWR);
}
bool openWakePipe(SocketHandle (&ends)[2]) {
    return ::pipe2(ends, O_CLOEXEC) == 0;
}
void signalWakePipe(SocketHandle writeEnd) {
    const char wake = 1;
    [[maybe_unused]] const auto written = ::write(writeEnd, &wake, 1);
}
// An abortive close drops whatever the client has not acknowledged, so the part sent before a
// reset must have arrived first. Bounded, in case the client stopped reading.
void waitUntilAcknowledged(SocketHandle connection) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int unacknowledged = 0;
    while (::ioctl(connection, SIOCOUTQ, &unacknowledged) == 0 && unacknowledged > 0 &&
           std::chrono::steady_clock::now() < deadline) {
        ::poll(nullptr, 0, 1);
    }
}
void resetConnection(SocketHandle connection) {
    const linger abortive{1, 0};
    ::setsockopt(connection, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    ::close(connection);
}
#endif

// False when the client has gone.
bool sendAll(SocketHandle connection, std::string_view bytes) {
    while (!bytes.empty()) {
        const auto sent = sendSome(connection, bytes.data(), bytes.size());
        if (sent < 0 && interrupted()) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// Reads up to the blank line that ends a GET request; what a broken client sent before it
// closed counts as the request too.
std::string readRequest(SocketHandle connection) {
    std::string request;
    char piece[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const auto received = receiveSome(connection, piece, sizeof piece);
        if (received < 0 && interrupted()) {
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

Reply endless() {
    Reply reply;
    reply.kind = Reply::Kind::endless;
    return reply;
}

Reply hang() {
    Reply reply;
    reply.kind = Reply::Kind::hang;
    return reply;
}

TestHttpServer::TestHttpServer() {
    listener_ = openStreamSocket();
    if (!isSocket(listener_) || !openWakePipe(wakePipe_)) {
        throw std::runtime_error("test server: no socket");
    }
    const int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes), sizeof yes);
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
    stopAccepting(listener_);
    acceptor_.join();
    for (auto& connection : connectionThreads_) {
        connection.thread.join();
    }
    closeSocket(listener_);
    closeSocket(wakePipe_[0]);
    closeSocket(wakePipe_[1]);
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

std::size_t TestHttpServer::generatedBytes() const {
    const std::lock_guard lock(mutex_);
    return generated_;
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
        signalWakePipe(wakePipe_[1]);
    }
}

void TestHttpServer::acceptConnections() {
    for (;;) {
        const SocketHandle connection = acceptConnection(listener_);
        const std::lock_guard lock(mutex_);
        if (!isSocket(connection)) {
            if (interrupted() && !stopping_) {
                continue;
            }
            return;
        }
        if (stopping_) {
            closeSocket(connection);
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

void TestHttpServer::answer(SocketHandle connection) {
    // A client that never finishes its request must not hold the server's end.
    setReceiveTimeout(connection, 5);
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
                sendGenerated(connection, reply.generatedLength, false);
            }
            break;
        case Reply::Kind::endless:
            if (sendAll(connection, head(reply, false, 0))) {
                sendGenerated(connection, 0, true);
            }
            break;
        case Reply::Kind::hang:
            if (waitForHangUp(connection, std::chrono::milliseconds(-1)) == Waited::hungUp) {
                noteHangUp();
            }
            break;
    }
    ::shutdown(connection, shutdownSending);
    closeSocket(connection);
}

void TestHttpServer::sendDrip(SocketHandle connection, const Reply& reply) {
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

void TestHttpServer::sendGenerated(SocketHandle connection, std::size_t length, bool endless) {
    std::string period(patternPeriod, '\0');
    for (std::size_t i = 0; i < patternPeriod; ++i) {
        period[i] = patternedByte(i);
    }
    constexpr std::size_t largestPiece = 64 * 1024;
    std::string piece;
    for (std::size_t offset = 0; endless || offset < length; offset += piece.size()) {
        const std::size_t pieceLength = endless ? largestPiece : std::min(largestPiece, length - offset);
        piece.clear();
        while (piece.size() < pieceLength) {
            const std::size_t start = (offset + piece.size()) % patternPeriod;
            piece.append(period, start, std::min(patternPeriod - start, pieceLength - piece.size()));
        }
        if (!sendAll(connection, piece)) {
            noteHangUp();
            return;
        }
        {
            const std::lock_guard lock(mutex_);
            generated_ += piece.size();
            if (endless && released_) {
                return;
            }
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

TestHttpServer::Waited TestHttpServer::waitForHangUp(SocketHandle connection,
                                                     std::chrono::milliseconds timeout) {
    const bool forever = timeout.count() < 0;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    PollEntry watched[2] = {{connection, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
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
        const int ready = pollSockets(watched, 2, waitMs);
        if (ready < 0) {
            if (interrupted()) {
                continue;
            }
            return Waited::released;
        }
        if (watched[1].revents != 0) {
            return Waited::released;
        }
        if (watched[0].revents != 0) {
            char byte;
            if (receiveSome(connection, &byte, 1) <= 0) {
                return Waited::hungUp;
            }
        }
    }
}

}  // namespace zelvo::test
