#!/usr/bin/env bash
# How the cost of link recognition grows with a page: "recognizelinks" jobs on
# PDFs made here, each measured with GNU time (/usr/bin/time -v), pinned to
# one core:
#
#   1. One page of 62,500, 125,000, 250,000 and 499,999 glyphs (the last just
#      under the most a page may paint, kMaxPageGlyphs in
#      src/pdf/text/PaintedText.h): lines of lower-case words and six-digit
#      numbers, searched for '\b[a-z]+\b' (a link every 13 glyphs or so,
#      40,000 on the largest page). Printed: wall time (the fastest of
#      BENCH_RUNS runs, default 3), the same less that of a page of 150
#      glyphs (the job's fixed cost), microseconds per glyph of that, links. Target:
#      the time per glyph of the largest page at most 1.5 x that of the
#      smallest (cost linear in the page).
#   2. 9,000 web addresses on one line (one text-showing operator, so one
#      text element), searched for 'www\.[a-z0-9]+\.com'. Target: located
#      within 2 s.
#   3. 40 pages of 499,999 glyphs sharing one compressed content stream (a
#      file of a few kilobytes), searched for '\b[a-z]+\b': once with words
#      only (some 95,000 links a page: refused at the first page by the
#      limit of links per page, src/recognition/LinkLimits.h), once with the
#      words and numbers of 1. (40,000 a page: refused at the third page by
#      the limit of links per job). Target: finished or refused within 60 s
#      and 300 MB peak resident memory.
#
# The page records the job extends are made once per PDF, untimed, by
# "createdocumentxml" and "createpagesxml", and restored before the timed
# run. Prints the figures and a verdict per target; the exit status is 0
# whatever the figures (failing to make or prepare a PDF exits 1).
#
# Usage: bench/recognize-scaling.sh     (QUILLONPROXY overrides the binary)
set -euo pipefail

# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
per_glyph_target=1.5
addresses_target_s=2
many_pages_target_s=60
many_pages_target_mb=300
runs="${BENCH_RUNS:-3}"

ensure_tools python3 taskset:util-linux
ensure_binary
make_workdir recognize-scaling

# ---------------------------------------------------------------- PDFs ----
# make_pdf KIND COUNT PAGES OUT
#   words:      COUNT glyphs a page of lower-case words
#   mixed:      COUNT glyphs a page of words and six-digit numbers in turn
#   addresses:  one line of COUNT addresses www.aN.com, one Tj
# Text is 3 pt Helvetica in lines of 150 glyphs, 4 pt apart, in columns 400 pt
# apart, on a 200-inch page; every page shows the same compressed content
# stream. The addresses' page has /UserUnit 10 (shown 10 times larger), so
# that 2 pt glyphs (20 pt shown) of one line fit on it.
make_pdf() {
  python3 - "$@" <<'EOF'
import sys, zlib
kind, count, pages, out = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
side = 14400
unit = ""
ops = []
if kind in ("words", "mixed"):
    words = ["alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta", "iota",
             "kappa", "lambda", "mu", "nu", "xi", "omicron", "pi", "rho", "sigma", "tau", "upsilon"]
    per_column = (side - 40) // 4
    left, line, k = count, 0, 0
    ops.append("BT /F1 3 Tf")
    while left > 0:
        tokens, length = [], -1
        while length < 150:
            token = words[k % len(words)] if kind == "words" or k % 2 == 0 else str(100000 + k * 7919 % 900000)
            k += 1
            tokens.append(token)
            length += len(token) + 1
        text = " ".join(tokens)[:min(150, left)].rstrip(" ")
        column, row = divmod(line, per_column)
        ops.append("1 0 0 1 %d %d Tm (%s) Tj" % (20 + column * 400, side - 20 - row * 4, text))
        left -= len(text)
        line += 1
    ops.append("ET")
else:
    text = " ".join("www.a%d.com" % i for i in range(count))
    ops.append("BT /F1 0.2 Tf 1 0 0 1 10 7000 Tm (%s) Tj ET" % text)
    unit = " /UserUnit 10"
content = zlib.compress("\n".join(ops).encode("latin-1"), 9)
objects = {
    1: b"<< /Type /Catalog /Pages 2 0 R >>",
    2: ("<< /Type /Pages /Kids [%s] /Count %d >>"
        % (" ".join("%d 0 R" % (5 + i) for i in range(pages)), pages)).encode(),
    3: b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
    4: b"<< /Length %d /Filter /FlateDecode >>\nstream\n" % len(content) + content + b"\nendstream",
}
for i in range(pages):
    objects[5 + i] = ("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %d %d]%s /Resources "
                      "<< /Font << /F1 3 0 R >> >> /Contents 4 0 R >>" % (side, side, unit)).encode()
data = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
offsets = {}
for n in sorted(objects):
    offsets[n] = len(data)
    data += b"%d 0 obj\n" % n + objects[n] + b"\nendobj\n"
xref = len(data)
data += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
for n in sorted(objects):
    data += b"%010d 00000 n \n" % offsets[n]
data += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
open(out, "wb").write(data)
EOF
}

# -------------------------------------------------------------- running ----
# prepare NAME PDF EXPRESSION: writes the jobs into $work/NAME/ and makes the
# page records (kept in NAME/pristine).
prepare() {
  local dir="$work/$1" pdf="$2" expression="$3"
  mkdir -p "$dir/out"
  cat >"$dir/descriptor.xml" <<EOF
<job name="createdocumentxml">
  <inputfile>$(xml_escape "$pdf")</inputfile>
  <outputdir>$(xml_escape "$dir/out/")</outputdir>
  <version>1</version><documentlang>en</documentlang><thumbprefix>t</thumbprefix>
  <pagesprefix>p</pagesprefix><zoomprefix>z</zoomprefix><zoompostfix>jpg</zoompostfix>
  <docid>d</docid><importbookmarks>false</importbookmarks><importpagelabels>false</importpagelabels>
</job>
EOF
  cat >"$dir/pages.xml" <<EOF
<job name="createpagesxml">
  <inputfile>$(xml_escape "$pdf")</inputfile>
  <outputdir>$(xml_escape "$dir/out/")</outputdir>
  <importlinks>0</importlinks>
</job>
EOF
  cat >"$dir/recognize.xml" <<EOF
<job name="recognizelinks">
  <inputfile>$(xml_escape "$pdf")</inputfile>
  <outputdir>$(xml_escape "$dir/out/")</outputdir>
  <userange>0</userange><importpdflinks>0</importpdflinks><usebinarysearch>0</usebinarysearch>
  <expresions><e target="1" linktype="0" result="http://\$regresult" description="d"><regexp>$(xml_escape "$expression")</regexp></e></expresions>
</job>
EOF
  local j
  for j in descriptor pages; do
    if ! "$bin" "$dir/$j.xml" >"$dir/$j.out" 2>&1; then
      echo "$j job on $pdf failed:" >&2; tail -n 5 "$dir/$j.out" >&2; exit 1
    fi
  done
  cp -a "$dir/out" "$dir/pristine"
}

# recognize NAME: runs NAME's recognizelinks job once from fresh records;
# sets r_status, r_wall (s, from the clock in nanoseconds, three decimals),
# r_rss (KiB), r_links, r_message (last line).
recognize() {
  local dir="$work/$1" start end
  rm -rf "$dir/out"; cp -a "$dir/pristine" "$dir/out"
  r_status=0
  start="$(date +%s%N)"
  taskset -c "${bench_cpus:-0}" /usr/bin/time -v -o "$dir/time.log" \
    "$bin" "$dir/recognize.xml" >"$dir/run.out" 2>&1 || r_status=$?
  end="$(date +%s%N)"
  r_wall="$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')"
  r_rss="$(time_field "$dir/time.log" 'Maximum resident set size')"
  r_links="$(cat "$dir"/out/Page_*.xml | grep -o '<link ' | wc -l || true)"
  r_message="$(tail -n 1 "$dir/run.out")"
}

# recognize_best NAME: recognize $runs times; r_wall is the fastest.
recognize_best() {
  local i best=""
  for ((i = 1; i <= runs; i++)); do
    recognize "$1"
    if [ -z "$best" ] || awk -v a="$r_wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best="$r_wall"
    fi
  done
  r_wall="$best"
}

verdict() {  # TEXT OK-FLAG
  if [ "$2" = 1 ]; then echo "  $1  MET"; else echo "  $1  NOT MET"; fi
}

echo "quillonproxy recognition scaling: $bin"
echo "Machine:  $(nproc) cores, pinned to core ${bench_cpus:-0}; $runs run(s) per timing, fastest shown"
echo

# ------------------------------------------------------ 1. page sizes ----
printf '%s\n' "== 1. One page, '\\b[a-z]+\\b' over words and numbers"
# The time of the same job on a page of 150 glyphs (starting the program,
# opening the PDF, reading and writing the records) is taken off each time,
# so that the time per glyph is the page's own.
make_pdf mixed 150 1 "$work/page-150.pdf"
prepare page-150 "$work/page-150.pdf" '\b[a-z]+\b'
recognize_best page-150
base="$r_wall"
echo "  fixed cost (a page of 150 glyphs): $base s"
printf '  %8s %8s %8s %10s %8s %8s %s\n' glyphs "wall s" "net s" "us/glyph" "RSS MB" links status
sizes=(62500 125000 250000 499999)
declare -A per_glyph
for n in "${sizes[@]}"; do
  make_pdf mixed "$n" 1 "$work/page-$n.pdf"
  prepare "page-$n" "$work/page-$n.pdf" '\b[a-z]+\b'
  recognize_best "page-$n"
  net="$(awk -v w="$r_wall" -v b="$base" 'BEGIN { printf "%.3f", w - b }')"
  per_glyph[$n]="$(awk -v w="$net" -v n="$n" 'BEGIN { printf "%.3f", w * 1e6 / n }')"
  printf '  %8d %8s %8s %10s %8s %8s %s\n' "$n" "$r_wall" "$net" "${per_glyph[$n]}" "$(mb "$r_rss")" "$r_links" "$r_status"
done
growth="$(ratio "${per_glyph[499999]}" "${per_glyph[62500]}")"
echo "  time per glyph, 499,999 / 62,500 glyphs: $growth"
echo

# ------------------------------------------------ 2. addresses on a line ----
printf '%s\n' "== 2. 9,000 web addresses on one line, 'www\\.[a-z0-9]+\\.com'"
make_pdf addresses 9000 1 "$work/addresses.pdf"
prepare addresses "$work/addresses.pdf" 'www\.[a-z0-9]+\.com'
recognize_best addresses
addresses_wall="$r_wall" addresses_links="$r_links" addresses_status="$r_status"
echo "  wall $r_wall s, peak RSS $(mb "$r_rss") MB, $r_links links, status $r_status"
echo

# ------------------------------------------------- 3. forty big pages ----
printf '%s\n' "== 3. 40 pages of 499,999 glyphs sharing one content stream, '\\b[a-z]+\\b'"
many_ok=1
for kind in words mixed; do
  make_pdf "$kind" 499999 40 "$work/forty-$kind.pdf"
  prepare "forty-$kind" "$work/forty-$kind.pdf" '\b[a-z]+\b'
  recognize "forty-$kind"
  echo "  $kind: $(stat -c %s "$work/forty-$kind.pdf") bytes; wall $r_wall s, peak RSS $(mb "$r_rss") MB, status $r_status"
  echo "    $r_message"
  if ! awk -v w="$r_wall" -v m="$r_rss" -v tw="$many_pages_target_s" -v tm="$many_pages_target_mb" \
       'BEGIN { exit !(w <= tw && m <= tm * 1024) }'; then many_ok=0; fi
  if [ "$r_status" -ne 0 ] && [ "$r_status" -ne 255 ]; then many_ok=0; fi
done
echo

echo "== Summary"
verdict "time per glyph grows $growth x from 62,500 to 499,999 glyphs (target at most $per_glyph_target)" \
  "$(awk -v g="$growth" -v t="$per_glyph_target" 'BEGIN { print (g != "n/a" && g <= t) ? 1 : 0 }')"
verdict "9,000 addresses on one line: $addresses_links links in $addresses_wall s (target 9000 within $addresses_target_s s)" \
  "$(awk -v w="$addresses_wall" -v l="$addresses_links" -v s="$addresses_status" -v t="$addresses_target_s" \
       'BEGIN { print (s == 0 && l == 9000 && w <= t) ? 1 : 0 }')"
verdict "40 pages near the glyph limit: finished or refused within $many_pages_target_s s and $many_pages_target_mb MB" "$many_ok"
