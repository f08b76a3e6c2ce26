#!/usr/bin/env bash
# The Windows program's size and its start to a mapped window under Wine, beside a bare Win32
# window built the same way (bench/win32/bare_window.cpp), measured in the same run:
#   bench/win32/startup.sh [ROUNDS]        (after scripts/build-windows; default 10 rounds)
# It runs in a network namespace of its own (no template server answers, as for a user who is
# offline: the window must not wait for the download) with its own Xvfb and Wine prefix. The
# first start of a prefix is left out: it sets the prefix up. Figures are milliseconds from
# starting `wine PROGRAM.exe` to the window being mapped, then Esc closes it.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
rounds=${1:-10}
program=$root/build/windows/zelvo-fullscreen.exe
bare=$root/build/windows/bench/bare_win32_window.exe
if [ ! -f "$program" ] || [ ! -f "$bare" ]; then
    cmake --build "$root/build/windows" --target zelvo-fullscreen bare_win32_window >/dev/null
fi

if [ "${ZELVO_BENCH_IN_NAMESPACE:-}" != 1 ]; then
    exec env ZELVO_BENCH_IN_NAMESPACE=1 unshare --net -- bash -c 'ip link set lo up && exec "$0" "$@"' "$0" "$@"
fi

work=$(mktemp -d)
cleanup() {
    WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
    kill "${xvfb:-}" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

: >"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
until [ "$(wc -l <"$work/display")" -ge 1 ]; do sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")" WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree=
locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' && export LC_ALL=zh_CN.UTF-8
wineboot -i >/dev/null 2>&1
wineserver -w
# A wineserver that stays up, as it does on a desktop where Wine programs run.
wineserver -p

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# start_once EXE TITLE: prints the milliseconds to the mapped window, then closes it with Esc.
start_once() {
    local begin window took
    begin=$(now_ms)
    wine "$1" >/dev/null 2>&1 &
    local pid=$!
    window=$(timeout 60 xdotool search --sync --onlyvisible --name "$2" | head -n1)
    took=$(($(now_ms) - begin))
    xdotool mousemove --window "$window" 10 10 key Escape 2>/dev/null
    wait "$pid" || true
    echo "$took"
}

# median of the numbers on standard input
median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : int((a[NR / 2] + a[NR / 2 + 1]) / 2) }'; }

start_once "$bare" "Bare window" >/dev/null
start_once "$program" "Zelvo全屏代码生成" >/dev/null
: >"$work/bare.ms"
: >"$work/program.ms"
for _ in $(seq "$rounds"); do
    start_once "$bare" "Bare window" >>"$work/bare.ms"
    start_once "$program" "Zelvo全屏代码生成" >>"$work/program.ms"
done

printf '%-34s %12s %12s\n' "" "generator" "bare window"
printf '%-34s %12s %12s\n' "executable size (bytes)" "$(stat -c %s "$program")" "$(stat -c %s "$bare")"
printf '%-34s %12s %12s\n' "start to mapped window, median ms" "$(median <"$work/program.ms")" \
    "$(median <"$work/bare.ms")"
printf '%-34s %12s %12s\n' "start to mapped window, best ms" "$(sort -n "$work/program.ms" | head -n1)" \
    "$(sort -n "$work/bare.ms" | head -n1)"
echo "($rounds rounds each, alternating, under $(wine --version))"
