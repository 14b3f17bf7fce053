#!/usr/bin/env bash
# Pictures of every window: builds the screenshot tour, runs it on a private Xvfb screen of
# 1366 x 900 with the built-in virtual synth, and writes the PNGs to OUTDIR (default
# build/screenshots). Needs xvfb (xvfb-run) and a configured or configurable build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/screenshots}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
if [ ! -f build/build.ninja ] && [ ! -f build/Makefile ]; then
    cmake -S . -B build -G Ninja
fi
cmake --build build -j "${JOBS:-2}" --target velcora_screenshot_tour
# The xcb platform: the pictures come from the X screen, popups included.
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1366x900x24 -nolisten tcp" \
    build/tests/app/velcora_screenshot_tour "$out"
