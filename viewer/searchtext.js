// Where search's text of a page comes from, best first:
//   search.json        the pages' text (written by publish.sh beside the text layers, from
//                      them), in parts of a few hundred pages at most, each part a file
//                      search-K.json {"v":1,"pages":[[N,"line\nline"],...]} of the lines'
//                      words joined by single spaces, and search.json their index:
//                      {"v":2,"parts":[[first page, last page],...]} for search-1.json,
//                      search-2.json, ... (an older publication's search.json is itself one
//                      part, {"v":1,...}). A search fetches the index and then each part when
//                      it reaches its pages, so that the first results of a long book show
//                      after its first part, and every later part is a request, not one a
//                      page; the words' boxes come from Text_N.json when a page is shown.
//   Text_N.json        the page's text layer (an older publication without search.json; also
//                      what is shown over the page, so the two are fetched once)
//   DocumentIndex.xml  the page's lines (a page without a text layer), fetched only then
// The text is made searchable the same way from each (searchableText, a slice at a time),
// and from the first two with the same [line, word] numbers, so that a hit found in
// search.json is boxed over the words of the text layer. Needs the text layers' loading (overlays.js).
import { keptFile, number } from './files.js';
import { MAX_LINES, MAX_WORDS, searchableTextInSlices } from './textlayer.js';
import { loadTextLayer } from './overlays.js';

// search.json as a Map page -> text, or null when the file is missing (an older publication)
// or not one; never an error.
function readSearchText(json) {
  if (json === null || typeof json !== 'object' || json.v !== 1 || !Array.isArray(json.pages)) return null;
  const pages = new Map();
  for (const entry of json.pages) {
    if (!Array.isArray(entry)) continue;
    const [num, text] = entry;
    if (Number.isInteger(num) && num >= 1 && typeof text === 'string') pages.set(num, text);
  }
  return pages;
}

// search.json's parts as [{first, last, file}] ascending (each file read with keptFile when a
// search reaches its pages); null when the index is no list of parts.
function readSearchParts(json) {
  if (json === null || typeof json !== 'object' || json.v !== 2 || !Array.isArray(json.parts)) return null;
  const parts = [];
  for (const [index, entry] of json.parts.entries()) {
    if (!Array.isArray(entry)) return null;
    const [first, last] = entry;
    if (!Number.isInteger(first) || !Number.isInteger(last) || first > last ||
        (parts.length > 0 && first <= parts[parts.length - 1].last)) return null;
    parts.push({ first, last, file: `search-${index + 1}.json` });
  }
  return parts;
}

// A Promise of the search text's index, fetched once: {parts} (search.json of parts, or one
// part already read for an older publication's), or null when there is none.
function loadSearchText() {
  return keptFile('search.json', (text) => {
    const json = JSON.parse(text);
    const whole = readSearchText(json);
    if (whole !== null) return { parts: [{ first: 1, last: Infinity, whole }] };
    const parts = readSearchParts(json);
    return parts === null ? null : { parts };
  }).catch(() => null);
}

// A Promise of the text of page `num` from the search text, or of undefined when the search
// text lacks it (no search text, a page of no part, a part that cannot be read).
async function searchTextOf(num) {
  const index = await loadSearchText();
  if (index === null) return undefined;
  const at = index.parts.findIndex((p) => p.first <= num && num <= p.last);
  if (at < 0) return undefined;
  const part = index.parts[at];
  const load = (p) => keptFile(p.file, (text) => readSearchText(JSON.parse(text)));
  // Once this part is in, the next is asked for while this one is searched: on a slow link the
  // parts then arrive one after another without a pause for each request, and never share
  // the link with the part the first results wait for.
  const pages = part.whole || await load(part).catch(() => null);
  const next = index.parts[at + 1];
  if (next !== undefined && !next.whole) load(next).catch(() => null);
  return pages ? pages.get(num) : undefined;
}

// A page's lines from search.json as readTextLayer takes them from Text_N.json: the words of
// each line split at spaces, a line without words left out, and cut at the same limits, so
// that line l, word w here is line l, word w of the layer shown.
// Made one line at a time, as they are taken.
function* linesOfText(text) {
  let words = 0;
  let count = 0;
  for (let at = 0; at <= text.length && count < MAX_LINES; count++) {
    let end = text.indexOf('\n', at);
    if (end < 0) end = text.length;
    const texts = text.slice(at, end).split(' ').filter((word) => word !== '');
    at = end + 1;
    if (texts.length === 0 || words + texts.length > MAX_WORDS) continue;
    words += texts.length;
    yield { words: texts.map((word) => ({ text: word })) };
  }
}

function loadIndex() {
  return keptFile('DocumentIndex.xml', (xml) => new Map([...xml.documentElement.children]
    .filter((e) => e.localName === 'page')
    .map((e) => [number(e.getAttribute('p')), e.textContent])), true)
    .then((index) => {
      if (index === null) throw new Error('DocumentIndex.xml: 404 Not Found');
      return index;
    });
}

// What search matches on page `num`: {num, hasBoxes (its hits can be boxed over its words),
// text (searchableText)}, made a slice at a time.
export async function searchablePage(num) {
  const compact = await searchTextOf(num);
  if (compact !== undefined) return { num, hasBoxes: true, text: await searchableTextInSlices(linesOfText(compact)) };
  const layer = await loadTextLayer(num);
  if (layer !== null) return { num, hasBoxes: true, text: await searchableTextInSlices(layer.lines) };
  const index = await loadIndex();
  const lines = (index.get(num) || '').split('\n').map((line) => ({
    words: line.split(/\s+/u).filter((word) => word !== '').map((text) => ({ text })),
  }));
  return { num, hasBoxes: false, text: await searchableTextInSlices(lines) };
}
