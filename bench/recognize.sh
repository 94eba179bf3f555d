#!/usr/bin/env bash
# Link recognition throughput: "recognizelinks" jobs with 20 regular
# expressions over a whole document, side by side with poppler's text
# extraction of the same document:
#
#   quillonproxy  recognizelinks job, 20 expressions of the kinds publications
#                 use, every page
#   quillonproxy  recognizelinks job, 20 expressions that match almost
#                 everywhere (the ten commonest English words as whole words,
#                 runs of 1 to 10 digits): tens of thousands of links, so
#                 locating each match must not cost the length of its page
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
# Targets: quillonproxy takes at most 1.0 x the pdftotext wall time with the
# first set, at most 1.5 x with the second.
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

# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
runs="${BENCH_RUNS:-3}"
target_ratio=1.0
many_target_ratio=1.5

ensure_tools pdftotext:poppler-utils pdfinfo:poppler-utils taskset:util-linux
ensure_binary
make_workdir recognize
use_document "$@"
document_pages

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

# Twenty expressions that find nearly everything.
many_expressions=(
  '\bthe\b' '\bof\b' '\band\b' '\bto\b' '\ba\b' '\bin\b' '\bis\b' '\byou\b' '\bthat\b' '\bit\b'
  '\d' '\d{2}' '\d{3}' '\d{4}' '\d{5}' '\d{6}' '\d{7}' '\d{8}' '\d{9}' '\d{10}'
)

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
write_recognize_job "$work/many.xml" "${many_expressions[@]}"

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
# Measured with measure_runs (lib.sh): the timed recognizelinks runs start
# from restored page records, and after each the links written are counted
# into m_links, which must agree between runs.
check_links() {  # NAME RUN
  local n
  n="$(count_links)"
  if [ -n "$m_links" ] && [ "$n" -ne "$m_links" ]; then
    echo "$1 wrote $n links in run $2, $m_links before" >&2; exit 1
  fi
  m_links="$n"
}

echo "quillonproxy link recognition: $bin"
echo "Document: $source_note"
echo "Pages:    $pages"
machine_line
echo "Versions: $(pdftotext -v 2>&1 | head -n 1)"
echo "Expressions (${#expressions[@]}):"
for e in "${expressions[@]}"; do echo "  $e"; done
echo

m_links=""
measure_runs "quillonproxy recognizelinks" restore_records check_links "$bin" "$work/recognize.xml"
q_wall=$m_wall q_user=$m_user q_sys=$m_sys q_rss=$m_rss q_links=$m_links

m_links=""
measure_runs "quillonproxy recognizelinks, many" restore_records check_links "$bin" "$work/many.xml"
n_wall=$m_wall n_user=$m_user n_sys=$m_sys n_rss=$m_rss n_links=$m_links

measure_runs pdftotext : : pdftotext "$pdf" /dev/null
p_wall=$m_wall p_user=$m_user p_sys=$m_sys p_rss=$m_rss

r="$(ratio "$q_wall" "$p_wall")"
n_r="$(ratio "$n_wall" "$p_wall")"
row() { printf '  %-34s %8s %8s %8s %12s\n' "$@"; }
echo "== ${#expressions[@]} + ${#many_expressions[@]} expressions, $pages pages"
row "" "wall s" "user s" "sys s" "peak RSS MB"
row "quillonproxy recognizelinks" "$q_wall" "$q_user" "$q_sys" "$(mb "$q_rss")"
row "quillonproxy recognizelinks, many" "$n_wall" "$n_user" "$n_sys" "$(mb "$n_rss")"
row "pdftotext" "$p_wall" "$p_user" "$p_sys" "$(mb "$p_rss")"
echo "  links produced: $q_links (publication expressions), $n_links (many)"
echo "  ratio quillonproxy / pdftotext: $r (target: at most $target_ratio), many: $n_r (target: at most $many_target_ratio)"
echo
echo "== Summary"
verdict() {  # NAME RATIO TARGET
  if awk -v r="$2" -v t="$3" 'BEGIN { exit !(r != "n/a" && r <= t) }'; then
    echo "  $1: quillonproxy/pdftotext = $2 <= $3  MET"
  else
    echo "  $1: quillonproxy/pdftotext = $2 > $3  NOT MET"
  fi
}
verdict "recognizelinks" "$r" "$target_ratio"
verdict "recognizelinks, many links" "$n_r" "$many_target_ratio"
