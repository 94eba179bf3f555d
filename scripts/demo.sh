#!/usr/bin/env bash
# Installs what is missing, builds (Release), and runs the publishing
# pipeline on the bundled sample PDF. The result lands in demo-output/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" Release

bin="$root/build/quillonproxy"
pdf="$root/build/examples/sample.pdf"
out="$root/demo-output/"
rm -rf "$out"
mkdir -p "$out/jobs"

# run NAME XML-BODY: writes the job file and runs it, stopping the demo on
# failure with the program's own message.
run() {
  local name="$1" body="$2" job="$out/jobs/$1.xml"
  printf '<job name="%s">\n<inputfile>%s</inputfile>\n<outputdir>%s</outputdir>\n%s\n</job>\n' \
    "$name" "$pdf" "$out" "$body" > "$job"
  printf '%-38s' "$name ${3:-}"
  if output="$("$bin" "$job")"; then
    local first="${output%%$'\n'*}"
    echo "ok ${first:+(${first:0:50}$([ "$first" != "$output" ] && echo ' ...'))}"
  else
    echo "FAILED (status $?): $output"
    exit 1
  fi
}

run getpagescount ""
run createdocumentxml "<version>1.0</version><documentlang>en</documentlang><thumbprefix>thumb</thumbprefix><pagesprefix>page</pagesprefix><zoomprefix>zoom</zoomprefix><zoompostfix>jpg</zoompostfix><docid>sample</docid><thumbwidth>150</thumbwidth><importbookmarks>true</importbookmarks><importpagelabels>true</importpagelabels>"
run createpagesxml "<importlinks>1</importlinks>"
run recognizelinks "<userange>0</userange><importpdflinks>0</importpdflinks><usebinarysearch>0</usebinarysearch><expresions><e target=\"1\" linktype=\"0\" result=\"http://\$regresult\" description=\"\"><regexp>www\\.[a-z]+\\.com(?:/[a-z]+)?</regexp></e><e target=\"1\" linktype=\"1\" result=\"mailto:\$regresult\" description=\"\"><regexp>[a-z]+@example\\.com</regexp></e><e target=\"0\" linktype=\"2\" result=\"#page=\$regresult\" description=\"\"><regexp>(?&lt;=page )\\d+</regexp></e></expresions>" "(links in the text)"
run importproducts "<userange>0</userange><usebinarysearch>0</usebinarysearch><expresions><p result=\"http://shop.example.com/\$regresult\" description=\"\"><regexp>QX-\\d{4}</regexp></p></expresions>" "(product codes)"
run createimages "<prefix>thumb</prefix><width>150</width><quality>75</quality><resolution>72</resolution><headerresolution>72</headerresolution>" "(thumbnails)"
run createimages "<prefix>page</prefix><quality>80</quality><resolution>96</resolution><headerresolution>96</headerresolution>" "(pages)"
run createimages "<prefix>zoom</prefix><quality>85</quality><resolution>144</resolution><headerresolution>300</headerresolution>" "(zoom)"
run createindex "" "(text index)"
run createpageshtml "" "(HTML text pages)"
run createseotext "<title>Quillon Field Guide</title><maxlines>0</maxlines><addcreatorlink>1</addcreatorlink><creatorname>Quillon</creatorname><creatorurl>http://www.example.com/</creatorurl>" "(SEO text)"

echo
echo "The publication of $(basename "$pdf") is in $out"
ls "$out" | grep -v '^jobs$' | sed 's/^/  /' | head -40
