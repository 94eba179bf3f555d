#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the tests and the
# demo need and the machine lacks, and the browser tests' npm package
# (playwright-core, which drives Debian's chromium: no browser download).
# Safe to run again; does nothing when all is there. Needs root (or sudo)
# only when a Debian package is missing.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

packages=(
  build-essential cmake pkg-config
  libmupdf-dev libharfbuzz-dev libfreetype-dev libjbig2dec0-dev libopenjp2-7-dev
  libjpeg62-turbo-dev zlib1g-dev libgumbo-dev libmujs-dev
  libtinyxml-dev libpcre2-dev libgtest-dev
  poppler-utils mupdf-tools time libxml2-utils jq
  chromium
)
# Node.js and npm: the machine's own when it has them, else Debian's.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
  packages+=(nodejs npm)
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

# The browser tests' packages (playwright-core, axe-core), at the versions package-lock.json pins.
viewer_tests="$root/tests/viewer"
if [ ! -f "$viewer_tests/node_modules/playwright-core/package.json" ] ||
   [ ! -f "$viewer_tests/node_modules/axe-core/package.json" ]; then
  echo "Installing the browser tests' npm packages"
  npm ci --prefix "$viewer_tests" --no-audit --no-fund --loglevel=error >/dev/null
fi
