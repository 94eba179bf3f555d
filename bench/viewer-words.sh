#!/usr/bin/env bash
# The viewer on a page of about 200,000 words: a 6 KB PDF of 499 lines of 500 one-letter
# words ("q" every 997th) in 0.9 pt Helvetica, published, then opened in Debian's chromium
# at 1366x900. Prints the time until the page's text layer is shown, until its words in view
# at 400% are built, and until a search for "q" has finished, and the longest the page was held
# meanwhile (long tasks), scrolling across the zoomed page included. Measured before the layer
# was built a slice at a time, one element a word: 30 s and 79 s, held for up to 2.2 s and
# 72 s; built whole in slices: 11.9 s, held for up to 333 ms, and up to 604 ms a frame in a
# trace.
#
# Usage: bench/viewer-words.sh
# Environment: QUILLONPROXY (binary, default build/quillonproxy), CHROMIUM (default
# /usr/bin/chromium). Needs the browser tests' npm packages (scripts/setup.sh installs them).
set -euo pipefail

# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
ensure_tools python3
ensure_binary
make_workdir viewer-words

python3 - "$work/words.pdf" <<'PY'
import sys, zlib
lines = [b"BT /F1 0.9 Tf 1.58 TL 2 790 Td"]
for l in range(499):
    words = [b"(q)" if (l * 500 + w) % 997 == 0 else b"(a)" for w in range(500)]
    lines.append(b"[" + b" -800 ".join(words) + b"] TJ T*")
lines.append(b"ET")
content = zlib.compress(b"\n".join(lines), 9)
objects = [b"<< /Type /Catalog /Pages 2 0 R >>", b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
           b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 5 0 R >> >> /Contents 4 0 R >>",
           b"<< /Length %d /Filter /FlateDecode >>\nstream\n" % len(content) + content + b"\nendstream",
           b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"]
out = bytearray(b"%PDF-1.7\n")
offsets = []
for number, body in enumerate(objects, 1):
    offsets.append(len(out))
    out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
xref = len(out)
out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1) + b"".join(b"%010d 00000 n \n" % o for o in offsets)
out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
open(sys.argv[1], "wb").write(out)
PY
QUILLONPROXY="$bin" "$repo/scripts/publish.sh" "$work/words.pdf" "$work/pub" >/dev/null
echo "Machine:  $(nproc) cores; $(chromium --version 2>/dev/null || echo chromium)"
node "$repo/bench/viewer-words.mjs" "$work/pub"
