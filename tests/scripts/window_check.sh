#!/bin/sh
# Runs tarnwick on the current X display for a while, then records what a person would see:
# the window's title (xprop), geometry (xwininfo) and a screenshot (xwd -> PNG and raw RGB),
# then quits it with Escape. Meant to run inside xvfb-run.
# Usage: window_check.sh TARNWICK DATA_ROOT OUT_DIR SECONDS window|fullscreen
# "fullscreen" starts a window manager first (openbox): full screen is the window manager's
# job, and a bare X server would leave the window at its requested size.
set -u
tw=$1
data=$2
out=$3
seconds=$4
mode=${5:-window}
mkdir -p "$out"

if [ "$mode" = fullscreen ]; then
    openbox >/dev/null 2>&1 &
    wm=$!
    sleep 1
    "$tw" --data "$data" >"$out/tarnwick.log" 2>&1 &
    pid=$!
else
    wm=""
    "$tw" --window --data "$data" >"$out/tarnwick.log" 2>&1 &
    pid=$!
fi

# Wait (up to 20 s) for a top-level window named "tarnwick" to be mapped.
id=""
i=0
while [ $i -lt 200 ]; do
    id=$(xwininfo -root -tree 2>/dev/null | awk '/"tarnwick"/ { print $1; exit }')
    [ -n "$id" ] && break
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "tarnwick exited before its window appeared" >&2
        cat "$out/tarnwick.log" >&2
        exit 1
    fi
    sleep 0.1
    i=$((i + 1))
done
if [ -z "$id" ]; then
    echo "no window named tarnwick appeared" >&2
    kill "$pid" 2>/dev/null
    exit 1
fi

sleep "$seconds"
# Look again: SDL may replace its first window when it sets up OpenGL.
id=$(xwininfo -root -tree 2>/dev/null | awk '/"tarnwick"/ { print $1; exit }')
xprop -id "$id" WM_NAME _NET_WM_NAME >"$out/xprop.txt" 2>&1
xwininfo -id "$id" >"$out/xwininfo.txt" 2>&1
if [ "$mode" = fullscreen ]; then
    xwd -root -silent >"$out/window.xwd"
else
    xwd -id "$id" -silent >"$out/window.xwd"
fi
if kill -0 "$pid" 2>/dev/null; then
    echo running >"$out/state.txt"
else
    echo exited >"$out/state.txt"
fi

# Quit the way a person does: focus the window and press Escape (XTEST). Without xdotool,
# or if the press is not honoured within 10 s, end it with SIGTERM instead.
how=killed
if command -v xdotool >/dev/null 2>&1; then
    xdotool windowfocus --sync "$id" >/dev/null 2>&1
    xdotool key Escape >/dev/null 2>&1
    i=0
    while [ $i -lt 100 ] && kill -0 "$pid" 2>/dev/null; do
        sleep 0.1
        i=$((i + 1))
    done
    kill -0 "$pid" 2>/dev/null || how=escape
fi
[ "$how" = killed ] && kill "$pid" 2>/dev/null
wait "$pid"
echo "$?" >"$out/exit.txt"
echo "$how" >"$out/quit.txt"
[ -n "$wm" ] && kill "$wm" 2>/dev/null

ffmpeg -v error -y -i "$out/window.xwd" -pix_fmt rgb24 "$out/window.png" &&
    ffmpeg -v error -y -i "$out/window.xwd" -f rawvideo -pix_fmt rgb24 "$out/window.rgb"
