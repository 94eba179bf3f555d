#!/usr/bin/env bash
# One huge page: a 200 x 200 inch PDF page (MediaBox [0 0 14400 14400]) with
# vector content over its whole area, rendered by the "createimages" job at
# 150 dpi (a 30000 x 30000 pixel JPEG) and at 72 dpi (14400 x 14400).
# Rendering is banded, so peak memory must stay small and about the same at
# both resolutions although the 150 dpi raster has 4.3 times the pixels.
#
# Checks, for each resolution (exit status 1 when one fails):
#   - quillonproxy exits with status 0
#   - the JPEG is complete and its frame header says the expected size
#   - peak resident memory (GNU time) stays under 300 MB
# and, between the two: the 150 dpi peak is at most 1.5 x the 72 dpi peak
# plus 16 MB (flat memory).
#
# Usage: bench/bigpage.sh            (QUILLONPROXY overrides the binary)
set -euo pipefail

# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
limit_mb=300

ensure_tools python3
ensure_binary
make_workdir bigpage
pdf="$work/bigpage.pdf"

# ------------------------------------------------------------ the page ----
# Content stream: a 48 x 48 grid of coloured 300 pt cells, a few very long
# diagonal strokes across the whole page, and lines of Helvetica text from
# top to bottom.
content="$work/content.txt"
{
  awk 'BEGIN {
    for (r = 0; r < 48; r++)
      for (c = 0; c < 48; c++) {
        printf "%.3f %.3f %.3f rg %d %d 280 280 re f\n",
               (r * 5 % 48) / 47, (c * 7 % 48) / 47, ((r + c) % 48) / 47,
               c * 300 + 10, r * 300 + 10
      }
  }'
  printf '0 0 0 RG 40 w 1 J\n'
  printf '0 0 m 14400 14400 l S\n'
  printf '0 14400 m 14400 0 l S\n'
  printf '0.8 0 0 RG 25 w 0 7200 m 7200 14400 l 14400 7200 l 7200 0 l h S\n'
  printf '0 0 0.6 RG 12 w 100 100 m 14300 3000 l 300 9000 l 14000 14300 l S\n'
  printf 'BT 0 0 0 rg /F1 360 Tf\n'
  for ((y = 13800; y > 0; y -= 1200)); do
    printf '1 0 0 1 %d %d Tm (Two hundred inches square - row %d) Tj\n' $(( (y / 1200 % 3) * 900 + 200 )) "$y" "$y"
  done
  printf '/F1 2400 Tf 1 0 0 1 2900 6300 Tm (200 IN) Tj ET\n'
} >"$content"

# Writes the PDF object by object, recording each object's byte offset for
# the cross-reference table.
offsets=()
size_of() { stat -c %s "$1"; }
object() {  # NUMBER BODY...
  offsets[$1]="$(size_of "$pdf")"
  printf '%d 0 obj\n' "$1" >>"$pdf"
  shift
  printf '%s\n' "$@" >>"$pdf"
  printf 'endobj\n' >>"$pdf"
}
printf '%%PDF-1.4\n%%\342\343\317\323\n' >"$pdf"
object 1 '<< /Type /Catalog /Pages 2 0 R >>'
object 2 '<< /Type /Pages /Kids [3 0 R] /Count 1 >>'
object 3 '<< /Type /Page /Parent 2 0 R /MediaBox [0 0 14400 14400]' \
         '   /Resources << /Font << /F1 5 0 R >> >> /Contents 4 0 R >>'
offsets[4]="$(size_of "$pdf")"
{
  printf '4 0 obj\n<< /Length %d >>\nstream\n' "$(size_of "$content")"
  cat "$content"
  printf 'endstream\nendobj\n'
} >>"$pdf"
object 5 '<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>'
xref="$(size_of "$pdf")"
{
  printf 'xref\n0 6\n0000000000 65535 f \n'
  for i in 1 2 3 4 5; do printf '%010d 00000 n \n' "${offsets[$i]}"; done
  printf 'trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n' "$xref"
} >>"$pdf"

# ------------------------------------------------------------ checking ----
# jpeg_info FILE: prints "WIDTH HEIGHT COMPLETE" from the JPEG's start-of-
# frame header (COMPLETE is 1 when the file ends with the EOI marker).
jpeg_info() {
  python3 - "$1" <<'EOF'
import struct, sys
with open(sys.argv[1], "rb") as f:
    data = f.read(1 << 20)
    f.seek(-2, 2)
    complete = int(f.read(2) == b"\xff\xd9")
if data[:2] != b"\xff\xd8":
    print("0 0 0"); sys.exit()
pos = 2
while pos + 4 <= len(data):
    if data[pos] != 0xFF:
        break
    marker = data[pos + 1]
    if marker == 0xFF:
        pos += 1
        continue
    length = struct.unpack(">H", data[pos + 2:pos + 4])[0]
    if marker in (0xC0, 0xC1, 0xC2, 0xC3, 0xC5, 0xC6, 0xC7, 0xC9, 0xCA, 0xCB, 0xCD, 0xCE, 0xCF):
        height, width = struct.unpack(">HH", data[pos + 5:pos + 9])
        print(width, height, complete); sys.exit()
    pos += 2 + length
print("0 0", complete)
EOF
}

failures=0
check() {  # OK-FLAG TEXT
  if [ "$1" = 1 ]; then echo "  PASS  $2"; else echo "  FAIL  $2"; failures=$((failures + 1)); fi
}

declare -A peak
run_dpi() {  # DPI EXPECTED-PIXELS
  local dpi="$1" px="$2" out="$work/out-$1/" status=0
  mkdir -p "$out"
  write_images_job "$work/job-$dpi.xml" "$pdf" "$out" "$dpi"
  /usr/bin/time -v -o "$work/time-$dpi.log" "$bin" "$work/job-$dpi.xml" >"$work/run-$dpi.out" 2>&1 || status=$?
  local wall rss jpg w=0 h=0 complete=0 bytes=0
  wall="$(time_field "$work/time-$dpi.log" 'Elapsed (wall clock)')"
  rss="$(time_field "$work/time-$dpi.log" 'Maximum resident set size')"
  peak[$dpi]=$rss
  jpg="${out}page1.jpg"
  if [ -s "$jpg" ]; then
    read -r w h complete < <(jpeg_info "$jpg")
    bytes="$(size_of "$jpg")"
  fi
  echo "== $dpi dpi: expected ${px} x ${px} pixels"
  echo "  wall time:    $wall"
  echo "  peak RSS:     $(mb "$rss") MB"
  echo "  JPEG:         ${w} x ${h}, $(awk -v b="$bytes" 'BEGIN { printf "%.1f MB", b / 1048576 }')"
  check "$([ "$status" -eq 0 ] && echo 1 || echo 0)" "exit status $status (expected 0)"
  check "$([ "$w" -eq "$px" ] && [ "$h" -eq "$px" ] && echo 1 || echo 0)" "image size ${w}x${h} (expected ${px}x${px})"
  check "$([ "$complete" = 1 ] && echo 1 || echo 0)" "JPEG complete (ends with EOI marker)"
  check "$([ "$rss" -lt $((limit_mb * 1024)) ] && echo 1 || echo 0)" "peak RSS under $limit_mb MB"
  if [ "$status" -ne 0 ]; then sed 's/^/    | /' "$work/run-$dpi.out" | tail -n 10; fi
  rm -rf "$out"
}

echo "Page: 200 x 200 in (MediaBox [0 0 14400 14400]), $(size_of "$pdf") bytes, $(wc -l <"$content") content lines"
echo "Binary: $bin"
echo
run_dpi 150 30000
echo
run_dpi 72 14400
echo
echo "== Memory across resolutions"
echo "  150 dpi: $(mb "${peak[150]}") MB for 900.0 Mpixels;" \
     "72 dpi: $(mb "${peak[72]}") MB for 207.4 Mpixels"
check "$(awk -v a="${peak[150]}" -v b="${peak[72]}" 'BEGIN { print (a <= b * 1.5 + 16384) ? 1 : 0 }')" \
      "150 dpi peak within 1.5 x the 72 dpi peak + 16 MB (memory flat while pixels grow 4.3 x)"
echo
if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
