#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds
# (default 20). A crash, leak or sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
only=${2:-}

cmake -S . -B build-fuzz -G Ninja -DVELCORA_FUZZ=ON -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELCORA_WERROR=ON
cmake --build build-fuzz -j "$(nproc)"

for target in build-fuzz/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    if [ -n "$only" ] && [ "$name" != "$only" ]; then
        continue
    fi
    corpus="build-fuzz/corpus/$name"
    mkdir -p "$corpus"
    seeds="fuzz/seeds/$name"
    dirs=("$corpus")
    [ -d "$seeds" ] && dirs+=("$seeds")
    echo "== $name for ${seconds}s"
    log="build-fuzz/$name.log"
    rc=0
    "$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="build-fuzz/$name-" \
        "${dirs[@]}" >"$log" 2>&1 || rc=$?
    tail -n 12 "$log"
    if [ "$rc" -ne 0 ]; then
        echo "$name found a fault (exit $rc); see $log"
        exit 1
    fi
done
