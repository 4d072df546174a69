#!/usr/bin/env bash
# `make bench`: the whole statement run on the mid-size and large demo portfolios,
# timed with /usr/bin/time -v, one table of medians, then the query floor.
#
# Environment: BENCH_SIZES (default "1500 10000"), BENCH_REPEATS (default 3),
# BENCH_RUNS (default "none preview outbox"), BENCH_SEED (default 7),
# BENCH_BASELINE (a git revision: also build it and print each run's speed-up
# against it, measured in alternation, A B A B, on the first size).
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-release
sizes=${BENCH_SIZES:-1500 10000}
repeats=${BENCH_REPEATS:-3}
runs=${BENCH_RUNS:-none preview outbox}
seed=${BENCH_SEED:-7}
jobs=${JOBS:-2}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DDUNMERROW_BENCH=ON >/dev/null
cmake --build "$build" -j "$jobs" --target dunmerrow_cmd query_floor report_bench journal_bench >/dev/null

baseline_bin=""
if [ -n "${BENCH_BASELINE:-}" ]; then
  baseline_src="$build/baseline-src"
  rm -rf "$baseline_src"
  mkdir -p "$baseline_src"
  git archive "$BENCH_BASELINE" | tar -x -C "$baseline_src"
  cmake -S "$baseline_src" -B "$build/baseline" -DCMAKE_BUILD_TYPE=Release -DDUNMERROW_TESTS=OFF \
    -DDUNMERROW_FUZZ=OFF >/dev/null
  cmake --build "$build/baseline" -j "$jobs" --target dunmerrow_cmd >/dev/null
  baseline_bin="$build/baseline/bin/dunmerrow"
fi

bin="$build/bin/dunmerrow"
floor_bin="$build/bin/query_floor"
data="$build/bench-data"
scratch="$build/bench-runs"
mkdir -p "$data"
rm -rf "$scratch"
mkdir -p "$scratch"

# Runs never read or write the machine's settings, and "now" is fixed.
export QUELLORY_MACHINE_SETTINGS="$scratch/machine-settings.ini"
export QUELLORY_USER_SETTINGS="$scratch/settings.ini"
export DUNMERROW_NOW=2026-01-31T09:00:00
export LC_ALL=C.UTF-8

# Each portfolio is made once and kept, keyed by size and seed.
portfolio() {
  local dir="$data/p$1-s$seed"
  if [ ! -s "$dir/demo-data.txt" ]; then
    rm -rf "$dir"
    mkdir -p "$dir"
    "$bin" demo-data --out "$dir" --properties "$1" --seed "$seed" >"$dir/demo-data.txt.tmp"
    mv "$dir/demo-data.txt.tmp" "$dir/demo-data.txt"
  fi
  echo "$dir"
}

# One run: prints "wall_seconds peak_kb statements pages cpu_seconds".
run_once() {
  local dir=$1 date=$2 to=$3 out=$4 bin=${5:-$bin}
  rm -rf "$out"
  mkdir -p "$out"
  local extra=()
  if [ "$to" = none ]; then extra=(--trace "$out/trace.jsonl"); fi
  /usr/bin/time -v -o "$out/time.txt" "$bin" statements --date "$date" --detailed --notes \
    --locale en_AU --app-folder "$dir" --out "$out" --to "$to" "${extra[@]}" \
    >"$out/stdout.txt" 2>"$out/stderr.txt" </dev/null || {
    echo "bench: the $to run on $dir failed:" >&2
    cat "$out/stderr.txt" >&2
    exit 1
  }
  local wall peak counts cpu
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$out/time.txt" |
    awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
  peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$out/time.txt")
  counts=$(sed -n 's/^\([0-9]*\) statements, \([0-9]*\) pages.*/\1 \2/p' "$out/stdout.txt")
  cpu=$(awk -F': ' '/User time \(seconds\)|System time \(seconds\)/ { s += $2 } END { print s }' \
    "$out/time.txt")
  echo "$wall $peak $counts $cpu"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

table="$scratch/table.txt"
floors="$scratch/floors.txt"
: >"$table"
: >"$floors"
for size in $sizes; do
  dir=$(portfolio "$size")
  date=$(sed -n 's/^latest disbursement date: *//p' "$dir/demo-data.txt")
  for to in $runs; do
    : >"$scratch/samples.txt"
    for ((r = 1; r <= repeats; r++)); do
      run_once "$dir" "$date" "$to" "$scratch/out-$size-$to" >>"$scratch/samples.txt"
    done
    wall=$(awk '{ print $1 }' "$scratch/samples.txt" | median)
    peak=$(awk '{ print $2 }' "$scratch/samples.txt" | median)
    cpu=$(awk '{ print $5 }' "$scratch/samples.txt" | median)
    read -r statements pages < <(head -1 "$scratch/samples.txt" | awk '{ print $3, $4 }')
    echo "$size $to $statements $pages $wall $peak $cpu" >>"$table"
  done

  # The query floor of run (a): the same run once more with the query log on.
  log="$scratch/queries-$size.log"
  rm -f "$log"
  DUNMERROW_QUERY_LOG="$log" "$bin" statements --date "$date" --detailed --notes --locale en_AU \
    --app-folder "$dir" --out "$scratch/out-$size-log" --to none >/dev/null </dev/null
  floor_line=$("$floor_bin" "$dir/property.mdb" "$log" 3)
  floor=$(echo "$floor_line" | sed -n 's/^query floor: \([0-9.]*\) seconds.*/\1/p')
  floor_cpu=$(echo "$floor_line" | sed -n 's/.* \([0-9.]*\) cpu seconds.*/\1/p')
  echo "$size $floor $floor_cpu $floor_line" >>"$floors"
done

echo
echo "Owner statements, detailed with notes; median of $repeats runs"
echo "(wall seconds; cpu = user + system seconds; peak resident memory)"
printf '%-10s %-8s %10s %8s %9s %9s %10s %10s %9s %12s\n' properties run statements pages \
  seconds "cpu s" "stmts/s" "pages/s" "peak MB" "ms/statement"
while read -r size to statements pages wall peak cpu; do
  awk -v size="$size" -v to="$to" -v st="$statements" -v pg="$pages" -v w="$wall" -v pk="$peak" \
    -v c="$cpu" \
    'BEGIN { ws = (w > 0 ? w : 0.001);
      printf "%-10s %-8s %10d %8d %9.2f %9.2f %10.1f %10.1f %9.1f %12.2f\n",
        size, to, st, pg, w, c, st / ws, pg / ws, pk / 1024, (st > 0 ? 1000 * w / st : 0) }'
done <"$table"

echo
echo "Query floor: run (a) against its statements replayed straight on SQLite"
while read -r size floor floor_cpu rest; do
  wall=$(awk -v s="$size" '$1 == s && $2 == "none" { print $5 }' "$table")
  cpu=$(awk -v s="$size" '$1 == s && $2 == "none" { print $7 }' "$table")
  awk -v size="$size" -v f="$floor" -v fc="$floor_cpu" -v w="${wall:-0}" -v c="${cpu:-0}" \
    -v rest="$rest" \
    'BEGIN { printf "%-10s %s\n", size, rest;
      printf "%-10s wall: run (a) %.2f s / floor %.3f s = %.2f\n", "", w, f, (f > 0 ? w / f : 0);
      printf "%-10s cpu:  run (a) %.2f s / floor %.3f s = %.2f\n", "", c, fc, (fc > 0 ? c / fc : 0) }'
done <"$floors"

# Growth: time per statement and peak memory, large against mid-size.
first=$(echo "$sizes" | awk '{ print $1 }')
last=$(echo "$sizes" | awk '{ print $NF }')
if [ "$first" != "$last" ]; then
  echo
  echo "Growth, $last against $first properties (ratios of time per statement and of peak memory)"
  for to in $runs; do
    awk -v a="$first" -v b="$last" -v to="$to" '
      $2 == to && $1 == a { n = ($3 > 0 ? $3 : 1); ta = $5 / n; ca = $7 / n; ma = $6 }
      $2 == to && $1 == b { n = ($3 > 0 ? $3 : 1); tb = $5 / n; cb = $7 / n; mb = $6 }
      END { if (ta > 0 && ma > 0 && ca > 0)
        printf "%-8s wall/statement x%.2f   cpu/statement x%.2f   peak memory x%.2f\n",
          to, tb / ta, cb / ca, mb / ma }' "$table"
  done
fi

echo
echo "Against the trace-only run, and the PDF part (preview minus trace-only)"
font=$(fc-match -f '%{file}' 'Liberation Sans')
for size in $sizes; do
  read -r none_wall none_pages < <(awk -v s="$size" '$1 == s && $2 == "none" { print $5, $4 }' "$table")
  preview_wall=$(awk -v s="$size" '$1 == s && $2 == "preview" { print $5 }' "$table")
  outbox_wall=$(awk -v s="$size" '$1 == s && $2 == "outbox" { print $5 }' "$table")
  peer=""
  if [ -s "$scratch/out-$size-none/trace.jsonl" ] && /usr/bin/python3 -c 'import reportlab' 2>/dev/null; then
    : >"$scratch/peer.txt"
    for ((r = 1; r <= repeats; r++)); do
      /usr/bin/python3 bench/reportlab_peer.py "$scratch/out-$size-none/trace.jsonl" \
        "$scratch/peer-$size.pdf" "$font" >>"$scratch/peer.txt"
    done
    peer=$(awk '{ print $2 }' "$scratch/peer.txt" | median)
    peer_pages=$(head -1 "$scratch/peer.txt" | awk '{ print $1 }')
  fi
  awk -v size="$size" -v n="${none_wall:-0}" -v p="${preview_wall:-0}" -v o="${outbox_wall:-0}" \
    -v pages="${none_pages:-0}" -v peer="$peer" -v peer_pages="${peer_pages:-0}" '
    BEGIN {
      if (n <= 0) exit;
      if (p > 0) printf "%-10s preview / trace-only %.2f", size, p / n;
      if (o > 0) printf "   outbox / trace-only %.2f", o / n;
      printf "\n";
      if (p > n) printf "%-10s PDF part: %.2f s, %.0f pages/s", "", p - n, pages / (p - n);
      if (peer > 0) printf "   peer (ReportLab, same texts, embedded TrueType): %.0f pages/s",
        peer_pages / peer;
      printf "\n" }'
done

if [ -n "$baseline_bin" ]; then
  size=$(echo "$sizes" | awk '{ print $1 }')
  dir=$(portfolio "$size")
  date=$(sed -n 's/^latest disbursement date: *//p' "$dir/demo-data.txt")
  echo
  echo "Speed-up against $BENCH_BASELINE, $size properties ($repeats pairs, baseline and this build in turn)"
  for to in $runs; do
    : >"$scratch/a.txt"
    : >"$scratch/b.txt"
    for ((r = 1; r <= repeats; r++)); do
      run_once "$dir" "$date" "$to" "$scratch/out-base" "$baseline_bin" >>"$scratch/a.txt"
      run_once "$dir" "$date" "$to" "$scratch/out-this" >>"$scratch/b.txt"
    done
    a=$(awk '{ print $1 }' "$scratch/a.txt" | median)
    b=$(awk '{ print $1 }' "$scratch/b.txt" | median)
    awk -v to="$to" -v a="$a" -v b="$b" \
      'BEGIN { printf "%-8s baseline %.2f s   this %.2f s   speed-up x%.2f\n", to, a, b, (b > 0 ? a / b : 0) }'
  done
fi

echo
echo "The report engine alone: 60-field pages laid out and written to a real PDF"
"$build/bin/report_bench" 2>/dev/null | grep -E '^(BM_|Benchmark|-)'

echo
echo "The transactions section alone: one owner, 100,000 journal lines, 2,000 accounts"
"$build/bin/journal_bench"
