// The text view: the text of the pages shown (Page_N.html) instead of their images, as
// paragraphs of plain text nodes that read as prose: each paragraph's lines reflowed, a line
// ending in a hyphen after a letter joined to the next without it, as search reads the text
// (searchableText), the search's hits marked, and the page's links (Page_N.xml) live on the
// words they cover. Needs the shared state, the matching of textlayer.js and the links of
// areas.js.
import { $, documentLanguage, setStatus, showLoading, state } from './state.js';
import { fetchText, fetchXml } from './files.js';
import { findAll, searchableText } from './textlayer.js';
import { linkElement, readAreas } from './areas.js';

// The paragraphs shown: {element, text (searchableText), links: [{from, to, area}] in the
// shown text}, so that a new search marks them again.
let shownParagraphs = [];

// A page link followed from the text view: the address says which page, and the viewer shows it.
const toPage = (num) => { window.location.hash = `page=${num}`; };
const labelOf = (num) => (state.pages[num - 1] && state.pages[num - 1].label) || String(num);

// The page's links that name their text, or none when its record cannot be read (the text
// shows without them).
async function linksOf(page, signal) {
  if (!page.data) return [];
  try {
    return readAreas(await fetchXml(page.data, signal), state.pages.length).filter((area) => area.text !== '');
  } catch {
    return [];
  }
}

export async function showText(token, signal) {
  $('pages').hidden = true;
  showLoading('');
  const article = $('page-text');
  article.hidden = false;
  article.replaceChildren();
  article.lang = documentLanguage();
  shownParagraphs = [];
  const parts = [];
  for (const num of state.shown) {
    const page = state.pages[num - 1];
    if (!page.html) continue;
    try {
      const [source, links] = await Promise.all([fetchText(page.html, signal), linksOf(page, signal)]);
      parts.push({ page, source, links });
    } catch (error) {
      if (token === state.showToken && error.name !== 'AbortError') {
        setStatus(`The text of page ${num} cannot be read: ${error.message}`);
      }
      return;
    }
    if (token !== state.showToken) return;
  }
  for (const { page, source, links } of parts) {
    if (parts.length > 1) {
      const heading = document.createElement('h2');
      heading.textContent = `Page ${page.label || page.num}`;
      article.append(heading);
    }
    const before = article.childElementCount;
    appendPageText(article, source, links);
    if (article.childElementCount === before) {
      const empty = document.createElement('p');
      empty.textContent = 'This page has no text.';
      article.append(empty);
    }
  }
}

function appendPageText(article, source, links) {
  // Each link on the next place its text is written, in the record's order.
  const unplaced = [...links];
  // Parsed into a document of its own, which runs nothing; only its text is taken over.
  const parsed = new DOMParser().parseFromString(source, 'text/html');
  let blocks = [...parsed.querySelectorAll('div.paragraph')];
  if (blocks.length === 0) blocks = [parsed.body];
  for (const block of blocks) {
    const lines = [''];
    for (const node of block.childNodes) {
      if (node.nodeName === 'BR') lines.push('');
      else lines[lines.length - 1] += node.textContent;
    }
    const kept = lines.map((line) => line.trim()).filter((line) => line !== '');
    if (kept.length === 0) continue;
    const text = searchableText(kept.map((line) => ({
      words: line.split(/\s+/u).filter((word) => word !== '').map((word) => ({ text: word })),
    })));
    const placed = [];
    for (let i = 0; i < unplaced.length;) {
      const area = unplaced[i];
      let from = text.shown.indexOf(area.text);
      while (from >= 0 && placed.some((p) => from < p.to && p.from < from + area.text.length)) {
        from = text.shown.indexOf(area.text, from + 1);
      }
      if (from < 0) {
        i++;
        continue;
      }
      placed.push({ from, to: from + area.text.length, area });
      unplaced.splice(i, 1);
    }
    placed.sort((a, b) => a.from - b.from);
    const paragraph = { element: document.createElement('p'), text, links: placed };
    markParagraph(paragraph);
    shownParagraphs.push(paragraph);
    article.append(paragraph.element);
  }
}

// The paragraph's text, each hit of the search in a <mark>, each link's words in its link.
function markParagraph({ element, text, links }) {
  const hits = findAll(text, state.query, Infinity);
  // The shown text from `from` to `to`, the parts of hits in it marked.
  const marked = (from, to) => {
    const pieces = [];
    let at = from;
    for (const hit of hits) {
      const start = Math.max(hit.shownFrom, from);
      const end = Math.min(hit.shownTo, to);
      if (start >= end) continue;
      pieces.push(text.shown.slice(at, start));
      const mark = document.createElement('mark');
      mark.textContent = text.shown.slice(start, end);
      pieces.push(mark);
      at = end;
    }
    pieces.push(text.shown.slice(at, to));
    return pieces.filter((piece) => piece !== '');
  };
  const pieces = [];
  let at = 0;
  for (const link of links) {
    pieces.push(...marked(at, link.from));
    const anchor = linkElement(link.area, labelOf, toPage);
    anchor.append(...marked(link.from, link.to));
    pieces.push(anchor);
    at = link.to;
  }
  pieces.push(...marked(at, text.shown.length));
  element.replaceChildren(...pieces);
}

// Marks the hits of the search now running in the text shown.
export function markTextHits() {
  if (state.textView) shownParagraphs.forEach(markParagraph);
}
