// Where search's text of a page comes from, best first:
//   search.json        every page's text in one file (written by publish.sh beside the text
//                      layers, from them): {"v":1,"pages":[[N,"line\nline"],...]}, the
//                      lines' words joined by single spaces. Fetched once, on the first
//                      search, so that a long book is searched after one request rather than
//                      one a page; the words' boxes come from Text_N.json when a page is shown.
//   Text_N.json        the page's text layer (an older publication without search.json; also
//                      what is shown over the page, so the two are fetched once)
//   DocumentIndex.xml  the page's lines (a page without a text layer), fetched only then
// The text is made searchable the same way from each (searchableText), and from the first
// two with the same [line, word] numbers, so that a hit found in search.json is boxed over
// the words of the text layer. Needs the text layers' loading (overlays.js).
import { state } from './state.js';
import { fetchText, fetchXml, number } from './files.js';
import { MAX_LINES, MAX_WORDS, searchableText } from './textlayer.js';
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

// A Promise of search.json's pages (readSearchText), fetched once.
function loadSearchText() {
  if (state.searchText === null) {
    state.searchText = fetchText('search.json').then((text) => readSearchText(JSON.parse(text))).catch(() => null);
  }
  return state.searchText;
}

// A page's lines from search.json as readTextLayer takes them from Text_N.json: the words of
// each line split at spaces, a line without words left out, and cut at the same limits, so
// that line l, word w here is line l, word w of the layer shown.
function linesOfText(text) {
  const lines = [];
  let words = 0;
  for (const line of text.split('\n').slice(0, MAX_LINES)) {
    const texts = line.split(' ').filter((word) => word !== '');
    if (texts.length === 0 || words + texts.length > MAX_WORDS) continue;
    words += texts.length;
    lines.push({ words: texts.map((word) => ({ text: word })) });
  }
  return lines;
}

function loadIndex() {
  if (state.index === null) {
    state.index = fetchXml('DocumentIndex.xml').then((xml) =>
      new Map([...xml.documentElement.children]
        .filter((e) => e.localName === 'page')
        .map((e) => [number(e.getAttribute('p')), e.textContent])));
    state.index.catch(() => { state.index = null; });
  }
  return state.index;
}

// What search matches on page `num`: {num, hasBoxes (its hits can be boxed over its words),
// text (searchableText)}.
export async function searchablePage(num) {
  const compact = await loadSearchText();
  if (compact !== null && compact.has(num)) return { num, hasBoxes: true, text: searchableText(linesOfText(compact.get(num))) };
  const layer = await loadTextLayer(num);
  if (layer !== null) return { num, hasBoxes: true, text: searchableText(layer.lines) };
  const index = await loadIndex();
  const lines = (index.get(num) || '').split('\n').map((line) => ({
    words: line.split(/\s+/u).filter((word) => word !== '').map((text) => ({ text })),
  }));
  return { num, hasBoxes: false, text: searchableText(lines) };
}
