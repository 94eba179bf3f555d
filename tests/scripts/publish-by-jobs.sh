#!/usr/bin/env bash
# The reference for the one operation: a publication made as the publisher made it before
# "createpublication", by eleven jobs in order (createdocumentxml; createimages for thumbnails,
# pages and zoom images; createpagesxml; recognizelinks; importproducts with --products;
# createindex; createpageshtml; createtextlayer; createseotext), the search text written from
# the text layers by jq and awk, publication.json from mutool's reading of the title, and the
# viewer copied in. tests/scripts/PublishTest.cpp compares the two file by file.
#
# Usage: publish-by-jobs.sh PDF OUTDIR [--products REGEX [--product-url TEMPLATE]]
#                           [--expressions FILE] [--lang LANG] [--rtl] [--with-pdf]
# Needs bash, coreutils, awk, mutool (mupdf-tools) and jq; the job files stay in OUTDIR/jobs/.
set -euo pipefail
unset CDPATH

usage() {
  sed -n '/^# Usage:/,/^# Needs/s/^# \{0,1\}//p' "$0" >&2
  exit 2
}

script_dir="$(cd "$(dirname "$0")" && pwd)"

pdf="" out="" products="" product_url='$regresult' expressions_file="" rtl=0 lang=en with_pdf=0
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
  for candidate in "$script_dir/../../build/quillonproxy"; do
    if [ -x "$candidate" ]; then bin="$candidate"; break; fi
  done
fi
[ -n "$bin" ] || bin="$(command -v quillonproxy || true)"
[ -n "$bin" ] && [ -x "$bin" ] || { echo "publish.sh: cannot find the quillonproxy program (set QUILLONPROXY)" >&2; exit 2; }

# The viewer: in the source tree, or where cmake --install puts it.
viewer=""
for candidate in "$script_dir/../../viewer"; do
  if [ -f "$candidate/index.html" ]; then viewer="$candidate"; break; fi
done
[ -n "$viewer" ] || { echo "publish.sh: cannot find the viewer (viewer/index.html)" >&2; exit 2; }
# A language tag (BCP 47's letters, digits and hyphens): it goes into a job file and the
# viewer's page as it is.
if ! [[ "$lang" =~ ^[A-Za-z]{2,8}(-[A-Za-z0-9]{1,8})*$ ]]; then
  echo "publish.sh: --lang takes a language tag such as en, ar or pt-BR, not $(printf '%q' "$lang")" >&2
  exit 2
fi

for tool in mutool jq; do
  command -v "$tool" >/dev/null || {
    echo "publish.sh: needs $tool (Debian packages mupdf-tools and jq)" >&2
    exit 2
  }
done

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

# Temporary files of this run, removed however it ends (an interrupted run included).
temporaries=()
trap 'rm -f -- "${temporaries[@]}"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# temporary_beside VAR FILE: sets VAR to a new empty file in FILE's folder, hidden
# (".NAME.XXXXXX") and removed when the run ends unless renamed to FILE first, which then
# replaces FILE whole. Its mode is what the umask gives new files (mktemp makes them
# private, and a web server must read the publication).
temporary_beside() {
  local made
  made="$(mktemp -- "${2%/*}/.${2##*/}.XXXXXX")" || exit 2
  temporaries+=("$made")
  chmod -- "$(printf '%o' $((0666 & ~$(umask))))" "$made"
  printf -v "$1" '%s' "$made"
}

# read_title FILE: writes the PDF's own title to FILE in UTF-8, then one line feed: its
# document information's /Title, decoded by MuPDF's mutool as the program reads PDF text
# strings (PDFDocEncoding, UTF-16 with either byte order mark, UTF-8 with its mark); nothing
# when it has none. A title holding U+0000 ends there. Stops the run when mutool cannot read
# the PDF, saying why.
read_title() {
  local script problem
  script="$(mktemp)"
  temporaries+=("$script")
  cat > "$script" <<'SCRIPT'
var doc = typeof Document.openDocument == "function" ? Document.openDocument(scriptArgs[0])
                                                       : new Document(scriptArgs[0]);
var title = doc.getMetaData("info:Title");
print(typeof title == "string" ? title : "");
SCRIPT
  if ! problem="$(mutool run "$script" "$pdf_path" 2>&1 > "$1")"; then
    # mutool prints its warnings, then the script's exception ("Error: ...") and where.
    problem="$(printf '%s\n' "$problem" | grep -m 1 '^Error: ' || printf '%s' "$problem")"
    problem="${problem#Error: }"
    echo "publish.sh: cannot read the title of $(shown "$pdf_path"): $(shown "${problem%%$'\n'*}")" >&2
    exit 2
  fi
}

# write_publication FILE: writes publication.json's content to FILE. jq encodes it (it escapes
# every control character below U+0080); the awk pass after it escapes those from U+0080 to
# U+009F too, which JSON allows raw but readers of the file should not meet. The title is
# trimmed of white space (Unicode's White_Space characters) around it, none inside; a title
# of white space alone counts as none and the file name, less ".pdf", stands in. Linear in the
# title's length.
write_publication() {
  local title_file name="${pdf_path##*/}" untitled
  title_file="$(mktemp)"
  temporaries+=("$title_file")
  read_title "$title_file"
  case "$name" in
    ?*.[pP][dD][fF]) untitled="${name%.*}" ;;
    *) untitled="$name" ;;
  esac
  jq -c -n --rawfile printed "$title_file" --arg untitled "$untitled" --arg pdfName "$name" \
    --argjson with_pdf "$with_pdf" '
    def white: . == 32 or (. >= 9 and . <= 13) or . == 133 or . == 160 or . == 5760
      or (. >= 8192 and . <= 8202) or . == 8232 or . == 8233 or . == 8239 or . == 8287
      or . == 12288;
    ($printed | if endswith("\n") then .[:-1] else . end | explode) as $c
    | ($c | length) as $n
    | (first(range(0; $n) | select($c[.] | white | not)) // $n) as $first
    | (first(range($n - 1; $first - 1; -1) | select($c[.] | white | not)) // $first) as $last
    | ($c[$first:$last + 1] | implode) as $title
    | {title: (if $title == "" then $untitled else $title end)}
      + if $with_pdf == 1 then {pdf: "document.pdf", pdfName: $pdfName} else {} end' |
    LC_ALL=C awk 'BEGIN { for (b = 128; b < 160; b++) code[sprintf("%c%c", 194, b)] = sprintf("\\\\u%04x", b) }
      { for (c in code) gsub(c, code[c]); print }' > "$1"
}

# write_search_text DIR: writes the search text into the folder DIR: its parts search-K.json,
# each {"v":1,"pages":[[N,"line\nline"],...]} for the OUTDIR/Text_N.json of consecutive
# pages (the page number, its "p", and its lines' texts joined by line feeds), a part ending
# before it would pass search_part_bytes or hold search_part_pages pages; and their index
# search.json, {"v":2,"parts":[[first page, last page],...]}. The layers go through one jq
# run in page order, fed through xargs so that no page count meets the limit of a command
# line, and are cut into parts as they come: linear in their size, whatever the page count.
search_part_bytes="${QUILLONPROXY_SEARCH_PART_BYTES:-131072}"
search_part_pages=500
write_search_text() {
  local layers=("${out_dir}"Text_*.json)
  if [ ! -e "${layers[0]}" ]; then
    printf '{"v":2,"parts":[]}\n' > "$1/search.json"
    return
  fi
  printf '%s\0' "${layers[@]}" | sort -z -V | xargs -0 cat -- |
    jq -c '[.p, ([.l[]? | .[0]? | strings] | join("\n"))]' |
    SEARCH_DIR="$1" LC_ALL=C awk -v most="$search_part_bytes" -v pages="$search_part_pages" '
      function finish() {
        printf "]}\n" > file
        close(file)
        parts = parts (parts == "" ? "" : ",") "[" first "," last "]"
        count = 0
        bytes = 0
      }
      {
        number = substr($0, 2, index($0, ",") - 2) + 0
        if (count > 0 && (bytes + length($0) > most || count >= pages)) finish()
        if (count == 0) {
          file = ENVIRON["SEARCH_DIR"] "/search-" (++part) ".json"
          printf "{\"v\":1,\"pages\":[" > file
          first = number
        } else {
          printf "," > file
        }
        printf "%s", $0 > file
        bytes += length($0)
        count++
        last = number
      }
      END {
        if (count > 0) finish()
        printf "{\"v\":2,\"parts\":[%s]}\n", parts > (ENVIRON["SEARCH_DIR"] "/search.json")
      }'
}

[ -f "$pdf" ] || { echo "publish.sh: no such file: $(shown "$pdf")" >&2; exit 2; }
expressions=""
if [ -n "$expressions_file" ]; then
  [ -r "$expressions_file" ] || {
    echo "publish.sh: cannot read the expressions file: $(shown "$expressions_file")" >&2
    exit 2
  }
  expressions="$(cat -- "$expressions_file")"
fi
mkdir -p -- "$out"
case "$pdf" in */*) pdf_folder="${pdf%/*}/" ;; *) pdf_folder=. ;; esac
absolute_dir pdf_folder "$pdf_folder"
pdf_path="$pdf_folder${pdf##*/}"
out_dir=""
absolute_dir out_dir "$out"

jobs_dir="${out_dir}jobs/"
mkdir -p -- "$jobs_dir"
rm -f -- "$jobs_dir"*.xml
# What the last publish offered goes first, so that a run that fails leaves no
# publication.json naming outputs it did not make and no document.pdf that nothing names (the
# PDF being published stays, should it be OUTDIR/document.pdf itself). Temporary files a
# killed run left go too, the program's outputs' (".qp-" and six characters) among them:
# no job of this folder runs now (page records staged under ".qr-" names stay for the next
# record job, which completes or drops them).
rm -rf -- "${out_dir}".search.??????
rm -f -- "${out_dir}publication.json" "${out_dir}".publication.json.?????? \
  "${out_dir}search.json" "${out_dir}"search-*.json "${out_dir}".document.pdf.?????? \
  "${out_dir}".qp-??????
[ "$pdf_path" -ef "${out_dir}document.pdf" ] || rm -f -- "${out_dir}document.pdf"

# expression TARGET LINKTYPE RESULT REGEXP: one recognizelinks expression.
expression() {
  printf '<e target="%s" linktype="%s" result="%s" description=""><regexp>%s</regexp></e>' \
    "$1" "$2" "$(xml attribute "$3")" "$(xml text "$4")"
}

pdf_xml="$(xml text "$pdf_path")"
out_xml="$(xml text "$out_dir")"

run_number=0
# run NAME LABEL PARAMETERS [XPATH VALUE]...: writes the job file
# NN-NAME[-LABEL].xml, checks that it names the PDF, the folder and each VALUE
# exactly, and runs it.
run() {
  local name="$1" label="$2" parameters="$3"
  shift 3
  run_number=$((run_number + 1))
  local job
  job="$(printf '%s%02d-%s%s.xml' "$jobs_dir" "$run_number" "$name" "${label:+-$label}")"
  {
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<job name="%s">\n' "$name"
    printf '  <inputfile>%s</inputfile>\n  <outputdir>%s</outputdir>\n' "$pdf_xml" "$out_xml"
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

docid="${pdf_path##*/}"
docid="${docid%.*}"
thumb_width=150

run createdocumentxml "" "  <version>1.0</version>
  <documentlang>$lang</documentlang>
  <thumbprefix>thumb</thumbprefix>
  <pagesprefix>page</pagesprefix>
  <zoomprefix>zoom</zoomprefix>
  <zoompostfix>jpg</zoompostfix>
  <docid>$(xml text "$docid")</docid>
  <thumbwidth>$thumb_width</thumbwidth>
  <importbookmarks>true</importbookmarks>
  <importpagelabels>true</importpagelabels>" /job/docid "$docid"

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
run recognizelinks "" "  <userange>0</userange>
  <importpdflinks>0</importpdflinks>
  <usebinarysearch>0</usebinarysearch>
  <expresions>$links</expresions>"

if [ -n "$products" ]; then
  run importproducts "" "  <userange>0</userange>
  <usebinarysearch>0</usebinarysearch>
  <expresions><p result=\"$(xml attribute "$product_url")\" description=\"\"><regexp>$(xml text "$products")</regexp></p></expresions>" \
    /job/expresions/p/regexp "$products" /job/expresions/p/@result "$product_url"
fi

run createindex "" "  <generatertloutput>$rtl</generatertloutput>"
run createpageshtml "" ""
run createtextlayer "" ""
# The search text now, beside the text layers it is made of, in a folder of its own; its
# files are renamed into place with publication.json at the end.
search_text="$(mktemp -d -- "${out_dir}.search.XXXXXX")" || exit 2
trap 'rm -f -- "${temporaries[@]}"; rm -rf -- "$search_text"' EXIT
write_search_text "$search_text" || {
  echo "publish.sh: cannot write search.json from the text layers in $(shown "$out_dir")" >&2
  exit 2
}

# The publication's title, as publication.json will give it to the viewer: the PDF's own
# title in full Unicode (document.xml holds it folded to ASCII), else its file name; the
# control characters a job file cannot hold left out, and the document id where nothing
# is left.
publication="" pdf_copy=""  # set by temporary_beside
temporary_beside publication "${out_dir}publication.json"
write_publication "$publication"
title="$(jq -j '.title' "$publication" && printf x)" || {
  echo "publish.sh: cannot read the title back from publication.json" >&2
  exit 2
}
title="${title%x}"
title="$(printf '%s' "$title" | LC_ALL=C tr -d '\000-\010\013\014\016-\037\177' && printf x)"
title="${title%x}"
if [[ "$title" =~ ^[[:space:]]*$ ]]; then title="$docid"; fi
run createseotext "" "  <title>$(xml text "$title")</title>
  <maxlines>0</maxlines>
  <addcreatorlink>0</addcreatorlink>
  <creatorname>quillonproxy</creatorname>
  <creatorurl>index.html</creatorurl>" /job/title "$title"

cp -R "$viewer/." "$out_dir"
# The viewer is told the document's language (its own words stay in the page's).
sed -i "0,/data-document-lang=\"[^\"]*\"/s//data-document-lang=\"$lang\"/" -- "${out_dir}index.html"
if [ "$with_pdf" = 1 ]; then
  temporary_beside pdf_copy "${out_dir}document.pdf"
  cp -- "$pdf_path" "$pdf_copy"
  mv -f -- "$pdf_copy" "${out_dir}document.pdf"
fi
for part in "$search_text"/search-*.json; do
  [ -e "$part" ] && mv -f -- "$part" "$out_dir"
done
mv -f -- "$search_text/search.json" "${out_dir}search.json"
# Last: the publication is all there when publication.json says what it is.
mv -f -- "$publication" "${out_dir}publication.json"
echo "Published ${pdf_path##*/} into $out_dir; serve that folder and open index.html."
