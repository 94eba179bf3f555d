#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" Release
cd "$root/build"
# setup.sh has installed chromium and playwright-core: the browser tests must run.
export QUILLON_REQUIRE_BROWSER=1
ctest --output-on-failure -j"$(nproc)"
