#!/usr/bin/env bash
# Time of the "createtextlayer" job (Text_N.json: every page's lines with the box of every
# word on the shown page), side by side with one pass of poppler's pdftotext -bbox (every
# word with its box, one HTML file) on the same document:
#
#   quillonproxy  createtextlayer job (reading-order lines, word boxes from the glyph quads,
#                 one JSON file per page, each flushed to the disk and renamed into place)
#   pdftotext     -bbox -enc UTF-8 PDF OUT.html
#
# Both are pinned to one core (taskset -c 0). Wall, user and system time and the peak
# resident set come from GNU time (/usr/bin/time -v). Each measurement is taken BENCH_RUNS
# times (default 5); the fastest wall time is shown, with the largest peak RSS seen.
#
# Target: quillonproxy takes at most 0.6 x the pdftotext wall time.
#
# The job creates one file per page, pdftotext one file: on ext4 without a journal (some
# virtual machines' disks) every new inode is checked against the inodes deleted in the last
# minutes, so after many runs that delete their outputs the system time of the job grows with
# them (0.01 s on a fresh disk or tmpfs, 0.1 s after a few thousand deletions). The report
# names the output folder's file system; TMPDIR=/dev/shm measures without the disk.
#
# Usage: bench/textlayer.sh [PDF]
#   With no argument the document is the real-world corpus's performance document,
#   ../shared/corpus/pdfjs_freeculture.pdf (352 pages).
#
# Environment: QUILLONPROXY (binary, default build/quillonproxy),
#              BENCH_RUNS (runs per measurement, default 5).
set -euo pipefail

# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
runs="${BENCH_RUNS:-5}"
target_ratio=0.6
pdf="${1:-$(dirname "$repo")/shared/corpus/pdfjs_freeculture.pdf}"

[ -r "$pdf" ] || { echo "cannot read $pdf" >&2; exit 2; }

ensure_tools pdftotext:poppler-utils pdfinfo:poppler-utils taskset:util-linux
ensure_binary
make_workdir textlayer
document_pages

# Each run must have written its output: the last page's file, or pdftotext's.
expected_output=""
check_output() {  # NAME RUN
  [ -s "$expected_output" ] || { echo "$1 did not write $expected_output" >&2; exit 1; }
}
measure() {  # NAME OUTPUT CMD...
  local name="$1"; expected_output="$2"; shift 2
  measure_runs "$name" reset_out check_output "$@"
}

cat >"$work/job.xml" <<EOF
<job name="createtextlayer">
  <inputfile>$(xml_escape "$pdf")</inputfile>
  <outputdir>$(xml_escape "$work/out/")</outputdir>
</job>
EOF

echo "quillonproxy text layer: $bin"
echo "Document: $pdf"
echo "Pages:    $pages"
machine_line
echo "Versions: $(pdftotext -v 2>&1 | head -n 1)"
echo "Output:   $work ($(stat -f -c %T "$work"))"
echo

measure quillonproxy "$work/out/Text_$pages.json" "$bin" "$work/job.xml"
q_wall=$m_wall q_user=$m_user q_sys=$m_sys q_rss=$m_rss
measure pdftotext "$work/out/words.html" pdftotext -bbox -enc UTF-8 "$pdf" "$work/out/words.html"
p_wall=$m_wall p_user=$m_user p_sys=$m_sys p_rss=$m_rss

r="$(ratio "$q_wall" "$p_wall")"
printf '  %-30s %8s %8s %8s %12s\n' "" "wall s" "user s" "sys s" "peak RSS MB"
printf '  %-30s %8s %8s %8s %12s\n' "quillonproxy createtextlayer" "$q_wall" "$q_user" "$q_sys" "$(mb "$q_rss")"
printf '  %-30s %8s %8s %8s %12s\n' "pdftotext -bbox" "$p_wall" "$p_user" "$p_sys" "$(mb "$p_rss")"
echo "  ratio quillonproxy / pdftotext: $r   (target: at most $target_ratio)"
if awk -v r="$r" -v t="$target_ratio" 'BEGIN { exit !(r <= t) }'; then
  echo "  MET"
else
  echo "  NOT MET"
fi
