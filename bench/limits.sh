#!/usr/bin/env bash
# Pages that would cost minutes or gigabytes to interpret, refused by the page limits
# (src/pdf/PageLimits.h) before the cost is spent, or stopped by the budgets
# (src/pdf/Budgets.h) when it is being spent:
#   flate      a 2 MB file whose page content inflates to 2 GiB of spaces
#   operators  a page of 50 million cheap operators ("q Q")
#   jpx        a 500-byte JPEG 2000 image declaring 60000 x 60000 pixels
#   jpx8000    a JPEG 2000 image declaring 8000 x 8000 pixels, under the pixel limit (962 MB)
#   jpx4       four JPEG 2000 images of 4000 x 4000 on one page, each within a page's limit
#   tiling     a tiling pattern in steps of 0.02 pt over the page (minutes to draw)
#   mesh       a mesh shading of 8 million triangles (minutes to draw)
#   shared     20 pages painting one content stream of 9.9 million operators
#   names      a million destination names and page labels (62 MB), for "createdocumentxml"
# Each runs "createimages" and "createindex" ("names": "createdocumentxml") under GNU time;
# prints the status, the message, seconds and peak memory.
#
# Checks (exit status 1 when one fails): every run ends with status 0, or 255 and one line
# naming the page and the limit or budget, within 15 s and 400 MB.
#
# Usage: bench/limits.sh            (QUILLONPROXY overrides the binary)
set -euo pipefail

# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
limit_s=15
limit_mb=400

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

def write_pdf(name, content, image, resources=b"/XObject << /Im0 6 0 R >>", more=(), pages=1):
    """Pages of one content stream (4) and font (5), with image (6) and more objects after."""
    first_page = 7 + len(more) if pages > 1 else 3
    kids = b" ".join(b"%d 0 R" % (first_page + i) for i in range(pages))
    page = (b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << "
            b"/Font << /F1 5 0 R >> " + resources + b" >> /Contents 4 0 R >>")
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>",
               b"<< /Type /Pages /Kids [" + kids + b"] /Count %d >>" % pages,
               page if pages == 1 else b"null",
               content,
               b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
               image] + list(more) + ([page] * pages if pages > 1 else [])
    write_objects(name, objects)

def write_objects(name, objects):
    """A PDF of the objects, numbered from 1, the first the catalog."""
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
def codestream(width, height):
    siz = struct.pack(">HHHIIIIIIIIH", 0xFF51, 38 + 3 * 3, 0, width, height, 0, 0, width, height, 0, 0, 3)
    return (b"\xff\x4f" + siz + b"\x07\x01\x01" * 3 + bytes.fromhex("ff52000c0000000101050404000f")
            + bytes.fromhex("ff5c00044000") + b"\xff\x90\x00\x0a\x00\x00\x00\x00\x00\x00\x00\x01\xff\x93"
            + b"\x00" * 400 + b"\xff\xd9")
jpx_entries = b"/Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /JPXDecode "
paint = stream(text + b"q 500 0 0 500 50 100 cm /Im0 Do Q\n")
write_pdf("jpx", paint, stream(codestream(60000, 60000), jpx_entries))
write_pdf("jpx8000", paint, stream(codestream(8000, 8000), jpx_entries))
write_pdf("jpx4", stream(text + b"".join(b"q 100 0 0 100 %d 100 cm /Im%d Do Q\n" % (50 + 120 * i, i) for i in range(4))),
          stream(codestream(4000, 4000), jpx_entries),
          b"/XObject << /Im0 6 0 R /Im1 7 0 R /Im2 8 0 R /Im3 9 0 R >>",
          [stream(codestream(4000, 4000 + i), jpx_entries) for i in range(1, 4)])
write_pdf("tiling", stream(text + b"/Pattern cs /P0 scn 0 0 612 792 re f\n"), white, b"/Pattern << /P0 7 0 R >>",
          [stream(b"0 0 0.01 0.01 re f", b"/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 0.02 0.02] "
                  b"/XStep 0.02 /YStep 0.02 /Resources << >> ")])
# A strip of triangles: each vertex after the first three makes one more (flag 1).
vertices = bytes([0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 255, 255, 0])
vertices += b"".join(bytes([1, (i * 37) % 256, (i * 91) % 256, i % 256, 255 - i % 256, 128]) for i in range(1024)) * 8192
write_pdf("mesh", stream(text + b"/Sh0 sh\n"), white, b"/Shading << /Sh0 7 0 R >>",
          [stream(zlib.compress(vertices, 9), b"/ShadingType 4 /ColorSpace /DeviceRGB /BitsPerCoordinate 8 "
                  b"/BitsPerComponent 8 /BitsPerFlag 8 /Decode [0 612 0 792 0 1 0 1 0 1] " + flate)])
count = 1000000
names = b" ".join(b"(d%07d) [3 0 R /XYZ 0 0 0]" % i for i in range(count))
labels = b" ".join(b"%d << /S /D /P (x%d) >>" % (i, i) for i in range(count))
objects = [b"<< /Type /Catalog /Pages 2 0 R /Names << /Dests 6 0 R >> /PageLabels << /Nums [" + labels + b"] >> >>",
           b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
           b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 5 0 R >> >> /Contents 4 0 R >>",
           stream(text), b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
           b"<< /Names [" + names + b"] >>"]
write_objects("names", objects)
write_pdf("shared", stream(deflate_repeated(b"q Q " * (1 << 18), 9900000 // (1 << 19)), flate), white, pages=20)
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
  elif [ "$job" = createdocumentxml ]; then
    printf '<job name="createdocumentxml"><inputfile>%s</inputfile><outputdir>%s</outputdir><version>1</version><documentlang>en</documentlang><thumbprefix>t</thumbprefix><pagesprefix>p</pagesprefix><zoomprefix>z</zoomprefix><zoompostfix>jpg</zoompostfix><docid>d</docid><importbookmarks>true</importbookmarks><importpagelabels>true</importpagelabels></job>\n' \
      "$(xml_escape "$work/$name.pdf")" "$(xml_escape "$out")" >"$work/job.xml"
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
  check "$( { [ "$status" -eq 0 ] || { [ "$status" -eq 255 ] && [ "$(wc -l <"$work/run.out")" -eq 1 ] &&
             grep -q ': page [0-9]*: .*the most\|: page [0-9]*: .*may have' "$work/run.out"; }; } && echo 1 || echo 0)" \
        "status 0, or 255 and one line naming the page and the limit"
  check "$(awk -v w="$wall" -v l="$limit_s" 'BEGIN { print (w < l) ? 1 : 0 }')" "under $limit_s s"
  check "$([ "$rss" -lt $((limit_mb * 1024)) ] && echo 1 || echo 0)" "peak RSS under $limit_mb MB"
  rm -rf "$out"
}

echo "Binary: $bin"
for name in flate operators jpx jpx8000 jpx4 tiling mesh shared names; do
  echo "$name.pdf: $(stat -c %s "$work/$name.pdf") bytes"
  jobs="createimages createindex"
  [ "$name" = names ] && jobs=createdocumentxml
  for job in $jobs; do run_job "$name" "$job"; done
done
echo
if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
