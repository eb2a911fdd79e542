#!/usr/bin/env bash
# Scaling of the work hostile inputs cause (tests/cli/make_runaway_inputs.py):
# each case at a size and at ten times that size, through wrenlow-cli.
# Checks: ten times the input costs at most twelve times the time (with
# 0.05 s of slack for runs too short to time), and the peak resident size
# stays below 256 MB at the largest size. Prints a table; exits 1 when a
# check fails.
# usage: bench/runaway_bench.sh [CLI]        (BENCH_SCALE=0.1 for a quick run)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-$top/build/src/cli/wrenlow-cli}
maker=$top/tests/cli/make_runaway_inputs.py
scale=${BENCH_SCALE:-1}
work=$(mktemp -d)
trap 'chmod -R u+rwx "$work" 2>/dev/null; rm -rf "$work"' EXIT
export WRENLOW_CONFIG_DIR=$work/config
mkdir -p "$WRENLOW_CONFIG_DIR"

# case  command  small-size  (the large size is ten times it)
cases=(
  "deep-key        list           40000"
  "hex-lines       list           20000"
  "long-key-name   list           1200000"
  "many-values     list           10000"
  "many-values     clean-missing  2000"
  "nested-index    compile        20000"
  "nested-contents compile        20000"
  "deep-tree       find           2500"
)

# Runs one case at size n; prints "seconds peak-kB".
measure() {
  local kind=$1 action=$2 n=$3 dir=$work/$1-$2-$3
  python3 "$maker" "$kind" "$dir" "$n"
  local -a cmd
  case $action in
    list | clean-missing) cmd=("$cli" registry html "$action" --prefix "$dir") ;;
    compile) cmd=("$cli" compile "$dir/a.hhp") ;;
    find) cmd=("$cli" find html-files --root "$dir") ;;
  esac
  local t0 t1 peak
  t0=$(date +%s.%N)
  /usr/bin/time -o "$work/peak" -f '%M' "${cmd[@]}" >/dev/null 2>&1 || true
  t1=$(date +%s.%N)
  peak=$(tail -n 1 "$work/peak")
  rm -rf "$dir"
  echo "$(echo "$t1 - $t0" | bc -l) $peak"
}

failed=0
printf '%-16s %-14s %10s %9s %10s %9s %7s %9s\n' case action size time size10 time10 ratio peak10MB
for c in "${cases[@]}"; do
  read -r kind action n <<<"$c"
  n=$(printf '%.0f' "$(echo "$n * $scale" | bc -l)")
  read -r t1 m1 <<<"$(measure "$kind" "$action" "$n")"
  read -r t10 m10 <<<"$(measure "$kind" "$action" $((n * 10)))"
  ratio=$(echo "$t10 / $t1" | bc -l)
  verdict=ok
  if [ "$(echo "$t10 > 12 * $t1 + 0.05" | bc -l)" = 1 ]; then verdict="TOO SLOW"; failed=1; fi
  if [ "$m10" -ge $((256 * 1024)) ]; then verdict="TOO BIG"; failed=1; fi
  printf '%-16s %-14s %10d %8.3fs %10d %8.3fs %7.2f %9.1f %s\n' "$kind" "$action" "$n" "$t1" \
    $((n * 10)) "$t10" "$ratio" "$(echo "$m10 / 1024" | bc -l)" "$verdict"
done
exit $failed
