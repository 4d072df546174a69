#!/usr/bin/env bash
# Generates the demo portfolio and prints the owner statements of its latest
# disbursement date, in detailed mode with notes, to build/demo/statements/.
# On a desktop they then open in the review window; elsewhere the command
# asks on the terminal whether to print them.
set -euo pipefail
build=${1:-build}
bin="$build/bin"
demo="$build/demo"

rm -rf "$demo"
mkdir -p "$demo"
# The settings of this demo live beside it, not in the machine's own hive.
export QUELLORY_MACHINE_SETTINGS="$demo/machine-settings.ini"
export QUELLORY_USER_SETTINGS="$demo/settings.ini"

"$bin/dunmerrow" demo-data --out "$demo" | tee "$demo/demo-data.txt"
date=$(sed -n 's/^latest disbursement date: *//p' "$demo/demo-data.txt")
if [ -z "$date" ]; then
  echo "demo: the demo data did not say its latest disbursement date" >&2
  exit 1
fi

"$bin/dunmerrow" statements --date "$date" --detailed --notes --locale en_AU \
  --app-folder "$demo" --out "$demo/statements" --trace "$demo/trace.jsonl"
