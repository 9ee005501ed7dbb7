#!/bin/bash
# The test command: installs what is missing, builds every preset and runs
# every test (native unit tests, fuzz smoke runs, the Windows and system
# tests of the shipped i686 build under Wine 10 on Xvfb, a smoke of the
# x86_64 build). The benchmarks that only print figures are not tests:
# scripts/bench.sh runs them. Ends with "N passed, N failed"; exits non-zero
# on any failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/setup-deps.sh || { echo "0 passed, 1 failed"; exit 1; }

# shellcheck source=scripts/test-lib.sh
. scripts/test-lib.sh

# The smoke of the x86_64 build: one system test of each program. The code is
# the same as the i686 build's but for the pointer width, which these reach:
# window data, COM marshalling, the WMI calls, the registry.
x64_smoke='^system\.(TrayIconSystem\.TheIconComesAfterFiveSeconds'
x64_smoke+='|BridgeService\.ExecMethodExReadsAndSwitchesTheSimulatedRadios'
x64_smoke+='|PanelSystem\.OpensWithStoredStates'
x64_smoke+='|RmctlSystem\.EachSwitchChangesTheRadiosAndRmtraysTooltip)'

mkdir -p build
build native && run_ctest build/native -j2
build fuzz && run_ctest build/fuzz -j2
win64_built=0
build win64 && win64_built=1
win32_built=0
build win32 && win32_built=1
if [ $((win32_built + win64_built)) -gt 0 ]; then
  scripts/wine-root.sh make || { echo "0 passed, 1 failed"; exit 1; }
fi
if [ "$win32_built" -eq 1 ]; then
  echo "== Wine tests of the shipped i686 build: $(i686-w64-mingw32-objdump -f build/win32/tray/rmtray.exe | sed -n 's/.*file format /rmtray.exe: /p')"
  # Under Wine a test now and then fails for Wine's own reasons (a program
  # that does not start, a service start that fails); each test gets a
  # second run, and the ones that needed it are listed.
  run_ctest build/win32 -j1 --timeout 300 --repeat until-pass:2
  scripts/wine-env.sh down build/win32
fi
if [ "$win64_built" -eq 1 ]; then
  echo "== Smoke of the x86_64 build: $(x86_64-w64-mingw32-objdump -f build/win64/tray/rmtray.exe | sed -n 's/.*file format /rmtray.exe: /p')"
  run_ctest build/win64 -j1 --timeout 300 --repeat until-pass:2 -R "$x64_smoke"
  scripts/wine-env.sh down build/win64
fi

failed=$((failed + build_failed))
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
