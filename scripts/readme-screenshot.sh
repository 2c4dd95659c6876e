#!/usr/bin/env bash
# Takes the README's screenshot of the desktop program: the demo copies the sample site, then
# the main window shows the copy on a virtual X screen, saved to docs/quarlo-main-window.png.
# Needs the desktop program built, and xdotool.
#   scripts/readme-screenshot.sh [BUILD]    (default: build, with the desktop program built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export QUARLO_HOME=$scratch/home HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/run
export QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu --disable-dev-shm-usage"
export QTWEBENGINE_DISABLE_SANDBOX=1
mkdir -p "$HOME" && mkdir -m 0700 "$XDG_RUNTIME_DIR"
"$build/bin/quarlo-cli" --pause 0 demo >/dev/null
mkdir -p docs
# No window manager runs on the virtual screen: the window is placed at its top left corner
# without a frame, and is resized to the picture's size.
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    "$1" & program=$!
    window=$(xdotool search --sync --onlyvisible --name "^Quarlo" | head -n 1)
    xdotool windowsize "$window" 1100 700 windowmove "$window" 0 0
    sleep 8
    # Open the category General in the Tasks view and double-click the demo task: its copy
    # opens in the embedded browser.
    xdotool mousemove 32 137 click 1
    sleep 1
    xdotool mousemove 82 145 click --repeat 2 1
    sleep 6
    /usr/bin/python3 -c "from PIL import ImageGrab; ImageGrab.grab(bbox=(0, 0, 1100, 700)).save(\"$2\", optimize=True)"
    kill "$program"
    wait "$program" || true' _ "$PWD/$build/bin/quarlo" "$PWD/docs/quarlo-main-window.png"
echo "docs/quarlo-main-window.png"
