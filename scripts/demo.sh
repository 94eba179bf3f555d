#!/usr/bin/env bash
# Installs what the program needs and the machine lacks (no browser, no Node.js), builds the
# program and the sample PDF only (Release), and publishes the sample into demo-output/ with
# scripts/publish.sh; then says how to look at it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh" --program
"$root/scripts/build.sh" Release --program

out="$root/demo-output"
rm -rf "$out"
"$root/scripts/publish.sh" "$root/build/examples/sample.pdf" "$out" \
  --products 'QX-\d{4}' --product-url 'http://shop.example.com/$regresult' \
  --expressions "$root/examples/sample-expressions.xml"

cat <<MESSAGE

To look at the publication, serve the folder and open its address in a browser:

  python3 -m http.server 8000 --bind 127.0.0.1 --directory "$out"

  http://127.0.0.1:8000/
MESSAGE
