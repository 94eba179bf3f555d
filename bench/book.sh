#!/usr/bin/env bash
# A publication's cost per page on a long book against a short one: the 352-page book of the
# shared corpus, and the same book 29 times over (10,208 pages, one flat page tree, made with
# "mutool merge"), each published with scripts/publish.sh three times after a sync, the
# fastest kept. Prints the publication's time per page on both and their ratio, and the size of
# the search text's first part.
#
# Checks (exit status 1 when one fails): the publication costs at most 1.2 times per page on the
# long book what it costs on the short one (under 0.05 s on the short book it is compared
# against 0.05 s: its time there is mostly starting up), and the first part of the search
# text, what a reader's first search fetches, is at most 256 KB; the first result of a search
# for "culture" shows within 2 s of Enter on the long book.
#
# Usage: bench/book.sh        (QUILLONPROXY overrides the binary; takes some 12 minutes)
# Needs ../shared/corpus/pdfjs_freeculture.pdf, mutool and the browser tests' npm packages.
set -euo pipefail

# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
ensure_tools mutool:mupdf-tools jq
ensure_binary
make_workdir book
short="$(dirname "$repo")/shared/corpus/pdfjs_freeculture.pdf"
[ -r "$short" ] || { echo "cannot read $short" >&2; exit 2; }
copies=()
for _ in $(seq 29); do copies+=("$short"); done
mutool merge -o "$work/long.pdf" "${copies[@]}" 2>/dev/null

# publication_time PDF OUTDIR LOG: the whole publication of PDF into OUTDIR, made $runs times
# after a sync, "publication  SECONDS" of the fastest.
runs=3
publication_time() {
  local run fastest=""
  for run in $(seq "$runs"); do
    sync
    /usr/bin/time -f "%e" -o "$work/time" env QUILLONPROXY="$bin" "$repo/scripts/publish.sh" \
      --quiet "$1" "$2" >/dev/null
    if [ -z "$fastest" ] || awk -v a="$(cat "$work/time")" -v b="$fastest" 'BEGIN { exit !(a < b) }'; then
      fastest="$(cat "$work/time")"
    fi
  done
  printf 'publication  %s s\n' "$fastest" >"$3"
}
publication_time "$short" "$work/short" "$work/short.log"
publication_time "$work/long.pdf" "$work/long" "$work/long.log"
short_pages=352
long_pages=$((short_pages * 29))

echo "Machine:  $(nproc) cores; each job run $runs times, the fastest shown"
failures=0
printf '%-28s %12s %12s %7s\n' job "ms/page 352" "ms/page 10k" ratio
while IFS= read -r line; do
  job="${line%%  *}"
  short_s="$(awk '{print $(NF-1)}' <<<"$line")"
  long_s="$(grep -F -- "$job  " "$work/long.log" | awk '{print $(NF-1)}')"
  read -r per_short per_long ratio ok < <(awk -v s="$short_s" -v l="$long_s" -v sp="$short_pages" -v lp="$long_pages" 'BEGIN {
    floor = (s < 0.05) ? 0.05 : s
    r = (l / lp) / (floor / sp)
    printf "%.3f %.3f %.2f %d\n", 1000 * s / sp, 1000 * l / lp, r, (r <= 1.2) }')
  printf '%-28s %12s %12s %7s%s\n' "$job" "$per_short" "$per_long" "$ratio" "$([ "$ok" = 1 ] || echo '  over 1.2')"
  [ "$ok" = 1 ] || failures=$((failures + 1))
done <"$work/short.log"
first_part="$(stat -c %s "$work/long/search-1.json")"
echo "search text: $(ls "$work/long"/search-*.json | wc -l) parts; the first $first_part bytes"
[ "$first_part" -le 262144 ] || { echo "  first part over 256 KB"; failures=$((failures + 1)); }
first_search="$(node "$repo/bench/first-search.mjs" "$work/long" culture)"
echo "first search on the long book: $first_search"
ms="$(sed -n 's/^first result after \([0-9]*\) ms.*/\1/p' <<<"$first_search")"
[ -n "$ms" ] && [ "$ms" -le 2000 ] || { echo "  first result not within 2 s"; failures=$((failures + 1)); }
if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
