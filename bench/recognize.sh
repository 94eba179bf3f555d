#!/usr/bin/env bash
# Link recognition throughput: one "recognizelinks" job with 20 regular
# expressions over a whole document, side by side with poppler's text
# extraction of the same document:
#
#   quillonproxy  recognizelinks job, 20 expressions, every page
#   pdftotext     DOC /dev/null (text extraction only: the reference)
#
# Both pinned to one core (taskset -c 0). Wall, user and system time and the
# peak resident set come from GNU time (/usr/bin/time -v). Each measurement
# is taken BENCH_RUNS times (default 3); the fastest wall time is shown, with
# the largest peak RSS seen over the runs.
#
# The job appends <link> elements to the page records (Page_N.xml), so the
# descriptor and page records are made once, untimed, by "createdocumentxml"
# and "createpagesxml", kept as a pristine copy, and restored before every
# timed run. After each run the links in the page records are counted; every
# run must produce the same number.
#
# Target: quillonproxy takes at most 2.0 x the pdftotext wall time.
#
# Usage: bench/recognize.sh [PDF]
#   With no argument the document is the gri manual (gri.pdf, 285 pages of
#   prose, code listings and plots) from Debian's gri-pdf-doc package,
#   installed with apt when missing. Any other PDF can be given instead, e.g.
#   the real-world corpus's performance document:
#     bench/recognize.sh "$(dirname "$PWD")/shared/corpus/pdfjs_freeculture.pdf"
#
# Environment: QUILLONPROXY (binary, default build/quillonproxy),
#              BENCH_RUNS (runs per measurement, default 3).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
repo="$(dirname "$here")"
bin="${QUILLONPROXY:-$repo/build/quillonproxy}"
runs="${BENCH_RUNS:-3}"
target_ratio=2.0

# ---------------------------------------------------------------- tools ----
apt_install() {
  local sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  echo "Installing: $*" >&2
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@" >/dev/null \
    || { "${sudo_cmd[@]}" apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
         "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@" >/dev/null; }
}

missing=()
[ -x /usr/bin/time ] || missing+=(time)
command -v pdftotext >/dev/null || missing+=(poppler-utils)
command -v pdfinfo >/dev/null || missing+=(poppler-utils)
command -v taskset >/dev/null || missing+=(util-linux)
if [ ${#missing[@]} -gt 0 ]; then
  mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)
  apt_install "${missing[@]}"
fi

if [ ! -x "$bin" ]; then
  echo "Building quillonproxy ..." >&2
  "$repo/scripts/build.sh" >&2
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/qp-bench-recognize.XXXXXX")"
trap 'rm -rf "$work"' EXIT

# ------------------------------------------------------------- document ----
# gri-pdf-doc ships the manual gzip-compressed at this path.
gri_pdf_gz=/usr/share/doc/gri/gri.pdf.gz

if [ $# -ge 1 ]; then
  pdf="$1"
  [ -r "$pdf" ] || { echo "cannot read $pdf" >&2; exit 2; }
  source_note="$pdf"
else
  if [ ! -r "$gri_pdf_gz" ]; then
    apt_install gri-pdf-doc || true
  fi
  if [ ! -r "$gri_pdf_gz" ]; then
    # Installed without its doc files (dpkg path-exclude) or no root:
    # unpack the package into the work folder instead.
    (cd "$work" && apt-get download gri-pdf-doc >/dev/null 2>&1)
    dpkg-deb -x "$work"/gri-pdf-doc_*.deb "$work/deb"
    gri_pdf_gz="$work/deb/usr/share/doc/gri/gri.pdf.gz"
  fi
  pdf="$work/gri.pdf"
  gzip -dc "$gri_pdf_gz" > "$pdf"
  source_note="gri.pdf from Debian package gri-pdf-doc $(dpkg-query -W -f='${Version}' gri-pdf-doc 2>/dev/null || echo '(unpacked)')"
fi

pages="$(pdfinfo "$pdf" 2>/dev/null | awk '/^Pages:/ {print $2}')"
[ -n "$pages" ] && [ "$pages" -gt 0 ] || { echo "pdfinfo cannot read $pdf" >&2; exit 2; }

# ---------------------------------------------------------- expressions ----
# Twenty expressions of the kinds publications use: addresses, cross
# references, numbers with a shape, literal words, a case-insensitive word and
# a character-class alternation. PCRE2 syntax, written here unescaped.
expressions=(
  'https?://[A-Za-z0-9./_~%?=&#-]+'
  'www\.[A-Za-z0-9-]+(\.[A-Za-z0-9-]+)+'
  '[A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\.[A-Za-z]{2,}'
  '[Pp]age \d+'
  '[Ff]igure \d+'
  '[Tt]able \d+'
  '(19|20)\d\d'
  '[A-Z]{2,4}-\d{3,6}'
  '\d+\.\d+\.\d+'
  '[Ss]ection \d+(\.\d+)*'
  '[Cc]hapter \d+'
  'ISBN[ :]*[0-9X-]{10,17}'
  'Copyright'
  'example'
  'command'
  '(?i)license'
  '\b(?:colou?r|gr[ae]y)\b'
  '\$\d+(\.\d\d)?'
  '[A-Z][a-z]+ [A-Z][a-z]+ Press'
  '\b[A-Z]{3,}\b'
)

xml_escape() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' <<<"$1"; }
attr_escape() { xml_escape "$1" | sed -e 's/"/\&quot;/g'; }

out="$work/out/"

cat >"$work/descriptor.xml" <<EOF
<job name="createdocumentxml">
  <inputfile>$(xml_escape "$pdf")</inputfile>
  <outputdir>$(xml_escape "$out")</outputdir>
  <version>1</version>
  <documentlang>en</documentlang>
  <thumbprefix>t</thumbprefix>
  <pagesprefix>p</pagesprefix>
  <zoomprefix>z</zoomprefix>
  <zoompostfix>jpg</zoompostfix>
  <docid>d</docid>
  <importbookmarks>false</importbookmarks>
  <importpagelabels>false</importpagelabels>
</job>
EOF

cat >"$work/pages.xml" <<EOF
<job name="createpagesxml">
  <inputfile>$(xml_escape "$pdf")</inputfile>
  <outputdir>$(xml_escape "$out")</outputdir>
  <importlinks>0</importlinks>
</job>
EOF

# write_recognize_job FILE EXPRESSION...
write_recognize_job() {
  local file="$1"; shift
  {
    echo '<job name="recognizelinks">'
    echo "  <inputfile>$(xml_escape "$pdf")</inputfile>"
    echo "  <outputdir>$(xml_escape "$out")</outputdir>"
    echo '  <userange>0</userange>'
    echo '  <importpdflinks>0</importpdflinks>'
    echo '  <usebinarysearch>0</usebinarysearch>'
    echo '  <expresions>'
    local e
    for e in "$@"; do
      echo "    <e target=\"1\" linktype=\"0\" result=\"http://\$regresult\" description=\"$(attr_escape "$e")\"><regexp>$(xml_escape "$e")</regexp></e>"
    done
    echo '  </expresions>'
    echo '</job>'
  } >"$file"
}

write_recognize_job "$work/recognize.xml" "${expressions[@]}"

# ------------------------------------------------------- page records ----
# Made once, untimed; $work/pristine is restored into $out before each run.
mkdir -p "$out"
for j in descriptor pages; do
  if ! "$bin" "$work/$j.xml" >"$work/cmd.out" 2>&1; then
    echo "quillonproxy $j job failed:" >&2; tail -n 20 "$work/cmd.out" >&2; exit 1
  fi
done
records="$(find "$out" -maxdepth 1 -name 'Page_*.xml' | wc -l)"
[ "$records" -eq "$pages" ] || { echo "createpagesxml wrote $records page records, expected $pages" >&2; exit 1; }
cp -a "$out" "$work/pristine"

restore_records() { rm -rf "$out"; cp -a "$work/pristine" "$out"; }
count_links() { cat "$out"Page_*.xml | grep -o '<link ' | wc -l; }

# ----------------------------------------------------------- measuring ----
# measure NAME PREPARE CMD...: runs PREPARE (untimed), then CMD pinned to core
# 0 under GNU time, $runs times. Sets m_wall m_user m_sys (seconds, of the
# fastest run) and m_rss (KiB, the largest over the runs). A failing command
# aborts the benchmark. With PREPARE restore_records, the links written are
# counted after each run into m_links, which must agree between runs.
measure() {
  local name="$1" prepare="$2"; shift 2
  local best_wall="" best_user="" best_sys="" max_rss=0 i log links=""
  log="$work/time.log"
  for ((i = 1; i <= runs; i++)); do
    "$prepare"
    if ! taskset -c 0 /usr/bin/time -v -o "$log" "$@" >"$work/cmd.out" 2>&1; then
      echo "$name failed:" >&2; tail -n 20 "$work/cmd.out" >&2; exit 1
    fi
    if [ "$prepare" = restore_records ]; then
      local n
      n="$(count_links)"
      if [ -n "$links" ] && [ "$n" -ne "$links" ]; then
        echo "$name wrote $n links in run $i, $links before" >&2; exit 1
      fi
      links="$n"
    fi
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
  m_wall="$best_wall"; m_user="$best_user"; m_sys="$best_sys"; m_rss="$max_rss"; m_links="$links"
}

nothing() { :; }
mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }

echo "quillonproxy link recognition: $bin"
echo "Document: $source_note"
echo "Pages:    $pages"
echo "Machine:  $(nproc) cores, pinned to core 0; $runs run(s) per measurement, fastest wall shown"
echo "Versions: $(pdftotext -v 2>&1 | head -n 1)"
echo "Expressions (${#expressions[@]}):"
for e in "${expressions[@]}"; do echo "  $e"; done
echo

measure "quillonproxy recognizelinks" restore_records "$bin" "$work/recognize.xml"
q_wall=$m_wall q_user=$m_user q_sys=$m_sys q_rss=$m_rss q_links=$m_links

measure pdftotext nothing pdftotext "$pdf" /dev/null
p_wall=$m_wall p_user=$m_user p_sys=$m_sys p_rss=$m_rss

r="$(ratio "$q_wall" "$p_wall")"
echo "== ${#expressions[@]} expressions, $pages pages"
printf '  %-34s %8s %8s %8s %12s\n' "" "wall s" "user s" "sys s" "peak RSS MB"
printf '  %-34s %8s %8s %8s %12s\n' "quillonproxy recognizelinks" "$q_wall" "$q_user" "$q_sys" "$(mb "$q_rss")"
printf '  %-34s %8s %8s %8s %12s\n' "pdftotext" "$p_wall" "$p_user" "$p_sys" "$(mb "$p_rss")"
echo "  links produced: $q_links"
echo "  ratio quillonproxy / pdftotext: $r   (target: at most $target_ratio)"
echo
echo "== Summary"
if awk -v r="$r" -v t="$target_ratio" 'BEGIN { exit !(r != "n/a" && r <= t) }'; then
  echo "  recognizelinks: quillonproxy/pdftotext = $r <= $target_ratio  MET"
else
  echo "  recognizelinks: quillonproxy/pdftotext = $r > $target_ratio  NOT MET"
fi
