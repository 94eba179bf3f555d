#!/usr/bin/env bash
# Publishes one PDF: runs every quillonproxy job in the order the outputs
# need, then copies the viewer in, so that OUTDIR/index.html served by any
# static file server is the publication.
#
# Usage: publish.sh PDF OUTDIR [--products REGEX [--product-url TEMPLATE]]
#                              [--expressions FILE] [--rtl]
#
#   --products REGEX      recognise product codes matching REGEX ("importproducts");
#                         TEMPLATE is their address, "$regresult" standing for the
#                         code (default: the code itself)
#   --expressions FILE    more link expressions for "recognizelinks": a file of
#                         expression elements as a job's <expresions> holds them,
#                         e.g. <e target="0" linktype="2" result="$regresult"
#                         description=""><regexp>(?&lt;=page )\d+</regexp></e>
#   --rtl                 right-to-left text in the index ("generatertloutput")
#
# Web and e-mail addresses in the text are always recognised, and the PDF's
# own links imported. Jobs, in order: createdocumentxml; createimages for
# thumbnails (the descriptor's thumbnail width), pages (72 dpi, the
# descriptor's sizes in points) and zoom images (144 dpi, its "hiimage"
# sizes); createpagesxml; recognizelinks; importproducts (with --products);
# createindex; createpageshtml; createseotext. One line per job with its
# time; the first failing job ends the run with its message and its status.
# The job files stay in OUTDIR/jobs/, one per run.
#
# Environment: QUILLONPROXY, the program (default: beside this script, then
# build/quillonproxy of the source tree, then the PATH).
set -euo pipefail

usage() {
  sed -n '/^# Usage:/,/^#   --rtl/s/^# \{0,1\}//p' "$0" >&2
  exit 2
}

script_dir="$(cd "$(dirname "$0")" && pwd)"

pdf="" out="" products="" product_url='$regresult' expressions_file="" rtl=0
while [ $# -gt 0 ]; do
  case "$1" in
    --products) [ $# -ge 2 ] || usage; products="$2"; shift 2 ;;
    --product-url) [ $# -ge 2 ] || usage; product_url="$2"; shift 2 ;;
    --expressions) [ $# -ge 2 ] || usage; expressions_file="$2"; shift 2 ;;
    --rtl) rtl=1; shift ;;
    -h|--help) usage ;;
    -*) echo "publish.sh: unknown option '$1'" >&2; usage ;;
    *)
      if [ -z "$pdf" ]; then pdf="$1"
      elif [ -z "$out" ]; then out="$1"
      else usage
      fi
      shift ;;
  esac
done
[ -n "$pdf" ] && [ -n "$out" ] || usage

# The program.
bin="${QUILLONPROXY:-}"
if [ -z "$bin" ]; then
  for candidate in "$script_dir/quillonproxy" "$script_dir/../build/quillonproxy"; do
    if [ -x "$candidate" ]; then bin="$candidate"; break; fi
  done
fi
[ -n "$bin" ] || bin="$(command -v quillonproxy || true)"
[ -n "$bin" ] && [ -x "$bin" ] || { echo "publish.sh: cannot find the quillonproxy program (set QUILLONPROXY)" >&2; exit 2; }

# The viewer: in the source tree, or where cmake --install puts it.
viewer=""
for candidate in "$script_dir/../viewer" "$script_dir/../share/quillonproxy/viewer"; do
  if [ -f "$candidate/index.html" ]; then viewer="$candidate"; break; fi
done
[ -n "$viewer" ] || { echo "publish.sh: cannot find the viewer (viewer/index.html)" >&2; exit 2; }

[ -f "$pdf" ] || { echo "publish.sh: no such file: $pdf" >&2; exit 2; }
if [ -n "$expressions_file" ] && [ ! -r "$expressions_file" ]; then
  echo "publish.sh: cannot read the expressions file: $expressions_file" >&2
  exit 2
fi
mkdir -p "$out"
pdf_path="$(cd "$(dirname "$pdf")" && pwd)/$(basename "$pdf")"
out_dir="$(cd "$out" && pwd)/"
jobs_dir="${out_dir}jobs/"
mkdir -p "$jobs_dir"
rm -f "$jobs_dir"*.xml

# xml TEXT: TEXT escaped for an XML element or attribute value.
xml() {
  local s="$1"
  # (An unescaped & in the replacement would stand for the match.)
  s="${s//&/\&amp;}"
  s="${s//</\&lt;}"
  s="${s//>/\&gt;}"
  s="${s//\"/\&quot;}"
  printf '%s' "$s"
}

# expression TARGET LINKTYPE RESULT REGEXP: one recognizelinks expression.
expression() {
  printf '<e target="%s" linktype="%s" result="%s" description=""><regexp>%s</regexp></e>' \
    "$1" "$2" "$(xml "$3")" "$(xml "$4")"
}

run_number=0
# run NAME LABEL PARAMETERS: writes the job file NN-NAME[-LABEL].xml and runs it.
run() {
  local name="$1" label="$2" parameters="$3"
  run_number=$((run_number + 1))
  local job
  job="$(printf '%s%02d-%s%s.xml' "$jobs_dir" "$run_number" "$name" "${label:+-$label}")"
  {
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<job name="%s">\n' "$name"
    printf '  <inputfile>%s</inputfile>\n  <outputdir>%s</outputdir>\n' \
      "$(xml "$pdf_path")" "$(xml "$out_dir")"
    printf '%s\n</job>\n' "$parameters"
  } > "$job"
  local started ended status=0 output warnings
  started="$(date +%s%N)"
  warnings="$(mktemp)"
  output="$("$bin" "$job" 2> "$warnings")" || status=$?
  ended="$(date +%s%N)"
  local seconds
  seconds="$(awk -v ns=$((ended - started)) 'BEGIN { printf "%.2f", ns / 1e9 }')"
  if [ "$status" -ne 0 ]; then
    printf '%-34s failed (status %d) after %s s\n' "$name${label:+ ($label)}" "$status" "$seconds" >&2
    [ -n "$output" ] && printf '%s\n' "$output" >&2
    sed 's/^/  /' "$warnings" >&2
    rm -f "$warnings"
    exit "$status"
  fi
  printf '%-34s %6s s\n' "$name${label:+ ($label)}" "$seconds"
  sed 's/^/  /' "$warnings"
  rm -f "$warnings"
}

docid="$(basename "$pdf_path")"
docid="${docid%.*}"
thumb_width=150

run createdocumentxml "" "  <version>1.0</version>
  <documentlang>en</documentlang>
  <thumbprefix>thumb</thumbprefix>
  <pagesprefix>page</pagesprefix>
  <zoomprefix>zoom</zoomprefix>
  <zoompostfix>jpg</zoompostfix>
  <docid>$(xml "$docid")</docid>
  <thumbwidth>$thumb_width</thumbwidth>
  <importbookmarks>true</importbookmarks>
  <importpagelabels>true</importpagelabels>"

image_job() {  # LABEL PREFIX RESOLUTION QUALITY [WIDTH]
  run createimages "$1" "  <prefix>$2</prefix>
  <resolution>$3</resolution>
  <headerresolution>$3</headerresolution>
  <quality>$4</quality>${5:+
  <width>$5</width>}"
}
image_job thumbnails thumb 72 75 "$thumb_width"
image_job pages page 72 80
image_job zoom zoom 144 85

run createpagesxml "" "  <importlinks>1</importlinks>"

links="$(expression 1 0 '$regresult' '\b(?:https?|ftp)://[^\s<>"]*[^\s<>".,;:!?()\[\]'"'"']')"
links+="$(expression 1 0 'http://$regresult' '(?<![/\w.@-])www\.[^\s<>"]*[^\s<>".,;:!?()\[\]'"'"']')"
links+="$(expression 1 1 'mailto:$regresult' '\b[A-Za-z0-9._%+-]+@[A-Za-z0-9-]+(?:\.[A-Za-z0-9-]+)*\.[A-Za-z]{2,}\b')"
if [ -n "$expressions_file" ]; then links+="$(cat "$expressions_file")"; fi
run recognizelinks "" "  <userange>0</userange>
  <importpdflinks>0</importpdflinks>
  <usebinarysearch>0</usebinarysearch>
  <expresions>$links</expresions>"

if [ -n "$products" ]; then
  run importproducts "" "  <userange>0</userange>
  <usebinarysearch>0</usebinarysearch>
  <expresions><p result=\"$(xml "$product_url")\" description=\"\"><regexp>$(xml "$products")</regexp></p></expresions>"
fi

run createindex "" "  <generatertloutput>$rtl</generatertloutput>"
run createpageshtml "" ""

# The title as the descriptor holds it (already escaped for XML), else the
# file name.
title="$(sed -n 's/^<doc [^>]*title="\([^"]*\)".*/\1/p' "${out_dir}document.xml" | head -n 1)"
[ -n "$title" ] || title="$(xml "$docid")"
run createseotext "" "  <title>$title</title>
  <maxlines>0</maxlines>
  <addcreatorlink>0</addcreatorlink>
  <creatorname>quillonproxy</creatorname>
  <creatorurl>index.html</creatorurl>"

cp -R "$viewer/." "$out_dir"
echo "Published $(basename "$pdf_path") into $out_dir; serve that folder and open index.html."
