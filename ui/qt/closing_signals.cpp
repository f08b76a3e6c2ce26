#include "ui/qt/closing_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <utility>

namespace zelvo {

namespace {

constexpr std::array<int, 3> closingSignals{SIGTERM, SIGHUP, SIGINT};

// Read by the handler, which may run on any thread; written only while no handler is installed.
volatile std::sig_atomic_t signalPipeWriteEnd = -1;

void onClosingSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already holds a close request, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(signalPipeWriteEnd, &byte, 1);
    errno = savedErrno;
}

}  // namespace

ClosingSignals::ClosingSignals(std::function<void()> close, QObject* parent)
    : QObject(parent), close_(std::move(close)) {
    if (::pipe2(pipe_.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        pipe_ = {-1, -1};
        return;
    }
    signalPipeWriteEnd = pipe_[1];
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ClosingSignals::drain);

    struct sigaction action {};
    action.sa_handler = onClosingSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls elsewhere in the program carry on as if nothing happened.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < closingSignals.size(); ++i) {
        ::sigaction(closingSignals[i], &action, &earlier_[i]);
    }
}

ClosingSignals::~ClosingSignals() {
    if (pipe_[0] < 0) {
        return;
    }
    for (std::size_t i = 0; i < closingSignals.size(); ++i) {
        ::sigaction(closingSignals[i], &earlier_[i], nullptr);
    }
    signalPipeWriteEnd = -1;
    notifier_->setEnabled(false);
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void ClosingSignals::drain() {
    char bytes[16];
    bool received = false;
    for (;;) {
        const ssize_t read = ::read(pipe_[0], bytes, sizeof bytes);
        if (read > 0) {
            received = true;
        } else if (read == 0 || errno != EINTR) {
            break;
        }
    }
    if (received) {
        close_();
    }
}

}  // namespace zelvo
