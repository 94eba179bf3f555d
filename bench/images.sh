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
# and on documents made of the whole one two and four times over.
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

# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
runs="${BENCH_RUNS:-3}"
dpis=(72 150)
target_ratio=0.8
slice_pages=20

ensure_tools pdftoppm:poppler-utils pdfinfo:poppler-utils mutool:mupdf-tools \
             taskset:util-linux qpdf
ensure_binary
make_workdir images
use_document "$@"
document_pages

# ----------------------------------------------------------- measuring ----
# measure NAME FILES CMD...: measure_runs (lib.sh) of CMD, with the output
# folder $work/out emptied before each run, checking that each run left FILES
# files there. Sets m_wall m_user m_sys (seconds, of the fastest run) and
# m_rss (KiB, the largest over the runs). A failing command or a wrong file
# count aborts the benchmark.
expected_files=0
count_files() {  # NAME RUN: the run must have left $expected_files files in $work/out
  local n
  n="$(find "$work/out" -maxdepth 1 -type f | wc -l)"
  if [ "$n" -ne "$expected_files" ]; then
    echo "$1 wrote $n files, expected $expected_files" >&2; exit 1
  fi
}
measure() {
  local name="$1"; expected_files="$2"; shift 2
  measure_runs "$name" reset_out count_files "$@"
  rm -rf "$work/out"
}

# write_job FILE PDF DPI
write_job() { write_images_job "$1" "$2" "$work/out/" "$3"; }

echo "quillonproxy page images: $bin"
echo "Document: $source_note"
echo "Pages:    $pages"
machine_line
echo "Versions: $(pdftoppm -v 2>&1 | head -n 1), mutool $(mutool -v 2>&1 | awk '{print $NF; exit}')"
echo

verdicts=()
for dpi in "${dpis[@]}"; do
  job="$work/job-$dpi.xml"
  write_job "$job" "$pdf" "$dpi"

  measure quillonproxy "$pages" "$bin" "$job"
  q_wall=$m_wall q_user=$m_user q_sys=$m_sys q_rss=$m_rss

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
# One run each, 150 dpi. The longer documents are made from the benchmark
# document itself:
#   repeated  qpdf --pages: the same pages again, sharing their fonts and
#             images, so only the page count grows;
#   copies    mutool merge: independent copies, each with its own fonts and
#             images, so the set of distinct resources grows as well.
# mutool draw (render only, into /dev/null) runs alongside as a reference for
# what MuPDF itself keeps per document.
echo "== Peak memory vs page count (150 dpi, one run each)"
echo "   Target: the peak memory should not grow with the page count."
slice_n=$(( pages < slice_pages ? pages : slice_pages ))
mutool merge -o "$work/slice.pdf" "$pdf" "1-$slice_n" 2>/dev/null
qpdf --empty --pages "$pdf" 1-z "$pdf" 1-z -- "$work/rep2.pdf"
qpdf --empty --pages "$pdf" 1-z "$pdf" 1-z "$pdf" 1-z "$pdf" 1-z -- "$work/rep4.pdf"
mutool merge -o "$work/copy4.pdf" "$pdf" "$pdf" "$pdf" "$pdf" 2>/dev/null

saved_runs=$runs; runs=1
printf '  %-46s %6s %10s %14s %14s\n' "document" "pages" "qp wall s" "qp peak MB" "mutool peak MB"
memory_row() {  # LABEL PDF  -> sets row_rss (quillonproxy peak, KiB)
  local n
  n="$(pdf_pages "$2")"
  write_job "$work/job-mem.xml" "$2" 150
  measure "quillonproxy ($1)" "$n" "$bin" "$work/job-mem.xml"
  local q_wall=$m_wall q_rss=$m_rss
  measure "mutool draw ($1)" 0 mutool draw -q -c rgb -r 150 -F pnm -o /dev/null "$2"
  printf '  %-46s %6s %10s %14s %14s\n' "$1" "$n" "$q_wall" "$(mb "$q_rss")" "$(mb "$m_rss")"
  row_rss=$q_rss
}
memory_row "first $slice_n pages" "$work/slice.pdf";          rss_slice=$row_rss
memory_row "whole document" "$pdf";                           rss_whole=$row_rss
memory_row "whole x2, pages repeated (shared resources)" "$work/rep2.pdf"; rss_rep2=$row_rss
memory_row "whole x4, pages repeated (shared resources)" "$work/rep4.pdf"; rss_rep4=$row_rss
memory_row "whole x4, copies (own fonts/images each)" "$work/copy4.pdf";   rss_copy4=$row_rss
runs=$saved_runs

echo "  quillonproxy peak relative to the whole document:"
echo "    first $slice_n pages $(ratio "$rss_slice" "$rss_whole"), x2 repeated $(ratio "$rss_rep2" "$rss_whole"), x4 repeated $(ratio "$rss_rep4" "$rss_whole"), x4 copies $(ratio "$rss_copy4" "$rss_whole")"
echo "  (decoded fonts and images are cached up to a fixed budget, so documents with"
echo "   many distinct resources rise towards that bound; compare the mutool column)"
# Flat means: going from twice to four times the pages (same resources) costs
# at most 10 % + 4 MB more peak memory.
if awk -v a="$rss_rep4" -v b="$rss_rep2" 'BEGIN { exit !(a <= b * 1.10 + 4096) }'; then
  verdicts+=("peak memory flat with page count: $(mb "$rss_rep2") MB at $((2 * pages)) pages, $(mb "$rss_rep4") MB at $((4 * pages)) pages  MET")
else
  verdicts+=("peak memory grows with page count: $(mb "$rss_rep2") MB at $((2 * pages)) pages, $(mb "$rss_rep4") MB at $((4 * pages)) pages  NOT MET")
fi
echo

echo "== Summary"
for v in "${verdicts[@]}"; do echo "  $v"; done
