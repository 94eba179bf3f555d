#!/usr/bin/env bash
# Configures and builds the project.
# Usage: scripts/build.sh [BuildType]    into build/ (Release by default)
#        scripts/build.sh --sanitize     into build-sanitize/, with AddressSanitizer and
#                                        UndefinedBehaviorSanitizer
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ "${1:-}" = "--sanitize" ]; then
  cmake -S "$root" -B "$root/build-sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLON_SANITIZE=ON >/dev/null
  cmake --build "$root/build-sanitize" -j"$(nproc)"
  exit 0
fi
type="${1:-Release}"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE="$type" >/dev/null
cmake --build "$root/build" -j"$(nproc)"
