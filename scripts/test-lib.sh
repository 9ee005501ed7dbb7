# The steps the test command (scripts/test.sh) and the benchmark command
# (scripts/bench.sh) share; sourced from the repository's top folder.
# Counts: passed and failed tests, failed builds.

passed=0
failed=0
build_failed=0

# build PRESET [TARGET...]: configures and builds the preset (only the named
# targets when given); the log stays in build/PRESET.log only on failure.
build() {
  local preset=$1
  shift
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  echo "== build $preset${1:+: $*}"
  mkdir -p build
  if ! { cmake --preset "$preset" >"build/$preset.log" 2>&1 &&
         cmake --build --preset "$preset" "${targets[@]}" >>"build/$preset.log" 2>&1; }; then
    tail -n 40 "build/$preset.log"
    echo "build of $preset FAILED"
    build_failed=$((build_failed + 1))
    return 1
  fi
  rm -f "build/$preset.log"
}

# run_ctest PRESET_DIR [ctest args...]: adds its counts to the totals.
run_ctest() {
  local dir=$1
  shift
  local log
  log=$(mktemp)
  (cd "$dir" && ctest --output-on-failure "$@") 2>&1 | tee "$log"
  local total fails
  total=$(sed -n 's/.*tests passed, [0-9]* tests\{0,1\} failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
  fails=$(sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of.*/\1/p' "$log" | tail -n 1)
  if [ -z "$total" ]; then
    if grep -q 'No tests were found' "$log"; then total=0; fails=0; else total=1; fails=1; fi
  fi
  passed=$((passed + total - fails))
  failed=$((failed + fails))
  # Tests that failed a run and passed the next one (--repeat until-pass)
  # are listed, so that a flaky test stays in sight.
  local flaky
  flaky=$(comm -23 \
    <(sed -n 's/.*Test *#[0-9]*: \([^ ]*\) .*\*\*\*[^S].*/\1/p' "$log" | sort -u) \
    <(sed -n '/The following tests FAILED:/,$ s/^[[:space:]]*[0-9]* - \([^ ]*\) .*/\1/p' "$log" | sort -u))
  if [ -n "$flaky" ]; then
    echo "passed only on a second run (flaky):"
    echo "$flaky" | sed 's/^/  /'
  fi
  rm -f "$log"
}
