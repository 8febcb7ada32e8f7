#!/usr/bin/env bash
# tools/fuzz.sh [TARGET|all] [SECONDS]: builds the fuzz targets of tests/fuzz with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/, then runs TARGET (or every target
# in turn) for SECONDS each (default 60) on its committed corpus. New inputs go to build-fuzz/corpus/<target>;
# a crash, leak, timeout or out-of-memory stops the run with its input in build-fuzz/findings/.
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${REELSHELF_FUZZ_BUILD_DIR:-$top/build-fuzz}"
only="${1:-all}"
seconds="${2:-60}"

"$top/tools/install-packages.sh"
"$top/tools/install-packages.sh" clang libfuzzer-14-dev libclang-rt-14-dev

flags="-fsanitize=address,undefined -fsanitize=fuzzer-no-link -fno-sanitize-recover=undefined"
flags+=" -fno-omit-frame-pointer -g"
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DREELSHELF_FUZZ=ON -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
fi
cmake --build "$build" --parallel "$(nproc 2>/dev/null || echo 2)"

targets=()
for source in "$top"/tests/fuzz/targets/*.cpp; do
  name=$(basename "$source" .cpp)
  if [ "$only" = all ] || [ "$only" = "$name" ]; then targets+=("$name"); fi
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz target named $only" >&2
  exit 2
fi

export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
export QT_QPA_PLATFORM=offscreen
status=0
for name in "${targets[@]}"; do
  seeds="$top/tests/fuzz/corpus/$name"
  found="$build/corpus/$name"
  findings="$build/findings/$name"
  options="$top/tests/fuzz/options/$name.options"
  mkdir -p "$found" "$findings" "$build/tests/fuzz/scratch"
  extra=()
  if [ -f "$options" ]; then read -r -a extra < "$options"; fi
  echo "== fuzz_$name: ${seconds} s"
  # Every input over a second, over 2 GB or leaking counts as a finding, as a crash does.
  if ! "$build/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=1 -rss_limit_mb=2048 \
      -artifact_prefix="$findings/" -print_final_stats=1 "${extra[@]}" "$found" "$seeds"; then
    echo "fuzz_$name found a fault; its input is in $findings" >&2
    status=1
  fi
done
exit $status
