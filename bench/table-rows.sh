#!/usr/bin/env bash
# Rows of tables whose cells wrap, over a folder of PDFs: whether the index
# reads each such row as one line.
#
# Per document: `pdftotext -layout` shows where cells wrap. A candidate row is
# a line of MINCELLS or more blocks (default 3; blocks two or more spaces
# apart), followed by lines whose every block starts where one of the row's
# blocks after the first starts and wraps the block above it: the row's cells
# going on. A block wraps when its first word would not have fitted after the
# block above it, within the farthest end of the page's blocks that start in
# that column (in characters of the layout); a block under one it could have
# followed on its line starts an entry of its own: a sub-row whose first cell
# is empty, an item of a list set in a cell. A table's first row (no line of
# MINCELLS blocks in the three lines before it) whose next line starts neither
# in lower case nor after a hyphen is a header of two lines, which stays as
# printed: not counted. In a table whose cells are set in their rows' middles,
# the lines over a row's line in a column that line leaves empty (and that
# lines under it go on) are that row's, not the row's above. The row is whole
# when one line of the "createindex" text holds the row's first block and
# every block that goes on. A lower bound, not a count of tables: tables of
# contents, listings and definition lists can look like such rows too. With
# VERBOSE=1 also every row not whole.
#
# Tables judged by eye: LIST=1 prints the pages that hold candidate rows
# (from pdftotext alone, without running the program), one line a document:
# "file.pdf 3 17 18". Look at those pages, keep the pages whose candidate
# rows are rows of a table whose cells wrap, and give that file as PAGES=FILE:
# then only candidate rows on those pages are counted.
#
# Usage: bench/table-rows.sh FOLDER   (QUILLONPROXY=binary, default build/quillonproxy)
# Not a timing: it measures what the index reads.
set -euo pipefail
. "$(dirname "$0")/lib.sh"

[ $# -eq 1 ] && [ -d "$1" ] || { echo "usage: $0 FOLDER-OF-PDFS" >&2; exit 2; }
ensure_tools pdftotext:poppler-utils python3
ensure_binary
make_workdir table-rows

python3 - "$bin" "$(cd "$1" && pwd)" "$work" <<'PY'
import sys, os, re, subprocess, tempfile, html, glob
binary, folder, work = sys.argv[1:4]
def blocks(line):
    return [(m.start(), m.group(0).strip()) for m in re.finditer(r'\S+(?: \S+)*', line)]
def candidates(lines):
    # (first line, its row's first block, the blocks going on) of each candidate row.
    # A column's right edge: the farthest end of the page's blocks that start where it starts.
    right = {}
    for line in lines:
        for s, x in blocks(line):
            for c in (s - 1, s, s + 1):
                right[c] = max(right.get(c, 0), s + len(x))
    def wraps(above, s, x):
        # A line breaks inside a cell where its next word would not have fitted: a block
        # whose first word fits after the block above it (in characters of the layout)
        # starts an entry of its own (a sub-row, an item of a list in the cell).
        if above is None: return False
        a_start, a_text = above
        if a_text.endswith('-'): return True
        return a_start + len(a_text) + 1 + len(x.split(' ')[0]) > right.get(s, 0) - 1
    def going_on(k, starts, last):
        # The lines after line k that wrap the row's cells: their blocks' texts,
        # the line after them, and each column's last block.
        conts, j = [], k + 1
        while j < len(lines):
            b = blocks(lines[j])
            if not b or b[0][0] <= starts[0] + 1: break
            cols = [next((c for c in starts[1:] if abs(s - c) <= 1), None) for s, _ in b]
            if None in cols: break
            if not all(wraps(last.get(c), s, x) for c, (s, x) in zip(cols, b)): break
            for c, (s, x) in zip(cols, b): last[c] = (s, x)
            conts += [x for _, x in b]; j += 1
        return conts, j
    above, above_last = [], {}  # lines above a row whose cells are set in its middle
    k = 0
    while k < len(lines):
        row = blocks(lines[k])
        if len(row) < int(os.environ.get('MINCELLS', '3')) or len(row) > 8:
            above = []; k += 1; continue
        starts = [s for s, _ in row]
        last = {s: (s, x) for s, x in row}  # each column's last block in the row
        for c, b in above_last.items(): last.setdefault(c, b)
        conts, j = going_on(k, starts, last)
        conts = above + conts
        above, above_last = [], {}
        # A cell set in its row's middle: lines that go on from this row into a
        # column the next row's line leaves empty, which lines under that row go
        # on, are the upper half of the next row's cell ("Stand-alone shell ..."
        # over "sash  V:0, I:6  1158  Yes" over "for standard /bin/sh").
        if conts and j < len(lines) and j + 1 < len(lines):
            nxt = blocks(lines[j])
            if len(nxt) >= 2 and nxt[0][0] <= starts[0] + 1:
                lower = blocks(lines[j + 1])
                used = {c for c in starts[1:] if any(abs(s - c) <= 1 for s, _ in blocks(lines[j - 1]))}
                empty = {c for c in used if not any(abs(s - c) <= 1 for s, _ in nxt)}
                if empty and lower and all(any(abs(s - c) <= 1 for c in empty) for s, _ in lower):
                    upper = k + 1
                    while upper < j and not all(any(abs(s - c) <= 1 for c in empty) for s, _ in blocks(lines[upper])):
                        upper += 1
                    if upper < j:
                        above = [x for line in lines[upper:j] for _, x in blocks(line)]
                        above_last = {c: last[c] for c in empty if c in last}
                        conts = conts[:len(conts) - len(above)]
        # A table's first row, its header as a rule, whose second line does not go on
        # as words do (in lower case, after a hyphen: "Size" over "(bits)") stays as
        # printed: no row to count.
        first = not any(len(blocks(lines[b])) >= int(os.environ.get('MINCELLS', '3'))
                        for b in range(max(0, k - 3), k))
        header = first and conts and not (
            conts[0][:1].islower() or any(x.endswith('-') for _, x in row))
        if conts and len(row[0][1]) >= 2 and not header:
            yield row[0][1], conts
        k = max(j, k + 1)

judged = None
if os.environ.get('PAGES'):
    judged = {}
    for entry in open(os.environ['PAGES']):
        fields = entry.split('#')[0].split()
        if fields: judged[fields[0]] = {int(p) for p in fields[1:]}
listing = os.environ.get('LIST') == '1'
total = whole = 0
for pdf in sorted(glob.glob(os.path.join(folder, '*.pdf'))):
    name = os.path.basename(pdf)
    if judged is not None and not judged.get(name): continue
    pages = subprocess.run(['pdftotext', '-layout', pdf, '-'], capture_output=True, text=True, errors='replace').stdout.split('\f')
    if listing:
        held = [str(p + 1) for p, text in enumerate(pages) if any(True for _ in candidates(text.split('\n')))]
        if held: print(name, ' '.join(held))
        continue
    out = tempfile.mkdtemp(dir=work) + "/"
    open(out + 'j.xml', 'w').write('<job name="createindex"><inputfile>%s</inputfile><outputdir>%s</outputdir></job>' % (html.escape(pdf), out))
    if subprocess.run([binary, out + 'j.xml'], capture_output=True).returncode: continue
    idx = open(out + 'DocumentIndex.xml', encoding='utf-8', errors='replace').read()
    ours = [html.unescape(m.group(1)).split('\n') for m in re.finditer(r'<page[^>]*>(.*?)</page>', idx.replace('&#x0A;', '\n'), re.S)]
    t = w = 0
    for p, text in enumerate(pages[:len(ours)]):
        if judged is not None and p + 1 not in judged[name]: continue
        norm = [' '.join(l.split()) for l in ours[p]]
        for first, conts in candidates(text.split('\n')):
            t += 1
            # A word a hyphen breaks at a cell's line end may be read joined: "con-" is
            # looked for as "con"; so is an address's piece before the publisher's break
            # mark after a slash ("support/-" as "support/").
            pieces = [re.sub(r'(?<=[\w/])-$', '', c) for c in [first] + conts]
            ok = any(all(c in l for c in pieces) for l in norm)
            w += ok
            if not ok and os.environ.get('VERBOSE'): print('  page %d: %s / %s' % (p + 1, first[:40], ' | '.join(conts)[:80]))
    if t: print('%-60s rows with wrapped cells %4d, whole %4d' % (os.path.basename(pdf)[:60], t, w))
    total += t; whole += w
if not listing: print('total: %d rows with wrapped cells, %d whole (%.1f%%)' % (total, whole, 100.0 * whole / max(total, 1)))
PY
