// What the viewer's modules share: the one state object (which page is shown, the zoom, the
// frames, the search and its hits), the element lookup and the two status lines. It needs
// nothing from the others; every other module reads and writes `state` through this import.

export const $ = (id) => document.getElementById(id);
export const plural = (count, one, many) => `${count} ${count === 1 ? one : many}`;

// Where the sidebar lies over the page instead of beside it (as viewer.css has it).
export const NARROW_SCREEN = '(max-width: 700px)';

export const state = {
  pages: [],          // from readDescriptor
  shown: [],          // the page numbers shown in reading order (one, or two in a spread)
  current: 0,         // the first of them; 0 before the first
  zoom: 'page',       // 'page' (whole page), 'width' (the stage's width) or a share of real size
  textView: false,
  spreadWanted: false,
  rightToLeft: false, // the book reads from right to left (publication.json's "dir")
  showToken: 0,       // which page show is current; answers for an older one are dropped
  controller: null,   // aborts the requests of the page show before
  firstImage: null,   // Promise: the first page image has arrived (or failed)
  firstImageArrived: null, // resolves it (then null)
  arrived: new Set(), // addresses of zoom images that have arrived
  fetching: new Set(),// addresses of zoom images being fetched
  frames: [],         // {element, image, tiles, tileLevel, textLayer, areas, num, layer, areaElements}
  tiles: null,        // publication.json's sharp zoom levels ({size, dpi, side}), or null
  term: '',           // the search term, lower case
  query: '',          // the search term as matched (foldTerm)
  searchRun: 0,       // which search is running; an older one stops
  hits: [],           // {num, words: [[line, word]], hasBoxes} in page order
  hitIndex: -1,       // the hit gone to, or -1
  searching: false,
  hitPages: 0,        // how many pages have hits
};

// The language of the document's own text (its pages, title, contents and search snippets), as
// the publisher wrote it on the page's body; the interface's words are in the page's language.
export function documentLanguage() {
  return document.body.dataset.documentLang || '';
}

// What one module asks of another that imports it, or tells the modules that care, without
// importing them, so that no two modules import each other: 'goTo' (num) and 'show' (num),
// which pages.js does; 'layerShown' and 'areasShown' (a frame's text layer or link areas are
// in), on which search.js marks its hits.
const listeners = new Map();

export function on(name, listener) {
  if (!listeners.has(name)) listeners.set(name, []);
  listeners.get(name).push(listener);
}

export function emit(name, ...args) {
  for (const listener of listeners.get(name) || []) listener(...args);
}

export function setStatus(message) {
  $('status').textContent = message;
}

export function showLoading(message) {
  $('loading').textContent = message;
  $('loading').hidden = message === '';
}
