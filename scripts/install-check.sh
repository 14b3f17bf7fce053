#!/usr/bin/env bash
# Builds the programs as a packager would (no tests), installs them into a staging folder,
# and checks the installed tree: every file in its place, velcora --help runs from its
# installed place, velcora-cli run from there with an empty home fetches a bank from the
# built-in virtual synth, and no installed file names the folder it was built from. Extra
# arguments go to the first cmake call.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
build="$src/build-install"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage="$work/stage"
home="$work/home"
prefix=/usr/local

rm -rf "$build"
cmake -S . -B "$build" -G Ninja -DBUILD_TESTING=OFF -DCMAKE_INSTALL_PREFIX="$prefix" "$@"
cmake --build "$build" -j "$(nproc)"
DESTDIR="$stage" cmake --install "$build"

failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

root="$stage$prefix"
for f in bin/velcora bin/velcora-cli bin/velcora-virtual-synth \
    "share/velcora/Default Audity.syx" "share/velcora/Default Composer.syx" \
    "share/velcora/Default XL-2.syx" share/applications/velcora.desktop \
    share/icons/hicolor/scalable/apps/velcora.svg share/man/man1/velcora.1 \
    share/man/man1/velcora-cli.1 \
    share/man/man1/velcora-virtual-synth.1 share/doc/velcora/LICENSE; do
    [ -f "$root/$f" ] || fail "not installed: $f"
done
for f in "$root"/bin/*; do
    [ -x "$f" ] || fail "not executable: $f"
done

# The installed program, alone with an empty home: no settings, no working folders yet.
mkdir -p "$home"
# The program with windows starts from its installed place and tells its options.
if usage=$(env -i HOME="$home" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen \
    "$root/bin/velcora" --help); then
    for option in --virtual-synth --model --settings --help; do
        grep -q -e "$option" <<<"$usage" || fail "velcora --help does not name $option"
    done
    echo "velcora --help lists its options"
else
    fail "velcora --help exited with $?"
fi
bank="$home/bank0.syx"
if env -i HOME="$home" PATH=/usr/bin:/bin "$root/bin/velcora-cli" get-bank 0 "$bank"; then
    size=$(stat -c %s "$bank")
    echo "fetched user bank 0: $size bytes"
    [ "$size" -gt 0 ] || fail "the bank file is empty"
else
    fail "velcora-cli get-bank exited with $?"
fi
# The shipped blank presets were found in the installed data folder and copied for use.
defaults=$(find "$home" -name Default.syx | wc -l)
[ "$defaults" -gt 0 ] || fail "no blank preset copied from share/velcora into the working folders"
for ini in "$root/bin/Velcora.INI" "$home/.config/velcora/Velcora.INI"; do
    if [ -f "$ini" ]; then
        echo "settings written to ${ini#"$work"/}"
    fi
done

# Nothing installed names the source or build folder.
while IFS= read -r -d '' f; do
    n=$(grep -c -F -a -e "$src" "$f" || true)
    [ "$n" -eq 0 ] || fail "$n line(s) of ${f#"$root"/} name $src"
done < <(find "$root" -type f -print0)

if [ "$failed" -ne 0 ]; then
    echo "install check failed"
    exit 1
fi
echo "install check passed"
