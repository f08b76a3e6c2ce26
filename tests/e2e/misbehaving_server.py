#!/usr/bin/env python3
"""A template server that misbehaves on purpose, for tests that close the program while its
downloads are under way. One process serves every run; a test switches the behaviour with a
request to /mode/NAME, which applies to the requests that arrive after it:

  hang   reads the request and never answers, keeping the connection open
  drip   a valid response with a Content-Length, one body byte every DRIP_INTERVAL_S
  large  valid responses whose bodies start with a code template: 48 MiB for tmb.txt, the
         template that the first request fetches, and 6 MiB for jsb.txt, the one a generation
         of the default edition reads; the preview templates, small pages elsewhere too, stay
         small; the large bodies are paced at LARGE_RATE, so a close can meet them mid-way
  reset  the headers and part of the body, then a connection reset (RST)
  serve  a small valid code template at once

Every connection has a thread of its own, so the program's sequential requests, and a request
left over from an earlier run, never hold up another.
Usage: misbehaving_server.py [PORT]   (the template port by default; prints "ready" once it listens)"""

import os
import socket
import struct
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import e2e_harness as harness  # noqa: E402

MODES = ("hang", "drip", "large", "reset", "serve")
DRIP_INTERVAL_S = 0.2
# A generation runs on the window thread, at some 55 ms per MiB of template (filling the output
# box is most of it), and a close right after a press waits for it: the template that it reads
# is the smaller one, so that such a close stays well within two seconds on a busy machine. It
# also stays below the 8 MiB that a download accepts at most, so that it arrives and generates,
# while the program may drop tmb.txt as too large: these runs test closing, not content.
LARGE_BYTES = {"/gjx/qpdmsc/tmb.txt": 48 * 1024 * 1024, "/gjx/qpdmsc/jsb.txt": 6 * 1024 * 1024}
# Over loopback both would arrive before the window shows; at this rate they take some 0.6 s,
# which leaves most of a test's two seconds for a generation.
LARGE_RATE = 96 * 1024 * 1024  # bytes per second
LARGE_PIECE = 1024 * 1024
# "Zelvo软件537206418" in GBK: where the generated code puts the user's code; its last nine
# bytes are also the preview template's marker.
CODE_MARKER = b"Zelvo\xc8\xed\xbc\xfe537206418"
TEMPLATE = b"<div style=\"width:960px\">" + CODE_MARKER + b"</div>\n"
PREVIEW_TEMPLATE = b"<html><body>537206418</body></html>\n"
# Holds none of the placeholders, so the generation copies it through unchanged.
FILLER_LINE = b"<!-- filler of a large template, nothing to replace here -->\n"


def large_body(size):
    repeats = (size - len(TEMPLATE)) // len(FILLER_LINE) + 1
    return (TEMPLATE + FILLER_LINE * repeats)[:size]


def response_head(length):
    return (b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: %d\r\n"
            b"Connection: close\r\n\r\n" % length)


class Server:
    def __init__(self, port):
        self.mode = "serve"
        self.large = {path: large_body(size) for path, size in LARGE_BYTES.items()}
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind((harness.TEMPLATE_HOST, port))
        self.listener.listen(64)

    def run(self):
        while True:
            connection, _ = self.listener.accept()
            threading.Thread(target=self.answer, args=(connection,), daemon=True).start()

    def answer(self, connection):
        try:
            with connection:
                path = read_request_path(connection)
                if path is None:
                    return
                if path.startswith("/mode/"):
                    self.switch(connection, path[len("/mode/"):])
                    return
                getattr(self, "answer_" + self.mode)(connection, path)
        except OSError:
            pass  # the program went away mid-answer, which is what these tests cause

    def switch(self, connection, mode):
        if mode not in MODES:
            connection.sendall(b"HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n")
            return
        self.mode = mode
        connection.sendall(response_head(2) + b"ok")

    def answer_hang(self, connection, _path):
        # Until the program closes its end, which happens when it exits.
        while connection.recv(65536):
            pass

    def answer_drip(self, connection, _path):
        body = TEMPLATE * 100
        connection.sendall(response_head(len(body)))
        for i in range(len(body)):
            connection.sendall(body[i:i + 1])
            time.sleep(DRIP_INTERVAL_S)

    def answer_large(self, connection, path):
        body = self.large.get(path)
        if body is not None:
            connection.sendall(response_head(len(body)))
            started = time.monotonic()
            for offset in range(0, len(body), LARGE_PIECE):
                connection.sendall(body[offset:offset + LARGE_PIECE])
                ahead = started + (offset + LARGE_PIECE) / LARGE_RATE - time.monotonic()
                if ahead > 0:
                    time.sleep(ahead)
        else:
            connection.sendall(response_head(len(PREVIEW_TEMPLATE)) + PREVIEW_TEMPLATE)

    def answer_reset(self, connection, _path):
        body = TEMPLATE * 1000
        connection.sendall(response_head(len(body)) + body[:len(body) // 3])
        time.sleep(0.1)
        # Linger on with a zero timeout: close sends RST instead of FIN.
        connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))

    def answer_serve(self, connection, _path):
        connection.sendall(response_head(len(TEMPLATE)) + TEMPLATE)


def read_request_path(connection):
    request = b""
    while b"\r\n\r\n" not in request:
        piece = connection.recv(4096)
        if not piece:
            return None
        request += piece
    parts = request.split(b"\r\n", 1)[0].split(b" ")
    return parts[1].decode("latin-1") if len(parts) >= 2 else None


def main():
    server = Server(int(sys.argv[1]) if len(sys.argv) > 1 else harness.TEMPLATE_PORT)
    print("ready", flush=True)
    server.run()


if __name__ == "__main__":
    main()
