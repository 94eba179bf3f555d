#!/usr/bin/env bash
# Page-image throughput, file size and peak memory of the "createimages" job on
# one core and on all of them, side by side with poppler and MuPDF's own
# command-line renderer:
#
#   quillonproxy, 1 worker     createimages, QUILLONPROXY_THREADS=1, pinned to core 0
#   quillonproxy, all cores    createimages, one worker per core (the default)
#   pdftoppm                   -cropbox -jpeg -jpegopt quality=80 -r DPI (one core; it
#                              has no threads)
#   mutool draw -T             all cores, banded, rendering only into /dev/null (no
#                              encoding, no files): MuPDF's own threaded floor
#
# at 72 and 150 dpi, quality 80, on the real-world corpus's performance document
# (../shared/corpus/pdfjs_freeculture.pdf, when present) and on a large Debian
# manual (gri.pdf, 285 pages of prose, code listings, vector and raster plots,
# from the gri-pdf-doc package, installed with apt when missing). Wall, user and
# system time and the peak resident set come from GNU time (/usr/bin/time -v);
# each measurement is taken BENCH_RUNS times (default 3), the fastest wall time
# shown with the largest peak RSS seen.
#
# Targets, on this machine's cores:
#   all cores take at most 0.2 of pdftoppm's wall time;
#   all cores are at least 1.7 times as fast as 1 worker;
#   the images take at most 1.0 of pdftoppm's bytes (same quality);
#   the peak memory of all cores is at most 1.5 times that of 1 worker.
# The second half checks that the peak memory does not grow with the page count
# (the same job on the first 20 pages, the whole document, and documents made of
# it two and four times over).
#
# Usage: bench/images.sh [PDF...]
#   With PDFs given, those documents instead of the two above.
#
# Environment: QUILLONPROXY (binary, default build/quillonproxy),
#              BENCH_RUNS (runs per measurement, default 3).
set -euo pipefail

# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
runs="${BENCH_RUNS:-3}"
dpis=(72 150)
cores="$(nproc)"
all_cpus="0-$((cores - 1))"
target_time=0.2
target_speedup=1.7
target_bytes=1.0
target_memory=1.5
slice_pages=20

ensure_tools pdftoppm:poppler-utils pdfinfo:poppler-utils mutool:mupdf-tools \
             taskset:util-linux qpdf
ensure_binary
make_workdir images

documents=()
if [ $# -gt 0 ]; then
  documents=("$@")
else
  corpus_pdf="$(dirname "$repo")/shared/corpus/pdfjs_freeculture.pdf"
  [ -r "$corpus_pdf" ] && documents+=("$corpus_pdf")
  use_document
  documents+=("$pdf")
fi

# ----------------------------------------------------------- measuring ----
# measure NAME FILES CPUS CMD...: measure_runs (lib.sh) of CMD on the cores
# CPUS, with the output folder $work/out emptied before each run, checking
# that each run left FILES files there (0: any). Sets m_wall m_user m_sys
# m_rss, and m_bytes (the bytes the last run wrote).
expected_files=0
m_bytes=0
count_files() {  # NAME RUN
  local n
  n="$(find "$work/out" -maxdepth 1 -type f | wc -l)"
  if [ "$expected_files" -gt 0 ] && [ "$n" -ne "$expected_files" ]; then
    echo "$1 wrote $n files, expected $expected_files" >&2; exit 1
  fi
  m_bytes="$(du -sb "$work/out" | cut -f1)"
}
measure() {
  local name="$1"; expected_files="$2"; bench_cpus="$3"; shift 3
  measure_runs "$name" reset_out count_files "$@"
  rm -rf "$work/out"
}

# write_job FILE PDF DPI
write_job() { write_images_job "$1" "$2" "$work/out/" "$3"; }

meets() {  # VALUE OP TARGET: exit status of VALUE OP TARGET (<= or >=)
  awk -v v="$1" -v t="$3" -v op="$2" 'BEGIN { exit !(op == "<=" ? v <= t : v >= t) }'
}
verdict() {  # TEXT VALUE OP TARGET
  if meets "$2" "$3" "$4"; then verdicts+=("$1 = $2 $3 $4  MET"); else verdicts+=("$1 = $2, target $3 $4  NOT MET"); fi
}

echo "quillonproxy page images: $bin"
echo "Machine:  $cores cores; 1 worker pinned to core 0, all cores on cores $all_cpus; $runs run(s) per measurement, fastest wall shown"
echo "Versions: $(pdftoppm -v 2>&1 | head -n 1), mutool $(mutool -v 2>&1 | awk '{print $NF; exit}')"
echo

verdicts=()
for pdf in "${documents[@]}"; do
  pages="$(pdf_pages "$pdf")"
  name="$(basename "$pdf")"
  for dpi in "${dpis[@]}"; do
    job="$work/job-$dpi.xml"
    write_job "$job" "$pdf" "$dpi"

    measure "quillonproxy, 1 worker" "$pages" 0 env QUILLONPROXY_THREADS=1 "$bin" "$job"
    one_wall=$m_wall one_user=$m_user one_sys=$m_sys one_rss=$m_rss one_bytes=$m_bytes
    measure "quillonproxy, all cores" "$pages" "$all_cpus" env -u QUILLONPROXY_THREADS "$bin" "$job"
    all_wall=$m_wall all_user=$m_user all_sys=$m_sys all_rss=$m_rss all_bytes=$m_bytes
    measure pdftoppm "$pages" 0 pdftoppm -cropbox -jpeg -jpegopt quality=80 -r "$dpi" "$pdf" "$work/out/p"
    pp_wall=$m_wall pp_user=$m_user pp_sys=$m_sys pp_rss=$m_rss pp_bytes=$m_bytes
    measure "mutool draw -T" 0 "$all_cpus" \
      mutool draw -q -c rgb -r "$dpi" -T "$cores" -B 2048 -F pnm -o /dev/null "$pdf"
    mu_wall=$m_wall mu_user=$m_user mu_sys=$m_sys mu_rss=$m_rss

    echo "== $name, $pages pages, $dpi dpi, quality 80"
    printf '  %-34s %8s %8s %8s %12s %12s\n' "" "wall s" "user s" "sys s" "peak RSS MB" "KB per page"
    row() { printf '  %-34s %8s %8s %8s %12s %12s\n' "$1" "$2" "$3" "$4" "$(mb "$5")" "$6"; }
    per_page() { awk -v b="$1" -v n="$pages" 'BEGIN { printf "%.1f", b / n / 1024 }'; }
    row "quillonproxy, 1 worker" "$one_wall" "$one_user" "$one_sys" "$one_rss" "$(per_page "$one_bytes")"
    row "quillonproxy, all cores" "$all_wall" "$all_user" "$all_sys" "$all_rss" "$(per_page "$all_bytes")"
    row "pdftoppm -jpeg" "$pp_wall" "$pp_user" "$pp_sys" "$pp_rss" "$(per_page "$pp_bytes")"
    row "mutool draw -T $cores (render only)" "$mu_wall" "$mu_user" "$mu_sys" "$mu_rss" "-"
    r_one="$(ratio "$one_wall" "$pp_wall")"
    r_all="$(ratio "$all_wall" "$pp_wall")"
    speedup="$(ratio "$one_wall" "$all_wall")"
    r_mutool="$(ratio "$all_wall" "$mu_wall")"
    r_bytes="$(awk -v a="$all_bytes" -v b="$pp_bytes" 'BEGIN { printf "%.3f", a / b }')"
    r_memory="$(ratio "$all_rss" "$one_rss")"
    same="$([ "$one_bytes" = "$all_bytes" ] && echo "the same" || echo "NOT the same")"
    echo "  time / pdftoppm:    1 worker $r_one, all cores $r_all (target: at most $target_time)"
    echo "  speed-up of all cores over 1 worker: $speedup (target: at least $target_speedup)"
    echo "  time / mutool draw -T $cores: $r_mutool"
    echo "  bytes / pdftoppm:   $r_bytes (target: at most $target_bytes); 1 worker and all cores wrote $same number of bytes"
    echo "  peak memory, all cores / 1 worker: $r_memory (target: at most $target_memory)"
    echo
    verdict "$name $dpi dpi: all cores / pdftoppm time" "$r_all" "<=" "$target_time"
    verdict "$name $dpi dpi: speed-up" "$speedup" ">=" "$target_speedup"
    verdict "$name $dpi dpi: bytes / pdftoppm" "$r_bytes" "<=" "$target_bytes"
    verdict "$name $dpi dpi: peak memory all cores / 1 worker" "$r_memory" "<=" "$target_memory"
  done
done

# ------------------------------------------------- memory vs page count ----
# One run each, 150 dpi, all cores, on the last document. The longer documents
# are made from it:
#   repeated  qpdf --pages: the same pages again, sharing their fonts and
#             images, so only the page count grows;
#   copies    mutool merge: independent copies, each with its own fonts and
#             images, so the set of distinct resources grows as well.
# mutool draw (render only, into /dev/null) runs alongside as a reference for
# what MuPDF itself keeps per document.
pages="$(pdf_pages "$pdf")"
echo "== Peak memory vs page count ($(basename "$pdf"), 150 dpi, all cores, one run each)"
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
  measure "quillonproxy ($1)" "$n" "$all_cpus" "$bin" "$work/job-mem.xml"
  local q_wall=$m_wall q_rss=$m_rss
  measure "mutool draw ($1)" 0 0 mutool draw -q -c rgb -r 150 -F pnm -o /dev/null "$2"
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
