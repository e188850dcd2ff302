#!/bin/sh
# Runs every libFuzzer target of a build (the `asan` preset builds them) for a
# bounded time on a copy of its seed corpus (so the seeds in the repository
# never change), as many at once as there are cores. Fails when any fuzzer
# crashes; the crashing input is kept in <build folder>/fuzz-artifacts/.
# Inputs go up to 8 KiB, past the line reader's 4 KiB block.
#
#     scripts/run-fuzzers.sh <build folder>     FUZZ_SECONDS=60 per fuzzer
set -eu
build="${1:?usage: scripts/run-fuzzers.sh <build folder>}"
seconds="${FUZZ_SECONDS:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$build" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT INT TERM
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"

# One fuzzer a core at a time: each takes one.
jobs="$(nproc)"
run_one() {  # <name> <fuzzer>
  if (cd "$work" && "$2" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
        -artifact_prefix="$artifacts/$1-" "$work/$1") >"$work/$1.log" 2>&1; then
    echo clean >"$work/$1.status"
  else
    echo failed >"$work/$1.status"
  fi
}

failed=""
started=""
running=0
for source in "$root"/tests/fuzz/*_fuzz.cpp; do
  name="$(basename "$source" .cpp)"
  fuzzer="$build/tests/fuzz/$name"
  if [ ! -x "$fuzzer" ]; then
    echo "== $name: not built in $build"
    failed="$failed $name"
    continue
  fi
  mkdir -p "$work/$name"
  if [ -d "$root/tests/fuzz/corpus/$name" ]; then cp "$root/tests/fuzz/corpus/$name"/* "$work/$name/"; fi
  run_one "$name" "$fuzzer" &
  started="$started $name"
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait
    running=0
  fi
done
wait

for name in $started; do
  echo "== $name: $seconds s"
  if [ "$(cat "$work/$name.status")" = clean ]; then
    grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$work/$name.log" || true
  else
    tail -n 40 "$work/$name.log"
    failed="$failed $name"
  fi
done

if [ -n "$failed" ]; then
  echo "== fuzzers failed:$failed"
  exit 1
fi
echo "== all fuzzers ran clean"
