#!/usr/bin/env python3
"""Closes the real program 50 times while its template server misbehaves: by turns the server
hangs, drips, sends large bodies, or resets the connection. Each run closes at a random moment
within two seconds of the window showing, by Esc or by the window manager's close event, after a
press of the generate button in half of the runs. Every run must exit with code 0 within two
seconds of the close, and leave no "yl.htm" behind; runs that generated prove the deletion.
Runs in a network namespace of its own, so the program reaches this server and no other.
Usage: closing_under_load.py PROGRAM [SEED]   (the seed also comes from ZELVO_CLOSING_SEED)"""

import ctypes
import os
import random
import select
import struct
import subprocess
import sys
import time
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
import e2e_harness as harness  # noqa: E402
from e2e_harness import fail, wait_for  # noqa: E402

RUNS = 50
MODES = ("hang", "drip", "large", "reset")
CLOSE_WINDOW_S = 2.0
EXIT_LIMIT_S = 2.0
HUNG_AFTER_S = 10.0
GENERATE_BUTTON = (681, 341)  # centre of 按钮3 in client coordinates
PREVIEW = "yl.htm"

IN_MODIFY = 0x002
IN_CLOSE_WRITE = 0x008
IN_CREATE = 0x100
IN_DELETE = 0x200
IN_NONBLOCK = 0o4000


class DirectoryWatch:
    """Reports what happened to one file name in a directory, so a preview file that a run
    wrote and deleted again between two looks is still seen."""

    def __init__(self, directory, name):
        self.libc = ctypes.CDLL(None, use_errno=True)
        self.fd = self.libc.inotify_init1(IN_NONBLOCK)
        if self.fd < 0 or self.libc.inotify_add_watch(
                self.fd, directory.encode(), IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_DELETE) < 0:
            raise OSError(ctypes.get_errno(), "inotify")
        self.name = name.encode()

    def events(self):
        """The masks of the events for the name since the last call."""
        masks = []
        while True:
            try:
                data = os.read(self.fd, 65536)
            except BlockingIOError:
                return masks
            offset = 0
            while offset < len(data):
                _, mask, _, length = struct.unpack_from("iIII", data, offset)
                name = data[offset + 16:offset + 16 + length].rstrip(b"\0")
                offset += 16 + length
                if name == self.name:
                    masks.append(mask)


class Environment:
    """One display, one misbehaving template server and one copy of the program for all runs."""

    def __init__(self, program):
        self.session = harness.Session("zelvo-closing-")
        try:
            self.server = self.start_server()
            self.display = harness.Display(self.session)
            self.program = harness.install_program(self.session, program)
            self.preview = os.path.join(os.path.dirname(self.program), PREVIEW)
            self.watch = DirectoryWatch(os.path.dirname(self.program), PREVIEW)
        except BaseException:
            self.session.stop()
            raise

    def start_server(self):
        with open(self.session.path("server.log"), "wb") as log:
            server = self.session.start([sys.executable, os.path.join(HERE, "misbehaving_server.py"),
                                         str(harness.TEMPLATE_PORT)], stdout=subprocess.PIPE, stderr=log)
        ready, _, _ = select.select([server.stdout], [], [], 30)
        if not ready or server.stdout.readline().strip() != b"ready":
            fail("the template server did not start: %s" % harness.read_text(self.session.path("server.log")))
        return server

    def set_mode(self, mode):
        address = "http://%s:%d/mode/%s" % (harness.TEMPLATE_HOST, harness.TEMPLATE_PORT, mode)
        with urllib.request.urlopen(address, timeout=5) as answer:
            if answer.read() != b"ok":
                fail("the server refused mode " + mode)

def run_once(environment, number, mode, close_by, press, rng):
    """One start and close; returns the run's line, its faults, its exit code (None when it
    did not exit), the seconds from the close to the exit, and whether it wrote the preview."""
    faults = []
    environment.set_mode(mode)
    environment.watch.events()
    log = open(environment.session.path("program-%d.log" % number), "wb")
    program = subprocess.Popen([environment.program], env=environment.display.env, stderr=log)
    try:
        window = wait_for(lambda: program.poll() is None and environment.display.find_window(program.pid), 20)
        if not window:
            line = "run %2d %-5s no window, exit %s" % (number, mode, program.poll())
            return line, ["no window"], program.poll(), 0.0, False
        shown = time.monotonic()
        # A press comes at a random moment and the close at a random moment after it.
        press_at = rng.uniform(0, CLOSE_WINDOW_S) if press else 0.0
        close_at = rng.uniform(press_at, CLOSE_WINDOW_S)
        if press:
            time.sleep(max(0.0, shown + press_at - time.monotonic()))
            environment.display.xdotool("mousemove", "--window", window, *GENERATE_BUTTON, "click", 1)
        time.sleep(max(0.0, shown + close_at - time.monotonic()))
        if program.poll() is not None:
            faults.append("ended by itself before the close, code %d" % program.returncode)
        if close_by == "esc":
            environment.display.xdotool("windowfocus", "--sync", window)
            closed = time.monotonic()
            environment.display.xdotool("key", "Escape")
        else:
            closed = time.monotonic()
            environment.display.send_close(window)
        try:
            code = program.wait(timeout=HUNG_AFTER_S)
        except subprocess.TimeoutExpired:
            code = None
            faults.append("still running %.0f s after the close" % HUNG_AFTER_S)
        took = time.monotonic() - closed
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()
        log.close()

    masks = environment.watch.events()
    generated = any(mask & (IN_CREATE | IN_CLOSE_WRITE) for mask in masks)
    if code is not None and code != 0:
        faults.append("killed by signal %d" % -code if code < 0 else "exit code %d" % code)
    if code is not None and took > EXIT_LIMIT_S:
        faults.append("exit took %.3f s" % took)
    if os.path.lexists(environment.preview):
        faults.append(PREVIEW + " left behind")
        os.remove(environment.preview)
    pressed = "at %.3f" % press_at if press else "no"
    line = "run %2d %-5s close=%-11s pressed=%-8s generated=%-3s exit=%-4s close at %.3f, took %.3f s" % (
        number, mode, close_by, pressed, "yes" if generated else "no", code, close_at, took)
    return line, faults, code, took, generated


def main():
    if len(sys.argv) < 2:
        fail("usage: closing_under_load.py PROGRAM [SEED]")
    harness.require_tools("Xvfb", "xdotool")
    harness.enter_private_network()
    seed_text = sys.argv[2] if len(sys.argv) > 2 else os.environ.get("ZELVO_CLOSING_SEED")
    seed = int(seed_text) if seed_text else random.SystemRandom().randrange(1 << 32)
    print("seed %d (rerun with ZELVO_CLOSING_SEED=%d)" % (seed, seed), flush=True)
    rng = random.Random(seed)

    environment = Environment(os.path.abspath(sys.argv[1]))
    failures, codes, longest, generated_runs = [], {}, 0.0, 0
    try:
        for number in range(RUNS):
            # Every mode meets both ways of closing, with and without a press, in 16 runs.
            mode = MODES[number % 4]
            close_by = "esc" if number // 4 % 2 == 0 else "close-event"
            press = number // 8 % 2 == 1
            line, faults, code, took, generated = run_once(environment, number, mode, close_by, press, rng)
            print(line + ("   FAULT: " + "; ".join(faults) if faults else ""), flush=True)
            failures += ["run %d (%s, %s): %s" % (number, mode, close_by, f) for f in faults]
            codes[code] = codes.get(code, 0) + 1
            longest = max(longest, took)
            generated_runs += generated
    finally:
        environment.session.stop()

    print("exit codes: %s" % ", ".join("%s x%d" % (code, n) for code, n in sorted(
        codes.items(), key=lambda item: str(item[0]))))
    print("longest close: %.3f s; runs that generated: %d of %d" % (longest, generated_runs, RUNS))
    if failures:
        fail("%d fault(s), seed %d:\n  %s" % (len(failures), seed, "\n  ".join(failures)))
    if generated_runs == 0:
        fail("no run generated, so the deletion of %s went unchecked (seed %d)" % (PREVIEW, seed))
    print("PASS")


if __name__ == "__main__":
    main()
