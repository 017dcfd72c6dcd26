#!/usr/bin/env bash
# Remakes docs/screenshot.png: the editor on a virtual display with
# docs/sample-page.html opened through its own Open button and file dialog.
# Run after a build of the default preset (tools/setup.sh run or test).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-missing.sh xvfb xdotool imagemagick x11-utils

editor=build/default/app/tagwright
[ -x "$editor" ] || { echo "build the editor first: bash tools/setup.sh test" >&2; exit 1; }
# A neutral path for the picture, not this checkout's.
page=/tmp/tagwright-demo/site/index.html
mkdir -p "$(dirname "$page")"
cp docs/sample-page.html "$page"

display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
export DISPLAY=":$display"
unset QT_QPA_PLATFORM
Xvfb "$DISPLAY" -screen 0 800x700x24 -nolisten tcp &
xvfb=$!
stop() {
    if [ -n "${app:-}" ]; then
        kill "$app" 2>/dev/null || true
        wait "$app" 2>/dev/null || true
    fi
    kill "$xvfb" 2>/dev/null || true
}
trap stop EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

"$editor" &
app=$!
window=$(xdotool search --sync --name '^TAGWRIGHT 2\.0 Beta$' | head -n 1)
sleep 0.5

# The Open button by its access key, then the path typed into the dialog.
xdotool windowfocus --sync "$window"
xdotool key alt+o
for _ in $(seq 50); do
    [ "$(xdotool search --name '.' | wc -l)" -gt "$(xdotool search --name '^TAGWRIGHT' | wc -l)" ] && break
    sleep 0.1
done
sleep 1
xdotool type --delay 5 "$page"
xdotool key Return
sleep 1

import -window "$window" docs/screenshot.png
echo "wrote docs/screenshot.png"
