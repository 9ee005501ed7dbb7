#!/bin/bash
# The benchmark command: installs what is missing, builds the benchmarks of
# the shipped i686 build (build/win32, target rm_bench: the benchmark
# programs, the no-op bridge they compare with and the programs they start)
# and runs every benchmark under Wine 10, one after another, printing each
# one's figures as it goes (ctest's configuration "bench"; the test command
# leaves these out, cmake/Project.cmake says why). Ends with
# "N passed, N failed"; exits non-zero when a benchmark could not measure or
# the memory growth check failed.
#   scripts/bench.sh [REGEX]   only the benchmarks whose names match, e.g. relay
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/setup-deps.sh || { echo "0 passed, 1 failed"; exit 1; }

# shellcheck source=scripts/test-lib.sh
. scripts/test-lib.sh

build win32 rm_bench || { echo "0 passed, 1 failed"; exit 1; }
scripts/wine-root.sh make || { echo "0 passed, 1 failed"; exit 1; }

filter=()
[ $# -gt 0 ] && filter=(-R "$1")
echo "== Benchmarks of the shipped i686 build under Wine 10"
# ctest -V shows each benchmark's output; of ctest's own lines only the
# result of each benchmark and the summary stay.
run_ctest build/win32 -C bench -L bench -j1 -V "${filter[@]}" > >(
  sed -u -E \
    -e '/^(UpdateCTestConfiguration|Parse Config file|Updating test list|Checking test dependency|Constructing a list|Done constructing a list|Added [0-9]+ tests to meet fixture|Test project|test [0-9]+$| Add coverage|Internal ctest)/d' \
    -e '/^[0-9]+: (Test command|Working Directory|Environment variables|Test timeout computed)/d' \
    -e '/^[0-9]+:  [A-Z_]+=/d' \
    -e 's/^[0-9]+: //')
wait $!
scripts/wine-env.sh down build/win32

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
