// What the viewer's modules share: the one state object (which page is shown, the zoom, the
// frames, the search and its hits), the element lookup, the events and the two status lines.
// It needs nothing from the others; every other module reaches `state` through this import.

export const $ = (id) => document.getElementById(id);
export const plural = (count, one, many) => `${count} ${count === 1 ? one : many}`;

// Where the sidebar lies over the page instead of beside it (as viewer.css has it).
export const NARROW_SCREEN = '(max-width: 700px)';

// Each field is set by one module, its owner (named first), and read by any; another module
// that wants it changed asks the owner (an import, or an event below). A frame's parts are
// owned the same way: its text layer and areas by overlays.js, its tiles by tiles.js.
export const state = {
  // viewer.js: what the publication's files say, and the first image's arrival
  pages: [],          // from readDescriptor
  rightToLeft: false, // the book reads from right to left (publication.json's "dir")
  tiles: null,        // publication.json's sharp zoom levels ({size, dpi, side}), or null
  firstImage: null,   // Promise: the first page image has arrived (or failed)
  firstImageArrived: null, // resolves it (then null)
  // pages.js: which pages are shown, and the show of them
  shown: [],          // the page numbers shown in reading order (one, or two in a spread)
  current: 0,         // the first of them; 0 before the first
  textView: false,
  showToken: 0,       // which page show is current; answers for an older one are dropped
  controller: null,   // aborts the requests of the page show before
  frames: [],         // {element, image, tiles, tileLevel, textLayer, areas, num, layer, areaElements}
  // spread.js
  spreadWanted: false,
  // zoom.js
  zoom: 'page',       // 'page' (whole page), 'width' (the stage's width) or a share of real size
  arrived: new Set(), // addresses of zoom images that have arrived
  fetching: new Set(),// addresses of zoom images being fetched
  // search.js
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
// in), on which search.js marks its hits; 'stageMoved' (the stage scrolled, once a frame), on
// which the tiles and a big text layer follow the view.
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
