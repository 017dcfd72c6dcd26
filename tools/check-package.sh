#!/usr/bin/env bash
# Packages the default build as a .deb, checks its files and metadata, installs
# it, and starts the installed editor on a virtual display to see its window
# come up with its caption. Run after `tools/setup.sh test` has built it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-missing.sh appstream desktop-file-utils xvfb x11-utils

desktop-file-validate packaging/tagwright.desktop
appstreamcli validate --no-net packaging/example.corvantis.Tagwright.metainfo.xml

rm -f build/default/tagwright_*.deb
(cd build/default && cpack -G DEB)
deb=$(ls "$PWD"/build/default/tagwright_*.deb)

listing=$(dpkg-deb -c "$deb")
expected=(
    ./usr/bin/tagwright
    ./usr/bin/tagwright-batch
    ./usr/share/man/man1/tagwright.1
    ./usr/share/man/man1/tagwright-batch.1
    ./usr/share/applications/tagwright.desktop
    ./usr/share/metainfo/example.corvantis.Tagwright.metainfo.xml
    ./usr/share/icons/hicolor/scalable/apps/tagwright.svg
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/tagwright.png")
done
for path in "${expected[@]}"; do
    grep -q " ${path}\$" <<<"$listing" || { echo "missing from the package: $path" >&2; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
grep -q libqt6widgets6 <<<"$depends" || { echo "the package does not depend on Qt Widgets" >&2; exit 1; }
grep -q fonts-liberation2 <<<"$depends" || { echo "the package does not depend on fonts-liberation2" >&2; exit 1; }

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --reinstall "$deb"

display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp &
xvfb=$!
stop() {
    if [ -n "${editor:-}" ]; then
        kill "$editor" 2>/dev/null || true
        wait "$editor" 2>/dev/null || true
    fi
    kill "$xvfb" 2>/dev/null || true
}
trap stop EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

env -u QT_QPA_PLATFORM DISPLAY=":$display" /usr/bin/tagwright &
editor=$!
for _ in $(seq 100); do
    if DISPLAY=":$display" xwininfo -root -tree 2>/dev/null | grep -q '"TAGWRIGHT 2.0 Beta"'; then
        echo "The installed editor came up with its caption."
        exit 0
    fi
    kill -0 "$editor" 2>/dev/null || { echo "the installed editor ended at start-up" >&2; exit 1; }
    sleep 0.1
done
echo "no window captioned \"TAGWRIGHT 2.0 Beta\" appeared" >&2
exit 1
