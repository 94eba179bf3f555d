#!/usr/bin/env bash
# Installs, from Debian's packages, what the machine lacks.
# Usage: scripts/setup.sh             what the build, the tests and the benchmarks need, and the
#                                     browser tests' npm packages (playwright-core, which drives
#                                     Debian's chromium: no browser download; axe-core)
#        scripts/setup.sh --program   only what building the program and the sample needs
#                                     (compiler, CMake, the libraries it links): no GoogleTest,
#                                     no browser, no Node.js, no npm
# Safe to run again; does nothing when all is there. Needs root (or sudo) only when a Debian
# package is missing.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mode=all
case "${1:-}" in
  "") ;;
  --program) mode=program ;;
  *) echo "usage: scripts/setup.sh [--program]" >&2; exit 2 ;;
esac

# The program: the compiler, CMake, and the libraries it links (MuPDF's static archives and
# the libraries they were built against, TinyXML, PCRE2, libjpeg).
packages=(
  build-essential cmake pkg-config
  libmupdf-dev libharfbuzz-dev libfreetype-dev libjbig2dec0-dev libopenjp2-7-dev
  libjpeg62-turbo-dev zlib1g-dev libgumbo-dev libmujs-dev
  libtinyxml-dev libpcre2-dev
)
if [ "$mode" = all ]; then
  packages+=(
    libgtest-dev
    poppler-utils mupdf-tools time libxml2-utils jq
    chromium
  )
  # Node.js and npm: the machine's own when it has them, else Debian's.
  if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    packages+=(nodejs npm)
  fi
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

[ "$mode" = all ] || exit 0

# The browser tests' packages (playwright-core, axe-core), at the versions package-lock.json pins.
viewer_tests="$root/tests/viewer"
if [ ! -f "$viewer_tests/node_modules/playwright-core/package.json" ] ||
   [ ! -f "$viewer_tests/node_modules/axe-core/package.json" ]; then
  echo "Installing the browser tests' npm packages"
  npm ci --prefix "$viewer_tests" --no-audit --no-fund --loglevel=error >/dev/null
fi
