#!/usr/bin/env bash
# Page-image throughput and peak memory of the "createimages" job, side by
# side with poppler and MuPDF's own command-line renderer:
#
#   quillonproxy  createimages job, quality 80 (render + JPEG, banded)
#   pdftoppm      -cropbox -jpeg -jpegopt quality=80 -r DPI (render + JPEG)
#   mutool draw   -c rgb -r DPI -o DIR/%d.pnm (render only: the floor)
#
# at 72 and 150 dpi, every process pinned to one core (taskset -c 0) so the
# comparison is fair. Wall, user and system time and the peak resident set
# come from GNU time (/usr/bin/time -v). Each measurement is taken
# BENCH_RUNS times (default 3); the fastest wall time is shown, with the
# largest peak RSS seen over the runs.
#
# Target: quillonproxy takes at most 0.8 x the pdftoppm wall time, and its
# peak memory does not grow with the page count. The second half checks the
# latter by running the same job on the first 20 pages, on the whole document
# and on the whole document twice over (same pages, twice as many).
#
# Usage: bench/images.sh [PDF]
#   With no argument the document is the gri manual (gri.pdf, 285 pages of
#   prose, code listings, vector plots and raster image plots) from Debian's
#   gri-pdf-doc package, installed with apt when missing. Any other PDF can be
#   given instead, e.g. the real-world corpus's performance document:
#     bench/images.sh "$(dirname "$PWD")/shared/corpus/pdfjs_freeculture.pdf"
#
# Environment: QUILLONPROXY (binary, default build/quillonproxy),
#              BENCH_RUNS (runs per measurement, default 3).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
repo="$(dirname "$here")"
bin="${QUILLONPROXY:-$repo/build/quillonproxy}"
runs="${BENCH_RUNS:-3}"
dpis=(72 150)
target_ratio=0.8
slice_pages=20

# ---------------------------------------------------------------- tools ----
apt_install() {
  local sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  echo "Installing: $*" >&2
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@" >/dev/null \
    || { "${sudo_cmd[@]}" apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
         "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@" >/dev/null; }
}

missing=()
[ -x /usr/bin/time ] || missing+=(time)
command -v pdftoppm >/dev/null || missing+=(poppler-utils)
command -v pdfinfo >/dev/null || missing+=(poppler-utils)
command -v mutool >/dev/null || missing+=(mupdf-tools)
command -v taskset >/dev/null || missing+=(util-linux)
if [ ${#missing[@]} -gt 0 ]; then
  mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)
  apt_install "${missing[@]}"
fi

if [ ! -x "$bin" ]; then
  echo "Building quillonproxy ..." >&2
  "$repo/scripts/build.sh" >&2
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/qp-bench-images.XXXXXX")"
trap 'rm -rf "$work"' EXIT

# ------------------------------------------------------------- document ----
# gri-pdf-doc ships the manual gzip-compressed at this path.
gri_pdf_gz=/usr/share/doc/gri/gri.pdf.gz

if [ $# -ge 1 ]; then
  pdf="$1"
  [ -r "$pdf" ] || { echo "cannot read $pdf" >&2; exit 2; }
  source_note="$pdf"
else
  if [ ! -r "$gri_pdf_gz" ]; then
    apt_install gri-pdf-doc || true
  fi
  if [ ! -r "$gri_pdf_gz" ]; then
    # Installed without its doc files (dpkg path-exclude) or no root:
    # unpack the package into the work folder instead.
    (cd "$work" && apt-get download gri-pdf-doc >/dev/null 2>&1)
    dpkg-deb -x "$work"/gri-pdf-doc_*.deb "$work/deb"
    gri_pdf_gz="$work/deb/usr/share/doc/gri/gri.pdf.gz"
  fi
  pdf="$work/gri.pdf"
  gzip -dc "$gri_pdf_gz" > "$pdf"
  source_note="gri.pdf from Debian package gri-pdf-doc $(dpkg-query -W -f='${Version}' gri-pdf-doc 2>/dev/null || echo '(unpacked)')"
fi

pages="$(pdfinfo "$pdf" 2>/dev/null | awk '/^Pages:/ {print $2}')"
[ -n "$pages" ] && [ "$pages" -gt 0 ] || { echo "pdfinfo cannot read $pdf" >&2; exit 2; }

# ----------------------------------------------------------- measuring ----
# measure NAME FILES CMD...: runs CMD pinned to core 0 under GNU time, $runs
# times, with the output folder $work/out emptied before each run, and checks
# that each run left FILES files there. Sets m_wall m_user m_sys (seconds, of
# the fastest run) and m_rss (KiB, the largest over the runs). A failing
# command or a wrong file count aborts the benchmark.
measure() {
  local name="$1" files="$2"; shift 2
  local best_wall="" best_user="" best_sys="" max_rss=0 i log
  log="$work/time.log"
  for ((i = 1; i <= runs; i++)); do
    rm -rf "$work/out"; mkdir -p "$work/out"
    if ! taskset -c 0 /usr/bin/time -v -o "$log" "$@" >"$work/cmd.out" 2>&1; then
      echo "$name failed:" >&2; tail -n 20 "$work/cmd.out" >&2; exit 1
    fi
    local n
    n="$(find "$work/out" -maxdepth 1 -type f | wc -l)"
    if [ "$n" -ne "$files" ]; then
      echo "$name wrote $n files, expected $files" >&2; exit 1
    fi
    local wall user sys rss
    wall="$(awk -F': ' '/Elapsed \(wall clock\)/ {
             n = split($2, a, ":"); s = 0
             for (k = 1; k <= n; k++) s = s * 60 + a[k]
             printf "%.2f", s }' "$log")"
    user="$(awk -F': ' '/User time/ {print $2}' "$log")"
    sys="$(awk -F': ' '/System time/ {print $2}' "$log")"
    rss="$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")"
    if [ -z "$best_wall" ] || awk -v a="$wall" -v b="$best_wall" 'BEGIN { exit !(a < b) }'; then
      best_wall="$wall"; best_user="$user"; best_sys="$sys"
    fi
    [ "$rss" -gt "$max_rss" ] && max_rss="$rss"
  done
  rm -rf "$work/out"
  m_wall="$best_wall"; m_user="$best_user"; m_sys="$best_sys"; m_rss="$max_rss"
}

xml_escape() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' <<<"$1"; }

# write_job FILE PDF DPI
write_job() {
  cat >"$1" <<EOF
<job name="createimages">
  <inputfile>$(xml_escape "$2")</inputfile>
  <outputdir>$(xml_escape "$work/out/")</outputdir>
  <prefix>page</prefix>
  <quality>80</quality>
  <resolution>$3</resolution>
  <headerresolution>$3</headerresolution>
</job>
EOF
}

mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }

echo "quillonproxy page images: $bin"
echo "Document: $source_note"
echo "Pages:    $pages"
echo "Machine:  $(nproc) cores, pinned to core 0; $runs run(s) per measurement, fastest wall shown"
echo "Versions: $(pdftoppm -v 2>&1 | head -n 1), mutool $(mutool -v 2>&1 | awk '{print $NF; exit}')"
echo

declare -A qp_rss
verdicts=()
for dpi in "${dpis[@]}"; do
  job="$work/job-$dpi.xml"
  write_job "$job" "$pdf" "$dpi"

  measure quillonproxy "$pages" "$bin" "$job"
  q_wall=$m_wall q_user=$m_user q_sys=$m_sys q_rss=$m_rss
  qp_rss[$dpi]=$q_rss

  measure pdftoppm "$pages" pdftoppm -cropbox -jpeg -jpegopt quality=80 -r "$dpi" "$pdf" "$work/out/p"
  p_wall=$m_wall p_user=$m_user p_sys=$m_sys p_rss=$m_rss

  measure mutool "$pages" mutool draw -q -c rgb -r "$dpi" -o "$work/out/%d.pnm" "$pdf"
  d_wall=$m_wall d_user=$m_user d_sys=$m_sys d_rss=$m_rss

  r_pp="$(ratio "$q_wall" "$p_wall")"
  r_mu="$(ratio "$q_wall" "$d_wall")"
  echo "== $dpi dpi, quality 80, $pages pages"
  printf '  %-34s %8s %8s %8s %12s\n' "" "wall s" "user s" "sys s" "peak RSS MB"
  printf '  %-34s %8s %8s %8s %12s\n' "quillonproxy createimages" "$q_wall" "$q_user" "$q_sys" "$(mb "$q_rss")"
  printf '  %-34s %8s %8s %8s %12s\n' "pdftoppm -jpeg" "$p_wall" "$p_user" "$p_sys" "$(mb "$p_rss")"
  printf '  %-34s %8s %8s %8s %12s\n' "mutool draw -> pnm (render only)" "$d_wall" "$d_user" "$d_sys" "$(mb "$d_rss")"
  echo "  ratio quillonproxy / pdftoppm:  $r_pp   (target: at most $target_ratio)"
  echo "  ratio quillonproxy / mutool:    $r_mu   (mutool writes uncompressed PNM: its sys time is mostly file output)"
  if awk -v r="$r_pp" -v t="$target_ratio" 'BEGIN { exit !(r <= t) }'; then
    verdicts+=("$dpi dpi: quillonproxy/pdftoppm = $r_pp <= $target_ratio  MET")
  else
    verdicts+=("$dpi dpi: quillonproxy/pdftoppm = $r_pp > $target_ratio  NOT MET")
  fi
  echo
done

# ------------------------------------------------- memory vs page count ----
echo "== Peak memory vs page count (quillonproxy, 150 dpi)"
echo "   Target: the peak memory should not grow with the page count."
slice_n=$(( pages < slice_pages ? pages : slice_pages ))
mutool merge -o "$work/slice.pdf" "$pdf" "1-$slice_n" 2>/dev/null
mutool merge -o "$work/double.pdf" "$pdf" "$pdf" 2>/dev/null
double_pages="$(pdfinfo "$work/double.pdf" | awk '/^Pages:/ {print $2}')"

write_job "$work/job-slice.xml" "$work/slice.pdf" 150
measure "quillonproxy (first pages)" "$slice_n" "$bin" "$work/job-slice.xml"
s_wall=$m_wall s_rss=$m_rss
write_job "$work/job-double.xml" "$work/double.pdf" 150
measure "quillonproxy (doubled)" "$double_pages" "$bin" "$work/job-double.xml"
w2_wall=$m_wall w2_rss=$m_rss
w_rss=${qp_rss[150]}

printf '  %-40s %6s %8s %12s\n' "document" "pages" "wall s" "peak RSS MB"
printf '  %-40s %6s %8s %12s\n' "first $slice_n pages (mutool merge)" "$slice_n" "$s_wall" "$(mb "$s_rss")"
printf '  %-40s %6s %8s %12s\n' "whole document" "$pages" "(above)" "$(mb "$w_rss")"
printf '  %-40s %6s %8s %12s\n' "whole document twice (mutool merge)" "$double_pages" "$w2_wall" "$(mb "$w2_rss")"
echo "  whole / first $slice_n pages peak:  $(ratio "$w_rss" "$s_rss")  (can differ by page content: the slice holds other pages)"
echo "  twice / whole peak:          $(ratio "$w2_rss" "$w_rss")  (same pages, twice as many: should stay ~1.00)"
# Flat means: twice the pages costs at most 10 % + 4 MB more peak memory.
if awk -v a="$w2_rss" -v b="$w_rss" 'BEGIN { exit !(a <= b * 1.10 + 4096) }'; then
  verdicts+=("peak memory flat with page count ($(mb "$w_rss") MB for $pages pages, $(mb "$w2_rss") MB for $double_pages)  MET")
else
  verdicts+=("peak memory grows with page count ($(mb "$w_rss") MB for $pages pages, $(mb "$w2_rss") MB for $double_pages)  NOT MET")
fi
echo

echo "== Summary"
for v in "${verdicts[@]}"; do echo "  $v"; done
