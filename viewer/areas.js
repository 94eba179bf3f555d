// A page's link and product areas from its record (Page_N.xml): where they lie ("loc": x y
// width height in points from the top-left corner of the shown page, y down), placed in
// percentages of the page so that they stay over the image at every size.
//
// A link opens only http:, https:, ftp: and mailto: addresses; any other address is shown
// as an inert area. Every text and address comes from a customer's PDF: text nodes and
// attributes only.
import { childElement } from './files.js';

const OPENED_SCHEMES = new Set(['http:', 'https:', 'ftp:', 'mailto:']);

// Two link areas are one link when they go to the same place and their boxes overlap over
// at least this share of the smaller box: the PDF's own link over a web address and the
// address recognised in the text cover the same words, the imported box a little larger
// (its rectangle as the PDF drew it) and the recognised one fitted to the glyphs; two
// different links side by side overlap by a sliver at most.
export const SAME_LINK_OVERLAP = 0.6;

function parseLoc(text) {
  const match = /^\s*(-?\d+)\s+(-?\d+)\s+(-?\d+)\s+(-?\d+)\s*$/.exec(text || '');
  if (!match) return null;
  const [x, y, width, height] = match.slice(1).map(Number);
  return width > 0 && height > 0 ? { x, y, width, height } : null;
}

// The address as a browser may open it, or null: only absolute http, https, ftp and mailto
// addresses. Also the form two links are compared in (new URL adds the "/" of an empty path
// and lower-cases the host).
export function openable(url) {
  let parsed;
  try {
    parsed = new URL(url);
  } catch {
    return null;
  }
  return OPENED_SCHEMES.has(parsed.protocol) ? parsed.href : null;
}

function overlapShare(a, b) {
  const width = Math.min(a.x + a.width, b.x + b.width) - Math.max(a.x, b.x);
  const height = Math.min(a.y + a.height, b.y + b.height) - Math.max(a.y, b.y);
  if (width <= 0 || height <= 0) return 0;
  return (width * height) / Math.min(a.width * a.height, b.width * b.height);
}

function percent(part, whole) {
  return `${((100 * part) / whole).toFixed(4)}%`;
}

// The page a page link goes to: its address is the page number ("3"), or holds page=N
// ("#page=3"); else the first number of its text. 0 when no page of 1..pageCount.
function linkedPage(url, text, pageCount) {
  const match = /^\s*(\d+)\s*$/.exec(url) || /(?:^|[#?&])page=(\d+)/.exec(url) || /(\d+)/.exec(text);
  if (!match) return 0;
  const num = Number.parseInt(match[1], 10);
  return num >= 1 && num <= pageCount ? num : 0;
}

// The areas of a record as plain data, one per link: {kind, loc, text, rawLoc, page (a
// target page or 0), address (an openable address or null), url}. Of two links to the same
// target over the same words (SAME_LINK_OVERLAP), the one with the smaller box is kept: the
// recognised one, fitted to the words, whose text is the words as shown.
export function readAreas(xml, pageCount) {
  const root = xml.documentElement;
  const areas = [];
  for (const [section, kind] of [['links', 'link'], ['products', 'product']]) {
    const list = childElement(root, section);
    for (const element of list ? list.children : []) {
      if (element.localName !== kind) continue;
      const loc = parseLoc(element.getAttribute('loc'));
      if (loc === null) continue;
      const url = element.getAttribute('url') || '';
      const text = element.getAttribute('text') || element.getAttribute('productid') || '';
      const page = kind === 'link' && element.getAttribute('linktype') === '2' ? linkedPage(url, text, pageCount) : 0;
      const address = page > 0 ? null : openable(url);
      const target = page > 0 ? `page:${page}` : `${kind}:${address === null ? url.trim() : address}`;
      areas.push({ kind, loc, rawLoc: element.getAttribute('loc'), text, url, page, address, target });
    }
  }
  // Quadratic in the links of one page, which are a few dozen; the record's order is kept.
  return areas.filter((area, i) => !areas.some((other, j) => j !== i && other.target === area.target &&
      overlapShare(area.loc, other.loc) >= SAME_LINK_OVERLAP &&
      (other.loc.width * other.loc.height < area.loc.width * area.loc.height ||
       (other.loc.width * other.loc.height === area.loc.width * area.loc.height && j < i))));
}

// The element of one area (from readAreas) on a page `size` points large. `label(num)` names
// a target page; `onPage(num)` is called when a page link is followed.
export function areaElement(area, size, label, onPage) {
  const element = linkElement(area, label, onPage);
  element.classList.add('area', area.kind);
  element.style.left = percent(area.loc.x, size.width);
  element.style.top = percent(area.loc.y, size.height);
  element.style.width = percent(area.loc.width, size.width);
  element.style.height = percent(area.loc.height, size.height);
  element.dataset.text = area.text;
  element.dataset.loc = area.rawLoc;
  return element;
}

// A link that leads where the area does (a page of the publication, an address it may open),
// or an inert one, placed nowhere: the caller places it or gives it its text.
export function linkElement(area, label, onPage) {
  const element = document.createElement('a');
  if (area.page > 0) {
    element.href = `#page=${area.page}`;
    element.title = `Page ${label(area.page)}`;
    element.dataset.page = String(area.page);
    element.addEventListener('click', (event) => {
      event.preventDefault();
      onPage(area.page);
    });
    return element;
  }
  if (area.address === null) {
    element.classList.add('inert');
    element.setAttribute('aria-disabled', 'true');
    element.title = area.text ? `${area.text} (not opened: ${area.url})` : `Not opened: ${area.url}`;
    return element;
  }
  element.href = area.address;
  element.title = area.text && area.text !== area.url ? `${area.text} — ${area.address}` : area.address;
  if (!area.address.startsWith('mailto:')) {
    element.target = '_blank';
    element.rel = 'noopener noreferrer';
  }
  return element;
}
