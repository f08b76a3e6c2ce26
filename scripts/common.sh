# Shared by the scripts: installing what is missing, and finding the project.
# shellcheck shell=bash

ZELVO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Everything a build, the tests and a run need, all from Debian's archive.
ZELVO_BUILD_PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev libcurl4-openssl-dev python3 clang-format fonts-dejavu-core)
# The window's captions are Chinese: a CJK font makes them readable.
ZELVO_RUN_PACKAGES=(fonts-noto-cjk)
# The format check lists the files with git. The end-to-end tests run in network namespaces of
# their own: unshare (util-linux) makes one and ip (iproute2) brings up its loopback.
ZELVO_TEST_PACKAGES=(git libx11-dev xvfb xdotool xclip x11-utils openssl clang libclang-rt-14-dev
    iproute2 util-linux desktop-file-utils)

stage() { printf '==> %s\n' "$*"; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the named Debian packages that are not installed yet.
ensure_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        stage "packages: all present"
        return 0
    fi
    stage "packages: installing ${missing[*]}"
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}
