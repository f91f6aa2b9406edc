#!/usr/bin/env bash
# Sets up the machine, builds Quovanta, shows the command-line program at work on a fresh copy
# of the sample workspace (browsing, then three update runs), and starts the desktop program
# on another fresh copy whose update files are still new, so F2 ("Update Quotes") has work.
# Everything the demo changes lives in demo/ (not tracked), never in sample/ or your own
# settings. Without a display the desktop program is not started; the script says how.
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

echo "Building Quovanta in build/demo (log: build/demo/build.log)..."
mkdir -p build/demo
if ! { locked cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release \
           -DQUOVANTA_BUILD_TESTS=OFF -DQUOVANTA_BUILD_BENCH=OFF &&
       locked cmake --build build/demo -j2 --target quovanta-cli quovanta pkunzip; } >build/demo/build.log 2>&1; then
    cat build/demo/build.log >&2
    echo "demo: the build failed" >&2
    exit 1
fi
bin="$root/build/demo/bin"

# A workspace: the sample portfolio, and a settings file that limits the portfolio search to
# the workspace, unpacks the ZIP update file with the bundled unpacker and shows the anomaly
# report. The start-up directory is the workspace itself: MyFirstProfile.pfd is created there
# and its update directory is SAMPLE/TEXTDATA.
make_workspace() {
    local dir=$1
    mkdir -p "$dir"
    cp -r sample/SAMPLE "$dir/"
    cat >"$dir/QUOVANTA.INI" <<INI
[Search]
Limit=1
Name=$dir
[ZIP]
ZipEnable=1
PkunzipPath=$bin
[Audit]
AuditEnable=1
INI
}

rm -rf demo
make_workspace "$root/demo/cli"
make_workspace "$root/demo/desktop"

cli="$bin/quovanta-cli"
run() {
    printf '\n$ quovanta-cli %s\n' "$*"
    (cd "$root/demo/cli" && QUOVANTA_INI="$root/demo/cli/QUOVANTA.INI" "$cli" "$@")
}

echo
echo "== The command-line program on demo/cli ========================================="
echo
echo "The securities of the portfolio SAMPLE (file number, symbol, name, first and last"
echo "date, number of fields, period, skip mark). Its directory entry FUTURES is not listed:"
run list SAMPLE

echo
echo "The last 5 of ACME INDUSTRIES' 30 recent quotes, newest first (date, open, high, low,"
echo "close, volume, open interest):"
run quotes SAMPLE ACME --recent | sed -n 1,7p # the blank and the command line, then 5 quotes

echo
echo "The nested portfolio FUTURES. WHEAT has six fields and no opening price:"
run list SAMPLE/FUTURES

echo
echo "The profiles of the start-up directory (the sample profile is created on first use), and"
echo "the one every sample security is assigned to:"
run profile list
run profile show MyFirstProfile

echo
echo "Update run 1: SAMPLE/TEXTDATA holds 06/30 (stored already), 07/01 and 07/02 (the futures"
echo "in a ZIP archive). Each security takes the first newer day: 6 quotes for 07/01."
echo "Progress goes to standard error; then the number of quotes and the anomaly report:"
run update SAMPLE SAMPLE/FUTURES 2>/dev/null

echo
echo "Update run 2 takes 07/02:"
run update SAMPLE SAMPLE/FUTURES 2>/dev/null
run quotes SAMPLE ACME --recent | sed -n 1,4p

echo
echo "Update run 3 has nothing new: no quote, and AUDIT.TXT names every security:"
run update SAMPLE SAMPLE/FUTURES 2>/dev/null
echo
echo "\$ cat AUDIT.TXT"
cat "$root/demo/cli/AUDIT.TXT"

echo
echo "== The desktop program on demo/desktop ==========================================="
start_desktop() {
    cd "$root/demo/desktop"
    QUOVANTA_INI="$root/demo/desktop/QUOVANTA.INI" exec "$bin/quovanta"
}
if [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; then
    echo "Starting Quovanta. It lists SAMPLE and SAMPLE/FUTURES; press F2 to run the update."
    start_desktop
else
    echo "There is no display here, so the desktop program is not started (the command-line"
    echo "demo above did the same work). On a desktop, start it on the demo workspace with:"
    echo
    echo "  cd demo/desktop && QUOVANTA_INI=\$PWD/QUOVANTA.INI $bin/quovanta"
    echo
    echo "or, on this machine, in a virtual display:"
    echo "  cd demo/desktop && QUOVANTA_INI=\$PWD/QUOVANTA.INI xvfb-run -a $bin/quovanta"
fi
