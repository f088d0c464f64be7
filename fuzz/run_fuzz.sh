#!/usr/bin/env bash
# Runs the fuzz targets of the fuzzing build (`make fuzz-build`).
#
#   run_fuzz.sh fuzz     FUZZ_BUILD SECONDS TARGET...  fuzz each target in turn
#   run_fuzz.sh campaign FUZZ_BUILD INPUTS TARGET...   the same for a number of inputs each
#   run_fuzz.sh smoke    FUZZ_BUILD SECONDS TARGET     the same from the seeds alone
#   run_fuzz.sh replay   FUZZ_BUILD TARGET             every kept input once
#
# A campaign stops early after FUZZ_MAX_SECONDS seconds a target, if set;
# FUZZ_MAX_LEN caps the length of an input (longer seeds are cut).
# TARGET is compile, decode, payload, lsp or lsp_folder. A fuzz run starts from the seeds of
# fuzz/corpus/TARGET and the kept inputs of fuzz/regressions/TARGET, copied
# into FUZZ_BUILD/corpus/TARGET, which grows from run to run (a smoke run
# uses a fresh FUZZ_BUILD/smoke/TARGET); the committed files never change.
# An input that crashes, hangs or trips a sanitizer is written to
# FUZZ_BUILD/findings/TARGET/ and fails the run: keep it in
# fuzz/regressions/TARGET/ once the fault is mended.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
usage() {
  sed -n '4,7p' "$0" | sed 's/^# //' >&2
  exit 2
}
[ $# -ge 3 ] || usage
mode=$1
build=$(cd "$2" 2>/dev/null && pwd) || build=$2
shift 2

# The limits of one input: a route of 1000000 m takes tens of MB; anything
# that runs 10 s is a hang.
limits=(-timeout=10 -rss_limit_mb=4096 -malloc_limit_mb=4096)
# While fuzzing, AddressSanitizer records no allocation stacks, which costs
# a third of the time of an input; a finding replayed shows them in full.
fuzz_asan_options=malloc_context_size=0

binary() {
  local bin="$build/fuzz/fuzz_$1"
  if [ ! -x "$bin" ]; then
    echo "FAILED: no fuzz target $bin (make fuzz-build)" >&2
    exit 1
  fi
  echo "$bin"
}

# Fuzzes one target in corpus folder $3 for $1 seconds, or for $1 inputs
# when `limit` is -runs; adds its executions to `total` and fails on a
# finding. The last line of the log holds the figures of the run.
total=0
limit=-max_total_time
fuzz_one() {
  local amount=$1 target=$2 corpus=$3
  local bin findings="$build/findings/$target" log="$build/logs/$target.log"
  [ "$mode" = smoke ] && log="$build/logs/smoke-$target.log"  # never the log of a campaign going on
  bin=$(binary "$target") || exit 1
  mkdir -p "$corpus" "$findings" "$build/logs"
  cp -n "$here/corpus/$target/"* "$corpus/"
  local extra=() kept=()
  case $target in
    compile) extra+=(-dict="$here/scripts.dict") ;;
    payload) extra+=(-dict="$here/payload.dict") ;;
    lsp) extra+=(-dict="$here/lsp.dict") ;;
  esac
  [ -d "$here/regressions/$target" ] && kept+=("$here/regressions/$target")
  echo "fuzz_$target: $amount ${limit#-} from $corpus"
  ASAN_OPTIONS=${ASAN_OPTIONS:-$fuzz_asan_options} FUZZ_STATISTICHE=1 \
    "$bin" "${limits[@]}" "${extra[@]}" "$limit=$amount" ${FUZZ_MAX_SECONDS:+-max_total_time=$FUZZ_MAX_SECONDS} \
    ${FUZZ_MAX_LEN:+-max_len=$FUZZ_MAX_LEN} -print_final_stats=1 \
    -artifact_prefix="$findings/" "$corpus" "${kept[@]}" > "$log" 2>&1
  local status=$?
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  total=$((total + ${runs:-0}))
  if [ $status -ne 0 ]; then
    tail -n 60 "$log"
    echo "FAILED: fuzz_$target found a fault (status $status); the input is in $findings/, the log in $log"
    exit 1
  fi
  local seconds coverage features
  seconds=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -n 1)
  coverage=$(grep -ao 'cov: [0-9]*' "$log" | tail -n 1)
  features=$(grep -ao 'ft: [0-9]*' "$log" | tail -n 1)
  echo "fuzz_$target: ${runs:-0} executions in ${seconds:-?} s, ${coverage:-cov: ?} edges, ${features:-ft: ?} features, no finding ($(grep -c '' < <(ls "$corpus")) inputs in the corpus)"
  grep -a '^fuzz_compile: .* inputs' "$log" | tail -n 1
  return 0
}

case $mode in
  fuzz)
    seconds=$1
    shift
    [ $# -ge 1 ] || usage
    for target in "$@"; do fuzz_one "$seconds" "$target" "$build/corpus/$target"; done
    echo "fuzz: $total executions in total, no finding"
    ;;
  campaign)
    inputs=$1
    shift
    [ $# -ge 1 ] || usage
    limit=-runs
    for target in "$@"; do fuzz_one "$inputs" "$target" "$build/corpus/$target"; done
    echo "campaign: $total executions in total, no finding"
    ;;
  smoke)
    [ $# -eq 2 ] || usage
    rm -rf "$build/smoke/$2"
    fuzz_one "$1" "$2" "$build/smoke/$2"
    ;;
  replay)
    [ $# -eq 1 ] || usage
    bin=$(binary "$1") || exit 1
    shopt -s nullglob
    inputs=("$here/regressions/$1"/*)
    if [ ${#inputs[@]} -eq 0 ]; then
      echo "fuzz_$1: no kept input"
    else
      "$bin" "${limits[@]}" "${inputs[@]}" || { echo "FAILED: a kept input of fuzz_$1 fails again"; exit 1; }
      echo "fuzz_$1: ${#inputs[@]} kept inputs pass"
    fi
    # Fuzzing folds long routes into short ones; the seeds, the longest
    # route among them, also run once at their full length.
    if [ "$1" = compile ] || [ "$1" = payload ]; then
      FUZZ_ROTTA_INTERA=1 "$bin" "${limits[@]}" "$here/corpus/$1/"* ||
        { echo "FAILED: a seed of fuzz_$1 fails at its full length"; exit 1; }
      echo "fuzz_$1: the seeds pass at their full length"
    fi
    ;;
  *) usage ;;
esac
