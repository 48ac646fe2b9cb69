#!/usr/bin/env bash
# Times parvex-cli against GNU pr laying the same generated table out in two columns of 46
# rows, and reports wall time and peak memory against the input size.
#
#   bench/run.sh BUILD_DIR            (build first: cmake --build BUILD_DIR)
#
# BENCH_WORK names a directory for the generated tables (default: a temporary one, removed
# afterwards); BENCH_RUNS the number of runs per measurement, the fastest counted (default 3).
set -euo pipefail

build=${1:?usage: bench/run.sh BUILD_DIR}
cli=$build/src/cli/parvex-cli
gen=$build/bench/parvex-gen-table
for tool in "$cli" "$gen"; do
  [ -x "$tool" ] || { echo "run.sh: $tool is missing; build $build first" >&2; exit 2; }
done
[ -x /usr/bin/time ] || { echo "run.sh: /usr/bin/time is missing (package time)" >&2; exit 2; }
command -v pr >/dev/null || { echo "run.sh: GNU pr is missing (coreutils)" >&2; exit 2; }

runs=${BENCH_RUNS:-3}
if [ -n "${BENCH_WORK:-}" ]; then
  work=$BENCH_WORK
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
tab=$(printf '\t')

# measure CMD...: the fastest of $runs runs; sets $best_time (s) and $best_rss (KiB). Wall time
# comes from bash's microsecond clock, since /usr/bin/time rounds to 10 ms; peak RSS from
# /usr/bin/time.
measure() {
  best_time= best_rss=
  local i start end t rss
  for ((i = 0; i < runs; ++i)); do
    start=$EPOCHREALTIME
    /usr/bin/time -f '%M' -o "$work/time.txt" "$@" >/dev/null
    end=$EPOCHREALTIME
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')
    read -r rss <"$work/time.txt"
    if [ -z "$best_time" ] || awk -v a="$t" -v b="$best_time" 'BEGIN { exit !(a < b) }'; then best_time=$t; fi
    if [ -z "$best_rss" ] || [ "$rss" -lt "$best_rss" ]; then best_rss=$rss; fi
  done
}

printf '%-9s %9s | %10s %8s %9s | %8s %8s | %7s\n' \
  rows "input MB" "parvex s" "pr s" "pr/parvex" "parv MB" "pr MB" "RSS/in"
printf '%s\n' "--------------------+--------------------------------+-------------------+--------"
for rows in 100000 1000000; do
  table=$work/table_$rows.txt
  "$gen" "$rows" 6 42 >"$table"
  bytes=$(stat -c %s "$table")
  # Check once that the run succeeds before timing it.
  "$cli" -q -n 2 -r 46 --no-key "$table" >/dev/null

  measure "$cli" -q -n 2 -r 46 --no-key "$table"
  parvex_time=$best_time parvex_rss=$best_rss
  measure pr -2 -t -l 46 -s"$tab" "$table"
  pr_time=$best_time pr_rss=$best_rss

  awk -v rows="$rows" -v bytes="$bytes" -v pt="$parvex_time" -v prt="$pr_time" \
      -v prss="$parvex_rss" -v rrss="$pr_rss" 'BEGIN {
    mb = bytes / 1048576
    ratio = (pt > 0) ? sprintf("%.1fx", prt / pt) : "inf"
    printf "%-9d %9.1f | %10.3f %8.3f %9s | %8.1f %8.1f | %6.2fx\n",
           rows, mb, pt, prt, ratio, prss / 1024, rrss / 1024, prss * 1024 / bytes
  }'
done
echo
echo "parvex: parvex-cli -q -n 2 -r 46 --no-key FILE; pr: pr -2 -t -l 46 -s<TAB> FILE; both to /dev/null."
echo "Times are the fastest of $runs runs (wall clock); MB are peak resident set sizes."
