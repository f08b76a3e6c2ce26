#!/usr/bin/env python3
"""SIGTERM, SIGHUP and SIGINT (shutdown, logout, Ctrl+C in a terminal) close the real program as
Esc does: it exits with code 0 and deletes the preview file that held the user's code, so that the
next start's 预览结果 cannot show it.
Usage: closing_signals.py PROGRAM EXPECTED_GENERATION SITE_DIR"""

import os
import signal
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import window_driver as driver  # noqa: E402
from window_driver import fail, harness  # noqa: E402


def main():
    program, expected_tool, site = (os.path.abspath(argument) for argument in sys.argv[1:4])
    harness.require_tools("Xvfb", "xdotool", "xclip")
    harness.enter_private_network()
    with harness.Session("zelvo-signals-") as session:
        display = harness.Display(session)
        driver.start_template_server(session, site)
        expected_code, expected_page = driver.expected_generation(session, expected_tool, site)
        installed = harness.install_program(session, program)
        preview = os.path.join(os.path.dirname(installed), "yl.htm")

        for number in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
            name = signal.Signals(number).name
            process, window = driver.start_program(session, display, installed)
            driver.generate(display, window, driver.USER_CODE, expected_code)
            with open(preview, "rb") as page:
                if page.read() != expected_page:
                    fail("yl.htm does not hold the generated page before %s" % name)

            process.send_signal(number)
            code = driver.wait_for_exit(process)
            print("%s: exit code %d, yl.htm %s" % (name, code, "left" if os.path.lexists(preview) else "deleted"))
            if code != 0:
                fail("%s ended the program with code %d" % (name, code))
            if os.path.lexists(preview):
                fail("yl.htm with the user's code stayed on disk after %s" % name)
    print("PASS")


if __name__ == "__main__":
    main()
