#!/usr/bin/env bash
# Sets up and builds Quiret, checks the C++ formatting (clang-format 14), runs every test,
# then runs the core's tests again in a build with AddressSanitizer and
# UndefinedBehaviorSanitizer. In CI (CI=true) or when
# QUIRET_FUZZ_SECONDS is set, each fuzz target then runs that long (30 s by default).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/check-format.sh
jobs=$(nproc)

export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUIRET_CORE_ONLY=ON -DQUIRET_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 600

if [ "${CI:-}" = "true" ] || [ -n "${QUIRET_FUZZ_SECONDS:-}" ]; then
  seconds="${QUIRET_FUZZ_SECONDS:-30}"
  # A fixed seed and a cap on the runs make the check repeatable: the same inputs in every
  # run (a slower machine stops earlier in the same sequence). QUIRET_FUZZ_SEED=0 picks a
  # random seed and QUIRET_FUZZ_RUNS=-1 lifts the cap, for fuzzing by hand.
  seed="${QUIRET_FUZZ_SEED:-1}"
  runs="${QUIRET_FUZZ_RUNS:-20000}"
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUIRET_CORE_ONLY=ON -DQUIRET_FUZZ=ON >/dev/null
  targets=()
  for dir in fuzz/*/seeds; do
    targets+=("$(basename "$(dirname "$dir")")")
  done
  cmake --build build-fuzz -j "$jobs" --target "${targets[@]/#/fuzz_}"
  # The fuzzer adds inputs to its corpus folder: it works on a copy so the tree stays as is.
  root="$(pwd)"
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  for t in "${targets[@]}"; do
    mkdir -p "$work/$t/corpus" "$work/$t/out"
    cp fuzz/"$t"/seeds/* "$work/$t/corpus/"
    echo "Fuzzing $t for $seconds s"
    if ! (cd "$work/$t/out" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
          "$root/build-fuzz/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
          -seed="$seed" -runs="$runs" \
          -print_final_stats=1 "$work/$t/corpus" >"$work/$t/log" 2>&1); then
      tail -n 60 "$work/$t/log"
      mkdir -p build-fuzz/findings
      cp "$work/$t/out"/* build-fuzz/findings/ 2>/dev/null || true
      echo "fuzz_$t found a fault; its reproducer is kept in build-fuzz/findings/" >&2
      exit 1
    fi
    grep -E "^Done [0-9]+ runs" "$work/$t/log" || true
  done
fi
