#!/usr/bin/env bash
# Regenerates docs/window.png: the real window under Xvfb at 1280x1024 with
# openbox (a window manager is needed for the window to open maximised),
# after a click in manual mode with 255 typed.
#
# Usage: scripts/screenshot.sh [path/to/coincidenze]   (default: builds it)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh build screenshot
program="${1:-}"
if [[ -z "$program" ]]; then
    cmake --preset default >/dev/null
    cmake --build --preset default --target coincidenze
    program="$root/build/default/window/coincidenze"
fi

display=":$((90 + RANDOM % 100))"
work="$(mktemp -d)"
cleanup() {
    kill "${app_pid:-}" "${wm_pid:-}" "${x_pid:-}" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
x_pid=$!
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$work/openbox.log" 2>&1 &
wm_pid=$!
sleep 1

QT_QPA_PLATFORM=xcb "$program" >"$work/app.log" 2>&1 &
app_pid=$!
window=""
for _ in $(seq 100); do
    window="$(xdotool search --name '^Form1$' 2>/dev/null | head -n 1 || true)"
    [[ -n "$window" ]] && break
    sleep 0.1
done
[[ -n "$window" ]] || { echo "the window did not appear" >&2; cat "$work/app.log" >&2; exit 1; }
sleep 1

# Positions inside the client area, from the layout (twips / 15): Option2 at
# (656, 408) 49x25, Text1 at (656, 368) 57x25; (400, 40) is a blank point.
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.3; }
click 670 420
click 684 380
xdotool type --delay 50 "255"
click 400 40
sleep 0.5

mkdir -p docs
import -window root docs/window.png
echo "wrote docs/window.png"
