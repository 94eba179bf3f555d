#!/usr/bin/env bash
# A whole publication against the general PDF tools making the same assets: the 352-page book
# of the shared corpus published by scripts/publish.sh PDF OUTDIR (its default options), timed
# side by side with these peers run one after the other (a publication is one operation):
#
#   pdftoppm -cropbox -jpeg -jpegopt quality=75 -scale-to-x 150 -scale-to-y -1   thumbnails
#   pdftoppm -cropbox -jpeg -jpegopt quality=80 -r 72                             pages
#   pdftoppm -cropbox -jpeg -jpegopt quality=85 -r 144                            zoom images
#   pdftotext -layout                                                             text
#   pdftohtml -xml                                                                document XML
#
# (-cropbox: the visible box, as the publication's images; every page of the book has a
# CropBox smaller than its MediaBox.) pdftoppm has no threads: each peer uses one core, while
# the publication may use them all; nothing is pinned. Measured in two places: on disk (a
# folder in $TMPDIR or /tmp, or in the build folder when that is tmpfs) and on tmpfs
# (/dev/shm). Each run of either starts from an empty output folder after a sync; ours and
# the peers' runs alternate, so that other load on the machine meets both; the fastest wall
# time of each is shown, with the user plus system time of that run.
#
# Target: ours / peers wall time at most 0.25 in each place (MET or NOT MET).
#
# Usage: bench/publish.sh [PDF]   (default ../shared/corpus/pdfjs_freeculture.pdf; skipped,
#                                  status 0, when that is absent)
# Environment: QUILLONPROXY (the program, default build/quillonproxy),
#              BENCH_RUNS (runs in each place, default 3).
set -euo pipefail

# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
runs_wanted="${BENCH_RUNS:-3}"
target=0.25

if [ $# -ge 1 ]; then
  pdf="$1"
  [ -r "$pdf" ] || { echo "cannot read $pdf" >&2; exit 2; }
else
  pdf="$(dirname "$repo")/shared/corpus/pdfjs_freeculture.pdf"
  [ -r "$pdf" ] || { echo "skipped: $pdf is absent"; exit 0; }
fi
ensure_tools pdftoppm:poppler-utils pdftotext:poppler-utils pdftohtml:poppler-utils \
             pdfinfo:poppler-utils taskset:util-linux
ensure_binary
export QUILLONPROXY="$bin"
document_pages

# The places: disk and tmpfs, each with its own folder, both removed on exit.
disk_root="${TMPDIR:-/tmp}"
if [ "$(df --output=fstype "$disk_root" | tail -n 1)" = tmpfs ]; then disk_root="$repo/build"; fi
work="$(mktemp -d "$disk_root/qp-bench-publish.XXXXXX")"
shm="$(mktemp -d /dev/shm/qp-bench-publish.XXXXXX)"
trap 'rm -rf "$work" "$shm"' EXIT
places=("$work" "$shm")
bench_cpus="0-$(($(nproc) - 1))"

# The peers, one after the other, into OUTDIR.
peers() {  # PDF OUTDIR
  pdftoppm -cropbox -jpeg -jpegopt quality=75 -scale-to-x 150 -scale-to-y -1 "$1" "$2/thumb"
  pdftoppm -cropbox -jpeg -jpegopt quality=80 -r 72 "$1" "$2/page"
  pdftoppm -cropbox -jpeg -jpegopt quality=85 -r 144 "$1" "$2/zoom"
  pdftotext -layout "$1" "$2/text.txt"
  pdftohtml -xml -q "$1" "$2/document"
}
export -f peers

out=""
empty_out() { rm -rf "$out"; mkdir -p "$out"; sync; }
check_ours() { [ -s "$out/publication.json" ] || { echo "$1 wrote no publication.json" >&2; exit 1; }; }
check_peers() {
  local n
  n="$(find "$out" -maxdepth 1 -name 'zoom-*.jpg' | wc -l)"
  if [ "$n" -ne "$pages" ] || [ ! -s "$out/text.txt" ] || [ ! -s "$out/document.xml" ]; then
    echo "$1 wrote $n zoom images of $pages, or no text.txt or document.xml" >&2; exit 1
  fi
}

# keep SIDE PLACE: the last measurement as SIDE's (q or p) best in PLACE (0 or 1) when faster.
declare -A best_wall best_cpu
keep() {
  local key="$1$2"
  if [ -z "${best_wall[$key]:-}" ] || awk -v a="$m_wall" -v b="${best_wall[$key]}" 'BEGIN { exit !(a < b) }'; then
    best_wall[$key]="$m_wall"
    best_cpu[$key]="$(awk -v u="$m_user" -v s="$m_sys" 'BEGIN { printf "%.2f", u + s }')"
  fi
}

runs=1
for ((run = 1; run <= runs_wanted; run++)); do
  for p in 0 1; do
    out="${places[$p]}/out"
    measure_runs "scripts/publish.sh" empty_out check_ours "$repo/scripts/publish.sh" "$pdf" "$out"
    keep q "$p"
    # shellcheck disable=SC2016  # expanded by the inner bash
    measure_runs "peers" empty_out check_peers bash -c 'peers "$1" "$2"' _ "$pdf" "$out"
    keep p "$p"
  done
  rm -rf "${places[0]}/out" "${places[1]}/out"
done

echo "quillonproxy publication: $bin"
echo "Document: $pdf, $pages pages"
echo "Machine:  $(nproc) cores, nothing pinned (pdftoppm has no threads: the peers use one core);" \
     "$runs_wanted run(s) per place, ours and the peers' alternating, fastest wall shown"
echo "Versions: $(pdftoppm -v 2>&1 | head -n 1)"
echo "Peers, one after the other: pdftoppm thumbnails (150 px wide, quality 75), pages (72 dpi, 80)"
echo "          and zoom images (144 dpi, 85), -cropbox -jpeg; pdftotext -layout; pdftohtml -xml"
names=("disk" "tmpfs")
for p in 0 1; do
  r="$(ratio "${best_wall[q$p]}" "${best_wall[p$p]}")"
  echo
  echo "== ${names[$p]} (${places[$p]%/*}, $(df --output=fstype "${places[$p]}" | tail -n 1))"
  printf '  %-34s %8s %8s\n' "" "wall s" "cpu s"
  printf '  %-34s %8s %8s\n' "ours (scripts/publish.sh)" "${best_wall[q$p]}" "${best_cpu[q$p]}"
  printf '  %-34s %8s %8s\n' "peers (one after the other)" "${best_wall[p$p]}" "${best_cpu[p$p]}"
  if awk -v r="$r" -v t="$target" 'BEGIN { exit !(r <= t) }'; then verdict=MET; else verdict="NOT MET"; fi
  echo "  ratio ours / peers: $r   (target: at most $target)  $verdict"
done
