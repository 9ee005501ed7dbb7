#!/bin/bash
# Long fuzz runs: every libFuzzer target of a fuzz build (or the ones named),
# one after another on one core at low priority, each from its seeds
# (tests/fuzz/AREA/seeds/TARGET, the SMBIOS targets from the shared test
# tables) into a corpus kept under BUILD/corpus/TARGET. Prints one line of
# figures per target; exits non-zero when a target finds something.
#   scripts/fuzz-long.sh [-b BUILD] [-r RUNS] [TARGET...]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
runs=10000000
while getopts b:r: opt; do
  case $opt in
    b) build=$(cd "$OPTARG" && pwd) ;;
    r) runs=$OPTARG ;;
    *) echo "usage: $0 [-b BUILD] [-r RUNS] [TARGET...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
testdata=$(sed -n 's/^RM_TESTDATA_DIR:PATH=//p' "$build/CMakeCache.txt")

mapfile -t all < <(find "$build/tests/fuzz" -path '*/CMakeFiles' -prune -o -type f -perm -u+x -print | sort)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for bin in "${all[@]}"; do targets+=("$(basename "$bin")"); done
fi

# seeds TARGET DIR: fills DIR with the target's seed inputs.
seeds() {
  local name=$1 dir=$2 t
  mkdir -p "$dir"
  for s in "$root"/tests/fuzz/*/seeds/"$name" "$root"/tests/fuzz/*/*/seeds/"$name"; do
    [ -d "$s" ] && cp "$s"/* "$dir"/
  done
  case $name in
    fuzz_machineinfo)
      # 4 bytes of declared size (larger than any table), 1 byte of layout.
      for t in "$testdata"/smbios/*.table; do
        { printf '\xff\xff\xff\x7f\x00'; cat "$t"; } > "$dir/$(basename "$t" .table)"
      done ;;
    fwsim_smbios_file_fuzz)
      for t in "$testdata"/smbios/*.table "$testdata"/smbios/*.dump; do cp "$t" "$dir"/; done ;;
  esac
}

# max_len TARGET: the longest input worth trying; longer ones only slow a
# run down. Whole SMBIOS tables; past the log's 519-character cut; a
# machine record or a log tail; five relay subkeys per ID and more.
max_len() {
  case $1 in
    fuzz_machineinfo|fwsim_smbios_file_fuzz) echo 8192 ;;
    rmctl_report_inputs_fuzz) echo 1024 ;;
    bridge_log_format_fuzz) echo 600 ;;
    bridge_relay_load_fuzz) echo 512 ;;
    firmware_answer_fuzz|tray_settings_value_fuzz) echo 16 ;;
    bridge_data_block_fuzz) echo 80 ;;
    *) echo 256 ;;
  esac
}

status=0
mkdir -p "$build/long"
for name in "${targets[@]}"; do
  bin=
  for b in "${all[@]}"; do [ "$(basename "$b")" = "$name" ] && bin=$b; done
  if [ -z "$bin" ]; then echo "$name: no such target in $build" >&2; status=1; continue; fi
  corpus=$build/corpus/$name
  seeddir=$build/seeds/$name
  rm -rf "$seeddir"
  seeds "$name" "$seeddir"
  mkdir -p "$corpus"
  log=$build/long/$name.log
  nice -n 10 "$bin" -runs="$runs" -seed=1 -max_len="$(max_len "$name")" -print_final_stats=1 \
    -artifact_prefix="$build/long/$name-" "$corpus" "$seeddir" >"$log" 2>&1
  rc=$?
  done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1)
  secs=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\2/p' "$log" | tail -n 1)
  inputs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$done_line")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$done_line")
  corp=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$done_line")
  if [ $rc -eq 0 ]; then
    echo "$name: ${inputs:-?} inputs in ${secs:-?} s, coverage ${cov:-?} edges, ${ft:-?} features, corpus ${corp:-?}, no finding"
  else
    echo "$name: FINDING (exit $rc), see $log"
    status=1
  fi
done
exit $status
