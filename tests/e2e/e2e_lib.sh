# Helpers for tests that drive the real program: a network and an X display of their own, the
# bundled template server, and waiting on conditions. Everything started here is stopped by
# e2e_cleanup. Sourcing it runs the test again from the start in a new network namespace, so
# that the program's compiled-in template address reaches the test's own server and no other.
# shellcheck shell=bash

E2E_HARNESS="$(cd "$(dirname "${BASH_SOURCE[0]}")/../support" && pwd)/e2e_harness.py"
# The window title and the template address, shared with the Python tests.
eval "$(python3 "$E2E_HARNESS" shell-settings)"
if [ "$E2E_IN_PRIVATE_NETWORK" != 1 ]; then
    exec python3 "$E2E_HARNESS" private-network bash "$0" "$@"
fi

E2E_TMP=$(mktemp -d)
E2E_PIDS=()

e2e_cleanup() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${E2E_PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# wait_until SECONDS COMMAND...: polls the command every 50 ms until it succeeds.
wait_until() {
    local deadline=$(($(date +%s%N) + $1 * 1000000000))
    shift
    until "$@"; do
        [ "$(date +%s%N)" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

# Starts Xvfb on a free display and exports DISPLAY.
start_display() {
    local fifo=$E2E_TMP/display
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" 2>"$E2E_TMP/xvfb.log" &
    E2E_PIDS+=($!)
    # Xvfb writes the number, then a newline: read it only once the line is whole.
    display_written() { [ "$(wc -l <"$fifo")" -ge 1 ]; }
    wait_until 20 display_written || fail "Xvfb did not start: $(cat "$E2E_TMP/xvfb.log")"
    export DISPLAY=":$(head -n1 "$fifo")"
    # Qt wants a runtime directory that its user owns, and inside a user namespace the usual
    # one looks like someone else's.
    export XDG_RUNTIME_DIR=$E2E_TMP/runtime
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    wait_until 20 xdpyinfo >/dev/null 2>&1 || fail "display $DISPLAY does not answer"
}

# start_template_server SITE_DIR: serves the templates on the compiled-in default address.
start_template_server() {
    python3 -m http.server --bind "$E2E_TEMPLATE_HOST" "$E2E_TEMPLATE_PORT" --directory "$1" \
        >"$E2E_TMP/server.log" 2>&1 &
    E2E_PIDS+=($!)
    wait_until 20 template_server_answers || fail "template server did not start: $(cat "$E2E_TMP/server.log")"
}

template_server_answers() {
    python3 -c 'import sys, urllib.request; urllib.request.urlopen(sys.argv[1], timeout=1)' \
        "http://$E2E_TEMPLATE_HOST:$E2E_TEMPLATE_PORT/gjx/qpdmsc/jsb.txt" 2>/dev/null
}

# install_program EXECUTABLE: copies the program into a directory of its own, so its preview file
# lands there; prints the copy's path.
install_program() {
    mkdir -p "$E2E_TMP/bin"
    cp "$1" "$E2E_TMP/bin/zelvo-fullscreen"
    echo "$E2E_TMP/bin/zelvo-fullscreen"
}

# find_window: prints the id of the program's mapped window, waiting for it.
find_window() {
    timeout 20 xdotool search --sync --onlyvisible --name "$E2E_WINDOW_TITLE" | head -n1
}

clipboard_utf8() {
    xclip -selection clipboard -o -t UTF8_STRING 2>/dev/null
}

# click WINDOW X Y: a left click at a place of the window's client area.
click() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
}
