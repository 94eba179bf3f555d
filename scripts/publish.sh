#!/usr/bin/env bash
# Publishes one PDF: the program's "createpublication" operation writes every output of the
# publication (each page read once) and the viewer beside it, builds it beside OUTDIR and swaps
# it in whole, so that OUTDIR/index.html served by any static file server is the publication.
#
# Usage: publish.sh PDF OUTDIR [--products REGEX [--product-url TEMPLATE]]
#                              [--expressions FILE] [--lang LANG] [--rtl]
#                              [--with-pdf] [--no-tiles] [--pages N[-M]] [--quiet]
#        (options may come before or after PDF and OUTDIR; after "--" every
#        argument is PDF or OUTDIR, so "publish.sh -- -x.pdf out" publishes -x.pdf)
#
#   --products REGEX      recognise product codes matching REGEX; TEMPLATE is their
#                         address, "$regresult" standing for the code (default: the
#                         code itself)
#   --expressions FILE    more link expressions: a file of expression elements as a
#                         job's <expresions> holds them, e.g. <e target="0" linktype="2"
#                         result="$regresult" description=""><regexp>(?&lt;=page
#                         )\d+</regexp></e> (copied into the job as it is, so read like
#                         any job file: write &#32; for a space that must stay)
#   --lang LANG           the publication's language, a tag such as en, ar or pt-BR
#                         (the document's text in the viewer; default en)
#   --with-pdf            offer the original PDF for download: a copy of it as
#                         OUTDIR/document.pdf, named in publication.json
#   --no-tiles            no sharp zoom tiles (OUTDIR/tiles/: each page drawn again at
#                         324, 576 and 922 dpi in tiles, for a viewer zoomed in on a
#                         dense screen; about ten times the images' bytes and time)
#   --rtl                 a book read from right to left: the index in visual
#                         order, and in the viewer a spread's first page on the
#                         right, arrow keys and swipes turning the way it reads
#   --pages N[-M]         publish pages N to M again, into the publication OUTDIR
#                         holds, for a PDF that changed only there: their images,
#                         records and text, with the index, search text and SEO text;
#                         refused when the page count or sizes changed
#   --quiet               no progress lines
#
# Web and e-mail addresses in the text are always recognised, and the PDF's own links
# imported. docs/jobs.md ("createpublication") lists what the folder then holds. Nothing of
# the publish is ever inside OUTDIR: the job file is a temporary file elsewhere, the stage is
# the folder ".OUTDIR.stage-XXXXXX" beside it, the lock ".OUTDIR.lock". A reader of OUTDIR
# sees the old publication or the new one, and a publish that fails leaves the old one.
#
# Progress goes to standard error; standard output gets one line when the publish is done.
# Status: 0 published; 2 wrong arguments or a name a job file cannot hold (control
# characters, bytes that are not UTF-8), before anything is written; 75 another publish of
# OUTDIR is running (it is left undisturbed); else the program's status, with its message.
#
# Needs bash, coreutils, awk and iconv (any Debian base system) and the program. Environment:
# QUILLONPROXY, the program (default:
# beside this script, then build/quillonproxy of the source tree, then the PATH);
# QUILLONPROXY_SEARCH_PART_BYTES, the most bytes of a part of the search text (default
# 131072).
set -euo pipefail
unset CDPATH

usage() {
  sed -n '/^# Usage:/,/^#   --quiet/s/^# \{0,1\}//p' "$0" >&2
  exit 2
}

script_dir="$(cd "$(dirname "$0")" && pwd)"

pdf="" out="" products="" product_url='$regresult' expressions_file="" rtl=0 lang=en with_pdf=0 no_tiles=0
pages="" quiet=0
options=1
while [ $# -gt 0 ]; do
  case "$options:$1" in
    1:--) options=0; shift; continue ;;
    0:*) ;;
    1:--products) [ $# -ge 2 ] || usage; products="$2"; shift 2; continue ;;
    1:--product-url) [ $# -ge 2 ] || usage; product_url="$2"; shift 2; continue ;;
    1:--expressions) [ $# -ge 2 ] || usage; expressions_file="$2"; shift 2; continue ;;
    1:--lang) [ $# -ge 2 ] || usage; lang="$2"; shift 2; continue ;;
    1:--rtl) rtl=1; shift; continue ;;
    1:--with-pdf) with_pdf=1; shift; continue ;;
    1:--no-tiles) no_tiles=1; shift; continue ;;
    1:--pages) [ $# -ge 2 ] || usage; pages="$2"; shift 2; continue ;;
    1:--quiet) quiet=1; shift; continue ;;
    1:-h|1:--help) usage ;;
    1:-*) echo "publish.sh: unknown option '$1'" >&2; usage ;;
  esac
  if [ -z "$pdf" ]; then pdf="$1"
  elif [ -z "$out" ]; then out="$1"
  else usage
  fi
  shift
done
[ -n "$pdf" ] && [ -n "$out" ] || usage
# A name that starts with "-" is no option to the tools it is handed to either.
case "$pdf" in -*) pdf="./$pdf" ;; esac
case "$out" in -*) out="./$out" ;; esac

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
# A language tag (BCP 47's letters, digits and hyphens): it goes into a job file and the
# viewer's page as it is.
if ! [[ "$lang" =~ ^[A-Za-z]{2,8}(-[A-Za-z0-9]{1,8})*$ ]]; then
  echo "publish.sh: --lang takes a language tag such as en, ar or pt-BR, not $(printf '%q' "$lang")" >&2
  exit 2
fi


# xml MODE TEXT: TEXT as the program's job-file reader (TinyXML) gives it back
# exactly. Markup characters are escaped. The reader condenses white space in
# element text (leading and trailing white space dropped, runs made one
# space) but not inside character references, so every tab, line feed and
# carriage return, and every space that is leading, trailing or next to other
# white space, is written as one; a lone space between other characters stays
# as it is. In MODE "text" (element text), a text of white space alone, which
# the reader would drop even as references, is written as CDATA. Linear in
# TEXT (awk on bytes: UTF-8 sequences pass through untouched).
xml() {
  XML_MODE="$1" XML_TEXT="$2" LC_ALL=C awk 'BEGIN {
    s = ENVIRON["XML_TEXT"]; n = length(s); white = "^[ \t\n\r\v\f]$"
    if (ENVIRON["XML_MODE"] == "text" && s ~ /^[ \t\n\r\v\f]+$/) {
      printf "<![CDATA[%s]]>", s; exit
    }
    for (i = 1; i <= n; i++) {
      c = substr(s, i, 1)
      if (c == "&") c = "&amp;"
      else if (c == "<") c = "&lt;"
      else if (c == ">") c = "&gt;"
      else if (c == "\"") c = "&quot;"
      else if (c == "\047") c = "&apos;"
      else if (c == "\t") c = "&#9;"
      else if (c == "\n") c = "&#10;"
      else if (c == "\r") c = "&#13;"
      else if (c == " " && (i == 1 || i == n || substr(s, i - 1, 1) ~ white ||
                            substr(s, i + 1, 1) ~ white)) c = "&#32;"
      printf "%s", c
    }
  }'
}

# shown TEXT: TEXT for a one-line message (quoted as bash quotes it when it
# holds control characters such as line feeds).
shown() {
  if [[ "$1" == *[[:cntrl:]]* ]]; then printf '%q' "$1"; else printf '%s' "$1"; fi
}

# absolute_dir VAR DIR: sets VAR to the absolute path of the folder DIR with a
# trailing "/" (kept whole: a command substitution alone would drop line feeds
# that end the name).
absolute_dir() {
  local dir="$2" absolute
  case "$dir" in /*) ;; *) dir="./$dir" ;; esac
  absolute="$(cd -- "$dir" && printf '%s/' "${PWD%/}")" || exit 2
  printf -v "$1" '%s' "$absolute"
}

# expression TARGET LINKTYPE RESULT REGEXP: one link expression.
expression() {
  printf '<e target="%s" linktype="%s" result="%s" description=""><regexp>%s</regexp></e>' \
    "$1" "$2" "$(xml attribute "$3")" "$(xml text "$4")"
}

# refuse_unheld TEXT: stops the run, before anything is written, when TEXT is not what a job
# file can carry: UTF-8 without control characters (tab, line feed and carriage return aside).
refuse_unheld() {
  if [[ "$1" == *[$'\001'-$'\010'$'\013'$'\014'$'\016'-$'\037'$'\177']* ]] ||
     ! printf '%s' "$1" | iconv -f UTF-8 -t UTF-8 >/dev/null 2>&1; then
    echo "publish.sh: a job file cannot hold $(shown "$1") exactly (XML holds UTF-8 text" \
      "without control characters)" >&2
    exit 2
  fi
}

[ -f "$pdf" ] || { echo "publish.sh: no such file: $(shown "$pdf")" >&2; exit 2; }
range=""
if [ -n "$pages" ]; then
  if ! [[ "$pages" =~ ^([0-9]{1,9})(-([0-9]{1,9}))?$ ]]; then
    echo "publish.sh: --pages takes a page or a range of pages such as 12 or 12-14, not $(shown "$pages")" >&2
    exit 2
  fi
  from="${BASH_REMATCH[1]}" to="${BASH_REMATCH[3]:-${BASH_REMATCH[1]}}"
  range="
  <userange>1</userange>
  <frompage>$((10#$from))</frompage>
  <topage>$((10#$to))</topage>"
fi
expressions=""
if [ -n "$expressions_file" ]; then
  [ -r "$expressions_file" ] || {
    echo "publish.sh: cannot read the expressions file: $(shown "$expressions_file")" >&2
    exit 2
  }
  expressions="$(cat -- "$expressions_file")"
fi
# The served folder's parent must exist; the folder itself is made by the publish.
out_parent="${out%/}"
case "$out_parent" in */*) out_parent="${out_parent%/*}/" ;; *) out_parent=. ;; esac
[ -d "$out_parent" ] || mkdir -p -- "$out_parent"
case "$pdf" in */*) pdf_folder="${pdf%/*}/" ;; *) pdf_folder=. ;; esac
absolute_dir pdf_folder "$pdf_folder"
pdf_path="$pdf_folder${pdf##*/}"
absolute_dir out_parent "$out_parent"
out_name="${out%/}"
out_name="${out_name##*/}"
out_dir="$out_parent$out_name/"
refuse_unheld "$pdf_path"
refuse_unheld "$out_dir"
refuse_unheld "$products"
refuse_unheld "$product_url"

# The address expressions. An address holds no white space, none of < > ", a
# parenthesis only in a pair (Wikipedia's "Foo_(bar)"), and no Han, Kana or
# Hangul letter nor CJK or full-width punctuation: text written without spaces
# goes on right after it ("…/mirror/list。"), nor dashes, typographic quotes,
# guillemets, the signs © ® ™ (set right after a bracketed address: "[http://…/x.htm]™") or
# other punctuation of prose ("…#details—this"); it does not end
# in . , ; : ! ? ] ' (a sentence's punctuation) nor in a hyphen after a slash (a break
# mark that the text keeps where no line goes on: "http://infrarecorder.org/-" before
# "2. Insert"), and it ends before a comma that starts the next one with no space
# ("…/rufibach.html,http://www.…"). The hyphens U+2010 and U+2011 that word
# processors print, and the soft hyphen U+00AD that some fonts print for "-", are an e-mail address's own "-".
# A web address may follow a digit: a footnote's number set before it with no space
# ("1https://docs.example.com/…"). An e-mail address starts no later than its local part
# does, and not right after "=" or "/", where it is a web address's query value or user
# ("…/developer.php?login=team@lists.…").
links="$(expression 1 0 '$regresult' '(?<![A-Za-z_])(?:https?|ftp)://(?:(?!,(?:(?:https?|ftp)://|www\.))[^\s<>"()\p{Han}\p{Hiragana}\p{Katakana}\p{Hangul}\x{00A9}\x{00AB}\x{00AE}\x{00BB}\x{2122}\x{2012}-\x{2027}\x{2030}-\x{205E}\x{3000}-\x{303F}\x{FF01}-\x{FF0F}\x{FF1A}-\x{FF20}\x{FF3B}-\x{FF40}\x{FF5B}-\x{FF65}]|\([^\s<>"()\p{Han}\p{Hiragana}\p{Katakana}\p{Hangul}\x{00A9}\x{00AB}\x{00AE}\x{00BB}\x{2122}\x{2012}-\x{2027}\x{2030}-\x{205E}\x{3000}-\x{303F}\x{FF01}-\x{FF0F}\x{FF1A}-\x{FF20}\x{FF3B}-\x{FF40}\x{FF5B}-\x{FF65}]*\))*(?:[^\s<>"().,;:!?\[\]'"'"'\p{Han}\p{Hiragana}\p{Katakana}\p{Hangul}\x{00A9}\x{00AB}\x{00AE}\x{00BB}\x{2122}\x{2012}-\x{2027}\x{2030}-\x{205E}\x{3000}-\x{303F}\x{FF01}-\x{FF0F}\x{FF1A}-\x{FF20}\x{FF3B}-\x{FF40}\x{FF5B}-\x{FF65}]|\([^\s<>"()\p{Han}\p{Hiragana}\p{Katakana}\p{Hangul}\x{00A9}\x{00AB}\x{00AE}\x{00BB}\x{2122}\x{2012}-\x{2027}\x{2030}-\x{205E}\x{3000}-\x{303F}\x{FF01}-\x{FF0F}\x{FF1A}-\x{FF20}\x{FF3B}-\x{FF40}\x{FF5B}-\x{FF65}]*\))(?<!/-)')"
links+="$(expression 1 0 'http://$regresult' '(?<![/A-Za-z_.@-])www\.(?:(?!,(?:(?:https?|ftp)://|www\.))[^\s<>"()\p{Han}\p{Hiragana}\p{Katakana}\p{Hangul}\x{00A9}\x{00AB}\x{00AE}\x{00BB}\x{2122}\x{2012}-\x{2027}\x{2030}-\x{205E}\x{3000}-\x{303F}\x{FF01}-\x{FF0F}\x{FF1A}-\x{FF20}\x{FF3B}-\x{FF40}\x{FF5B}-\x{FF65}]|\([^\s<>"()\p{Han}\p{Hiragana}\p{Katakana}\p{Hangul}\x{00A9}\x{00AB}\x{00AE}\x{00BB}\x{2122}\x{2012}-\x{2027}\x{2030}-\x{205E}\x{3000}-\x{303F}\x{FF01}-\x{FF0F}\x{FF1A}-\x{FF20}\x{FF3B}-\x{FF40}\x{FF5B}-\x{FF65}]*\))*(?:[^\s<>"().,;:!?\[\]'"'"'\p{Han}\p{Hiragana}\p{Katakana}\p{Hangul}\x{00A9}\x{00AB}\x{00AE}\x{00BB}\x{2122}\x{2012}-\x{2027}\x{2030}-\x{205E}\x{3000}-\x{303F}\x{FF01}-\x{FF0F}\x{FF1A}-\x{FF20}\x{FF3B}-\x{FF40}\x{FF5B}-\x{FF65}]|\([^\s<>"()\p{Han}\p{Hiragana}\p{Katakana}\p{Hangul}\x{00A9}\x{00AB}\x{00AE}\x{00BB}\x{2122}\x{2012}-\x{2027}\x{2030}-\x{205E}\x{3000}-\x{303F}\x{FF01}-\x{FF0F}\x{FF1A}-\x{FF20}\x{FF3B}-\x{FF40}\x{FF5B}-\x{FF65}]*\))(?<!/-)')"
links+="$(expression 1 1 'mailto:$regresult' '(?<![=/A-Za-z0-9._%+\x{00AD}\x{2010}\x{2011}-])\b[A-Za-z0-9._%+\x{00AD}\x{2010}\x{2011}-]+@[A-Za-z0-9\x{00AD}\x{2010}\x{2011}-]+(?:\.[A-Za-z0-9\x{00AD}\x{2010}\x{2011}-]+)*\.[A-Za-z]{2,}\b')"
links+="$expressions"

products_xml=""
if [ -n "$products" ]; then
  products_xml="
  <products><p result=\"$(xml attribute "$product_url")\" description=\"\"><regexp>$(xml text "$products")</regexp></p></products>"
fi
quiet_xml=""
[ "$quiet" = 1 ] && quiet_xml="
  <quiet>1</quiet>"

# The job file lives outside the served folder, for this run only.
job_dir="$(mktemp -d)"
trap 'rm -rf -- "$job_dir"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
job="$job_dir/createpublication.xml"
cat > "$job" <<JOB
<?xml version="1.0" encoding="UTF-8"?>
<job name="createpublication">
  <inputfile>$(xml text "$pdf_path")</inputfile>
  <outputdir>$(xml text "$out_dir")</outputdir>
  <documentlang>$lang</documentlang>
  <generatertloutput>$rtl</generatertloutput>
  <withpdf>$with_pdf</withpdf>
  <notiles>$no_tiles</notiles>
  <viewerdir>$(xml text "$viewer")</viewerdir>
  <searchpartbytes>${QUILLONPROXY_SEARCH_PART_BYTES:-131072}</searchpartbytes>
  <expresions>$links</expresions>$products_xml$range$quiet_xml
</job>
JOB

status=0
output="$("$bin" "$job")" || status=$?
case "$status:$output" in
  0:*) ;;
  255:"another publish is running in "*)
    echo "publish.sh: $output" >&2
    exit 75 ;;
  1:*)
    # The job file is made here; only the expressions file can make it unreadable.
    problem="${output#*Error=\'}"
    echo "publish.sh: the expressions file is not well-formed XML: ${problem%%\'*}" >&2
    exit 2 ;;
  *)
    echo "publish.sh: publishing $(shown "$pdf_path") failed (status $status)" >&2
    [ -n "$output" ] && printf '%s\n' "$output" >&2
    exit "$status" ;;
esac
[ -n "$output" ] && printf '%s\n' "$output"
echo "Published ${pdf_path##*/} into $out_dir; serve that folder and open index.html."
