#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz (clang, AddressSanitizer, UndefinedBehaviorSanitizer,
# in build/fuzz) and runs each of them in turn.
#
#   scripts/fuzz.sh [--seconds N | --runs N] [TARGET...]
#
#   --seconds N  run each target for N seconds (default 60), growing its corpus in
#                build/fuzz/corpus/<target> (the seeds in tests/fuzz/corpus are never changed)
#   --runs N     run each target for exactly N inputs from its seeds with a fixed seed, and
#                keep nothing (what scripts/test.sh does)
#   TARGET       date_text, master, ... (default: every target)
#
# A crash, leak, hang or sanitizer report stops the script with its input saved as
# build/fuzz/artifacts/<target>-crash-*; replay it with build/fuzz/bin/<target>_fuzz FILE.
# QUOVANTA_BUILD_LOCK=FILE serialises the build with other builds (flock on FILE).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

seconds=60
runs=
targets=()
while (($#)); do
    case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    -h | --help) sed -n '2,/^set /{/^#/s/^# \{0,1\}//p}' "$0"; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
    esac
done
if ((${#targets[@]} == 0)); then
    targets=(date_text update_line dop master quote_file skip_list profile_records settings_file
             import_lines split_search zip_directory unpack)
fi

locked() {
    if [[ -n ${QUOVANTA_BUILD_LOCK:-} ]]; then
        flock "$QUOVANTA_BUILD_LOCK" "$@"
    else
        "$@"
    fi
}

# Its own tree and compiler, so the gcc builds are never disturbed.
CC=clang CXX=clang++ locked cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUOVANTA_FUZZ=ON >/dev/null
locked cmake --build build/fuzz -j2 --target fuzz_targets

# The targets make their scratch directories under TMPDIR: in memory when possible (they
# replace files with fsync), always private, always removed.
scratch=$(mktemp -d -p "$( [[ -w /dev/shm ]] && echo /dev/shm || echo "${TMPDIR:-/tmp}")" quovanta-fuzz.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

mkdir -p build/fuzz/artifacts
status=0
for target in "${targets[@]}"; do
    exe=build/fuzz/bin/${target}_fuzz
    seeds=tests/fuzz/corpus/$target
    if [[ ! -x $exe || ! -d $seeds ]]; then
        echo "fuzz.sh: no target $target" >&2
        exit 2
    fi
    common=(-dict=tests/fuzz/fuzz.dict -timeout=10 -rss_limit_mb=2048 -max_len=8192
            -artifact_prefix="build/fuzz/artifacts/$target-" -print_final_stats=1)
    if [[ -n $runs ]]; then
        work=$scratch/corpus-$target
        mkdir -p "$work"
        args=(-runs="$runs" -seed=1 "$work" "$seeds")
    else
        work=build/fuzz/corpus/$target
        mkdir -p "$work"
        args=(-max_total_time="$seconds" "$work" "$seeds")
    fi
    log=$scratch/$target.log
    if "$exe" "${common[@]}" "${args[@]}" >"$log" 2>&1; then
        execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        last=$(grep -E '^#[0-9]+' "$log" | tail -n 1 | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' || true)
        printf '%-16s %9s execs  %s\n' "$target" "$execs" "$last"
    else
        echo "--- $target failed; its output:" >&2
        tail -n 60 "$log" >&2
        status=1
        break
    fi
    if [[ -n $runs ]]; then
        rm -rf "$work"
    fi
done
exit "$status"
