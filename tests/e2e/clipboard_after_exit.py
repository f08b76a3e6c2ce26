#!/usr/bin/env python3
"""The generated code outlives the program: under a clipboard manager that saves only when asked
(CLIPBOARD_MANAGER/SAVE_TARGETS), a user generates, closes the window with Esc, and pastes the
code after the program has exited. With a manager that never answers, the window still goes at
once and the program still exits with code 0, once Qt gives up on the hand-over.
Usage: clipboard_after_exit.py PROGRAM EXPECTED_GENERATION SITE_DIR SAVE_TARGETS_MANAGER"""

import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import window_driver as driver  # noqa: E402
from window_driver import fail, harness  # noqa: E402


def start_manager(session, display, manager, *options):
    process = session.start([manager, *options], env=display.env, stdout=subprocess.PIPE, text=True)
    if process.stdout.readline().strip() != "ready":
        fail("the clipboard manager did not start")
    return process


def close_after_generating(session, display, program, expected_code):
    """Generates, presses Esc; returns the process, the window and when Esc was pressed."""
    process, window = driver.start_program(session, display, program)
    driver.generate(display, window, driver.USER_CODE, expected_code)
    pressed = time.monotonic()
    driver.press_escape(display, window)
    return process, window, pressed


def saved_by_the_manager(session, display, program, manager, expected_code):
    start_manager(session, display, manager)
    process, _, pressed = close_after_generating(session, display, program, expected_code)
    code = driver.wait_for_exit(process)
    took = time.monotonic() - pressed
    print("with a manager that saves: exit code %d, %.3f s from Esc to exit" % (code, took))
    if code != 0:
        fail("exit code %d" % code)
    after = driver.clipboard(display)
    if after != expected_code:
        fail("after the exit the clipboard holds %r, not the generated code" % (after,))
    print("the clipboard holds the generated code (%d characters) after the exit" % len(after))


def manager_that_never_answers(session, display, program, manager, expected_code):
    start_manager(session, display, manager, "--silent")
    process, window, pressed = close_after_generating(session, display, program, expected_code)
    # The window goes before the hand-over starts waiting.
    if not harness.wait_for(lambda: display.find_window(process.pid) is None or process.poll() is not None, 10):
        fail("the window stayed on the screen after Esc")
    if process.poll() is not None:
        fail("the program did not wait for the clipboard manager at all")
    code = driver.wait_for_exit(process)
    print("with a manager that never answers: exit code %d, %.3f s from Esc to exit"
          % (code, time.monotonic() - pressed))
    if code != 0:
        fail("exit code %d" % code)


def main():
    program, expected_tool, site, manager = (os.path.abspath(argument) for argument in sys.argv[1:5])
    harness.require_tools("Xvfb", "xdotool", "xclip")
    harness.enter_private_network()
    for case in (saved_by_the_manager, manager_that_never_answers):
        with harness.Session("zelvo-clipboard-") as session:
            display = harness.Display(session)
            driver.start_template_server(session, site)
            expected_code, _ = driver.expected_generation(session, expected_tool, site)
            installed = harness.install_program(session, program)
            case(session, display, installed, manager, expected_code)
    print("PASS")


if __name__ == "__main__":
    main()
