#!/usr/bin/env bash
# One-step set-up for a fresh Debian 12 machine.
#   tools/setup.sh run    install what is missing, build, start the editor
#   tools/setup.sh test   install what is missing, build, run every test,
#                         then build and run them again under ASan + UBSan,
#                         and give each fuzz target a short run
set -euo pipefail

mode=${1:-run}
case "$mode" in
run | test) ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac

cd "$(dirname "$0")/.."

packages=(
    build-essential cmake pkg-config
    qt6-base-dev libbenchmark-dev
    # The fuzz targets: clang with libFuzzer and the sanitizer runtimes.
    clang libclang-rt-14-dev
    # Text in offscreen tests and on a bare desktop needs at least one font.
    fontconfig fonts-dejavu-core
    # tagwright-batch audit measures widths in Liberation Sans (Arial's metrics).
    fonts-liberation2
)

bash tools/install-missing.sh "${packages[@]}"

jobs=$(nproc 2>/dev/null || echo 2)

build() {
    cmake --preset "$1"
    cmake --build --preset "$1" --parallel "$jobs"
}

if [ "$mode" = run ]; then
    cmake --preset default
    cmake --build --preset default --parallel "$jobs" --target tagwright tagwright-batch
    echo "Built build/default/app/tagwright and build/default/cli/tagwright-batch."
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
        echo "No display to show the editor on; try it with: xvfb-run build/default/app/tagwright (package xvfb)" >&2
        exit 0
    fi
    exec build/default/app/tagwright
fi

export QT_QPA_PLATFORM=offscreen
build default
ctest --preset default --parallel "$jobs"
build sanitize
ctest --preset sanitize --parallel "$jobs"
bash fuzz/smoke.sh
