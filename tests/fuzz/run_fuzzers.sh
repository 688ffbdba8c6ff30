#!/usr/bin/env bash
# Builds the fuzzing programs (clang's libFuzzer, with AddressSanitizer and
# UndefinedBehaviorSanitizer) in a build directory of their own and runs each one for a fixed
# time from a copy of its seed corpus, so that nothing is written into the tree. Fails at the
# first crash, sanitizer report, failed engine invariant or input that runs longer than the
# timeout; the input is then left in <build>/fuzz-artifacts: once the fault is mended it is kept
# in tests/fuzz/corpus/<surface>/, named for what it is.
#
# Usage: tests/fuzz/run_fuzzers.sh [seconds per program, 60] [build directory, build-fuzz]
#        [surfaces, all of: uci_line fen position_file book_text]
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${1:-60}
build=${2:-build-fuzz}
shift $(($# < 2 ? $# : 2))
surfaces=("$@")
[ ${#surfaces[@]} -gt 0 ] || surfaces=(uci_line fen position_file book_text)

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTALVOR_FUZZ=ON -DTALVOR_TESTS=OFF "${launcher[@]}"
targets=()
for surface in "${surfaces[@]}"; do targets+=("${surface}_fuzz"); done
cmake --build "$build" -j2 --target "${targets[@]}"

# The longest input of each program: room for long lines, oversized files and a few book games
# (libFuzzer would otherwise keep to the size of the largest seed).
declare -A max_len=([uci_line]=4096 [fen]=512 [position_file]=4096 [book_text]=16384)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts="$PWD/$build/fuzz-artifacts"
mkdir -p "$artifacts"
for surface in "${surfaces[@]}"; do
  mkdir -p "$work/$surface"
  cp tests/fuzz/corpus/"$surface"/* "$work/$surface/"
  log="$work/$surface.log"
  echo "== $surface: $seconds s from $(ls "$work/$surface" | wc -l) seed inputs"
  # One process at a time; the engine's input reader thread gets an input that has ended.
  if ! "$build/tests/fuzz/${surface}_fuzz" -max_total_time="$seconds" -max_len="${max_len[$surface]}" -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$artifacts/$surface-" "$work/$surface" \
      </dev/null >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "FAILED: $surface (the input is in $artifacts)"
    exit 1
  fi
  grep -E '^#[0-9]+[[:space:]]+DONE|^stat::number_of_executed_units|^stat::peak_rss_mb' "$log"
done
