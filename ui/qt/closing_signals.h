#pragma once

// SIGTERM, SIGHUP and SIGINT (shutdown, logout, Ctrl+C in a terminal) close the window the way Esc
// does, so that its closing steps run and the program exits with code 0. The handler only writes a
// byte into a pipe; the event loop notices it and runs the closing on the window's thread.

#include <QObject>
#include <array>
#include <csignal>
#include <functional>

class QSocketNotifier;

namespace zelvo {

class ClosingSignals final : public QObject {
    Q_OBJECT

  public:
    // Installs the handlers; `close` runs on this object's thread soon after a signal arrives (once
    // for signals that arrive together). One instance at a time per process.
    explicit ClosingSignals(std::function<void()> close, QObject* parent = nullptr);
    // Puts the earlier handlers back.
    ~ClosingSignals() override;
    ClosingSignals(const ClosingSignals&) = delete;
    ClosingSignals& operator=(const ClosingSignals&) = delete;

  private:
    void drain();

    std::function<void()> close_;
    std::array<int, 2> pipe_{-1, -1};
    std::array<struct sigaction, 3> earlier_{};
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace zelvo
