#!/usr/bin/env python3
"""Starts the real program under Xvfb while its template server accepts and never answers,
closes the window with Esc, and checks that the process exits with code 0 within 2 seconds
and has deleted the preview file. Runs in a network namespace of its own, where the silent
server has the compiled-in template port to itself."""

import os
import socket
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import e2e_harness as harness  # noqa: E402
from e2e_harness import fail  # noqa: E402

EXIT_LIMIT_S = 2.0


class SilentServer:
    """Accepts every connection and keeps it open without sending a byte."""

    def __init__(self):
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            self.listener.bind((harness.TEMPLATE_HOST, harness.TEMPLATE_PORT))
        except OSError as error:
            fail("the template port %d cannot be had: %s" % (harness.TEMPLATE_PORT, error))
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


def main():
    harness.require_tools("Xvfb", "xdotool")
    harness.enter_private_network()
    with harness.Session("zelvo-exit-") as session:
        server = SilentServer()
        display = harness.Display(session, screen="1024x768x24")
        program = harness.install_program(session, os.path.abspath(sys.argv[1]))
        preview = os.path.join(os.path.dirname(program), "yl.htm")
        with open(preview, "wb") as left_over:
            left_over.write(b"left by an earlier run")

        window_program = session.start([program], env=display.env)
        window = harness.wait_for(lambda: display.find_window(window_program.pid), 20)
        if not window:
            fail("no window titled " + harness.TITLE)
        if not harness.wait_for(lambda: server.connections, 10):
            fail("timed out waiting for the first template request")

        display.xdotool("windowfocus", "--sync", window, check=True)
        if window_program.poll() is not None:
            fail("the program ended before it was closed")
        pressed = time.monotonic()
        display.xdotool("key", "Escape", check=True)
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
        server.listener.close()
        print("PASS")


if __name__ == "__main__":
    main()
