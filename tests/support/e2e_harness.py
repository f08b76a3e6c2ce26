#!/usr/bin/env python3
"""What the tests that drive the real program share: its window title and template address, a
network namespace of their own, an X display of their own, a copy of the program in a directory
of its own, and waiting on a condition.

The program always fetches from the compiled-in address, so a test that starts it runs in a new
network namespace with only the loopback up: nothing else on the machine can hold the port or
answer in the test's place, and such tests can run side by side.

Run as a script:
  e2e_harness.py private-network COMMAND [ARG...]   runs the command in a network of its own
  e2e_harness.py shell-settings                     prints the shared values as shell assignments"""

import ctypes
import ctypes.util
import os
import select
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

TITLE = "Zelvo全屏代码生成"
TEMPLATE_HOST = "127.0.0.1"  # the compiled-in template address
TEMPLATE_PORT = 8537
SKIP = 77  # the tests' SKIP_RETURN_CODE

# Holds the id of the namespace that was made for the test, so that a test knows it is inside
# that one and not merely started by something that set the variable.
NETWORK_MARKER = "ZELVO_E2E_NETWORK"
# The namespace reaches no proxy, and the program would ask one for its templates.
PROXY_VARIABLES = ("http_proxy", "https_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY")


def fail(message):
    print("FAIL:", message, flush=True)
    sys.exit(1)


def skip(message):
    print("SKIP:", message, flush=True)
    sys.exit(SKIP)


def wait_for(condition, timeout_s, interval_s=0.02):
    """Calls the condition until it gives a true value or the time is up; returns its last value."""
    deadline = time.monotonic() + timeout_s
    while True:
        result = condition()
        if result or time.monotonic() >= deadline:
            return result
        time.sleep(interval_s)


def require_tools(*tools):
    missing = [tool for tool in tools if shutil.which(tool) is None]
    if missing:
        skip("%s needed" % " and ".join(missing))


def network_namespace():
    return os.readlink("/proc/self/ns/net")


def in_private_network():
    return os.environ.get(NETWORK_MARKER) == network_namespace()


def find_ip():
    # ip lives in /usr/sbin, which a user's PATH often lacks.
    return shutil.which("ip", path=os.pathsep.join([os.environ.get("PATH", ""), "/usr/sbin", "/sbin"]))


def namespace_options(unshare, ip):
    """unshare's options that give a network namespace here: root makes one directly; another
    user needs a user namespace around it, which the kernel may forbid. Skips when neither works."""
    errors = []
    for options in (["--net"], ["--net", "--map-root-user"]):
        probe = subprocess.run([unshare, *options, "--", ip, "link", "set", "lo", "up"],
                               capture_output=True, text=True)
        if probe.returncode == 0:
            return options
        errors.append("unshare %s: %s" % (" ".join(options), probe.stderr.strip() or probe.returncode))
    skip("no network namespace of its own can be made here, so the compiled-in template port "
         "may belong to another server (%s)" % "; ".join(errors))


def run_in_private_network(command):
    """Replaces this process with the command, run in a new network namespace with the loopback
    up; skips the test when no namespace can be made."""
    if in_private_network():
        os.execvp(command[0], command)
    unshare, ip = shutil.which("unshare"), find_ip()
    if unshare is None or ip is None:
        skip("unshare (util-linux) and ip (iproute2) are needed for a network of the test's own")
    options = namespace_options(unshare, ip)
    sys.stdout.flush()
    sys.stderr.flush()
    os.execv(unshare, [unshare, *options, "--", sys.executable, os.path.abspath(__file__),
                       "_inside-network", ip, *command])


def enter_private_network():
    """For a Python test's start: runs the test again, from the start, in a network of its own,
    unless it is there already."""
    if not in_private_network():
        run_in_private_network([sys.executable, os.path.abspath(sys.argv[0]), *sys.argv[1:]])


def bring_up_network(ip, command):
    """The first step inside the new namespace, before the command."""
    subprocess.run([ip, "link", "set", "lo", "up"], check=True)
    for name in PROXY_VARIABLES:
        os.environ.pop(name, None)
    os.environ[NETWORK_MARKER] = network_namespace()
    os.execvp(command[0], command)


class Session:
    """A temporary directory and the processes a test starts, all stopped and removed at the end,
    last started first: a program before the display and server it uses."""

    def __init__(self, prefix):
        self.directory = tempfile.mkdtemp(prefix=prefix)
        self.children = []
        self.first_steps = []

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.stop()

    def path(self, name):
        return os.path.join(self.directory, name)

    def start(self, args, **options):
        child = subprocess.Popen(args, **options)
        self.children.append(child)
        return child

    def before_stop(self, step):
        """Runs the step first when the session stops."""
        self.first_steps.append(step)

    def stop(self):
        for step in self.first_steps:
            step()
        self.first_steps = []
        # SIGTERM first, so that Xvfb removes its socket and lock file.
        for child in reversed(self.children):
            if child.poll() is None:
                child.terminate()
        for child in reversed(self.children):
            try:
                child.wait(timeout=10)
            except subprocess.TimeoutExpired:
                child.kill()
                child.wait()
        self.children = []
        shutil.rmtree(self.directory, ignore_errors=True)


def install_program(session, program):
    """Copies the program into a directory of its own, where its preview file then lands;
    returns the copy's path."""
    directory = session.path("bin")
    os.makedirs(directory, exist_ok=True)
    installed = os.path.join(directory, os.path.basename(program))
    shutil.copy2(program, installed)
    return installed


CLIENT_MESSAGE = 33
NO_EVENT_MASK = 0


class ClientMessageEvent(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong),
        ("format", ctypes.c_int),
        ("data", ctypes.c_long * 5),
    ]


class XEvent(ctypes.Union):
    # Xlib's XEvent is padded to 24 longs; XSendEvent reads that much.
    _fields_ = [("client_message", ClientMessageEvent), ("pad", ctypes.c_long * 24)]


class XConnection:
    """One Xlib connection to a display, kept open so that sending costs no start-up. Close it
    before the X server goes: Xlib ends the process when its server vanishes under it."""

    def __init__(self, display_name):
        path = ctypes.util.find_library("X11")
        if path is None:
            raise OSError("libX11 not found")
        self.xlib = ctypes.CDLL(path)
        self.xlib.XOpenDisplay.restype = ctypes.c_void_p
        self.xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.xlib.XInternAtom.restype = ctypes.c_ulong
        self.xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        self.xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                         ctypes.POINTER(XEvent)]
        self.xlib.XFlush.argtypes = [ctypes.c_void_p]
        self.xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.display = self.xlib.XOpenDisplay(display_name.encode())
        if not self.display:
            raise OSError("cannot open display %s" % display_name)
        self.protocols = self.xlib.XInternAtom(self.display, b"WM_PROTOCOLS", 0)
        self.delete_window = self.xlib.XInternAtom(self.display, b"WM_DELETE_WINDOW", 0)

    def send_close(self, window):
        """Asks the window to close as a window manager's close button does: a WM_PROTOCOLS
        client message carrying WM_DELETE_WINDOW. A bare Xvfb has no window manager to send it,
        and xdotool can only destroy a window, which is not what a user's close does."""
        event = XEvent()
        message = event.client_message
        message.type = CLIENT_MESSAGE
        message.window = window
        message.message_type = self.protocols
        message.format = 32
        message.data[0] = self.delete_window
        message.data[1] = 0  # CurrentTime
        if not self.xlib.XSendEvent(self.display, window, 0, NO_EVENT_MASK, ctypes.byref(event)):
            raise OSError("XSendEvent failed")
        self.xlib.XFlush(self.display)

    def close(self):
        if self.display:
            self.xlib.XCloseDisplay(self.display)
            self.display = None


def connect(display_name):
    try:
        return XConnection(display_name)
    except OSError:
        return None


class Display:
    """An Xvfb of the test's own, on a display number that Xvfb picks. Start it inside the test's
    network namespace: the X server's abstract socket belongs to the namespace it was made in."""

    def __init__(self, session, screen="1280x1024x24"):
        read_end, write_end = os.pipe()
        log_path = session.path("xvfb.log")
        with open(log_path, "wb") as log:
            session.start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen, "-nolisten", "tcp"],
                          pass_fds=(write_end,), stderr=log)
        os.close(write_end)
        # Read up to the newline: Xvfb ends with a fatal error when it cannot write all of it.
        number = b""
        deadline = time.monotonic() + 30
        while not number.endswith(b"\n") and select.select([read_end], [], [],
                                                           max(0, deadline - time.monotonic()))[0]:
            piece = os.read(read_end, 64)
            if not piece:
                break
            number += piece
        os.close(read_end)
        if not number.strip():
            fail("Xvfb did not start: " + read_text(log_path))
        self.name = ":" + number.decode().strip()
        # Xvfb tells its number a moment before it takes connections.
        self.connection = wait_for(lambda: connect(self.name), 20, 0.05)
        if not self.connection:
            fail("display %s does not answer: %s" % (self.name, read_text(log_path)))
        session.before_stop(self.connection.close)
        # Qt wants a runtime directory that its user owns, and inside a user namespace the
        # usual one looks like someone else's.
        runtime = session.path("runtime")
        os.mkdir(runtime, 0o700)
        self.env = dict(os.environ, DISPLAY=self.name, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime)

    def xdotool(self, *args, check=False):
        return subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True, text=True,
                              timeout=10, check=check).stdout

    def send_close(self, window):
        self.connection.send_close(window)

    def find_window(self, pid=None):
        """The id of a mapped window of the program (of that process, when given), or None."""
        by_pid = ["--pid", pid] if pid is not None else []
        found = self.xdotool("search", "--all", "--onlyvisible", *by_pid, "--name", TITLE).split()
        return int(found[0]) if found else None


def read_text(path):
    try:
        with open(path, errors="replace") as source:
            return source.read()
    except OSError:
        return ""


def shell_settings():
    for name, value in (("E2E_WINDOW_TITLE", TITLE), ("E2E_TEMPLATE_HOST", TEMPLATE_HOST),
                        ("E2E_TEMPLATE_PORT", TEMPLATE_PORT),
                        ("E2E_IN_PRIVATE_NETWORK", int(in_private_network()))):
        print("%s=%s" % (name, shlex.quote(str(value))))


def main():
    if len(sys.argv) >= 3 and sys.argv[1] == "private-network":
        run_in_private_network(sys.argv[2:])
    elif len(sys.argv) >= 4 and sys.argv[1] == "_inside-network":
        bring_up_network(sys.argv[2], sys.argv[3:])
    elif sys.argv[1:] == ["shell-settings"]:
        shell_settings()
    else:
        print(__doc__.split("Run as a script:\n")[1], file=sys.stderr)
        sys.exit(2)


if __name__ == "__main__":
    main()
