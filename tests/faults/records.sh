#!/usr/bin/env bash
# Fault trial of the page records, run by hand (not by CI): a full disk and
# kill -9 during "recognizelinks" on a real publication, then a look at the
# records.
#
#   1. Full disk: the records live on a small tmpfs that a filler file leaves
#      a few kilobytes of; the job must fail with its message and leave every
#      record byte-identical and no temporary file.
#   2. kill -9: the job is killed at random moments of its save (after its
#      last progress line), KILLS times (100 by default); the next job must
#      find the killed job's links on every page or on none, never some.
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
leftovers() { ls -A "$out" | grep -c '^\.q[pr]-\|^\.qp-records-commit' || true; }
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

# ---- 2. kill -9 at random points of the save
# The save (staging every changed record, then the commit) starts after the last progress line;
# its length is measured on a whole run, and each trial kills the job at a random moment within
# it. The next job (a retry of the same recognition) completes a commit the killed job left, so
# every page holds the killed job's links either on every page or on none: each page with links
# holds them twice (the killed job committed) or once (it did not), never some pages one way
# and some the other.
per_page() { for f in "$out"Page_*.xml; do printf '%s %s\n' "$(basename "$f")" "$(grep -o '<link ' "$f" | wc -l)"; done | sort; }
restore
started=$(date +%s%N)
"$bin" "$recognize" > "$work/progress" &
pid=$!
while ! grep -q 'Progress 100' "$work/progress" 2>/dev/null; do sleep 0.001; done
searched=$(date +%s%N)
wait "$pid"
save_ms=$(( ($(date +%s%N) - searched) / 1000000 ))
once_pages="$(per_page)"
once="$(links)"
echo "One whole run adds $once links; it saves in $save_ms ms (search and save $(( ($(date +%s%N) - started) / 1000000 )) ms)."
kills="${KILLS:-100}"
half=0; committed=0; none=0; unreadable=0
for trial in $(seq 1 "$kills"); do
  restore
  delay_us=$(( RANDOM * 32768 + RANDOM ))
  delay_us=$(( delay_us % ((save_ms + 1) * 1000) ))
  "$bin" "$recognize" > "$work/progress" &
  pid=$!
  while ! grep -q 'Progress 100' "$work/progress" 2>/dev/null; do sleep 0.001; done
  sleep "$(printf '0.%06d' "$delay_us")"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  for f in "$out"Page_*.xml; do xmllint --noout "$f" 2>/dev/null || unreadable=$((unreadable + 1)); done
  "$bin" "$recognize" >/dev/null
  twice=0; single=0
  while read -r name n_once && read -r name_after n_after <&3; do
    [ "$n_once" -eq 0 ] && continue
    if [ "$n_after" -eq $((2 * n_once)) ]; then twice=$((twice + 1)); elif [ "$n_after" -eq "$n_once" ]; then single=$((single + 1)); else single=-100000; fi
  done < <(echo "$once_pages") 3< <(per_page)
  if [ "$twice" -gt 0 ] && [ "$single" -ne 0 ]; then half=$((half + 1)); elif [ "$single" -lt 0 ]; then half=$((half + 1));
  elif [ "$twice" -gt 0 ]; then committed=$((committed + 1)); else none=$((none + 1)); fi
done
echo "kill -9 at random points of the save, $kills trials: $half half-changed publications, $committed with the killed job's links on every page, $none with them on none; $unreadable records not well-formed; temporary files left after the retries: $(leftovers)"
[ "$half" -eq 0 ] && [ "$unreadable" -eq 0 ]
