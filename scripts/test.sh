#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite: the normal build, the
# AddressSanitizer + UndefinedBehaviorSanitizer build, and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc)

# Everything in parallel, then the tests over a private JACK server one at a time: a JACK
# server on a busy machine can miss a cycle and drop its MIDI, which is the machine's doing,
# so such a test gets up to three tries.
run_tests() {
    ctest --test-dir "$1" --output-on-failure -j "$jobs" -LE jack
    ctest --test-dir "$1" --output-on-failure -L jack --repeat until-pass:3 --no-tests=ignore
}

echo "== build and test (RelWithDebInfo)"
cmake -S . -B build -G Ninja -DVELCORA_WERROR=ON
cmake --build build -j "$jobs"
run_tests build

echo "== build and test (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake -S . -B build-asan -G Ninja -DVELCORA_WERROR=ON -DVELCORA_SANITIZE=ON -DVELCORA_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=Debug
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 run_tests build-asan

echo "== threaded tests under ThreadSanitizer (tests labelled tsan)"
cmake -S . -B build-tsan -G Ninja -DVELCORA_WERROR=ON -DVELCORA_TSAN=ON -DVELCORA_BENCH=OFF
cmake --build build-tsan -j "$jobs"
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -L tsan --no-tests=ignore

echo "== soak: rounds of transfers over a private JACK server, each build of velcora-cli in turn"
bash scripts/soak.sh 3

echo "== fuzz targets (short run each)"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-20}"

echo "== install check (a packager's build, installed into a staging folder)"
bash scripts/install-check.sh
