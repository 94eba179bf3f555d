#!/usr/bin/env bash
# Fault trial of the page records, run by hand (not by CI): a full disk and
# kill -9 during "recognizelinks" on a real publication, then a look at the
# records.
#
#   1. Full disk: the records live on a small tmpfs that a filler file leaves
#      a few kilobytes of; the job must fail with its message and leave every
#      record byte-identical and no temporary file.
#   2. kill -9: the job is killed at delays from 0 to 40 ms after its search
#      has ended (its last progress line), that is during its save; every
#      record must then be either as before or as the job leaves it whole,
#      never cut, and a second run must add each link once more, no more.
#
# Needs root (to mount the tmpfs) and the build (scripts/build.sh).
# Usage: tests/faults/records.sh [PDF]   (default: the corpus's freeculture)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
bin="${QUILLONPROXY:-$repo/build/quillonproxy}"
pdf="${1:-$(dirname "$repo")/shared/corpus/pdfjs_freeculture.pdf}"
[ -f "$pdf" ] || { echo "no PDF at $pdf" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "needs root to mount a tmpfs" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/qp-faults.XXXXXX")"
mnt="$work/mnt"
mkdir -p "$mnt"
cleanup() { umount "$mnt" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
mount -t tmpfs -o size=64m tmpfs "$mnt"
out="$mnt/pub/"
mkdir -p "$out"

job() {  # NAME BODY
  printf '<job name="%s"><inputfile>%s</inputfile><outputdir>%s</outputdir>%s</job>\n' \
    "$1" "$pdf" "$out" "$2" > "$work/$1.xml"
  echo "$work/$1.xml"
}
"$bin" "$(job createdocumentxml '<version>1</version><documentlang>en</documentlang><thumbprefix>t</thumbprefix><pagesprefix>p</pagesprefix><zoomprefix>z</zoomprefix><zoompostfix>jpg</zoompostfix><docid>d</docid><importbookmarks>false</importbookmarks><importpagelabels>false</importpagelabels>')" >/dev/null
"$bin" "$(job createpagesxml '<importlinks>0</importlinks>')" >/dev/null
recognize="$(job recognizelinks '<userange>0</userange><importpdflinks>0</importpdflinks><usebinarysearch>0</usebinarysearch><expresions><e target="1" linktype="0" result="$regresult" description=""><regexp>\b(the|of|and)\b</regexp></e></expresions>')"
records=$(ls "$out" | grep -c '^Page_.*\.xml$')
snapshot() { (cd "$out" && md5sum Page_*.xml | sort); }
links() { cat "$out"Page_*.xml | grep -c '<link ' || true; }
leftovers() { ls -A "$out" | grep -c '^\.qp-' || true; }
pristine="$(snapshot)"
cp -a "$out" "$work/pristine"
restore() { rm -rf "$out"; cp -a "$work/pristine" "$out"; }
echo "Publication: $pdf ($records page records)"

# ---- 1. full disk
free_kb=$(df -k --output=avail "$mnt" | tail -n 1)
dd if=/dev/zero of="$mnt/filler" bs=1k count=$((free_kb - 64)) status=none 2>/dev/null || true
set +e
"$bin" "$recognize" > "$work/full.out"
status=$?
set -e
rm -f "$mnt/filler"
changed=$(diff <(echo "$pristine") <(snapshot) | grep -c '^>' || true)
echo "Full disk: status $status, last line: $(tail -n 1 "$work/full.out")"
echo "  records changed: $changed of $records; temporary files left: $(leftovers)"

# ---- 2. kill -9 during the save
"$bin" "$recognize" >/dev/null
once="$(links)"
echo "One whole run adds $once links."
for delay in 0 0.005 0.01 0.02 0.04 0.08; do
  restore
  "$bin" "$recognize" > "$work/progress" &
  pid=$!
  while ! grep -q 'Progress 100' "$work/progress" 2>/dev/null; do sleep 0.001; done
  sleep "$delay"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  now="$(snapshot)"
  partial=0
  for f in "$out"Page_*.xml; do xmllint --noout "$f" 2>/dev/null || partial=$((partial + 1)); done
  changed=$(diff <(echo "$pristine") <(echo "$now") | grep -c '^>' || true)
  after_kill="$(links)"
  "$bin" "$recognize" >/dev/null
  after_retry="$(links)"
  echo "kill -9 ${delay}s after the search: $changed of $records records changed, $partial not well-formed, temporary files left $(leftovers); links $after_kill, after a retry $after_retry (a whole run adds $once)"
done
