#!/usr/bin/env bash
# The soak: the statements of the large demo portfolio printed SOAK_ROUNDS
# times (default 10) in one process through the C interface, checking after
# each round that resident memory, open file descriptors and temporary files
# do not grow. Exits 1 when one of them does.
#
# Environment: SOAK_SIZE (properties, default 10000, the large benchmark
# portfolio), SOAK_ROUNDS (default 10), SOAK_SEED (default 7),
# SOAK_RSS_SLACK_KB (growth allowed from the second round to the last,
# default 16384: the allocator's arenas settle over the first rounds).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${SOAK_BUILD:-build-release}
size=${SOAK_SIZE:-10000}
rounds=${SOAK_ROUNDS:-10}
seed=${SOAK_SEED:-7}
slack_kb=${SOAK_RSS_SLACK_KB:-16384}
jobs=${JOBS:-2}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$jobs" --target dunmerrow dunmerrow_cmd >/dev/null

bin="$build/bin"
scratch="$build/soak"
data="$scratch/p$size-s$seed"
rm -rf "$scratch/out" "$scratch/tmp"
mkdir -p "$data" "$scratch/out" "$scratch/tmp"

export QUELLORY_MACHINE_SETTINGS="$scratch/machine-settings.ini"
export QUELLORY_USER_SETTINGS="$scratch/settings.ini"
export DUNMERROW_NOW=2026-01-31T09:00:00
export DUNMERROW_HOME="$PWD/$bin"
export LC_ALL=C.UTF-8
export TMPDIR="$PWD/$scratch/tmp"

if [ ! -s "$data/demo-data.txt" ]; then
  "$bin/dunmerrow" demo-data --out "$data" --properties "$size" --seed "$seed" >"$data/demo-data.txt.tmp"
  mv "$data/demo-data.txt.tmp" "$data/demo-data.txt"
fi
date=$(sed -n 's/^latest disbursement date: *//p' "$data/demo-data.txt")
database="$PWD/$data/property.mdb"

cc -std=c99 -O2 -Wall -Wextra -Iinclude scripts/soak_host.c -L"$bin" -ldunmerrow \
  -Wl,-rpath,"$PWD/$bin" -o "$scratch/soak_host"

echo "soak: $rounds rounds of the $size-property portfolio, $date, in one process"
"$scratch/soak_host" "$database" "$date" "$scratch/out" "$rounds" "$TMPDIR" \
  2>"$scratch/messages.txt" | tee "$scratch/rounds.txt"

# Round 1 loads fonts, ICU data and the caches; from round 2 on nothing may grow.
awk -v slack="$slack_kb" '
  { rss[$2] = $3; fds[$2] = $4; tmp[$2] = $5; last = $2 }
  END {
    bad = 0
    if (last < 2) { print "soak: fewer than two rounds ran"; exit 1 }
    printf "resident memory: round 1 %d kB, round 2 %d kB, round %d %d kB (%+d kB)\n",
           rss[1], rss[2], last, rss[last], rss[last] - rss[2]
    if (rss[last] - rss[2] > slack) { print "soak: resident memory grows"; bad = 1 }
    for (r = 2; r <= last; ++r) {
      if (fds[r] != fds[2]) { printf "soak: open files grow: %d after round 2, %d after round %d\n", fds[2], fds[r], r; bad = 1; break }
      if (tmp[r] != 0) { printf "soak: %d temporary files left after round %d\n", tmp[r], r; bad = 1; break }
    }
    printf "open file descriptors: %d after every round from 2; temporary files: none\n", fds[2]
    exit bad
  }' "$scratch/rounds.txt"

leftovers=$(find "$scratch/out" -type f ! -name 'statements-*.pdf' | wc -l)
if [ "$leftovers" -ne 0 ]; then
  echo "soak: $leftovers files other than the statements left in $scratch/out"
  exit 1
fi
echo "soak: passed"
