#!/usr/bin/env bash
# Installs what is missing, builds the program, and starts it connected to the built-in
# virtual synth. Extra arguments go to the program (for instance --model XL-7).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja
# The program alone: the tests and benchmarks are not needed to run it.
cmake --build build -j "$(nproc)" --target velcora
exec build/app/velcora --virtual-synth "$@"
