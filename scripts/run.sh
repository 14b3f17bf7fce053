#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program connected to the built-in
# virtual synth.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja
cmake --build build -j "$(nproc)"
if [ -x build/app/velcora ]; then
    exec build/app/velcora --virtual-synth "$@"
fi
echo "The windows are not built yet. Until they are, velcora-cli talks to the built-in virtual synth:"
echo "  build/tools/velcora-cli identify"
exec build/tools/velcora-cli identify
