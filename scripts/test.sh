#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
# Usage: scripts/test.sh              the Release build in build/
#        scripts/test.sh --sanitize   a build with AddressSanitizer and UndefinedBehaviorSanitizer
#                                     in build-sanitize/: any memory error, undefined behaviour
#                                     or leak in the program or the tests fails the test
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
build_dir="$root/build"
if [ "${1:-}" = "--sanitize" ]; then
  "$root/scripts/build.sh" --sanitize
  build_dir="$root/build-sanitize"
  # Reports end the process with a failure; leaks are looked for at exit.
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  export LSAN_OPTIONS="suppressions=$root/tests/sanitize/lsan.supp:print_suppressions=0"
else
  "$root/scripts/build.sh" Release
fi
cd "$build_dir"
# setup.sh has installed chromium and playwright-core: the browser tests must run.
export QUILLON_REQUIRE_BROWSER=1
ctest --output-on-failure -j"$(nproc)"
