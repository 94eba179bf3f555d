#!/usr/bin/env bash
# Fuzzes the job-file reader, the PDF text path and the page layout on its own with libFuzzer
# (Debian's clang), with AddressSanitizer (leaks included) and UndefinedBehaviorSanitizer.
#
# Usage: tests/fuzz/run.sh [SECONDS] [TARGET...]
#   SECONDS  how long each target runs (default 600)
#   TARGET   JobFile, PdfText, Layout (default all three, one after the other)
#
# Builds into build-fuzz/. Each target's corpus lives in build-fuzz/corpus/TARGET and grows
# from run to run; it starts from the seeds (tests/fuzz/seeds, the PDFs make_fuzz_seeds writes,
# the bundled sample, and the corpus PDFs of at most 256 KB when the corpus is there; for
# Layout the characters of built pages, tests/fuzz/seeds/layout) and
# every input in tests/fuzz/regressions. An input that crashes, hangs (25 s) or leaks is saved
# in build-fuzz/artifacts/TARGET/ and the script fails: add it to tests/fuzz/regressions/ and
# name a test for it.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
seconds="${1:-600}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(JobFile PdfText Layout)
corpus_dir="${QUILLON_CORPUS_DIR:-$root/../shared/corpus}"

"$root/scripts/setup.sh"
missing=()
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLON_FUZZ=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_JobFile fuzz_PdfText fuzz_Layout fuzz_seeds sample_pdf

for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  case "$target" in
    JobFile)
      cp -n "$root"/tests/fuzz/seeds/jobfile/* "$root"/tests/fuzz/regressions/jobfile/* "$corpus"/
      max_len=4096 ;;
    PdfText)
      cp -n "$build"/tests/fuzz/seeds/pdftext/* "$build/examples/sample.pdf" \
        "$root"/tests/fuzz/regressions/pdftext/* "$corpus"/
      if [ -d "$corpus_dir" ]; then
        find "$corpus_dir" -maxdepth 1 -name '*.pdf' -size -257k -exec cp -n {} "$corpus"/ \;
      fi
      max_len=262144 ;;
    Layout)
      cp -n "$root"/tests/fuzz/seeds/layout/* "$root"/tests/fuzz/regressions/layout/* "$corpus"/
      # LayoutInput.h: 10 bytes a character, at most 4096 characters.
      max_len=40960 ;;
    *) echo "unknown target: $target" >&2; exit 2 ;;
  esac
  echo "== $target: ${seconds} s from $(ls "$corpus" | wc -l) inputs"
  log="$build/fuzz-$target.log"
  status=0
  ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    "$build/tests/fuzz/fuzz_$target" "$corpus" -max_total_time="$seconds" -timeout=25 \
    -rss_limit_mb=2048 -max_len="$max_len" -print_final_stats=1 -close_fd_mask=3 \
    -artifact_prefix="$artifacts/" >"$log" 2>&1 || status=$?
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  speed="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)"
  echo "   runs ${runs:-?}, ${speed:-?} per second, corpus $(ls "$corpus" | wc -l) inputs," \
       "$(du -sh "$corpus" | cut -f1); log $log"
  if [ "$status" -ne 0 ]; then
    echo "   FAILED (status $status): $(grep -m1 -E 'ERROR|SUMMARY|timeout' "$log" || true)"
    ls "$artifacts"
    exit 1
  fi
done
