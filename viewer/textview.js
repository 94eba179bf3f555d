// The text view: the text of the pages shown (Page_N.html) instead of their images, as
// paragraphs of plain text nodes that read as prose: each paragraph's lines reflowed, a line
// ending in a hyphen after a letter joined to the next without it, as search reads the text
// (searchableText), and the search's hits marked. Needs the shared state and the matching of
// textlayer.js.
import { $, documentLanguage, setStatus, showLoading, state } from './state.js';
import { fetchText } from './files.js';
import { findAll, searchableText } from './textlayer.js';

// The paragraphs shown: {element, text (searchableText)}, so that a new search marks them again.
let shownParagraphs = [];

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
      parts.push({ page, source: await fetchText(page.html, signal) });
    } catch (error) {
      if (token === state.showToken && error.name !== 'AbortError') {
        setStatus(`The text of page ${num} cannot be read: ${error.message}`);
      }
      return;
    }
    if (token !== state.showToken) return;
  }
  for (const { page, source } of parts) {
    if (parts.length > 1) {
      const heading = document.createElement('h2');
      heading.textContent = `Page ${page.label || page.num}`;
      article.append(heading);
    }
    const before = article.childElementCount;
    appendPageText(article, source);
    if (article.childElementCount === before) {
      const empty = document.createElement('p');
      empty.textContent = 'This page has no text.';
      article.append(empty);
    }
  }
}

function appendPageText(article, source) {
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
    const paragraph = { element: document.createElement('p'), text };
    markParagraph(paragraph);
    shownParagraphs.push(paragraph);
    article.append(paragraph.element);
  }
}

// The paragraph's text, each hit of the search in a <mark>.
function markParagraph({ element, text }) {
  const pieces = [];
  let at = 0;
  for (const hit of findAll(text, state.query, Infinity)) {
    pieces.push(text.shown.slice(at, hit.shownFrom));
    const mark = document.createElement('mark');
    mark.textContent = text.shown.slice(hit.shownFrom, hit.shownTo);
    pieces.push(mark);
    at = hit.shownTo;
  }
  pieces.push(text.shown.slice(at));
  element.replaceChildren(...pieces);
}

// Marks the hits of the search now running in the text shown.
export function markTextHits() {
  if (state.textView) shownParagraphs.forEach(markParagraph);
}
