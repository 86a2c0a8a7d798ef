#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer into
# build-fuzz/ and runs each for the given number of seconds, one after another, on its seed corpus and
# its regressions. New corpus entries stay in build-fuzz/corpus/. Any finding (crash, leak, timeout,
# out of memory) fails the run and is copied into fuzz/regressions/<target>/ for a human to name.
# Usage: scripts/fuzz.sh <seconds> [<target>...]   (targets: bmp md2 md3 iqm xml console journal write gltf mesh)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 1 ] || ! [[ "$1" =~ ^[0-9]+$ ]]; then
  echo "usage: scripts/fuzz.sh <seconds> [<target>...]" >&2
  exit 2
fi
seconds=$1
shift
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then targets=(bmp md2 md3 iqm xml console journal write gltf mesh); fi

root=$(pwd)
out=$root/build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
  -DVELMORA_SANITIZE=ON -DVELMORA_FUZZ=ON >/dev/null
mkdir -p "$out/logs"
if ! cmake --build "$out" -j 2 --target "${targets[@]/#/fuzz_}" >"$out/logs/build.log" 2>&1; then
  cat "$out/logs/build.log"
  exit 1
fi

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Scratch files on a memory file system when there is one: every save syncs its file.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
failed=()
for t in "${targets[@]}"; do
  findings=$out/findings/$t
  rm -rf "$findings"
  mkdir -p "$out/corpus/$t" "$findings"
  log=$out/logs/$t.log
  # The first folder takes the new inputs; the committed ones are only read.
  # Absolute folders: the console target works inside a scratch folder of its own.
  if "$out/fuzz/fuzz_$t" "$out/corpus/$t" "$root/fuzz/corpus/$t" "$root/fuzz/regressions/$t" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -close_fd_mask=3 \
      -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz $t: ${runs:-?} runs in ${seconds}s, no findings"
  else
    failed+=("$t")
    echo "fuzz $t: FINDING (log: $log)"
    grep -E "^==[0-9]+==ERROR|SUMMARY|runtime error|^artifact_prefix|Test unit written" "$log" | head -8 || true
    for f in "$findings"/*; do
      [ -e "$f" ] || continue
      # Once more with the target's own messages, which the fuzzing run keeps quiet.
      "$out/fuzz/fuzz_$t" -timeout=10 -rss_limit_mb=2048 "$f" 2>&1 | grep -av "^INFO:" | tail -n 12 || true
      cp "$f" "fuzz/regressions/$t/"
      echo "  kept as fuzz/regressions/$t/$(basename "$f") (rename it after what broke)"
    done
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found problems in: ${failed[*]}"
  exit 1
fi
