#!/usr/bin/env bash
# Builds the programs and the tests with AddressSanitizer and UndefinedBehaviorSanitizer into a
# folder of their own and runs the whole test suite there headless. Any report fails the run: an
# overflow, a use after free, undefined behaviour, or a leak in our code (what the system libraries
# do themselves is suppressed by tests/sanitize/lsan.supp and ubsan.supp). Extra arguments go to ctest.
#
#   tools/sanitize.sh                  # REELSHELF_SANITIZE_DIR to build elsewhere (default build-sanitize)
#   tools/sanitize.sh -R 'MdbReader'   # only the tests whose names match
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd -P)
build="${REELSHELF_SANITIZE_DIR:-$top/build-sanitize}"
# Every check stops the program; nonnull-attribute only through UBSAN_OPTIONS halt_on_error, since
# a runtime suppression (for Qt's headers, see ubsan.supp) applies only to a check that can go on.
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fsanitize-recover=nonnull-attribute"
flags+=" -fno-omit-frame-pointer"

mkdir -p "$build"
build=$(cd "$build" && pwd -P)
# The release build stays as test.sh made it.
normal=$(cd "${REELSHELF_BUILD_DIR:-$top/build}" 2>/dev/null && pwd -P || true)
if [ "$build" = "$top/build" ] || [ "$build" = "$normal" ]; then
  echo "sanitize: $build is the normal build folder; name another with REELSHELF_SANITIZE_DIR" >&2
  exit 2
fi
if [ -f "$build/CMakeCache.txt" ] && ! grep -q -e "-fsanitize=address" "$build/CMakeCache.txt"; then
  echo "sanitize: $build holds a build without the sanitizers; name another with REELSHELF_SANITIZE_DIR" >&2
  exit 2
fi

"$top/tools/install-packages.sh"

# -O1 keeps the suite quick and the stacks readable; NDEBUG as in the release build.
nice cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" \
  -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DREELSHELF_BUILD_BENCH=OFF -DREELSHELF_BUILD_TESTS=ON >"$build/configure.log" ||
  { cat "$build/configure.log" >&2; exit 1; }
nice cmake --build "$build" --parallel 2

# AddressSanitizer and LeakSanitizer write their reports to files, listed at the end: a helper
# program's standard error is often thrown away, and a test may expect that helper to fail.
# UndefinedBehaviorSanitizer writes to standard error (it ignores log_path) and stops the program.
# Exit code 86 is none of ours, so a test expecting a refusal (exit 1) from a program it starts
# does not take a sanitizer's stop for one.
logs=$build/sanitizer-reports
rm -rf "$logs"
mkdir -p "$logs"
# intercept_tls_get_addr=0: g++ 12's runtime takes some blocks of a loaded library's thread-local
# storage (Qt's image plugins) for glibc 2.19 ones, and LeakSanitizer then crashes reading them.
asan=(halt_on_error=1 exitcode=86 detect_leaks=1 "log_path=$logs/report" log_exe_name=1
      check_initialization_order=1 strict_init_order=1 detect_stack_use_after_return=1
      intercept_tls_get_addr=0)
ubsan=(halt_on_error=1 exitcode=86 print_stacktrace=1 report_error_type=1
       "suppressions=$top/tests/sanitize/ubsan.supp")
export ASAN_OPTIONS=$(IFS=:; echo "${asan[*]}")
export UBSAN_OPTIONS=$(IFS=:; echo "${ubsan[*]}")
export LSAN_OPTIONS="suppressions=$top/tests/sanitize/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen

status=0
(cd "$build" && nice ctest --output-on-failure --timeout 300 -j2 "$@") || status=$?
reports=("$logs"/*)
if [ -e "${reports[0]}" ]; then
  for report in "${reports[@]}"; do
    echo "== $(basename "$report")"
    cat "$report"
  done
  echo "sanitize: ${#reports[@]} sanitizer report(s), listed above" >&2
  status=1
fi
exit "$status"
