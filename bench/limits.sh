#!/usr/bin/env bash
# Pages that would cost minutes or gigabytes to interpret, refused by the page limits
# (src/pdf/PageLimits.h) before the cost is spent:
#   flate      a 2 MB file whose page content inflates to 2 GiB of spaces
#   operators  a page of 50 million cheap operators ("q Q")
#   jpx        a 500-byte JPEG 2000 image declaring 60000 x 60000 pixels
# Each runs "createimages" and "createindex" under GNU time; prints the status, the message,
# seconds and peak memory.
#
# Checks (exit status 1 when one fails): every run ends with status 0, or 255 and one line
# naming the page and the limit, within 10 s and 300 MB.
#
# Usage: bench/limits.sh            (QUILLONPROXY overrides the binary)
set -euo pipefail

# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
limit_s=10
limit_mb=300

ensure_tools python3
ensure_binary
make_workdir limits

python3 - "$work" <<'PY'
import struct, sys, zlib

work = sys.argv[1]

def deflate_repeated(chunk, count):
    """A zlib stream of chunk * count, made without compressing it count times: after a full
    flush deflate starts afresh, so every further chunk compresses to the same bytes."""
    c = zlib.compressobj(9)
    first = c.compress(chunk) + c.flush(zlib.Z_FULL_FLUSH)
    again = c.compress(chunk) + c.flush(zlib.Z_FULL_FLUSH)
    adler = 1
    for _ in range(count):
        adler = zlib.adler32(chunk, adler)
    # A final empty fixed-Huffman block, then the checksum.
    return first + again * (count - 1) + b"\x03\x00" + struct.pack(">I", adler)

def stream(data, entries=b""):
    return b"<< /Length %d %s>>\nstream\n" % (len(data), entries) + data + b"\nendstream"

def write_pdf(name, content, image):
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>",
               b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << "
               b"/Font << /F1 5 0 R >> /XObject << /Im0 6 0 R >> >> /Contents 4 0 R >>",
               content,
               b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
               image]
    out = bytearray(b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for offset in offsets:
        out += b"%010d 00000 n \n" % offset
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    with open(f"{work}/{name}.pdf", "wb") as f:
        f.write(out)

text = b"BT /F1 24 Tf 72 700 Td (Limits) Tj ET\n"
white = stream(b"\xff\xff\xff", b"/Type /XObject /Subtype /Image /Width 1 /Height 1 "
               b"/ColorSpace /DeviceRGB /BitsPerComponent 8 ")
flate = b"/Filter /FlateDecode "
write_pdf("flate", stream(deflate_repeated(text + b" " * ((1 << 20) - len(text)), 2048), flate), white)
write_pdf("operators", stream(deflate_repeated(b"q Q " * (1 << 18), 50000000 // (1 << 19)), flate), white)
siz = struct.pack(">HHHIIIIIIIIH", 0xFF51, 38 + 3 * 3, 0, 60000, 60000, 0, 0, 60000, 60000, 0, 0, 3)
codestream = (b"\xff\x4f" + siz + b"\x07\x01\x01" * 3 + bytes.fromhex("ff52000c0000000101050404000f")
              + bytes.fromhex("ff5c00044000") + b"\xff\x90\x00\x0a\x00\x00\x00\x00\x00\x00\x00\x01\xff\x93"
              + b"\x00" * 400 + b"\xff\xd9")
write_pdf("jpx", stream(text + b"q 500 0 0 500 50 100 cm /Im0 Do Q\n"),
          stream(codestream, b"/Type /XObject /Subtype /Image /Width 1 /Height 1 "
                 b"/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /JPXDecode "))
PY

failures=0
check() {  # OK-FLAG TEXT
  if [ "$1" = 1 ]; then echo "  PASS  $2"; else echo "  FAIL  $2"; failures=$((failures + 1)); fi
}

run_job() {  # NAME JOB
  local name="$1" job="$2" out="$work/out-$1-$2/" status=0
  mkdir -p "$out"
  if [ "$job" = createimages ]; then
    write_images_job "$work/job.xml" "$work/$name.pdf" "$out" 150
  else
    printf '<job name="createindex"><inputfile>%s</inputfile><outputdir>%s</outputdir></job>\n' \
      "$(xml_escape "$work/$name.pdf")" "$(xml_escape "$out")" >"$work/job.xml"
  fi
  /usr/bin/time -v -o "$work/time.log" "$bin" "$work/job.xml" >"$work/run.out" 2>/dev/null || status=$?
  local wall rss message
  wall="$(time_seconds "$work/time.log")"
  rss="$(time_field "$work/time.log" 'Maximum resident set size')"
  message="$(head -c 300 "$work/run.out")"
  printf '== %-10s %-13s status %3d  %6s s  %7s MB  %s\n' "$name" "$job" "$status" "$wall" "$(mb "$rss")" "$message"
  check "$( { [ "$status" -eq 0 ] || { [ "$status" -eq 255 ] && grep -q ': page 1: .*the most\|: page 1: .*may have' "$work/run.out"; }; } && echo 1 || echo 0)" \
        "status 0, or 255 naming the page and the limit"
  check "$(awk -v w="$wall" -v l="$limit_s" 'BEGIN { print (w < l) ? 1 : 0 }')" "under $limit_s s"
  check "$([ "$rss" -lt $((limit_mb * 1024)) ] && echo 1 || echo 0)" "peak RSS under $limit_mb MB"
  rm -rf "$out"
}

echo "Binary: $bin"
for name in flate operators jpx; do
  echo "$name.pdf: $(stat -c %s "$work/$name.pdf") bytes"
  for job in createimages createindex; do run_job "$name" "$job"; done
done
echo
if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
