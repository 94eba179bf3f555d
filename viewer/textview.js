// The text view: the text of the pages shown (Page_N.html) instead of their images, as
// paragraphs of plain text nodes. Needs nothing from the other modules but the shared state.
import { $, setStatus, showLoading, state } from './state.js';
import { fetchText } from './files.js';

export async function showText(token, signal) {
  $('pages').hidden = true;
  showLoading('');
  const article = $('page-text');
  article.hidden = false;
  article.replaceChildren();
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
    const paragraph = document.createElement('p');
    kept.forEach((line, i) => {
      if (i > 0) paragraph.append(document.createElement('br'));
      paragraph.append(document.createTextNode(line));
    });
    article.append(paragraph);
  }
}
