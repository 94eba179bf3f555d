#!/usr/bin/env bash
# Configures and builds the project into build/ (Release by default).
# Usage: scripts/build.sh [BuildType]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
type="${1:-Release}"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE="$type" >/dev/null
cmake --build "$root/build" -j"$(nproc)"
