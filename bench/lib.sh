# shellcheck shell=bash disable=SC2034,SC2154  # shares variables with the sourcing script
# Shared shell code of the benchmark scripts in this folder. Sourced, not
# executed: each script starts with
#
#   set -euo pipefail
#   . "$(dirname "$0")/lib.sh"
#
# Sourcing sets
#   here   this folder (bench/)
#   repo   the repository root
#   bin    the binary: $QUILLONPROXY, default build/quillonproxy
# and defines the functions below. A script sets `runs` itself (from
# BENCH_RUNS) before calling measure_runs.
#
# Set-up
#   apt_install PKG...      apt-get install (with sudo when not root), and on
#                           failure apt-get update and one more try.
#   ensure_tools CMD[:PKG]...
#                           installs what is missing of GNU time
#                           (/usr/bin/time, always needed) and of each command
#                           CMD, from package PKG (default: CMD).
#   ensure_binary           builds $bin with scripts/build.sh when missing.
#   make_workdir NAME       sets `work` to a new temporary folder
#                           ($TMPDIR/qp-bench-NAME.XXXXXX), removed on exit.
#   use_document [PDF]      sets `pdf` and `source_note` (the document line of
#                           the report): PDF when given, else the gri manual
#                           (gri.pdf, 285 pages) from Debian's gri-pdf-doc
#                           package, installed with apt or, failing that,
#                           downloaded and unpacked into $work, and unzipped
#                           to $work/gri.pdf.
#   pdf_pages FILE          prints the page count pdfinfo reports.
#   document_pages          sets `pages` to the page count of $pdf; exits 2
#                           when pdfinfo cannot read it.
#
# Measuring (GNU time -v, pinned with taskset -c to the cores in $bench_cpus,
# default core 0)
#   measure_runs NAME BEFORE AFTER CMD...
#                           runs CMD $runs times. Before each run the command
#                           BEFORE runs untimed; after each run AFTER runs as
#                           `AFTER NAME RUN` to check what CMD produced (use :
#                           for nothing). CMD's output goes to $work/cmd.out;
#                           a failing CMD aborts the benchmark. Sets m_wall
#                           m_user m_sys (seconds, of the fastest run) and
#                           m_rss (KiB, the largest peak over the runs).
#   reset_out               empties the output folder $work/out (a BEFORE).
#   measure_written NAME OUTPUT CMD...
#                           measure_runs of CMD with $work/out emptied before
#                           each run, failing unless the run wrote OUTPUT.
#   report_ratio QNAME PNAME TARGET
#                           prints the last two measurements saved by
#                           save_q / save_p as a table, their wall-time ratio
#                           and MET or NOT MET against TARGET.
#   save_q, save_p          keep the last measurement as the program's (q_*)
#                           or the peer's (p_*).
#   time_field LOG LABEL    prints the value of the GNU time -v line whose
#                           name contains LABEL, e.g. "User time".
#   time_seconds LOG        prints the elapsed wall time in seconds (%.2f).
#
# Formatting
#   xml_escape TEXT         TEXT for a job file's element text or attribute,
#                           read back exactly: & < > " ' escaped, and the
#                           white space the job-file reader would condense
#                           (tabs, line feeds, carriage returns, spaces that
#                           are leading, trailing or next to white space)
#                           written as character references, as
#                           scripts/publish.sh writes it.
#   write_images_job FILE PDF OUTDIR DPI
#                           writes a "createimages" job (prefix page,
#                           quality 80, resolution and header resolution DPI).
#   mb KIB                  KiB as MB with one decimal.
#   ratio A B               A / B with two decimals ("n/a" when B is 0).
#   machine_line            prints the "Machine:" line of the reports.

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(dirname "$here")"
bin="${QUILLONPROXY:-$repo/build/quillonproxy}"

# ---------------------------------------------------------------- set-up ----
apt_install() {
  local sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  echo "Installing: $*" >&2
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@" >/dev/null \
    || { "${sudo_cmd[@]}" apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
         "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@" >/dev/null; }
}

ensure_tools() {
  local missing=() tool
  [ -x /usr/bin/time ] || missing+=(time)
  for tool in "$@"; do
    command -v "${tool%%:*}" >/dev/null || missing+=("${tool#*:}")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)
    apt_install "${missing[@]}"
  fi
}

ensure_binary() {
  if [ ! -x "$bin" ]; then
    echo "Building quillonproxy ..." >&2
    "$repo/scripts/build.sh" >&2
  fi
}

make_workdir() {
  work="$(mktemp -d "${TMPDIR:-/tmp}/qp-bench-$1.XXXXXX")"
  trap 'rm -rf "$work"' EXIT
}

use_document() {
  # gri-pdf-doc ships the manual gzip-compressed at this path.
  local gri_pdf_gz=/usr/share/doc/gri/gri.pdf.gz
  if [ $# -ge 1 ]; then
    pdf="$1"
    [ -r "$pdf" ] || { echo "cannot read $pdf" >&2; exit 2; }
    source_note="$pdf"
    return 0
  fi
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
}

pdf_pages() { pdfinfo "$1" | awk '/^Pages:/ {print $2}'; }

document_pages() {
  pages="$(pdf_pages "$pdf" 2>/dev/null)"
  [ -n "$pages" ] && [ "$pages" -gt 0 ] || { echo "pdfinfo cannot read $pdf" >&2; exit 2; }
}

# ------------------------------------------------------------- measuring ----
time_field() { awk -F': ' -v label="$2" 'index($0, label) {print $2}' "$1"; }

time_seconds() {
  time_field "$1" 'Elapsed (wall clock)' | awk '{
    n = split($1, a, ":"); s = 0
    for (k = 1; k <= n; k++) s = s * 60 + a[k]
    printf "%.2f", s }'
}

reset_out() { rm -rf "$work/out"; mkdir -p "$work/out"; }

written_output=""
check_written() {  # NAME RUN
  [ -s "$written_output" ] || { echo "$1 did not write $written_output" >&2; exit 1; }
}
measure_written() {
  local name="$1"; written_output="$2"; shift 2
  measure_runs "$name" reset_out check_written "$@"
}
save_q() { q_wall=$m_wall q_user=$m_user q_sys=$m_sys q_rss=$m_rss; }
save_p() { p_wall=$m_wall p_user=$m_user p_sys=$m_sys p_rss=$m_rss; }

report_ratio() {
  local r
  r="$(ratio "$q_wall" "$p_wall")"
  printf '  %-30s %8s %8s %8s %12s\n' "" "wall s" "user s" "sys s" "peak RSS MB"
  printf '  %-30s %8s %8s %8s %12s\n' "$1" "$q_wall" "$q_user" "$q_sys" "$(mb "$q_rss")"
  printf '  %-30s %8s %8s %8s %12s\n' "$2" "$p_wall" "$p_user" "$p_sys" "$(mb "$p_rss")"
  echo "  ratio quillonproxy / pdftotext: $r   (target: at most $3)"
  if awk -v r="$r" -v t="$3" 'BEGIN { exit !(r <= t) }'; then
    echo "  MET"
  else
    echo "  NOT MET"
  fi
}

measure_runs() {
  local name="$1" before="$2" after="$3"; shift 3
  local best_wall="" best_user="" best_sys="" max_rss=0 i log="$work/time.log"
  local wall user sys rss
  for ((i = 1; i <= runs; i++)); do
    "$before"
    if ! taskset -c "${bench_cpus:-0}" /usr/bin/time -v -o "$log" "$@" >"$work/cmd.out" 2>&1; then
      echo "$name failed:" >&2; tail -n 20 "$work/cmd.out" >&2; exit 1
    fi
    "$after" "$name" "$i"
    wall="$(time_seconds "$log")"
    user="$(time_field "$log" 'User time')"
    sys="$(time_field "$log" 'System time')"
    rss="$(time_field "$log" 'Maximum resident set size')"
    if [ -z "$best_wall" ] || awk -v a="$wall" -v b="$best_wall" 'BEGIN { exit !(a < b) }'; then
      best_wall="$wall"; best_user="$user"; best_sys="$sys"
    fi
    if [ "$rss" -gt "$max_rss" ]; then max_rss="$rss"; fi
  done
  m_wall="$best_wall"; m_user="$best_user"; m_sys="$best_sys"; m_rss="$max_rss"
}

# ------------------------------------------------------------ formatting ----
xml_escape() {
  XML_TEXT="$1" LC_ALL=C awk 'BEGIN {
    s = ENVIRON["XML_TEXT"]; n = length(s); white = "^[ \t\n\r\v\f]$"
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

write_images_job() {
  cat >"$1" <<EOF
<job name="createimages">
  <inputfile>$(xml_escape "$2")</inputfile>
  <outputdir>$(xml_escape "$3")</outputdir>
  <prefix>page</prefix>
  <quality>80</quality>
  <resolution>$4</resolution>
  <headerresolution>$4</headerresolution>
</job>
EOF
}

mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }

machine_line() {
  echo "Machine:  $(nproc) cores, pinned to core 0; $runs run(s) per measurement, fastest wall shown"
}
