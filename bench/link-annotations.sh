#!/usr/bin/env bash
# Recognised addresses against their authors' own links, over a folder of PDFs:
# the measure behind tests/recognition/CorpusAnnotationTest.cpp, for documents
# outside the corpus (Debian's documentation packages ship many: e.g.
# `apt-get download r-doc-pdf && dpkg -x r-doc-pdf_*.deb x`).
#
# Per document: "createdocumentxml" and "createpagesxml" with importlinks=1 give
# the PDF's own web and e-mail links; those whose rectangle holds pdftotext
# words (-bbox) that start with a scheme, "www." or look like an e-mail address
# are the reference. "recognizelinks" with the publisher's three address
# expressions (as scripts/publish.sh writes them) then adds its links. A
# recognised link lies over an annotation when its centre is inside the
# annotation's rectangle; an annotation is
#   right    when every link over it leads to its target,
#   wrong    when one leads elsewhere,
#   missing  when none lies over it,
#   printed elsewhere  when the whole address printed under it is another than
#            its target and the links over it lead to what is printed,
# targets compared without scheme and "mailto:", host in lower case, a trailing
# "/" aside, percent-encoded characters as the characters they encode. Prints
# one line per document and the totals; with VERBOSE=1 also every wrong and
# missing annotation and every recognised address that runs over more than one
# line piece.
#
# Usage: bench/link-annotations.sh FOLDER   (QUILLONPROXY=binary, default build/quillonproxy)
# Not a timing: it measures what the links lead to.
set -euo pipefail
. "$(dirname "$0")/lib.sh"

[ $# -eq 1 ] && [ -d "$1" ] || { echo "usage: $0 FOLDER-OF-PDFS" >&2; exit 2; }
ensure_tools pdftotext:poppler-utils python3
ensure_binary
make_workdir link-annotations

python3 - "$bin" "$(cd "$1" && pwd)" "$repo/scripts/publish.sh" "$work" <<'PY'
import glob, html, os, re, shlex, subprocess, sys, urllib.parse

binary, folder, publisher, work = sys.argv[1:5]

# The publisher's address expressions: its lines `links+="$(expression 1 TYPE 'RESULT' 'REGEXP')"`.
expressions = []
for line in open(publisher, encoding='utf-8'):
    m = re.match(r'^links\+?="\$\((expression 1 [01] .*)\)"$', line.strip())
    if m:
        _, target, kind, result, regexp = shlex.split(m.group(1))
        expressions.append((int(kind), result, regexp))
if len(expressions) != 3:
    sys.exit('cannot read the three address expressions of ' + publisher)

def x(s): return html.escape(s, quote=True)

def job(out, name, pdf, parameters):
    path = os.path.join(out, 'job.xml')
    with open(path, 'w', encoding='utf-8') as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?><job name="%s"><inputfile>%s</inputfile>'
                '<outputdir>%s/</outputdir>%s</job>' % (name, x(pdf), x(out), parameters))
    return subprocess.run([binary, path], capture_output=True, text=True).returncode

def links(out, page):
    path = os.path.join(out, 'Page_%d.xml' % page)
    found = []
    for m in re.finditer(r'<link ([^>]*)/>', open(path, encoding='utf-8', errors='replace').read()):
        # The printer quotes a value holding a '"' with apostrophes.
        a = {k: html.unescape(v or w)
             for k, v, w in re.findall(r'(\w+)=(?:"([^"]*)"|\'([^\']*)\')', m.group(1))}
        a['box'] = [float(v) for v in a['loc'].split()]
        found.append(a)
    return found

def words(pdf):
    text = subprocess.run(['pdftotext', '-cropbox', '-bbox', '-enc', 'UTF-8', pdf, '-'],
                          capture_output=True, text=True, errors='replace').stdout
    pages = []
    for m in re.finditer(r'<page width="([\d.]+)" height="([\d.]+)"|<word xMin="([-\d.]+)" '
                         r'yMin="([-\d.]+)" xMax="([-\d.]+)" yMax="([-\d.]+)">([^<]*)</word>', text):
        if m.group(1):
            pages.append(((float(m.group(1)), float(m.group(2))), []))
        else:
            pages[-1][1].append(tuple(float(m.group(i)) for i in range(3, 7)) + (html.unescape(m.group(7)),))
    return pages

def comparable(url):
    # Percent-encoded UTF-8 and the characters themselves are the same address.
    url = urllib.parse.unquote(url)
    url = re.sub(r'^(mailto:|[a-z][a-z0-9+.-]*://)', '', url.strip(), flags=re.I)
    host, slash, rest = url.partition('/')
    return (host.lower() + slash + rest).rstrip('/')

def centre_inside(box, outer, slack=0):
    cx, cy = box[0] + box[2] / 2, box[1] + box[3] / 2
    return outer[0] - slack <= cx <= outer[0] + outer[2] + slack and \
        outer[1] - slack <= cy <= outer[1] + outer[3] + slack

def printed_elsewhere(under, target, over, url):
    # The whole address printed under the author's link is another than the link's target
    # (a list's e-mail address under a link to its archive, "list@example.org mailing list
    # archive" under one link), and the links over it lead to what is printed: not a fault of
    # reading. A target that goes on from the printed text is not taken for one: the address
    # may be broken at a line end; but a "mailto:" target's headers ("?Subject=…") are never
    # printed.
    words = under.split()
    candidates = [under] + ([words[0]] if len(words) > 1 and '@' in words[0] else [])
    for candidate in candidates:
        printed = comparable(re.sub(r'^[(\[<"\']+|[)\]>"\'.,;:]+$', '', candidate))
        headers = url.lower().startswith('mailto:') and target.partition('?')[0] == printed
        if printed != target and (headers or not target.startswith(printed)) and \
                all(comparable(l['url']) == printed for l in over):
            return True
    return False

ADDRESS = re.compile(r'^[(\[<"\']?((https?|ftp)://|www\.|[A-Za-z0-9._%+-]+@[A-Za-z0-9-]+\.)', re.I)
verbose = os.environ.get('VERBOSE') == '1'
total = [0, 0, 0, 0]
for pdf in sorted(glob.glob(os.path.join(folder, '*.pdf'))):
    out = os.path.join(work, 'publication')
    subprocess.run(['rm', '-rf', out])
    os.makedirs(out)
    name = os.path.basename(pdf)
    if job(out, 'createdocumentxml', pdf, '<version>1.0</version><documentlang>en</documentlang>'
           '<thumbprefix>t</thumbprefix><pagesprefix>p</pagesprefix><zoomprefix>z</zoomprefix>'
           '<zoompostfix>jpg</zoompostfix><docid>d</docid><thumbwidth>150</thumbwidth>'
           '<importbookmarks>false</importbookmarks><importpagelabels>false</importpagelabels>') or \
            job(out, 'createpagesxml', pdf, '<importlinks>1</importlinks>'):
        print('%s: refused by the program' % name)
        continue
    descriptor = open(os.path.join(out, 'document.xml'), encoding='utf-8', errors='replace').read()
    sizes = [(float(w), float(h)) for w, h in
             re.findall(r'<normal file="[^"]*" width="(\d+)" height="(\d+)"', descriptor)]
    imported = {n: links(out, n) for n in range(1, len(sizes) + 1)}
    listed = ''.join('<e target="1" linktype="%d" result="%s" description=""><regexp>%s</regexp></e>'
                     % (kind, x(result), x(regexp)) for kind, result, regexp in expressions)
    if job(out, 'recognizelinks', pdf, '<userange>0</userange><importpdflinks>0</importpdflinks>'
           '<usebinarysearch>0</usebinarysearch><expresions>%s</expresions>' % listed):
        print('%s: recognizelinks failed' % name)
        continue
    poppler = words(pdf)
    right = wrong = missing = pieces = elsewhere = 0
    notes = []
    for n in range(1, min(len(sizes), len(poppler)) + 1):
        recognised = [l for l in links(out, n) if l.get('target') == '1']
        for a, b in zip(recognised, recognised[1:]):
            if (a['url'], a['text']) == (b['url'], b['text']) and abs(a['box'][1] - b['box'][1]) > 2:
                pieces += 1
                notes.append('  going on from the line before, page %d: %s' % (n, a['text']))
        (width, height), page_words = poppler[n - 1]
        sx, sy = sizes[n - 1][0] / width, sizes[n - 1][1] / height
        if abs(sx - 1) < 0.01 and abs(sy - 1) < 0.01:
            sx = sy = 1
        for annotation in imported[n]:
            if annotation.get('target') != '' or annotation.get('linktype') not in ('0', '1'):
                continue
            box = annotation['box']
            under = ' '.join(w[4] for w in page_words
                             if centre_inside((w[0] * sx, w[1] * sy, (w[2] - w[0]) * sx,
                                               (w[3] - w[1]) * sy), box, 1))
            if not ADDRESS.match(under):
                continue
            # With the slack the printed words get: an author's link split into stacked
            # halves of one line has the line's link centred on their common edge.
            over = [l for l in recognised if centre_inside(l['box'], box, 1)]
            target = comparable(annotation['url'])
            if not over:
                missing += 1
                notes.append('  missing, page %d: %r -> %s' % (n, under, annotation['url']))
            elif all(comparable(l['url']) == target for l in over):
                right += 1
            elif printed_elsewhere(under, target, over, annotation['url']):
                elsewhere += 1
                notes.append('  printed elsewhere, page %d: %r -> %s' % (n, under, annotation['url']))
            else:
                wrong += 1
                notes.append('  wrong, page %d: %r -> %s; recognised %s' % (
                    n, under, annotation['url'], ' '.join(sorted({l['url'] for l in over}))))
    total = [total[0] + right, total[1] + wrong, total[2] + missing, total[3] + elsewhere]
    print('%s: right %d, wrong %d, missing %d, printed elsewhere %d; %d links going on from the '
          'line before' % (name, right, wrong, missing, elsewhere, pieces))
    if verbose and notes:
        print('\n'.join(notes))
share = 100.0 * total[0] / max(1, sum(total[:3]))
print('total: right %d, wrong %d, missing %d (%.1f %% right); printed elsewhere %d' % (
    total[0], total[1], total[2], share, total[3]))
PY
