#!/usr/bin/env bash
# Time of the "createindex" job (the text of every page into DocumentIndex.xml), side by
# side with poppler's pdftotext on the same document:
#
#   quillonproxy  createindex job (reading-order text, hidden text removed, XML written)
#   pdftotext     -enc UTF-8 PDF OUT.txt (reading-order text, plain file)
#
# Both are pinned to one core (taskset -c 0). Wall, user and system time and the peak
# resident set come from GNU time (/usr/bin/time -v). Each measurement is taken BENCH_RUNS
# times (default 5); the fastest wall time is shown, with the largest peak RSS seen.
#
# Target: quillonproxy takes at most 0.5 x the pdftotext wall time.
#
# Usage: bench/text.sh [PDF]
#   With no argument the document is the real-world corpus's performance document,
#   ../shared/corpus/pdfjs_freeculture.pdf (352 pages).
#
# Environment: QUILLONPROXY (binary, default build/quillonproxy),
#              BENCH_RUNS (runs per measurement, default 5).
set -euo pipefail

# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
runs="${BENCH_RUNS:-5}"
target_ratio=0.5
pdf="${1:-$(dirname "$repo")/shared/corpus/pdfjs_freeculture.pdf}"

[ -r "$pdf" ] || { echo "cannot read $pdf" >&2; exit 2; }

ensure_tools pdftotext:poppler-utils pdfinfo:poppler-utils taskset:util-linux
ensure_binary
make_workdir text
document_pages


cat >"$work/job.xml" <<EOF
<job name="createindex">
  <inputfile>$(xml_escape "$pdf")</inputfile>
  <outputdir>$(xml_escape "$work/out/")</outputdir>
</job>
EOF

echo "quillonproxy page text: $bin"
echo "Document: $pdf"
echo "Pages:    $pages"
machine_line
echo "Versions: $(pdftotext -v 2>&1 | head -n 1)"
echo

measure_written quillonproxy "$work/out/DocumentIndex.xml" "$bin" "$work/job.xml"
save_q
measure_written pdftotext "$work/out/text.txt" pdftotext -enc UTF-8 "$pdf" "$work/out/text.txt"
save_p
report_ratio "quillonproxy createindex" "pdftotext" "$target_ratio"
