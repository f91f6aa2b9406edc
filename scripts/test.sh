#!/usr/bin/env bash
# Sets up the machine, builds everything from nothing and runs every test:
#   1. the sample workspace is exactly what scripts/make_sample.py writes, and every C++ file
#      is in the format of .clang-format;
#   2. build/ci: warnings as errors, all tests (ctest: core, command line, unpacker, desktop
#      program offscreen, install and Debian package), the installed desktop entry and AppStream
#      description validated, kill -9 during every writing command (tests/crash), the
#      screenshots of every window, each benchmark once;
#   3. build/asan: the core and unpacker tests under AddressSanitizer
#      and UndefinedBehaviorSanitizer;
#   4. build/fuzz: every fuzz target (clang, both sanitizers) for a fixed number of inputs.
# Exits non-zero on the first failure.
#
# QUOVANTA_BUILD_LOCK=FILE serialises the compile steps with other builds on a shared
# machine (flock on FILE); unset, nothing is locked.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

step() { printf '\n==> %s\n' "$*"; }
locked() {
    if [[ -n ${QUOVANTA_BUILD_LOCK:-} ]]; then
        flock "$QUOVANTA_BUILD_LOCK" "$@"
    else
        "$@"
    fi
}

step "Checking build dependencies"
scripts/setup-deps.sh

step "Checking that sample/ is what scripts/make_sample.py generates"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
python3 scripts/make_sample.py "$scratch/sample"
if ! diff -r sample "$scratch/sample"; then
    echo "sample/ differs from the generator's output: run scripts/make_sample.py and commit" >&2
    exit 1
fi

step "Checking that every C++ file is in the tree's format (.clang-format)"
# Run `git ls-files '*.cpp' '*.h' | xargs clang-format -i` to apply it.
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

rm -rf build/ci build/asan build/fuzz

step "Building build/ci"
locked cmake -S . -B build/ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUOVANTA_WERROR=ON
locked cmake --build build/ci -j2

step "Running the tests"
(cd build/ci && ctest --output-on-failure --no-tests=error)

step "Validating the installed desktop entry and AppStream description"
cmake --install build/ci --prefix "$scratch/prefix" >/dev/null
desktop-file-validate "$scratch/prefix/share/applications/quovanta.desktop"
appstreamcli validate --no-net "$scratch/prefix/share/metainfo/org.quovanta.quovanta.metainfo.xml"

step "Killing quovanta-cli at random instants of its writing commands"
# The seed is printed; QUOVANTA_CRASH_SEED repeats a run, QUOVANTA_CRASH_TRIALS runs more.
python3 tests/crash/crash_test.py --cli build/ci/bin/quovanta-cli \
    --trials "${QUOVANTA_CRASH_TRIALS:-200}" ${QUOVANTA_CRASH_SEED:+--seed "$QUOVANTA_CRASH_SEED"}

step "Rendering the main window and every dialog to build/ci/screenshots"
rm -rf build/ci/screenshots
QT_QPA_PLATFORM=offscreen QUOVANTA_INI="$scratch/screenshots.ini" \
    build/ci/bin/quovanta-screenshots build/ci/screenshots "$root/sample/SAMPLE"
ls build/ci/screenshots

step "Running each benchmark once"
# From a scratch directory, so that whatever a benchmark leaves behind stays out of the tree.
mkdir "$scratch/bench"
shopt -s nullglob
for src in bench/*.cpp; do
    name=$(basename "$src" .cpp)
    echo "--- $name"
    (cd "$scratch/bench" && "$root/build/ci/bin/$name" --benchmark_min_time=0.01)
done
shopt -u nullglob

step "Building build/asan (AddressSanitizer + UndefinedBehaviorSanitizer)"
locked cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUOVANTA_WERROR=ON \
    -DQUOVANTA_SANITIZE=ON -DQUOVANTA_BUILD_BENCH=OFF
locked cmake --build build/asan -j2 --target core_tests tools_tests

step "Running the core and unpacker tests under the sanitizers"
(cd build/asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest -L 'core|tools' --output-on-failure --no-tests=error)

step "Fuzzing every reader briefly (build/fuzz; scripts/fuzz.sh runs them longer)"
scripts/fuzz.sh --runs 5000

step "All checks passed"
