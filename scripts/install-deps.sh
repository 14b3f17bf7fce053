#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Velcora need.
# Only what is missing is installed; uses sudo when not run as root.
set -euo pipefail

packages=(
    build-essential cmake ninja-build g++ clang libclang-rt-14-dev clang-format
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    librtmidi-dev libasound2-dev libjack-jackd2-dev jackd2
    libjpeg62-turbo-dev qt6-svg-dev imagemagick
    libgtest-dev libgmock-dev libbenchmark-dev
    pkg-config xvfb xauth
    libxml2-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# jackd2 asks whether to enable realtime scheduling; answer for it.
echo "jackd2 jackd/tweak_rt_limits boolean false" | "${sudo_cmd[@]}" debconf-set-selections
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
