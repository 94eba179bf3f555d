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

measure_written quillonproxy "$work/out/Text_$pages.json" "$bin" "$work/job.xml"
save_q
measure_written pdftotext "$work/out/words.html" pdftotext -bbox -enc UTF-8 "$pdf" "$work/out/words.html"
save_p
report_ratio "quillonproxy createtextlayer" "pdftotext -bbox" "$target_ratio"
