#!/usr/bin/env bash
# Soak: rounds of transfers between velcora-cli and velcora-virtual-synth on a private JACK
# server, counting what a musician would meet once in a while.
#
#   scripts/soak.sh [ROUNDS]        (default 200)
#
# Each round starts the synth afresh (a model in turn, a random reply delay of 0 to 50 ms,
# MIDI wire-speed pacing in every fourth round) and runs: identify, get-bank, send-bank to
# another bank, get-bank of that bank, get-edit, send-edit of one preset, get-edit again. The
# banks and the edit buffer are compared after their round trip, byte for byte except what
# the program stamps on the way (device id, preset number, header bytes 33 and 34, the
# sub-header byte and the checksums). Every fifth round starts from an empty settings file
# (the program's own pauses); the others share one with short pauses. The builds of
# velcora-cli found in build/, build-asan/ and build-tsan/ take turns.
#
# It counts crashes (signals), non-zero exits with their messages, presets that differ after
# a round trip, and the xruns jackd reports; a failure in a round where a client was late (an
# xrun that can drop MIDI) is counted apart, as the machine's loss rather than the program's
# fault. The folder of every failed
# round is kept, with its core file and sanitizer reports. The exit status is 1 when there
# were crashes, sanitizer reports, changed presets or failures without an xrun.
#
# Environment: SOAK_DIR (where the rounds run; default a new folder under /tmp),
# SOAK_BUILD (the build whose velcora-virtual-synth and plain velcora-cli are used; default
# build/), SOAK_SEED (for the random reply delays), SOAK_PERIOD (JACK frames per cycle,
# default 256), SOAK_SYNC=1 (a server that waits for late clients instead of dropping that
# cycle's MIDI), SOAK_STEP_LIMIT (seconds one command may take, default 900).
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-200}
if ! [[ $rounds =~ ^[0-9]+$ ]] || ((rounds < 1)); then
    echo "usage: $0 [ROUNDS]" >&2
    exit 2
fi
build=${SOAK_BUILD:-$root/build}
synth=$build/tools/velcora-virtual-synth
period=${SOAK_PERIOD:-256}
step_limit=${SOAK_STEP_LIMIT:-900}
RANDOM=${SOAK_SEED:-$$}

clis=()
names=()
for variant in "$build" "$root/build-asan" "$root/build-tsan"; do
    if [[ -x $variant/tools/velcora-cli ]]; then
        clis+=("$variant/tools/velcora-cli")
        names+=("$(basename "$variant")")
    fi
done
if [[ ! -x $synth || ${#clis[@]} -eq 0 ]]; then
    echo "soak: build velcora-cli and velcora-virtual-synth first ($build/tools)" >&2
    exit 2
fi
for tool in jackd timeout cmp; do
    if ! command -v "$tool" >/dev/null; then
        echo "soak: $tool is missing" >&2
        exit 2
    fi
done

dir=${SOAK_DIR:-$(mktemp -d /tmp/velcora-soak.XXXXXX)}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
server=velcora_soak_$$
jack_log=$dir/jackd.log
synth_pid=
jack_pid=

stop_synth() {
    if [[ -n $synth_pid ]]; then
        kill -TERM "$synth_pid" 2>/dev/null
        wait "$synth_pid"
        synth_rc=$?
        synth_pid=
    fi
}
cleanup() {
    stop_synth
    if [[ -n $jack_pid ]]; then
        kill -TERM "$jack_pid" 2>/dev/null
        wait "$jack_pid" 2>/dev/null
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The server, as the end-to-end tests start theirs: dummy back end, no sound card.
jack_args=(--no-realtime)
if [[ ${SOAK_SYNC:-0} == 1 ]]; then
    jack_args+=(--sync -t 20000)
fi
JACK_NO_AUDIO_RESERVATION=1 jackd "${jack_args[@]}" -n "$server" -d dummy -r 48000 -p "$period" \
    >"$jack_log" 2>&1 &
jack_pid=$!
socket=jack_${server}_$(id -u)_0
for _ in $(seq 150); do
    [[ -e /dev/shm/$socket || -e /tmp/$socket ]] && break
    kill -0 "$jack_pid" 2>/dev/null || break
    sleep 0.1
done
if ! kill -0 "$jack_pid" 2>/dev/null || [[ ! -e /dev/shm/$socket && ! -e /tmp/$socket ]]; then
    echo "soak: jackd did not start (log: $jack_log)" >&2
    exit 2
fi
export JACK_DEFAULT_SERVER=$server VELCORA_MIDI_API=jack
# The per-model working folders go under the soak's own documents folder.
export HOME=$dir/home XDG_CONFIG_HOME=$dir/home/.config
mkdir -p "$HOME/Documents"

shared_ini=$dir/Velcora.INI
: >"$shared_ini"
for section in "Proteus 2000_0" "Audity 2000_0" "XL-7_0"; do
    printf '[%s]\nTimeBetweenSysex=1\nTimeBetweenPatches=2\n' "$section" >>"$shared_ini"
done

models=("Proteus 2000" "Audity 2000" "XL-7")
# Dump layout of each model: header, then the seven data packets.
layouts=("36 255 255 255 255 255 255 41" "36 255 255 255 255 255 255 39"
    "36 253 253 253 253 253 253 61")

# Cycles in which a client was late: what may lose MIDI. The dummy driver also reports its own
# timer waking a few microseconds late ("JackTimedDriver::Process XRun"), which loses nothing.
xruns() { grep -c -e 'was not finished' -e 'graph not finished' "$jack_log" || true; }
driver_xruns() { grep -c 'JackTimedDriver::Process XRun' "$jack_log" || true; }

# Number of presets that differ between two files of whole dumps, bytes stamped on the way
# left out; every preset when the sizes differ.
differing_presets() {
    local a=$1 b=$2 layout=$3 size_a size_b
    size_a=$(stat -c %s "$a")
    size_b=$(stat -c %s "$b")
    local total=0
    for n in $layout; do total=$((total + n)); done
    if ((size_a != size_b)); then
        echo $(((size_a > size_b ? size_a : size_b) / total))
        return
    fi
    cmp -l "$a" "$b" 2>/dev/null | awk -v layout="$layout" '
        BEGIN {
            n = split(layout, len, " ")
            start = 0
            for (p = 1; p <= n; p++) {
                skip[start + 3] = 1; skip[start + 6] = 1; skip[start + len[p] - 2] = 1
                start += len[p]
            }
            skip[7] = 1; skip[8] = 1; skip[33] = 1; skip[34] = 1
            total = start
        }
        {
            at = $1 - 1
            if (!((at % total) in skip)) { bad[int(at / total)] = 1 }
        }
        END { c = 0; for (d in bad) c++; print c }'
}

crashes=0
failures=0
explained=0
changed=0
sanitizer_reports=0
synth_crashes=0
steps_run=0
declare -A messages=()
report=$dir/report.txt
: >"$report"

note() { echo "$*" | tee -a "$report"; }

# run STEP ARGS...: one velcora-cli command of the round; false when it failed.
run() {
    local step=$1
    shift
    local before after rc
    before=$(xruns)
    (
        cd "$round_dir" || exit 2
        ulimit -c unlimited
        exec timeout -k 10 "$step_limit" "$cli" --settings "$ini" --in "$in_port" \
            --out "$out_port" "$@" >"$step.out" 2>"$step.err"
    )
    rc=$?
    after=$(xruns)
    steps_run=$((steps_run + 1))
    round_xruns=$((round_xruns + after - before))
    local reports
    reports=$(find "$round_dir" -maxdepth 1 -name '*san.*' | wc -l)
    if ((reports > round_reports)); then
        sanitizer_reports=$((sanitizer_reports + reports - round_reports))
        round_reports=$reports
        note "round $round: $step: sanitizer report in $round_dir"
        round_ok=0
    fi
    ((rc == 0)) && return 0
    round_ok=0
    local last
    last=$(tr '\r' '\n' <"$round_dir/$step.err" | grep -v '^[0-9]*/[0-9]*$' | grep -v '^$' |
        tail -n 2 | tr '\n' ' ')
    if ((rc > 128 && rc != 124 && rc != 137)); then
        crashes=$((crashes + 1))
        note "round $round: $step: CRASH, signal $((rc - 128)) ($cli_name) $last"
    elif ((rc == 124 || rc == 137)); then
        failures=$((failures + 1))
        note "round $round: $step: hung, stopped after ${step_limit} s ($cli_name)"
    elif ((round_xruns > 0)); then
        explained=$((explained + 1))
        note "round $round: $step: exit $rc after $round_xruns xrun(s): $last"
    else
        failures=$((failures + 1))
        note "round $round: $step: exit $rc ($cli_name): $last"
    fi
    messages["exit $rc: $last"]=$((${messages["exit $rc: $last"]:-0} + 1))
    return 1
}

# compare WHAT A B: counts the presets of B that differ from A.
compare() {
    local what=$1 diff
    diff=$(differing_presets "$2" "$3" "$layout")
    if ((diff > 0)); then
        round_ok=0
        if ((round_xruns > 0)); then
            explained=$((explained + 1))
            note "round $round: $what: $diff preset(s) differ after $round_xruns xrun(s)"
        else
            changed=$((changed + diff))
            note "round $round: $what: $diff preset(s) differ after the round trip"
        fi
    fi
}

start=$(date +%s)
for ((round = 1; round <= rounds; round++)); do
    round_dir=$dir/round-$round
    mkdir -p "$round_dir"
    variant=$(((round - 1) % ${#clis[@]}))
    cli=${clis[$variant]}
    cli_name=${names[$variant]}
    model_index=$(((round - 1) % 3))
    model=${models[$model_index]}
    layout=${layouts[$model_index]}
    delay=$((RANDOM % 51))
    wire=$((round % 4 == 2))
    fresh=$((round % 5 == 3))
    ini=$shared_ini
    ((fresh)) && ini=$round_dir/Velcora.INI
    bank_a=$((RANDOM % 4))
    bank_b=$(((bank_a + 1 + RANDOM % 3) % 4))
    slot=$((RANDOM % 128))
    round_ok=1
    synth_rc=0
    round_xruns=0
    round_reports=0
    export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:log_path=$round_dir/asan"
    export LSAN_OPTIONS="suppressions=$root/scripts/lsan-jack.supp"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:abort_on_error=1:log_path=$round_dir/ubsan"
    export TSAN_OPTIONS="halt_on_error=1:abort_on_error=1:log_path=$round_dir/tsan:suppressions=$root/scripts/tsan-jack.supp"
    printf 'round %d/%d: %s, %s, reply delay %d ms%s%s, banks %d -> %d\n' "$round" "$rounds" \
        "$cli_name" "$model" "$delay" "$( ((wire)) && echo ', wire speed')" \
        "$( ((fresh)) && echo ', fresh settings')" "$bank_a" "$bank_b"

    synth_args=(--jack --model "$model" --reply-delay "$delay" -v)
    ((wire)) && synth_args+=(--wire-speed)
    "$synth" "${synth_args[@]}" >"$round_dir/synth.log" 2>&1 &
    synth_pid=$!
    in_port=
    out_port=
    for _ in $(seq 100); do
        # A JACK server that stopped answering would hold the listing forever.
        list=$(timeout -k 5 30 "${clis[0]}" devices 2>/dev/null)
        in_port=$(sed -n 's/^input  \(.*Velcora Virtual Synth.*\)$/\1/p' <<<"$list" | head -n 1)
        out_port=$(sed -n 's/^output \(.*Velcora Virtual Synth.*\)$/\1/p' <<<"$list" | head -n 1)
        [[ -n $in_port && -n $out_port ]] && break
        sleep 0.2
    done
    if [[ -z $in_port || -z $out_port ]]; then
        note "round $round: the synth's ports never came (log: $round_dir/synth.log)"
        failures=$((failures + 1))
        round_ok=0
    elif run identify identify &&
        run get-bank get-bank "$bank_a" a.syx &&
        run send-bank send-bank "$bank_b" a.syx &&
        run get-bank-again get-bank "$bank_b" b.syx; then
        compare "bank $bank_a sent to bank $bank_b" "$round_dir/a.syx" "$round_dir/b.syx"
        total=0
        for n in $layout; do total=$((total + n)); done
        dd if="$round_dir/a.syx" of="$round_dir/one.syx" bs="$total" skip="$slot" count=1 \
            status=none
        if run get-edit get-edit edit.syx &&
            run send-edit send-edit one.syx &&
            run get-edit-again get-edit edit-back.syx; then
            compare "slot $slot through the edit buffer" "$round_dir/one.syx" \
                "$round_dir/edit-back.syx"
        fi
    fi
    stop_synth
    if ((synth_rc > 128 && synth_rc != 143)); then
        synth_crashes=$((synth_crashes + 1))
        round_ok=0
        note "round $round: velcora-virtual-synth crashed, signal $((synth_rc - 128))"
    fi
    if ((round_ok)); then
        rm -rf "$round_dir"
    fi
done
elapsed=$(($(date +%s) - start))

total_xruns=$(xruns)
total_driver_xruns=$(driver_xruns)
{
    echo
    echo "== soak: $rounds round(s), $steps_run command(s), ${elapsed} s, builds: ${names[*]}"
    echo "crashes (signals):                  $crashes"
    echo "sanitizer reports:                  $sanitizer_reports"
    echo "failures without an xrun:           $failures"
    echo "presets changed by a round trip:    $changed"
    echo "JACK xruns, late clients:           $total_xruns"
    echo "JACK xruns, late driver timer:      $total_driver_xruns"
    echo "failures in rounds with an xrun:    $explained"
    echo "velcora-virtual-synth crashes:      $synth_crashes"
    for message in "${!messages[@]}"; do
        echo "  ${messages[$message]} x $message"
    done
    echo "kept: $dir"
} | tee -a "$report"

((crashes + sanitizer_reports + failures + changed == 0))
