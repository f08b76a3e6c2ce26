#pragma once

// A loopback TCP port that takes connections (the kernel completes them) and never answers:
// a template server whose requests hang for as long as the test lasts.

class SilentListener {
  public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    // The port bound on 127.0.0.1, or 0 when no socket could be set up.
    int port() const { return port_; }

  private:
    int socket_ = -1;
    int port_ = 0;
};
