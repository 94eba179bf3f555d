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
# Target: quillonproxy takes at most 0.7 x the pdftotext wall time.
#
# Usage: bench/text.sh [PDF]
#   With no argument the document is the real-world corpus's performance document,
#   ../shared/corpus/pdfjs_freeculture.pdf (352 pages).
#
# Environment: QUILLONPROXY (binary, default build/quillonproxy),
#              BENCH_RUNS (runs per measurement, default 5).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
repo="$(dirname "$here")"
bin="${QUILLONPROXY:-$repo/build/quillonproxy}"
runs="${BENCH_RUNS:-5}"
target_ratio=0.7
pdf="${1:-$(dirname "$repo")/shared/corpus/pdfjs_freeculture.pdf}"

[ -r "$pdf" ] || { echo "cannot read $pdf" >&2; exit 2; }

missing=()
[ -x /usr/bin/time ] || missing+=(time)
command -v pdftotext >/dev/null || missing+=(poppler-utils)
command -v pdfinfo >/dev/null || missing+=(poppler-utils)
command -v taskset >/dev/null || missing+=(util-linux)
if [ ${#missing[@]} -gt 0 ]; then
  mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  echo "Installing: ${missing[*]}" >&2
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

if [ ! -x "$bin" ]; then
  echo "Building quillonproxy ..." >&2
  "$repo/scripts/build.sh" >&2
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/qp-bench-text.XXXXXX")"
trap 'rm -rf "$work"' EXIT

pages="$(pdfinfo "$pdf" 2>/dev/null | awk '/^Pages:/ {print $2}')"
[ -n "$pages" ] && [ "$pages" -gt 0 ] || { echo "pdfinfo cannot read $pdf" >&2; exit 2; }

# measure NAME OUTPUT CMD...: runs CMD pinned to core 0 under GNU time, $runs times, with
# the output folder emptied before each run, and checks that each run produced OUTPUT.
# Sets m_wall m_user m_sys (seconds, of the fastest run) and m_rss (KiB, the largest).
measure() {
  local name="$1" output="$2"; shift 2
  local best_wall="" best_user="" best_sys="" max_rss=0 i log="$work/time.log"
  for ((i = 1; i <= runs; i++)); do
    rm -rf "$work/out"; mkdir -p "$work/out"
    if ! taskset -c 0 /usr/bin/time -v -o "$log" "$@" >"$work/cmd.out" 2>&1; then
      echo "$name failed:" >&2; tail -n 20 "$work/cmd.out" >&2; exit 1
    fi
    [ -s "$output" ] || { echo "$name did not write $output" >&2; exit 1; }
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
  m_wall="$best_wall"; m_user="$best_user"; m_sys="$best_sys"; m_rss="$max_rss"
}

xml_escape() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' <<<"$1"; }
cat >"$work/job.xml" <<EOF
<job name="createindex">
  <inputfile>$(xml_escape "$pdf")</inputfile>
  <outputdir>$(xml_escape "$work/out/")</outputdir>
</job>
EOF

mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }

echo "quillonproxy page text: $bin"
echo "Document: $pdf"
echo "Pages:    $pages"
echo "Machine:  $(nproc) cores, pinned to core 0; $runs run(s) per measurement, fastest wall shown"
echo "Versions: $(pdftotext -v 2>&1 | head -n 1)"
echo

measure quillonproxy "$work/out/DocumentIndex.xml" "$bin" "$work/job.xml"
q_wall=$m_wall q_user=$m_user q_sys=$m_sys q_rss=$m_rss
measure pdftotext "$work/out/text.txt" pdftotext -enc UTF-8 "$pdf" "$work/out/text.txt"
p_wall=$m_wall p_user=$m_user p_sys=$m_sys p_rss=$m_rss

r="$(ratio "$q_wall" "$p_wall")"
printf '  %-30s %8s %8s %8s %12s\n' "" "wall s" "user s" "sys s" "peak RSS MB"
printf '  %-30s %8s %8s %8s %12s\n' "quillonproxy createindex" "$q_wall" "$q_user" "$q_sys" "$(mb "$q_rss")"
printf '  %-30s %8s %8s %8s %12s\n' "pdftotext" "$p_wall" "$p_user" "$p_sys" "$(mb "$p_rss")"
echo "  ratio quillonproxy / pdftotext: $r   (target: at most $target_ratio)"
if awk -v r="$r" -v t="$target_ratio" 'BEGIN { exit !(r <= t) }'; then
  echo "  MET"
else
  echo "  NOT MET"
fi
