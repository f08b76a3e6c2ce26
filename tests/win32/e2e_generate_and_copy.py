#!/usr/bin/env python3
"""The Windows program under Wine and Xvfb, end to end, as a user drives it.

  e2e_generate_and_copy.py PROGRAM.exe BOUNDARY_TEXT.exe EXPECTED_GENERATION.exe SITE_DIR DPI

In a network namespace, display and Wine prefix of its own (at the given DPI), with a raw-socket
template server on the compiled-in address: the four template requests arrive byte for byte in
fetch order; Chinese text and an emoji pasted into the input box through the clipboard and a
click on the generate button at its place put the expected generation on the clipboard (modulo
Wine's "\\r\\n" to "\\n") and into yl.htm (exact bytes); the preview button reaches the desktop's
opener (a stand-in xdg-open); Esc ends the program at once with exit code 0 and yl.htm gone; and
the end of the session (logging off) closes it the same way, and so does Esc while the first
template request hangs.
With ZELVO_E2E_SCREENSHOT=FILE.png it also keeps a picture of the window after the generation."""

import os
import socket
import subprocess
import sys
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import e2e_harness as harness  # noqa: E402

USER_CODE = '<div class="banner"><a href="#">全屏海报 宽度 537206418 Zelvo软件537206418</a> 😀</div>'
USER_AGENT = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)"
FETCH_ORDER = ("/gjx/qpdmsc/tmb.txt", "/gjx/qpdmsc/jsb.txt", "/zhongdaili/gongyongshuju/yl/jsb.txt",
               "/zhongdaili/gongyongshuju/yl/tmb.txt")
# Centres of the controls in the form's client coordinates at 96 DPI.
INPUT_BOX = (372, 178)
GENERATE_BUTTON = (681, 341)
PREVIEW_BUTTON = (681, 386)
# The client area of the 754 x 468 window with Wine's fixed frame, at 96 DPI.
CLIENT_AT_96_DPI = (748, 442)


class RecordingServer:
    """Serves the site's files over HTTP/1.0 on the compiled-in address and keeps each request's
    exact bytes, in order of arrival."""

    def __init__(self, site):
        self.site = site
        # While set, a request gets no answer at all, as from a server that hangs.
        self.hanging = threading.Event()
        self.requests = []
        self.lock = threading.Lock()
        self.listener = socket.create_server((harness.TEMPLATE_HOST, harness.TEMPLATE_PORT))
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            try:
                connection, _ = self.listener.accept()
            except OSError:
                return
            threading.Thread(target=self.answer, args=(connection,), daemon=True).start()

    def answer(self, connection):
        with connection:
            request = b""
            while b"\r\n\r\n" not in request:
                piece = connection.recv(4096)
                if not piece:
                    break
                request += piece
            with self.lock:
                self.requests.append(request)
            if self.hanging.is_set():
                # Holds the connection until the client gives up or the test ends.
                connection.recv(1)
                return
            target = request.split(b" ")[1].decode() if request.count(b" ") >= 2 else ""
            path = os.path.join(self.site, target.lstrip("/"))
            if target.startswith("/") and ".." not in target and os.path.isfile(path):
                with open(path, "rb") as source:
                    body = source.read()
                head = "HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n" % len(body)
            else:
                body = b""
                head = "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n"
            connection.sendall(head.encode() + body)

    def recorded(self):
        with self.lock:
            return list(self.requests)

    def close(self):
        self.listener.close()


def expected_request(target):
    return ("GET %s HTTP/1.0\r\nHost: %s:%d\r\nUser-Agent: %s\r\nAccept: */*\r\n\r\n"
            % (target, harness.TEMPLATE_HOST, harness.TEMPLATE_PORT, USER_AGENT)).encode()


def windows_path(path):
    """A Linux path as Wine's Z: drive shows it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine_prefix(session, display, **settings):
    """The environment of a fresh Wine prefix of the session's own on its display, for code page
    936 and a CJK font; the prefix's server ends with the session."""
    env = dict(display.env, WINEPREFIX=session.path("wine-prefix"), WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree=", LC_ALL="zh_CN.UTF-8", **settings)
    session.before_stop(lambda: subprocess.run(["wineserver", "-k"], env=env, capture_output=True))
    subprocess.run(["wineboot", "-i"], env=env, capture_output=True, timeout=180, check=True)
    return env


def main():
    program, boundary_text, expected_generation, site, dpi = sys.argv[1:6]
    dpi = int(dpi)
    harness.enter_private_network()
    harness.require_tools("wine", "wineboot", "wineserver", "Xvfb", "xdotool", "xclip")

    with harness.Session("zelvo-wine-e2e-") as session:
        display = harness.Display(session)
        stand_ins = session.path("stand-ins")
        os.mkdir(stand_ins)
        opened_log = session.path("xdg-open.log")
        with open(os.path.join(stand_ins, "xdg-open"), "w") as opener:
            opener.write('#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\n' % opened_log)
        os.chmod(os.path.join(stand_ins, "xdg-open"), 0o755)
        env = wine_prefix(session, display, PATH=stand_ins + os.pathsep + os.environ.get("PATH", ""))

        def wine(*args, **options):
            return subprocess.run(["wine", *args], env=env, capture_output=True, timeout=120, **options)

        if dpi != 96:
            wine("reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d",
                 str(dpi), "/f", check=True)

        # What the window hands the logic for the pasted text, and what one generation makes of it.
        with open(session.path("user_code.utf8"), "w", encoding="utf-8") as text:
            text.write(USER_CODE)
        wine(boundary_text, windows_path(session.path("user_code.utf8")),
             windows_path(session.path("user_code.gbk")), check=True)
        wine(expected_generation, windows_path(site), windows_path(session.path("user_code.gbk")),
             windows_path(session.path("code.gbk")), windows_path(session.path("page.gbk")), check=True)
        with open(session.path("code.gbk"), "rb") as code:
            expected_code = code.read().decode("gb18030")
        with open(session.path("page.gbk"), "rb") as page:
            expected_page = page.read()

        server = RecordingServer(site)
        session.before_stop(server.close)
        installed = harness.install_program(session, program)
        preview = os.path.join(os.path.dirname(installed), "yl.htm")
        with open(session.path("program.log"), "wb") as log:
            running = session.start(["wine", installed], env=env, stdout=log, stderr=log)

        window = harness.wait_for(display.find_window, 60, 0.1)
        if not window:
            harness.fail("no window titled %s: %s" % (harness.TITLE, harness.read_text(session.path("program.log"))))
        geometry = display.xdotool("getwindowgeometry", "--shell", window)
        size = dict(line.split("=") for line in geometry.split())
        client = (int(size["WIDTH"]), int(size["HEIGHT"]))
        scaled_client = tuple(length * dpi // 96 for length in CLIENT_AT_96_DPI)
        if abs(client[0] - scaled_client[0]) > 8 or abs(client[1] - scaled_client[1]) > 40:
            harness.fail("at %d DPI the client area is %s, not about %s" % (dpi, client, scaled_client))
        print("window mapped at %d DPI, client area %dx%d" % (dpi, *client))

        def scaled(place):
            return [str(coordinate * dpi // 96) for coordinate in place]

        def click(place):
            display.xdotool("mousemove", "--window", window, *scaled(place), "click", "1")

        if not harness.wait_for(lambda: len(server.recorded()) >= len(FETCH_ORDER), 30):
            harness.fail("only %d template requests arrived" % len(server.recorded()))
        expected_requests = [expected_request(target) for target in FETCH_ORDER]
        if server.recorded() != expected_requests:
            harness.fail("the template requests differ:\n%r\nexpected\n%r" % (server.recorded(), expected_requests))
        print("four template requests, byte for byte in fetch order")

        # Paste the user code into the input box, as a user would.
        subprocess.run(["xclip", "-selection", "clipboard", "-i", "-t", "UTF8_STRING"], input=USER_CODE.encode(),
                       env=display.env, check=True, timeout=10)
        click(INPUT_BOX)
        display.xdotool("key", "--clearmodifiers", "ctrl+v")

        # Wine's clipboard bridge turns "\r\n" into "\n".
        def clipboard():
            read = subprocess.run(["xclip", "-selection", "clipboard", "-o", "-t", "UTF8_STRING"], env=display.env,
                                  capture_output=True, timeout=10)
            return read.stdout.decode("utf-8", "replace").replace("\r\n", "\n")

        wanted = expected_code.replace("\r\n", "\n")

        def generated():
            click(GENERATE_BUTTON)
            return harness.wait_for(lambda: clipboard() == wanted, 2, 0.1)

        if not harness.wait_for(generated, 30, 0):
            harness.fail("the clipboard never held the expected generation:\n%s\nexpected\n%s" % (clipboard(), wanted))
        print("clipboard holds the generated code (%d characters)" % len(wanted))
        with open(preview, "rb") as page:
            if page.read() != expected_page:
                harness.fail("yl.htm differs from the expected preview page")
        print("yl.htm holds the expected preview page, %d bytes" % len(expected_page))
        # ZELVO_E2E_SCREENSHOT=FILE.png keeps a picture of the window with its status line.
        screenshot = os.environ.get("ZELVO_E2E_SCREENSHOT")
        if screenshot:
            subprocess.run(["import", "-display", display.name, "-window", str(window), screenshot],
                           env=display.env, check=True, timeout=30)

        click(PREVIEW_BUTTON)
        if not harness.wait_for(lambda: "yl.htm" in harness.read_text(opened_log), 30, 0.1):
            harness.fail("the preview button did not reach the desktop's opener")
        print("预览结果 asked the desktop to open %s" % harness.read_text(opened_log).strip())

        display.xdotool("mousemove", "--window", window, *scaled(INPUT_BOX))
        display.xdotool("key", "--clearmodifiers", "Escape")
        try:
            status = running.wait(timeout=5)
        except subprocess.TimeoutExpired:
            harness.fail("Esc did not end the program")
        if status != 0:
            harness.fail("exit code %d: %s" % (status, harness.read_text(session.path("program.log"))))
        if os.path.exists(preview):
            harness.fail("yl.htm is still there after closing")
        print("Esc ended the program with exit code 0 and removed yl.htm")

        # Logging off closes the window as Esc does: a yl.htm left by an earlier run goes too.
        with open(preview, "w") as leftover:
            leftover.write("left by an earlier run")
        with open(session.path("program.log"), "ab") as log:
            running = session.start(["wine", installed], env=env, stdout=log, stderr=log)
        if not harness.wait_for(display.find_window, 60, 0.1):
            harness.fail("the second start showed no window")
        subprocess.run(["wineboot", "--end-session"], env=env, capture_output=True, timeout=60)
        try:
            status = running.wait(timeout=10)
        except subprocess.TimeoutExpired:
            harness.fail("the end of the session did not end the program")
        if status != 0 or os.path.exists(preview):
            harness.fail("after the end of the session: exit code %d, yl.htm %s"
                         % (status, "still there" if os.path.exists(preview) else "gone"))
        print("the end of the session closed the window with exit code 0 and removed yl.htm")

        # Esc while the first template request hangs: the program ends at once all the same.
        server.hanging.set()
        asked = len(server.recorded())
        with open(session.path("program.log"), "ab") as log:
            running = session.start(["wine", installed], env=env, stdout=log, stderr=log)
        window = harness.wait_for(display.find_window, 60, 0.1)
        if not window or not harness.wait_for(lambda: len(server.recorded()) > asked, 30):
            harness.fail("the third start showed no window or asked for no template")
        display.xdotool("mousemove", "--window", window, *scaled(INPUT_BOX))
        display.xdotool("key", "--clearmodifiers", "Escape")
        try:
            status = running.wait(timeout=5)
        except subprocess.TimeoutExpired:
            harness.fail("Esc waited for the hung template download")
        if status != 0:
            harness.fail("exit code %d after Esc during a hung download" % status)
        print("Esc during a hung template download ended the program at once with exit code 0")


if __name__ == "__main__":
    main()
