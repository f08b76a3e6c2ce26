#!/usr/bin/env python3
"""The Win32 form's events and keys under Wine and Xvfb, read back through one generation.

  e2e_form_events.py PROGRAM.exe SITE_DIR

A user types a width, picks 自定义 in the top-spacing list with the mouse, reaches the revealed
box with Tab and types a spacing, walks to the edition list with Tab and picks 生成天猫版 with the
arrow keys while the list is closed, pastes code, empties the input box with a double-click,
and pastes other code; Enter in the width box on the way must change nothing. The generated code
on the clipboard then shows each of these: the Tmall template, the width, the offset that follows
it, the typed spacing, and only the second code."""

import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import e2e_harness as harness  # noqa: E402
from e2e_generate_and_copy import RecordingServer, wine_prefix  # noqa: E402

WIDTH_BOX = (367, 41)
TOP_SPACING_LIST = (628, 41)
# 自定义, the fourth item of the open list below the top-spacing list.
CUSTOM_ITEM = (620, 110)
INPUT_BOX = (372, 178)
GENERATE_BUTTON = (681, 341)


def main():
    program, site = sys.argv[1:3]
    harness.enter_private_network()
    harness.require_tools("wine", "wineboot", "wineserver", "Xvfb", "xdotool", "xclip")

    with harness.Session("zelvo-wine-form-") as session:
        display = harness.Display(session)
        env = wine_prefix(session, display)

        server = RecordingServer(site)
        session.before_stop(server.close)
        installed = harness.install_program(session, program)
        with open(session.path("program.log"), "wb") as log:
            session.start(["wine", installed], env=env, stdout=log, stderr=log)
        window = harness.wait_for(display.find_window, 60, 0.1)
        if not window:
            harness.fail("no window titled %s" % harness.TITLE)
        if not harness.wait_for(lambda: len(server.recorded()) >= 4, 30):
            harness.fail("the templates were not fetched")

        def click(place, *more):
            display.xdotool("mousemove", "--window", window, *place, "click", *more, "1")

        def keys(*names):
            display.xdotool("key", "--clearmodifiers", "--delay", "60", *names)

        def paste(text):
            subprocess.run(["xclip", "-selection", "clipboard", "-i", "-t", "UTF8_STRING"], input=text.encode(),
                           env=display.env, check=True, timeout=10)
            click(INPUT_BOX)
            keys("ctrl+v")

        click(WIDTH_BOX)
        keys("End", "BackSpace", "BackSpace", "BackSpace", "BackSpace")
        display.xdotool("type", "--delay", "60", "1366")
        keys("Return")
        click(TOP_SPACING_LIST)
        click(CUSTOM_ITEM)
        # 组合框1 → 编辑框3 (shown now, its text selected) → 编辑框5 → 组合框2.
        keys("Tab")
        display.xdotool("type", "--delay", "60", "--", "-35")
        keys("Tab", "Tab", "Down", "Down")
        paste("<p>first code</p>")
        click(INPUT_BOX, "--repeat", "2", "--delay", "80")
        paste("<p>second code</p>")

        def clipboard():
            read = subprocess.run(["xclip", "-selection", "clipboard", "-o", "-t", "UTF8_STRING"], env=display.env,
                                  capture_output=True, timeout=10)
            return read.stdout.decode("utf-8", "replace")

        click(GENERATE_BUTTON)
        generated = harness.wait_for(lambda: "second code" in clipboard() and clipboard(), 10, 0.1)
        if not generated:
            harness.fail("no generation reached the clipboard: %r" % clipboard())
        expected = {
            "the Tmall template (生成天猫版 picked with the arrow keys)": 'class="sn-simple-logo"',
            "the typed width": "width:1366px",
            "the offset that follows the width": "margin-left:-683px",
            "the spacing typed into the revealed box (自定义 picked with the mouse, reached with Tab)":
                "top:-35px",
            "the code pasted after the double-click": "<p>second code</p>",
        }
        for meaning, part in expected.items():
            if part not in generated:
                harness.fail("the generation lacks %s, %r:\n%s" % (meaning, part, generated))
            print("generated code shows %s" % meaning)
        if "first code" in generated:
            harness.fail("the double-click did not empty the input box:\n%s" % generated)
        print("the double-click emptied the input box")


if __name__ == "__main__":
    main()
