#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (address and undefined
# sanitizers too) in build-fuzz, and runs each for FUZZ_SECONDS (default 60).
# Each target starts from its seeds in fuzz/corpus/<target>; what the fuzzer
# adds goes to build-fuzz/corpus/<target>, crashes and hangs to
# build-fuzz/findings/<target>/. Exits 1 when any target found something:
# copy the input into fuzz/corpus/<target>/ with the fix, so the tests
# replay it from then on.
#   FUZZ_SECONDS=30 FUZZ_TARGETS="fuzz_fix_sql fuzz_sql_translator" scripts/fuzz.sh
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-60}
build=${FUZZ_BUILD:-build-fuzz}
jobs=${JOBS:-2}
all_targets=(fuzz_sql_translator fuzz_fix_sql fuzz_definition fuzz_settings_file
             fuzz_conversions fuzz_mdb_import)
read -r -a targets <<<"${FUZZ_TARGETS:-${all_targets[*]}}"

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDUNMERROW_SANITIZE=ON -DDUNMERROW_LIBFUZZER=ON -DDUNMERROW_TESTS=OFF \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
  >/dev/null
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

export LC_ALL=C.UTF-8
export DUNMERROW_HOME="$PWD/$build/bin"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/fuzz/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  findings="$build/findings/$target"
  mkdir -p "$corpus" "$findings"
  # The .mdb target's inputs are patch lists for the fixture files; the
  # others read a statement, a definition or a settings file whole.
  max_len=65536
  [ "$target" = fuzz_mdb_import ] && max_len=1024
  echo "== $target: $seconds s"
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$findings/" \
      "$corpus" "fuzz/corpus/$target" >"$build/$target.log" 2>&1; then
    failed+=("$target")
    grep -E "ERROR|SUMMARY|Test unit written" "$build/$target.log" | head -5 || true
  fi
  grep -E "^stat::(number_of_executed_units|new_units_added)" "$build/$target.log" || true
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzzing found faults in: ${failed[*]} (logs in $build/, inputs in $build/findings/)"
  exit 1
fi
echo "fuzzing found nothing in: ${targets[*]}"
