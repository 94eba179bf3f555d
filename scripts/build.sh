#!/usr/bin/env bash
# Configures and builds the project.
# Usage: scripts/build.sh [BuildType]              everything (the program, the sample, the
#                                                  tests) into build/ (Release by default)
#        scripts/build.sh [BuildType] --program    only the program and the sample PDF into
#                                                  build/ (what scripts/demo.sh needs; a build/
#                                                  configured here leaves the tests out, so
#                                                  GoogleTest need not be installed)
#        scripts/build.sh --sanitize               into build-sanitize/, with AddressSanitizer
#                                                  and UndefinedBehaviorSanitizer
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ "${1:-}" = "--sanitize" ]; then
  cmake -S "$root" -B "$root/build-sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLON_SANITIZE=ON >/dev/null
  cmake --build "$root/build-sanitize" -j"$(nproc)"
  exit 0
fi
type=Release
program=0
for arg in "$@"; do
  case "$arg" in
    --program) program=1 ;;
    -*) echo "usage: scripts/build.sh [BuildType] [--program] | --sanitize" >&2; exit 2 ;;
    *) type="$arg" ;;
  esac
done
if [ "$program" = 1 ]; then
  # A build/ that exists keeps its tests setting; a new one is made without the tests.
  testing=()
  [ -f "$root/build/CMakeCache.txt" ] || testing=(-DBUILD_TESTING=OFF)
  cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE="$type" "${testing[@]}" >/dev/null
  cmake --build "$root/build" -j"$(nproc)" --target quillonproxy sample_pdf
  exit 0
fi
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE="$type" -DBUILD_TESTING=ON >/dev/null
cmake --build "$root/build" -j"$(nproc)"
