#!/usr/bin/env bash
# Sets up the machine, builds quovanta-cli and runs it on a fresh copy of the sample data
# in demo/ (which is not tracked; the copy may be changed freely).
#
# QUOVANTA_BUILD_LOCK=FILE serialises the build with other builds on a shared machine.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

locked() {
    if [[ -n ${QUOVANTA_BUILD_LOCK:-} ]]; then
        flock "$QUOVANTA_BUILD_LOCK" "$@"
    else
        "$@"
    fi
}

scripts/setup-deps.sh

echo "Building quovanta-cli in build/demo (log: build/demo/build.log)..."
mkdir -p build/demo
if ! { locked cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release \
           -DQUOVANTA_BUILD_TESTS=OFF -DQUOVANTA_BUILD_BENCH=OFF &&
       locked cmake --build build/demo -j2 --target quovanta-cli; } >build/demo/build.log 2>&1; then
    cat build/demo/build.log >&2
    echo "demo: the build failed" >&2
    exit 1
fi

rm -rf demo
mkdir demo
cp -r sample/SAMPLE demo/
# Keep the demo away from the user's own settings file.
export QUOVANTA_INI="$root/demo/QUOVANTA.INI"

cli=build/demo/bin/quovanta-cli
run() {
    printf '\n$ quovanta-cli %s\n' "$*"
    "$cli" "$@"
}

echo
echo "The securities of the portfolio demo/SAMPLE (file number, symbol, name, first and last"
echo "date, number of fields, period, skip mark). Its directory entry FUTURES is not listed:"
run list demo/SAMPLE

echo
echo "The last 30 daily quotes of ACME INDUSTRIES, newest first (date, open, high, low,"
echo "close, volume, open interest):"
run quotes demo/SAMPLE ACME --recent

echo
echo "The nested portfolio FUTURES, named by a directory entry in demo/SAMPLE's MASTER."
echo "WHEAT has six fields and no opening price:"
run list demo/SAMPLE/FUTURES

echo
echo "More: $cli --help"
