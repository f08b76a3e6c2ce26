#!/usr/bin/env python3
"""Starts the real program under Xvfb while its template server accepts and never answers,
closes the window with Esc, and checks that the process exits with code 0 within 2 seconds
and has deleted the preview file."""

import os
import shutil
import socket
import subprocess
import sys
import threading
import time

PORT = 8537  # the compiled-in template address
TITLE = "Zelvo全屏代码生成"
EXIT_LIMIT_S = 2.0
SKIP = 77


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def wait_for(condition, timeout_s, what):
    deadline = time.monotonic() + timeout_s
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.05)
    fail("timed out waiting for " + what)


class SilentServer:
    """Accepts every connection and keeps it open without sending a byte."""

    def __init__(self):
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", PORT))
        self.listener.listen(16)
        self.connections = []
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while True:
            try:
                connection, _ = self.listener.accept()
            except OSError:
                return
            self.connections.append(connection)


def start_xvfb():
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        xvfb.kill()
        fail("Xvfb did not start")
    return xvfb, ":" + number


def main():
    program = os.path.abspath(sys.argv[1])
    if shutil.which("Xvfb") is None or shutil.which("xdotool") is None:
        print("SKIP: Xvfb and xdotool are needed")
        sys.exit(SKIP)

    server = SilentServer()
    xvfb, display = start_xvfb()
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb")
    preview = os.path.join(os.path.dirname(program), "yl.htm")
    with open(preview, "wb") as left_over:
        left_over.write(b"left by an earlier run")

    window_program = subprocess.Popen([program], env=env)
    try:
        found = subprocess.run(["xdotool", "search", "--sync", "--name", TITLE], env=env,
                               capture_output=True, text=True, timeout=20)
        window_id = found.stdout.split()[0]
        wait_for(lambda: server.connections, 10, "the first template request")

        subprocess.run(["xdotool", "windowfocus", "--sync", window_id], env=env, check=True, timeout=10)
        if window_program.poll() is not None:
            fail("the program ended before it was closed")
        pressed = time.monotonic()
        subprocess.run(["xdotool", "key", "Escape"], env=env, check=True, timeout=10)
        try:
            code = window_program.wait(timeout=10)
        except subprocess.TimeoutExpired:
            fail("the program did not exit after Esc")
        took = time.monotonic() - pressed

        print(f"exit code {code} after {took:.3f} s")
        if code != 0:
            fail(f"exit code {code}")
        if took > EXIT_LIMIT_S:
            fail(f"exit took {took:.3f} s")
        if os.path.lexists(preview):
            fail("the preview file was not deleted")
        print("PASS")
    finally:
        if window_program.poll() is None:
            window_program.kill()
            window_program.wait()
        xvfb.terminate()
        xvfb.wait()
        server.listener.close()
        if os.path.lexists(preview):
            os.remove(preview)


if __name__ == "__main__":
    main()
