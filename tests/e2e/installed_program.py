#!/usr/bin/env python3
"""The program installs like a desktop program. `cmake --install` into a staging directory puts
the program, its menu entry and its icon where the freedesktop conventions say; the installed
program, started under Xvfb by a user who may not write its folder, generates, and its preview
file goes to that user's private folder in the temporary directory (and goes again on closing).
CPack's .deb holds the same files and depends on the Debian package of every library the program
links.
Usage: installed_program.py BUILD_DIR CMAKE CPACK EXPECTED_GENERATION SITE_DIR"""

import configparser
import os
import pwd
import shutil
import stat
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import window_driver as driver  # noqa: E402
from window_driver import fail, harness  # noqa: E402

PROGRAM = "usr/bin/zelvo-fullscreen"
DESKTOP_ENTRY = "usr/share/applications/zelvo-fullscreen.desktop"
ICON = "usr/share/icons/hicolor/scalable/apps/zelvo-fullscreen.svg"


def check_installed_files(staging):
    for path in (PROGRAM, DESKTOP_ENTRY, ICON):
        if not os.path.isfile(os.path.join(staging, path)):
            fail("%s was not installed" % path)
    if not os.access(os.path.join(staging, PROGRAM), os.X_OK):
        fail("the installed program is not executable")
    entry = configparser.ConfigParser(interpolation=None)
    entry.optionxform = str
    entry.read(os.path.join(staging, DESKTOP_ENTRY), encoding="utf-8")
    section = entry["Desktop Entry"]
    if section.get("Type") != "Application" or section.get("Exec") != os.path.basename(PROGRAM):
        fail("the menu entry does not start the installed program: %r" % dict(section))
    if section.get("Icon") != os.path.splitext(os.path.basename(ICON))[0]:
        fail("the menu entry names an icon that is not installed: %r" % section.get("Icon"))
    if shutil.which("desktop-file-validate"):
        subprocess.run(["desktop-file-validate", os.path.join(staging, DESKTOP_ENTRY)], check=True)
    print("installed: the program, its menu entry and its icon")


def run_installed_program(session, program, expected_tool, site):
    display = harness.Display(session)
    driver.start_template_server(session, site)
    expected_code, expected_page = driver.expected_generation(session, expected_tool, site)
    temporary = session.path("tmp")
    os.mkdir(temporary)
    os.chmod(temporary, 0o1777)
    if driver.can_become_ordinary_user():
        # Root writes any folder: the program runs as the user an installed program meets.
        driver.share_session(session)
        user = driver.ORDINARY_USER
        env = driver.env_for_user(display, session, user, TMPDIR=temporary)
    else:
        user = None
        env = dict(display.env, TMPDIR=temporary)
        os.chmod(os.path.dirname(program), 0o555)
    uid = pwd.getpwnam(user).pw_uid if user else os.geteuid()
    private_page = os.path.join(temporary, "zelvo-fullscreen-%d" % uid, "yl.htm")

    process, window = driver.start_program(session, display, program, env=env, user=user)
    driver.generate(display, window, driver.USER_CODE, expected_code)
    if os.path.lexists(os.path.join(os.path.dirname(program), "yl.htm")):
        fail("the installed program wrote into its own folder")
    with open(private_page, "rb") as page:
        if page.read() != expected_page:
            fail("the private folder's yl.htm does not hold the generated page")
    mode = stat.S_IMODE(os.stat(os.path.dirname(private_page)).st_mode)
    if mode != 0o700:
        fail("the private folder has mode %o" % mode)
    driver.press_escape(display, window)
    code = driver.wait_for_exit(process)
    if code != 0 or os.path.lexists(private_page):
        fail("closing: exit code %d, preview file %s" % (code, "left" if os.path.lexists(private_page) else "gone"))
    print("the installed program generated; its preview file went to %s and was deleted on closing"
          % private_page)
    os.chmod(os.path.dirname(program), 0o755)


def package_of(library_path):
    """The Debian package that holds a library, also where /lib is a link to /usr/lib."""
    real = os.path.realpath(library_path)
    for candidate in (library_path, real, real.replace("/usr/lib/", "/lib/", 1)):
        found = subprocess.run(["dpkg-query", "-S", candidate], capture_output=True, text=True)
        if found.returncode == 0:
            return found.stdout.split(":")[0]
    return None


def needed_packages(program):
    """The packages of the libraries that the program names as needed, found as ldd finds them."""
    needed = [line.split("[")[1].rstrip("]") for line in
              subprocess.run(["readelf", "-d", program], capture_output=True, text=True, check=True).stdout.splitlines()
              if "(NEEDED)" in line]
    found = {}
    for line in subprocess.run(["ldd", program], capture_output=True, text=True, check=True).stdout.splitlines():
        parts = line.split()
        if len(parts) >= 3 and parts[1] == "=>":
            found[parts[0]] = parts[2]
    packages = set()
    for library in needed:
        package = package_of(found[library]) if library in found else None
        if package is None:
            fail("no Debian package holds %s" % library)
        packages.add(package)
    return packages


def check_package(session, cpack, build, program):
    output = session.path("package")
    os.mkdir(output)
    subprocess.run([cpack, "-G", "DEB", "-B", output, "--config", os.path.join(build, "CPackConfig.cmake")],
                   check=True, capture_output=True)
    packages = [name for name in os.listdir(output) if name.endswith(".deb")]
    if len(packages) != 1:
        fail("cpack made %r" % packages)
    deb = os.path.join(output, packages[0])
    contents = subprocess.run(["dpkg-deb", "-c", deb], capture_output=True, text=True, check=True).stdout
    for path in (PROGRAM, DESKTOP_ENTRY, ICON):
        if "./" + path not in contents:
            fail("the package lacks %s" % path)
    depends = subprocess.run(["dpkg-deb", "-f", deb, "Depends"], capture_output=True, text=True,
                             check=True).stdout
    declared = {item.split("(")[0].strip() for item in depends.split(",")}
    missing = {package.split(":")[0] for package in needed_packages(program)} - declared
    if missing:
        fail("the package does not depend on %s" % ", ".join(sorted(missing)))
    print("%s: depends on %s" % (packages[0], depends.strip()))


def main():
    build, cmake, cpack, expected_tool, site = (os.path.abspath(argument) for argument in sys.argv[1:6])
    harness.require_tools("Xvfb", "xdotool", "xclip", "dpkg-deb", "readelf")
    harness.enter_private_network()
    with harness.Session("zelvo-install-") as session:
        staging = session.path("staging")
        subprocess.run([cmake, "--install", build, "--prefix", os.path.join(staging, "usr")], check=True,
                       capture_output=True)
        check_installed_files(staging)
        run_installed_program(session, os.path.join(staging, PROGRAM), expected_tool, site)
        check_package(session, cpack, build, os.path.join(staging, PROGRAM))
    print("PASS")


if __name__ == "__main__":
    main()
