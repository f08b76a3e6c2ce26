"""Drives the real program as a user would, for the end-to-end tests of its life on the desktop:
the bundled template server, pasting a code, pressing 生成并复制 until the generation is on the
clipboard, reading the clipboard, and starting the program as an ordinary user. Builds on
tests/support/e2e_harness.py; start everything inside the test's own network namespace."""

import os
import pwd
import shutil
import subprocess
import sys
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
import e2e_harness as harness  # noqa: E402
from e2e_harness import fail, wait_for  # noqa: E402

# Places of the form, in client coordinates: the centres of the input box and of the buttons.
INPUT_BOX = (372, 178)
GENERATE_BUTTON = (681, 341)
PREVIEW_BUTTON = (681, 386)

USER_CODE = '<div class="banner"><a href="#">全屏海报 宽度 537206418</a> 😀</div>'
ORDINARY_USER = "nobody"


def start_template_server(session, site):
    """Serves the bundled templates on the compiled-in address."""
    log = open(session.path("server.log"), "wb")
    session.start([sys.executable, "-m", "http.server", "--bind", harness.TEMPLATE_HOST,
                   str(harness.TEMPLATE_PORT), "--directory", site], stdout=log, stderr=log)
    address = "http://%s:%d/gjx/qpdmsc/jsb.txt" % (harness.TEMPLATE_HOST, harness.TEMPLATE_PORT)

    def answers():
        try:
            urllib.request.urlopen(address, timeout=1).read()
            return True
        except OSError:
            return False

    if not wait_for(answers, 20, 0.05):
        fail("the template server did not start: " + harness.read_text(session.path("server.log")))


def expected_generation(session, tool, site, user_code=USER_CODE):
    """The generated code (as text) and the preview page (as GBK bytes) that one press with the
    form's defaults makes of the user code and the bundled templates."""
    source, code, page = (session.path(name) for name in ("user_code.gbk", "code.gbk", "page.gbk"))
    with open(source, "wb") as out:
        out.write(user_code.encode("gb18030"))
    subprocess.run([tool, site, source, code, page], check=True)
    with open(code, "rb") as generated, open(page, "rb") as preview:
        return generated.read().decode("gb18030"), preview.read()


def clipboard(display):
    """The clipboard's text, or None when no one holds it."""
    result = subprocess.run(["xclip", "-selection", "clipboard", "-o", "-t", "UTF8_STRING"], env=display.env,
                            capture_output=True, timeout=10)
    return result.stdout.decode("utf-8") if result.returncode == 0 else None


def set_clipboard(display, text):
    # xclip stays behind to serve the text until another program takes the clipboard.
    subprocess.run(["xclip", "-selection", "clipboard", "-i", "-t", "UTF8_STRING"], env=display.env,
                   input=text.encode("utf-8"), check=True, timeout=10)


def click(display, window, place):
    display.xdotool("mousemove", "--window", window, place[0], place[1], "click", "1", check=True)


def start_program(session, display, program, env=None, user=None):
    """Starts the program and waits for its mapped window; returns (process, window id)."""
    command = [program] if user is None else as_user(user, [program])
    process = session.start(command, env=env or display.env, stderr=open(session.path("program.log"), "ab"))
    window = wait_for(lambda: process.poll() is None and display.find_window(process.pid), 20)
    if not window:
        fail("no window titled %s: %s" % (harness.TITLE, harness.read_text(session.path("program.log"))))
    return process, window


def generate(display, window, user_code, expected_code):
    """Pastes the user code into 编辑框4 and presses 生成并复制 until the clipboard holds the
    expected generation (until the code template has arrived, a press only shows the waiting
    text)."""
    set_clipboard(display, user_code)
    click(display, window, INPUT_BOX)
    display.xdotool("key", "--clearmodifiers", "ctrl+v", check=True)

    def pressed_and_generated():
        click(display, window, GENERATE_BUTTON)
        return wait_for(lambda: clipboard(display) == expected_code, 1, 0.05)

    if not wait_for(pressed_and_generated, 30, 0):
        fail("the clipboard never held the expected generation; it holds %r" % (clipboard(display),))


def press_escape(display, window):
    display.xdotool("windowfocus", "--sync", window)
    display.xdotool("key", "--clearmodifiers", "Escape", check=True)


def wait_for_exit(process, timeout_s=15):
    try:
        return process.wait(timeout=timeout_s)
    except subprocess.TimeoutExpired:
        fail("the program did not exit within %d s" % timeout_s)


def as_user(user, command):
    """The command, run as the user with no other groups. Needs root."""
    return ["setpriv", "--reuid=" + user, "--regid=" + str(pwd.getpwnam(user).pw_gid), "--clear-groups",
            "--", *command]


def can_become_ordinary_user():
    return os.geteuid() == 0 and shutil.which("setpriv") is not None


def share_session(session):
    """Lets an ordinary user reach what the session holds: its folder is made private."""
    os.chmod(session.directory, 0o755)


def env_for_user(display, session, user, **extra):
    """The display's environment for a program run as the user, with a runtime directory of the
    user's own, as Qt wants one."""
    runtime = session.path("runtime-" + user)
    os.makedirs(runtime, exist_ok=True)
    entry = pwd.getpwnam(user)
    os.chown(runtime, entry.pw_uid, entry.pw_gid)
    os.chmod(runtime, 0o700)
    return dict(display.env, XDG_RUNTIME_DIR=runtime, HOME=runtime, **extra)


def fake_opener(session):
    """A stand-in for xdg-open that records each address it is asked to open; returns the PATH
    that finds it first and the log it writes to."""
    folder = session.path("opener")
    os.makedirs(folder, exist_ok=True)
    log = os.path.join(folder, "opened.log")
    script = os.path.join(folder, "xdg-open")
    with open(script, "w") as out:
        out.write('#!/bin/sh\nprintf "%%s\\n" "$1" >>"%s"\n' % log)
    os.chmod(script, 0o755)
    open(log, "w").close()
    os.chmod(log, 0o666)
    return folder + os.pathsep + os.environ.get("PATH", ""), log


def opened_addresses(log):
    with open(log, "rb") as lines:
        return [line.rstrip(b"\n") for line in lines]

