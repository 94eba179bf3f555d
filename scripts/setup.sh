#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the tests and the
# demo need and the machine lacks. Safe to run again; does nothing when all
# is there. Needs root (or sudo) only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libmupdf-dev libharfbuzz-dev libfreetype-dev libjbig2dec0-dev libopenjp2-7-dev
  libjpeg62-turbo-dev zlib1g-dev libgumbo-dev libmujs-dev
  libtinyxml-dev libpcre2-dev libgtest-dev
  poppler-utils mupdf-tools time libxml2-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
