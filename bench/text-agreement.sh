#!/usr/bin/env bash
# The words and characters of the "createindex" text against poppler's pdftotext, over a
# folder of PDFs: how much of what pdftotext reads the index keeps, page by page.
#
# Per document, over the pages both read:
#   words       the index's words (runs between white space) as a share of pdftotext's, in
#               all, and the pages whose count differs by more than 2% (of 20 words or more);
#   characters  kept: of pdftotext's characters (white space left out), the share the index
#               holds too, page by page as multisets (a character counted as often as both
#               hold it), so that reading order does not matter.
# Both texts are compared after Unicode NFKC (ligatures "ﬁ" as "fi") with soft hyphens
# and a line end's hyphen left out, since the index joins a word hyphenated at a line end.
# pdftotext is no ground truth: where it reads a font's codes wrongly the share falls
# either way; look at the pages listed (VERBOSE=1) before calling a difference a fault.
#
# Usage: bench/text-agreement.sh FOLDER   (QUILLONPROXY=binary, default build/quillonproxy)
# Not a timing: it measures what the index reads.
set -euo pipefail
. "$(dirname "$0")/lib.sh"

[ $# -eq 1 ] && [ -d "$1" ] || { echo "usage: $0 FOLDER-OF-PDFS" >&2; exit 2; }
ensure_tools pdftotext:poppler-utils python3
ensure_binary
make_workdir text-agreement

python3 - "$bin" "$(cd "$1" && pwd)" "$work" <<'PY'
import sys, os, re, subprocess, html, glob, unicodedata, collections
binary, folder, work = sys.argv[1:4]
verbose = os.environ.get('VERBOSE') == '1'
def norm(text):
    text = unicodedata.normalize('NFKC', text).replace('\u00ad', '')
    return re.sub(r'[-\u2010]\n(?=\w)', '', text)
all_ours = all_theirs = all_kept = all_chars = 0
for pdf in sorted(glob.glob(os.path.join(folder, '*.pdf'))):
    name = os.path.basename(pdf)
    theirs = subprocess.run(['pdftotext', '-enc', 'UTF-8', pdf, '-'], capture_output=True,
                            text=True, errors='replace').stdout.split('\f')
    out = os.path.join(work, name) + '/'
    os.makedirs(out, exist_ok=True)
    open(out + 'j.xml', 'w').write('<job name="createindex"><inputfile>%s</inputfile><outputdir>%s</outputdir></job>' % (html.escape(pdf), out))
    if subprocess.run([binary, out + 'j.xml'], capture_output=True).returncode:
        print('%s: the job failed' % name); continue
    idx = open(out + 'DocumentIndex.xml', encoding='utf-8', errors='replace').read()
    ours = [html.unescape(m.group(1)) for m in re.finditer(r'<page[^>]*>(.*?)</page>', idx.replace('&#x0A;', '\n'), re.S)]
    words_ours = words_theirs = kept = chars = 0
    off = []
    for p in range(min(len(ours), len(theirs))):
        a, b = norm(ours[p]), norm(theirs[p])
        wa, wb = len(a.split()), len(b.split())
        words_ours += wa; words_theirs += wb
        if wb >= 20 and abs(wa - wb) > 0.02 * wb: off.append('%d (%d/%d)' % (p + 1, wa, wb))
        ca = collections.Counter(c for c in a if not c.isspace())
        cb = collections.Counter(c for c in b if not c.isspace())
        kept += sum(min(n, ca[c]) for c, n in cb.items()); chars += sum(cb.values())
    all_ours += words_ours; all_theirs += words_theirs; all_kept += kept; all_chars += chars
    print('%-60s words %6d / %6d (%5.1f %%), pages off by more than 2%%: %3d; characters kept %6.2f %%'
          % (name, words_ours, words_theirs, 100.0 * words_ours / max(words_theirs, 1), len(off),
             100.0 * kept / max(chars, 1)))
    if verbose and off: print('  pages off:', ', '.join(off[:30]))
print('total: words %d / %d (%.1f %%); characters kept %.2f %%'
      % (all_ours, all_theirs, 100.0 * all_ours / max(all_theirs, 1), 100.0 * all_kept / max(all_chars, 1)))
PY
