#!/usr/bin/env python3
"""Where the real program's preview file goes, and what 预览结果 opens:
- in a folder whose name is GBK bytes (as a Windows zip unpacks), the file is written in that
  folder, never in /, and 预览结果 opens it by the same bytes;
- run by an ordinary user from a folder that user may not write (an installed program), the file
  goes to the user's private folder in the temporary directory, 预览结果 opens that one and not a
  stale page left next to the program, and closing deletes it.
Usage: preview_places.py PROGRAM EXPECTED_GENERATION SITE_DIR"""

import os
import pwd
import shutil
import stat
import sys
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import window_driver as driver  # noqa: E402
from window_driver import fail, harness  # noqa: E402

GBK_FOLDER = "全屏工具".encode("gbk")


def opened_path(log):
    """The one local path that the fake opener was asked to open, as bytes."""
    addresses = harness.wait_for(lambda: driver.opened_addresses(log), 10)
    if len(addresses) != 1 or not addresses[0].startswith(b"file://"):
        fail("预览结果 asked to open %r" % (addresses,))
    return urllib.parse.unquote_to_bytes(addresses[0][len(b"file://"):])


def close_and_expect_deleted(display, window, process, path):
    driver.press_escape(display, window)
    code = driver.wait_for_exit(process)
    if code != 0:
        fail("exit code %d" % code)
    if os.path.lexists(path):
        fail("%r was not deleted when the window closed" % path)


def folder_named_in_gbk(session, program, expected_tool, site):
    display = harness.Display(session)
    driver.start_template_server(session, site)
    expected_code, expected_page = driver.expected_generation(session, expected_tool, site)
    folder = os.path.join(os.fsencode(session.directory), GBK_FOLDER)
    os.mkdir(folder)
    installed = os.path.join(folder, b"zelvo-fullscreen")
    shutil.copy2(program, installed)
    preview = os.path.join(folder, b"yl.htm")
    root_page_before = os.path.lexists("/yl.htm")
    path, log = driver.fake_opener(session)

    process, window = driver.start_program(session, display, os.fsdecode(installed),
                                           env=dict(display.env, PATH=path))
    driver.generate(display, window, driver.USER_CODE, expected_code)
    if not root_page_before and os.path.lexists("/yl.htm"):
        fail("the program wrote /yl.htm")
    with open(preview, "rb") as page:
        if page.read() != expected_page:
            fail("the preview file in the GBK-named folder does not hold the generated page")
    driver.click(display, window, driver.PREVIEW_BUTTON)
    if opened_path(log) != preview:
        fail("预览结果 did not open the file in the GBK-named folder")
    print("GBK-named folder: yl.htm written there and opened by its own bytes")
    close_and_expect_deleted(display, window, process, preview)


def folder_the_user_may_not_write(session, program, expected_tool, site):
    driver.share_session(session)
    display = harness.Display(session)
    driver.start_template_server(session, site)
    expected_code, expected_page = driver.expected_generation(session, expected_tool, site)
    installed = harness.install_program(session, program)
    folder = os.path.dirname(installed)
    stale = os.path.join(folder, "yl.htm")
    with open(stale, "w") as page:
        page.write("left by an earlier run")
    os.chmod(stale, 0o644)
    os.chmod(folder, 0o555)
    temporary = session.path("tmp")
    os.mkdir(temporary)
    os.chmod(temporary, 0o1777)
    path, log = driver.fake_opener(session)
    user = pwd.getpwnam(driver.ORDINARY_USER)
    private_folder = os.path.join(temporary, "zelvo-fullscreen-%d" % user.pw_uid)
    private_page = os.path.join(private_folder, "yl.htm")

    env = driver.env_for_user(display, session, driver.ORDINARY_USER, TMPDIR=temporary, PATH=path)
    process, window = driver.start_program(session, display, installed, env=env, user=driver.ORDINARY_USER)
    driver.generate(display, window, driver.USER_CODE, expected_code)
    with open(private_page, "rb") as page:
        if page.read() != expected_page:
            fail("the private folder's yl.htm does not hold the generated page")
    status = os.lstat(private_folder)
    if not stat.S_ISDIR(status.st_mode) or stat.S_IMODE(status.st_mode) != 0o700 or status.st_uid != user.pw_uid:
        fail("the private folder is not the user's own with mode 0700: %o, uid %d"
             % (status.st_mode, status.st_uid))
    driver.click(display, window, driver.PREVIEW_BUTTON)
    if opened_path(log) != os.fsencode(private_page):
        fail("预览结果 did not open the private folder's yl.htm")
    print("folder the user may not write: yl.htm written in %s and opened there" % private_folder)
    close_and_expect_deleted(display, window, process, private_page)


def main():
    program, expected_tool, site = (os.path.abspath(argument) for argument in sys.argv[1:4])
    harness.require_tools("Xvfb", "xdotool", "xclip")
    harness.enter_private_network()
    with harness.Session("zelvo-places-") as session:
        folder_named_in_gbk(session, program, expected_tool, site)
    if driver.can_become_ordinary_user():
        with harness.Session("zelvo-places-") as session:
            folder_the_user_may_not_write(session, program, expected_tool, site)
    else:
        print("not root: the case of a folder the user may not write is left out")
    print("PASS")


if __name__ == "__main__":
    main()
