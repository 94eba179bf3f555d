// The publication viewer: reads what quillonproxy wrote into this folder (files.js) and
// shows it: a bar, a sidebar (contents, thumbnails, search results) and the stage with one
// page, or two side by side (a spread), each an image with its text layer (textlayer.js)
// and its link areas (areas.js) laid over it.
//
//   Page_N.xml          the page's links and products
//   DocumentIndex.xml   the text of every page, searched where a page has no text layer
//   Page_N.html         the page's text, for the text view
//   Text_N.json         the page's words and where they lie (textlayer.js): laid over the
//                       page image, to select, copy and find, and what search matches on
//
// Loading order, for slow networks: the descriptor (and publication.json beside it), then
// the first page's image; only once that has arrived the page's record and text layer,
// the thumbnails and the next page's image. The text of the other pages is fetched only
// when a search needs it. Each page shown has its own token and AbortController, so that
// an answer for a page no longer shown is never shown.
//
// Nothing read from the publication is ever put into the page as HTML (text nodes and
// attributes only). The page to show is in the address as #page=N (#?page=N, as the SEO
// links write it, too).
import { buildTextLayer, findAll, foldTerm, readTextLayer, searchableText, wordBoxElement } from './textlayer.js';
import { fetchText, fetchXml, fileUrl, number, readDescriptor, readPublication } from './files.js';
import { areaElement, readAreas } from './areas.js';
import { watchGestures } from './gestures.js';

// Search: how many text layers are fetched at once (a browser opens six connections to a
// host; the results come in page order), the most hits kept (a common word in a long book)
// and listed.
const SEARCH_FETCHES_IN_FLIGHT = 6;
const MAX_HITS = 10000;
const MAX_LISTED_HITS = 1000;
const SNIPPET_BEFORE = 40;
const SNIPPET_AFTER = 60;
// Where the sidebar lies over the page instead of beside it (as viewer.css has it).
const NARROW_SCREEN = '(max-width: 700px)';
// Where two pages fit side by side at a readable size (as viewer.css shows the control).
const SPREAD_SCREEN = '(min-width: 1000px) and (orientation: landscape)';
// Zoom levels, as shares of the page's real size (one point a 72nd of an inch, one CSS
// pixel a 96th), and the range pinching moves in.
const ZOOM_STEPS = [0.5, 0.75, 1, 1.25, 1.5, 2, 3, 4];
const MIN_ZOOM = 0.25;
const MAX_ZOOM = 4;
const PX_PER_POINT = 96 / 72;
// A double tap on a page shown whole zooms to this many times the whole-page size.
const DOUBLE_TAP_FACTOR = 2.5;
// The normal image is shown up to this much larger than its pixels (the frame is rounded to
// whole pixels); beyond, the zoom image.
const UPSCALE_TOLERANCE = 1.01;
const SPREAD_KEY = `quillon-spread:${window.location.pathname}`;

const $ = (id) => document.getElementById(id);
const plural = (count, one, many) => `${count} ${count === 1 ? one : many}`;

const state = {
  pages: [],          // from readDescriptor
  shown: [],          // the page numbers shown, left to right (one, or two in a spread)
  current: 0,         // the first of them; 0 before the first
  zoom: 'page',       // 'page' (whole page), 'width' (the stage's width) or a share of real size
  textView: false,
  spreadWanted: false,
  showToken: 0,       // which page show is current; answers for an older one are dropped
  controller: null,   // aborts the requests of the page show before
  firstImage: null,   // Promise: the first page image has arrived (or failed)
  firstImageArrived: null, // resolves it (then null)
  arrived: new Set(), // addresses of zoom images that have arrived
  fetching: new Set(),// addresses of zoom images being fetched
  frames: [],         // {element, image, textLayer, areas, num, layer, areaElements}
  term: '',           // the search term, lower case
  index: null,        // Promise of Map page -> text
  layers: new Map(),  // page number -> Promise of its text layer, or of null without one
  query: '',          // the search term as matched (foldTerm)
  searchRun: 0,       // which search is running; an older one stops
  hits: [],           // {num, words: [[line, word]], hasBoxes} in page order
  hitIndex: -1,       // the hit gone to, or -1
  searching: false,
  hitPages: 0,        // how many pages have hits
};

// ---- the bar: title, download ----

function showTitle(descriptor, publication) {
  const title = publication.title || descriptor.title || 'Publication';
  $('title').textContent = title;
  document.title = title;
  const download = $('download');
  if (publication.pdf !== null) {
    download.href = fileUrl(publication.pdf);
    download.setAttribute('download', publication.pdfName || publication.pdf);
    download.hidden = false;
  }
}

// ---- contents and thumbnails ----

function buildContents(toc) {
  const panel = $('toc-panel');
  const list = contentsList(toc);
  if (list === null) {
    const none = document.createElement('p');
    none.textContent = 'This publication has no table of contents.';
    panel.append(none);
    selectTab('thumbs');
    return;
  }
  panel.append(list);
}

function contentsList(parent) {
  if (parent === null) return null;
  const items = [...parent.children].filter((e) => e.localName === 'tocitem');
  if (items.length === 0) return null;
  const list = document.createElement('ul');
  for (const item of items) {
    const entry = document.createElement('li');
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'toc-entry';
    button.textContent = item.getAttribute('label') || '';
    const target = number(item.getAttribute('gotopage'));
    button.dataset.page = String(target);
    button.addEventListener('click', () => {
      goTo(target);
      closeSidebarOnNarrow();
    });
    entry.append(button);
    const children = contentsList(item);
    if (children !== null) entry.append(children);
    list.append(entry);
  }
  return list;
}

function buildThumbnails() {
  const panel = $('thumbs-panel');
  for (const page of state.pages) {
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'thumb';
    button.dataset.page = String(page.num);
    const url = page.thumb ? fileUrl(page.thumb.file) : null;
    if (url !== null) {
      const image = document.createElement('img');
      image.loading = 'lazy';
      image.alt = '';
      if (page.thumb.width > 0) image.width = page.thumb.width;
      if (page.thumb.height > 0) image.height = page.thumb.height;
      image.src = url;
      button.append(image);
    }
    const caption = document.createElement('span');
    caption.textContent = page.label ? `${page.label}` : String(page.num);
    button.append(caption);
    button.addEventListener('click', () => {
      goTo(page.num);
      closeSidebarOnNarrow();
    });
    panel.append(button);
  }
  markThumbnails();
}

function markThumbnails() {
  let first = null;
  for (const thumb of $('thumbs-panel').querySelectorAll('.thumb')) {
    const current = state.shown.includes(Number(thumb.dataset.page));
    thumb.classList.toggle('current', current);
    if (current) thumb.setAttribute('aria-current', 'page');
    else thumb.removeAttribute('aria-current');
    if (current && first === null) first = thumb;
  }
  // Only a panel shown can scroll (and scrolling a hidden one would scroll its ancestors).
  if (first !== null && !$('thumbs-panel').hidden && !$('sidebar').classList.contains('closed')) {
    first.scrollIntoView({ block: 'nearest' });
  }
}

// ---- tabs (the WAI-ARIA tabs pattern: one tab in the tab order, arrows move) ----

const TABS = ['toc', 'thumbs', 'results'];

function selectTab(name, focus = false) {
  for (const tab of TABS) {
    const button = $(`tab-${tab}`);
    button.setAttribute('aria-selected', String(tab === name));
    button.tabIndex = tab === name ? 0 : -1;
    $(`${tab}-panel`).hidden = tab !== name;
  }
  if (focus) $(`tab-${name}`).focus();
  if (name === 'thumbs') markThumbnails();
}

function onTabKey(event) {
  const at = TABS.findIndex((tab) => $(`tab-${tab}`) === event.target);
  if (at < 0) return;
  const moves = { ArrowRight: at + 1, ArrowLeft: at - 1, Home: 0, End: TABS.length - 1 };
  if (!(event.key in moves)) return;
  event.preventDefault();
  selectTab(TABS[(moves[event.key] + TABS.length) % TABS.length], true);
}

// ---- which pages are shown ----

function spreadOn() {
  return state.spreadWanted && window.matchMedia(SPREAD_SCREEN).matches;
}

// The pages shown for page `num`: itself, or in a spread the cover alone and then 2|3, 4|5...
function pagesFor(num) {
  if (!spreadOn() || num === 1) return [num];
  const left = num % 2 === 0 ? num : num - 1;
  return left + 1 <= state.pages.length ? [left, left + 1] : [left];
}

function pageFromAddress() {
  const match = /(?:^#|[#?&])page=(\d+)/.exec(window.location.hash);
  return match ? number(match[1]) : null;
}

// The page the address asks for, made one that exists (and the address rewritten so).
function showFromAddress() {
  const asked = pageFromAddress();
  const num = Math.min(Math.max(asked === null ? 1 : asked, 1), state.pages.length);
  if (asked !== null && asked !== num) history.replaceState(null, '', `#page=${num}`);
  show(num);
}

function goTo(num) {
  if (!Number.isInteger(num) || num < 1 || num > state.pages.length) return;
  if (pageFromAddress() !== num) history.pushState(null, '', `#page=${num}`);
  show(num);
}

function turn(step) {
  if (state.shown.length === 0) return;
  goTo(step > 0 ? state.shown[state.shown.length - 1] + 1 : state.shown[0] - 1);
}

function show(num) {
  if (state.pages.length === 0) return;
  num = Math.min(Math.max(num, 1), state.pages.length);
  const shown = pagesFor(num);
  const changed = shown.join() !== state.shown.join();
  state.shown = shown;
  state.current = shown[0];
  const first = state.pages[shown[0] - 1];
  $('page-input').value = String(shown[0]);
  $('page-label').textContent = first.label && first.label !== String(first.num) ? `(${first.label})` : '';
  $('prev').disabled = shown[0] <= 1;
  $('next').disabled = shown[shown.length - 1] >= state.pages.length;
  markThumbnails();
  if (!changed) {
    if (!state.textView) {
      layout();
      markHits();
      showHitBoxes();
    }
    return;
  }
  setStatus('');
  $('stage').scrollTo(0, 0);
  startShow();
}

// Shows the pages of state.shown afresh: a new token, the requests of the show before
// aborted.
function startShow() {
  const token = ++state.showToken;
  if (state.controller !== null) state.controller.abort();
  state.controller = new AbortController();
  const { signal } = state.controller;
  if (state.textView) {
    state.frames.forEach(clearFrame);
    showText(token, signal);
    return;
  }
  $('page-text').hidden = true;
  $('pages').hidden = false;
  state.frames.forEach((frame, i) => {
    clearFrame(frame);
    frame.num = state.shown[i] || 0;
    frame.element.hidden = frame.num === 0;
  });
  layout();
  for (const frame of state.frames) {
    if (frame.num === 0) continue;
    const page = state.pages[frame.num - 1];
    showAreas(frame, page, token, signal);
    showTextLayer(frame, page, token);
  }
}

function clearFrame(frame) {
  frame.areas.replaceChildren();
  frame.textLayer.replaceChildren();
  frame.areaElements = [];
  frame.layer = null;
}

// ---- zoom and the frames' sizes ----

// CSS pixels per point of the pages shown at zoom `zoom`.
function scaleFor(zoom) {
  const pages = state.shown.map((num) => state.pages[num - 1]).filter((p) => p.width > 0 && p.height > 0);
  if (pages.length === 0) return 1;
  const width = pages.reduce((sum, p) => sum + p.width, 0);
  const height = Math.max(...pages.map((p) => p.height));
  const stage = $('stage');
  if (zoom === 'width') return stage.clientWidth / width;
  if (zoom === 'page') {
    // The stage's padding as it is without fit-width (viewer.css: less on a narrow screen).
    const padding = stage.classList.contains('fit-width') ? 0 : parseFloat(getComputedStyle(stage).paddingLeft) || 0;
    const around = 2 * (padding || parseFloat(getComputedStyle(stage).paddingTop) || 0);
    return Math.max(Math.min((stage.clientWidth - around) / width, (stage.clientHeight - around) / height), 0.05);
  }
  return zoom * PX_PER_POINT;
}

// Sizes the frames for the zoom, and gives each the sharpest image for its size.
function layout() {
  const stage = $('stage');
  stage.classList.toggle('fit-width', state.zoom === 'width');
  const scale = scaleFor(state.zoom);
  const density = window.devicePixelRatio || 1;
  let loading = false;
  for (const frame of state.frames) {
    if (frame.num === 0) continue;
    const page = state.pages[frame.num - 1];
    const width = Math.floor(page.width * scale);
    frame.element.style.width = `${width}px`;
    frame.element.style.height = `${Math.floor(page.height * scale)}px`;
    chooseImage(frame, page, page.zoom && page.normal && width * density > UPSCALE_TOLERANCE * page.normal.width);
    frame.image.alt = frame.layer !== null ? '' : `Page ${page.label || page.num}`;
    if (!frame.image.complete) loading = true;
    scaleTextLayer(frame);
  }
  showLoading(loading ? `Loading page ${state.shown.join(' and ')}…` : '');
  showZoomLevel(scale);
}

// Gives the frame the normal image, or the zoom image when `sharper`: on a page just shown,
// the normal one first (a fraction of the bytes, so the page shows sooner) and the zoom one
// once it has arrived. The zoom image, once shown, stays until the page is turned.
function chooseImage(frame, page, sharper) {
  const normal = page.normal ? fileUrl(page.normal.file) : null;
  const zoom = page.zoom ? fileUrl(page.zoom.file) : null;
  const samePage = frame.image.dataset.num === String(page.num);
  const src = frame.image.getAttribute('src');
  const set = (url) => {
    // Another page's image is not shown while this one comes.
    if (!samePage) frame.element.classList.add('waiting');
    frame.image.dataset.num = String(page.num);
    if (!(samePage && src === url)) frame.image.src = url;
  };
  if (samePage && src !== null && src === zoom) return;
  if (!(sharper && zoom !== null) || (normal !== null && !state.arrived.has(zoom))) {
    if (normal !== null) set(normal);
    else if (zoom !== null) set(zoom);
    else if (state.firstImageArrived) state.firstImageArrived();
    if (!(sharper && zoom !== null) || state.fetching.has(zoom)) return;
    // The zoom image in the background once the normal one is in (not to slow it down),
    // shown when it has arrived if the page is still shown.
    state.fetching.add(zoom);
    const fetchZoom = () => {
      const ahead = new Image();
      ahead.src = zoom;
      ahead.decode().then(() => {
        state.arrived.add(zoom);
        if (frame.num === page.num && frame.image.dataset.num === String(page.num)) frame.image.src = zoom;
      }, () => {}).finally(() => state.fetching.delete(zoom));
    };
    if (normal === null || frame.image.complete) fetchZoom();
    else {
      const arrived = () => {
        frame.image.removeEventListener('load', arrived);
        frame.image.removeEventListener('error', arrived);
        fetchZoom();
      };
      frame.image.addEventListener('load', arrived);
      frame.image.addEventListener('error', arrived);
    }
    return;
  }
  set(zoom);
}

function showLoading(message) {
  $('loading').textContent = message;
  $('loading').hidden = message === '';
}

function imageArrived(frame) {
  frame.element.classList.remove('waiting');
  if (state.frames.every((f) => f.num === 0 || f.image.complete)) showLoading('');
  if (frame.image.naturalWidth === 0 && frame.num > 0 && frame.image.getAttribute('src')) {
    setStatus(`The image of page ${frame.num} cannot be loaded.`);
  }
  if (state.firstImageArrived) state.firstImageArrived();
  // The next page's image, so that turning is quick.
  const next = state.pages[state.shown[state.shown.length - 1]];
  if (next && next.normal) {
    const ahead = fileUrl(next.normal.file);
    if (ahead !== null) new Image().src = ahead;
  }
}

function showZoomLevel(scale) {
  const select = $('zoom-level');
  const share = scale / PX_PER_POINT;
  const custom = select.querySelector('option[data-custom]');
  if (typeof state.zoom === 'number' && !ZOOM_STEPS.includes(state.zoom)) {
    custom.hidden = false;
    custom.value = String(state.zoom);
    custom.textContent = `${Math.round(state.zoom * 100)}%`;
    select.value = custom.value;
  } else {
    custom.hidden = true;
    select.value = String(state.zoom);
  }
  $('zoom-out').disabled = share <= Math.min(ZOOM_STEPS[0], scaleFor('page') / PX_PER_POINT) * 1.001;
  $('zoom').disabled = share >= MAX_ZOOM * 0.999;
}

// Zooms to `zoom`, keeping the point at `anchor` (client coordinates; default the stage's
// centre) where it is.
function setZoom(zoom, anchor = null) {
  if (typeof zoom === 'number') zoom = Math.min(Math.max(zoom, MIN_ZOOM), MAX_ZOOM);
  const stage = $('stage');
  const box = stage.getBoundingClientRect();
  const at = anchor || { x: box.left + stage.clientWidth / 2, y: box.top + stage.clientHeight / 2 };
  const before = $('pages').getBoundingClientRect();
  const scaleBefore = scaleFor(state.zoom);
  const point = { x: (at.x - before.left) / scaleBefore, y: (at.y - before.top) / scaleBefore };
  state.zoom = zoom;
  layout();
  const after = $('pages').getBoundingClientRect();
  const scaleAfter = scaleFor(state.zoom);
  stage.scrollLeft += after.left + point.x * scaleAfter - at.x;
  stage.scrollTop += after.top + point.y * scaleAfter - at.y;
}

// The next zoom level up (step 1) or down (-1): the steps and the whole page among them.
function zoomStep(step) {
  const share = scaleFor(state.zoom) / PX_PER_POINT;
  const whole = scaleFor('page') / PX_PER_POINT;
  const levels = [...ZOOM_STEPS, whole].sort((a, b) => a - b);
  const next = step > 0 ? levels.find((s) => s > share * 1.01) : levels.reverse().find((s) => s < share * 0.99);
  if (next !== undefined) setZoom(next === whole ? 'page' : next);
}

// ---- the text layer ----

// The text layer of page `num`: a Promise of the layer, or of null when the page has none
// (no Text_N.json: an older publication) or it cannot be read. Kept for search, so never
// aborted.
function loadTextLayer(num) {
  if (!state.layers.has(num)) {
    const page = state.pages[num - 1];
    const loading = fetchText(`Text_${num}.json`)
      .then((text) => readTextLayer(JSON.parse(text), num, page))
      .catch(() => null);
    state.layers.set(num, loading);
  }
  return state.layers.get(num);
}

async function showTextLayer(frame, page, token) {
  await state.firstImage;
  if (token !== state.showToken) return;
  const layer = await loadTextLayer(page.num);
  // Turned on, or to the text view, meanwhile: this answer is no longer wanted.
  if (token !== state.showToken || layer === null) return;
  const { frame: element, hits } = buildTextLayer(layer);
  frame.textLayer.replaceChildren(element);
  frame.layer = { num: page.num, layer, frame: element, hits };
  frame.image.alt = '';
  scaleTextLayer(frame);
  showHitBoxes(true);
}

// The layer's frame (one pixel per point) scaled to the page image as it is shown.
function scaleTextLayer(frame) {
  if (frame.layer === null) return;
  const width = parseFloat(frame.element.style.width);
  if (!(width > 0)) return;
  frame.layer.frame.style.transform = `scale(${width / frame.layer.layer.width})`;
}

// The boxes of the hits on the pages shown; the current one marked and, if asked, scrolled to.
function showHitBoxes(scroll = false) {
  let current = null;
  for (const frame of state.frames) {
    const shown = frame.layer;
    if (shown === null) continue;
    shown.hits.replaceChildren();
    state.hits.forEach((hit, index) => {
      if (hit.num !== shown.num || !hit.hasBoxes) return;
      for (const [l, w] of hit.words) {
        const line = shown.layer.lines[l];
        if (!line || !line.words[w]) continue;
        const box = wordBoxElement(line, line.words[w]);
        box.dataset.hit = String(index);
        if (index === state.hitIndex) {
          box.classList.add('current');
          if (current === null) current = box;
        }
        shown.hits.append(box);
      }
    });
  }
  if (scroll && current !== null) current.scrollIntoView({ block: 'center', inline: 'center' });
}

// ---- link areas ----

async function showAreas(frame, page, token, signal) {
  if (!page.data) return;
  await state.firstImage;
  if (token !== state.showToken) return;
  let xml;
  try {
    xml = await fetchXml(page.data, signal);
  } catch (error) {
    if (token === state.showToken && error.name !== 'AbortError') {
      setStatus(`The links of page ${page.num} cannot be read: ${error.message}`);
    }
    return;
  }
  if (token !== state.showToken) return;  // turned on meanwhile
  const label = (num) => state.pages[num - 1].label || String(num);
  const elements = readAreas(xml, state.pages.length).map((area) => areaElement(area, page, label, goTo));
  frame.areas.replaceChildren(...elements);
  frame.areaElements = elements;
  markHits();
}

function markHits() {
  for (const frame of state.frames) {
    for (const area of frame.areaElements) {
      const text = (area.dataset.text || '').toLowerCase();
      area.classList.toggle('hit', state.term !== '' && text.includes(state.term));
    }
  }
}

// ---- the text view ----

async function showText(token, signal) {
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

// ---- search ----

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

// What search matches on page `num`: its text layer's lines, or, without one, its lines of
// DocumentIndex.xml (no boxes; the index is fetched only then).
async function searchablePage(num) {
  const layer = await loadTextLayer(num);
  if (layer !== null) return { num, hasBoxes: true, text: searchableText(layer.lines) };
  const index = await loadIndex();
  const lines = (index.get(num) || '').split('\n').map((line) => ({
    words: line.split(/\s+/u).filter((word) => word !== '').map((text) => ({ text })),
  }));
  return { num, hasBoxes: false, text: searchableText(lines) };
}

async function search(term) {
  const run = ++state.searchRun;
  state.term = term.trim().toLowerCase();
  state.query = foldTerm(term);
  state.hits = [];
  state.hitIndex = -1;
  markHits();
  showHitBoxes();
  const panel = $('results-panel');
  panel.replaceChildren();
  selectTab('results');
  $('hit-count').textContent = '';
  if (state.query === '') return;
  const summary = document.createElement('p');
  summary.className = 'results-summary';
  const list = document.createElement('div');
  list.className = 'results';
  panel.append(summary, list);
  state.searching = true;
  $('search').classList.add('busy');
  const startPage = state.current;
  const pending = [];
  let next = 1;
  const ask = () => {
    while (pending.length < SEARCH_FETCHES_IN_FLIGHT && next <= state.pages.length) {
      pending.push(searchablePage(next++).catch((error) => ({ error })));
    }
  };
  state.hitPages = 0;
  let failure = null;
  for (let num = 1; num <= state.pages.length && state.hits.length < MAX_HITS; num++) {
    ask();
    const page = await pending.shift();
    if (run !== state.searchRun) return;  // a newer search started
    if (page.error) {
      failure = page.error;
      break;
    }
    const found = findAll(page.text, state.query, MAX_HITS - state.hits.length);
    if (found.length === 0) {
      if (state.hits.length === 0) $('hit-count').textContent = `Searching… (page ${num} of ${state.pages.length})`;
      continue;
    }
    state.hitPages++;
    for (const hit of found) {
      const index = state.hits.length;
      state.hits.push({ num: page.num, words: hit.words, hasBoxes: page.hasBoxes });
      if (index < MAX_LISTED_HITS) list.append(resultButton(index, page, hit));
    }
    // The first hit on or after the page shown is gone to as soon as it is known.
    if (state.hitIndex < 0 && page.num >= startPage) {
      goToHit(state.hits.length - found.length);
    } else if (state.shown.includes(page.num)) {
      showHitBoxes();
    }
    showCount(false);
  }
  state.searching = false;
  $('search').classList.remove('busy');
  if (failure !== null) {
    setStatus(`The text index cannot be read: ${failure.message}`);
  }
  if (state.hitIndex < 0 && state.hits.length > 0) goToHit(0);
  showCount(true);
  const quoted = `"${term.trim()}"`;
  summary.textContent = state.hitPages === 0 ? `No page holds ${quoted}.`
    : `${plural(state.hitPages, 'page holds', 'pages hold')} ${quoted}: ${plural(state.hits.length, 'hit', 'hits')}.`;
}

function showCount(done) {
  const count = state.hits.length;
  let text;
  if (count === 0) text = done ? 'No hits' : 'Searching…';
  else if (state.hitIndex >= 0) text = `Hit ${state.hitIndex + 1} of ${count}${done ? '' : '…'}`;
  else text = `${plural(count, 'hit', 'hits')}${done ? '' : '…'}`;
  if (done && count > 0) text += ` on ${plural(state.hitPages, 'page', 'pages')}`;
  $('hit-count').textContent = text;
}

function resultButton(index, page, hit) {
  const shown = page.text.shown;
  const from = Math.max(0, hit.shownFrom - SNIPPET_BEFORE);
  const to = Math.min(shown.length, hit.shownTo + SNIPPET_AFTER);
  const button = document.createElement('button');
  button.type = 'button';
  button.className = 'result';
  button.dataset.page = String(page.num);
  button.dataset.hit = String(index);
  const heading = document.createElement('b');
  const label = state.pages[page.num - 1] ? state.pages[page.num - 1].label : '';
  heading.textContent = `Page ${page.num}${label && label !== String(page.num) ? ` (${label})` : ''}`;
  const context = document.createElement('span');
  const mark = document.createElement('mark');
  mark.textContent = shown.slice(hit.shownFrom, hit.shownTo);
  context.append(
    document.createTextNode(`${from > 0 ? '…' : ''}${shown.slice(from, hit.shownFrom)}`),
    mark,
    document.createTextNode(`${shown.slice(hit.shownTo, to)}${to < shown.length ? '…' : ''}`));
  button.append(heading, context);
  button.addEventListener('click', () => {
    goToHit(index);
    closeSidebarOnNarrow();
  });
  return button;
}

function goToHit(index) {
  if (index < 0 || index >= state.hits.length) return;
  state.hitIndex = index;
  const hit = state.hits[index];
  for (const button of $('results-panel').querySelectorAll('.result')) {
    const current = button.dataset.hit === String(index);
    if (current) button.setAttribute('aria-current', 'true');
    else button.removeAttribute('aria-current');
  }
  if (!state.shown.includes(hit.num)) goTo(hit.num);
  showHitBoxes(true);
  showCount(!state.searching);
}

// The next (step 1) or previous (-1) hit, round the publication.
function stepHit(step) {
  const count = state.hits.length;
  if (count === 0) return;
  if (state.hitIndex < 0) {
    const after = state.hits.findIndex((hit) => hit.num >= state.current);
    goToHit(step > 0 ? Math.max(after, 0) : (after <= 0 ? count - 1 : after - 1));
    return;
  }
  goToHit((state.hitIndex + step + count) % count);
}

// Enter in the search box: a new term searches, the same term goes on to the next hit.
function searchOrStep(step) {
  const term = $('search-input').value;
  if (foldTerm(term) !== '' && foldTerm(term) === state.query && state.hits.length > 0) stepHit(step);
  else search(term);
}

// ---- printing ----

// Prints the images of pages `nums`, one a sheet: their img elements are made, awaited and
// then printed; they are removed after printing.
async function printPages(nums) {
  const holder = $('print-pages');
  holder.replaceChildren();
  for (const num of nums) {
    const page = state.pages[num - 1];
    // The current page as shown (the zoom image when it is); all pages from their normal
    // images, so that a long book does not fetch every zoom image.
    const image = nums.length === 1 && page.zoom ? page.zoom : page.normal;
    const url = image ? fileUrl(image.file) : null;
    if (url === null) continue;
    const element = document.createElement('img');
    element.alt = `Page ${page.label || page.num}`;
    element.src = url;
    holder.append(element);
  }
  showLoading(`Preparing ${plural(holder.childElementCount, 'page', 'pages')} for printing…`);
  // Arrived, not decoded: a long book's images decoded at once would take gigabytes.
  await Promise.all([...holder.children].map((element) => (element.complete ? null : new Promise((resolve) => {
    element.addEventListener('load', resolve, { once: true });
    element.addEventListener('error', resolve, { once: true });
  }))));
  showLoading('');
  document.body.classList.add('printing');
  window.print();
}

function afterPrint() {
  document.body.classList.remove('printing');
  $('print-pages').replaceChildren();
}

// ---- controls ----

function setStatus(message) {
  $('status').textContent = message;
}

function setSidebar(open) {
  $('sidebar').classList.toggle('closed', !open);
  $('toggle-sidebar').setAttribute('aria-expanded', String(open));
  if (state.current > 0 && !state.textView) layout();
  if (open) markThumbnails();
}

function closeSidebarOnNarrow() {
  if (window.matchMedia(NARROW_SCREEN).matches && !$('sidebar').classList.contains('closed')) setSidebar(false);
}

function setSpread(on) {
  state.spreadWanted = on;
  try {
    window.sessionStorage.setItem(SPREAD_KEY, on ? '1' : '0');
  } catch {
    // Storage refused (a private window): remembered until the page is left.
  }
  $('spread').setAttribute('aria-pressed', String(on));
  if (state.current > 0) show(state.current);
}

function setTextView(on) {
  state.textView = on;
  $('text-view').setAttribute('aria-pressed', String(on));
  if (state.current > 0) startShow();
}

// Left and right arrows on a page wider than the stage pan it, and turn the page only at
// its edge. True when the stage was panned (the browser scrolls it, smoothly or not).
function panSideways(step) {
  const stage = $('stage');
  const room = stage.scrollWidth - stage.clientWidth;
  if (room <= 1) return false;
  if (step > 0 ? stage.scrollLeft >= room - 1 : stage.scrollLeft <= 0) return false;
  stage.scrollBy({ left: step * Math.max(40, stage.clientWidth / 4) });
  return true;
}

// Keys that turn pages or zoom: not from a field, a list or the tabs (which move with arrows).
function onKey(event) {
  if (event.key === 'F3' && !event.altKey && !event.ctrlKey && !event.metaKey) {
    event.preventDefault();
    if (state.hits.length > 0) stepHit(event.shiftKey ? -1 : 1);
    else if ($('search-input').value.trim() !== '') searchOrStep(1);
    return;
  }
  const target = event.target;
  if (target instanceof HTMLInputElement || target instanceof HTMLSelectElement ||
      target instanceof HTMLTextAreaElement || (target instanceof Element && target.closest('[role="tablist"], dialog')) ||
      event.altKey || event.ctrlKey || event.metaKey) return;
  const steps = { ArrowRight: 1, PageDown: 1, ArrowLeft: -1, PageUp: -1 };
  const step = steps[event.key];
  if (event.key === 'Home') goTo(1);
  else if (event.key === 'End') goTo(state.pages.length);
  else if (step) {
    if (!(event.key.startsWith('Arrow') && panSideways(step))) turn(step);
  } else if (event.key === '+' || event.key === '=') zoomStep(1);
  else if (event.key === '-') zoomStep(-1);
  else if (event.key === '0') setZoom('page');
  else return;
  event.preventDefault();
}

function wireControls() {
  $('prev').addEventListener('click', () => turn(-1));
  $('next').addEventListener('click', () => turn(1));
  $('page-input').addEventListener('change', (event) => goTo(number(event.target.value)));
  $('zoom').addEventListener('click', () => zoomStep(1));
  $('zoom-out').addEventListener('click', () => zoomStep(-1));
  $('zoom-level').addEventListener('change', (event) => {
    const value = event.target.value;
    setZoom(value === 'page' || value === 'width' ? value : Number(value));
  });
  $('text-view').addEventListener('click', () => setTextView(!state.textView));
  $('spread').addEventListener('click', () => setSpread(!state.spreadWanted));
  $('print').addEventListener('click', () => {
    $('print-current').textContent = state.shown.length > 1 ? 'The pages shown' : 'The page shown';
    $('print-dialog').returnValue = '';
    $('print-dialog').showModal();
  });
  for (const choice of $('print-dialog').querySelectorAll('button')) {
    choice.addEventListener('click', () => $('print-dialog').close(choice.value));
  }
  $('print-dialog').addEventListener('close', () => {
    const choice = $('print-dialog').returnValue;
    if (choice === 'current') printPages(state.shown);
    else if (choice === 'all') printPages(state.pages.map((p) => p.num));
  });
  window.addEventListener('afterprint', afterPrint);
  $('search').addEventListener('submit', (event) => {
    event.preventDefault();
    searchOrStep(1);
  });
  $('search-input').addEventListener('keydown', (event) => {
    if (event.key !== 'Enter' || event.isComposing) return;
    event.preventDefault();
    searchOrStep(event.shiftKey ? -1 : 1);
  });
  $('toggle-sidebar').addEventListener('click', () => setSidebar($('sidebar').classList.contains('closed')));
  // A sidebar over the page closes with a tap beside it, or Escape.
  $('stage').addEventListener('click', closeSidebarOnNarrow);
  document.addEventListener('keydown', (event) => {
    if (event.key !== 'Escape' || !window.matchMedia(NARROW_SCREEN).matches || $('sidebar').classList.contains('closed')) return;
    setSidebar(false);
    $('toggle-sidebar').focus();
  });
  for (const tab of TABS) $(`tab-${tab}`).addEventListener('click', () => selectTab(tab));
  $('tabs').addEventListener('keydown', onTabKey);
  document.addEventListener('keydown', onKey);
  for (const frame of state.frames) {
    frame.image.addEventListener('load', () => imageArrived(frame));
    frame.image.addEventListener('error', () => imageArrived(frame));
  }
  let pinchFrom = null;
  let pinchFrame = 0;
  watchGestures($('stage'), {
    pinchStart: () => { pinchFrom = scaleFor(state.zoom) / PX_PER_POINT; },
    pinch: (ratio, at) => {
      if (pinchFrom === null) return;
      cancelAnimationFrame(pinchFrame);
      pinchFrame = requestAnimationFrame(() => setZoom(pinchFrom * ratio, at));
    },
    pinchEnd: () => { pinchFrom = null; },
    doubleTap: (at) => {
      const whole = scaleFor('page');
      setZoom(scaleFor(state.zoom) > whole * 1.05 ? 'page' : (whole * DOUBLE_TAP_FACTOR) / PX_PER_POINT, at);
    },
    swipe: (step) => {
      // A page larger than the stage is panned by the stroke, not turned.
      const stage = $('stage');
      if (stage.scrollWidth <= stage.clientWidth + 1) turn(step);
    },
  });
  window.addEventListener('popstate', showFromAddress);
  window.addEventListener('hashchange', showFromAddress);
  window.addEventListener('resize', () => {
    if (state.current === 0) return;
    if (pagesFor(state.current).join() !== state.shown.join()) show(state.current);
    else if (!state.textView) layout();
  });
}

function collectFrames() {
  state.frames = [...document.querySelectorAll('#pages .page-frame')].map((element) => ({
    element,
    image: element.querySelector('.page-image'),
    textLayer: element.querySelector('.text-layer'),
    areas: element.querySelector('.areas'),
    num: 0,
    layer: null,
    areaElements: [],
  }));
}

async function start() {
  collectFrames();
  state.firstImage = new Promise((resolve) => {
    state.firstImageArrived = () => {
      state.firstImageArrived = null;
      resolve();
    };
  });
  try {
    state.spreadWanted = window.sessionStorage.getItem(SPREAD_KEY) === '1';
  } catch {
    state.spreadWanted = false;
  }
  $('spread').setAttribute('aria-pressed', String(state.spreadWanted));
  selectTab('toc');
  wireControls();
  // publication.json in parallel with the descriptor; it is optional.
  const publication = readPublication();
  let descriptor;
  try {
    descriptor = readDescriptor(await fetchXml('document.xml'));
  } catch (error) {
    showLoading('');
    setStatus(`This publication cannot be shown: ${error.message}`);
    return;
  }
  state.pages = descriptor.pages;
  if (descriptor.lang !== '') document.documentElement.lang = descriptor.lang;
  $('page-count').textContent = `of ${state.pages.length}`;
  // On a narrow screen the sidebar covers the page: it starts closed.
  if (window.matchMedia(NARROW_SCREEN).matches) setSidebar(false);
  if (state.pages.length === 0) {
    showLoading('');
    setStatus('This publication has no pages.');
    return;
  }
  showFromAddress();
  buildContents(descriptor.toc);
  showTitle(descriptor, await publication);
  document.body.dataset.ready = 'true';
  // Thumbnails once the first page is in: their images wait for it.
  await state.firstImage;
  buildThumbnails();
}

start();
