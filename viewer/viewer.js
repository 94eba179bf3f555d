// The publication viewer: reads what quillonproxy wrote into this folder (files.js) and
// shows it: a bar, a sidebar (contents, thumbnails, search results) and the stage with one
// page, or two side by side (a spread), each an image with its text layer (textlayer.js)
// and its link areas (areas.js) laid over it.
//
//   Page_N.xml          the page's links and products
//   search.json         the text of every page in one file, what search matches on
//                       (searchtext.js; older publications lack it)
//   DocumentIndex.xml   the text of every page, searched where a page has no text layer
//   Page_N.html         the page's text, for the text view
//   Text_N.json         the page's words and where they lie (textlayer.js): laid over the
//                       page image, to select, copy and find, and where search.json's hits
//                       are boxed (searched itself without search.json)
//
// Loading order, for slow networks: the descriptor (and publication.json beside it), then
// the first page's image; only once that has arrived the page's record and text layer,
// the thumbnails and the next page's image. The text of the other pages is fetched only
// when a search needs it (search.json, one request). Each page shown has its own token and AbortController, so that
// an answer for a page no longer shown is never shown.
//
// Nothing read from the publication is ever put into the page as HTML (text nodes and
// attributes only). The page to show is in the address as #page=N (#?page=N, as the SEO
// links write it, too).
//
// The modules, each owning one part and sharing the state object of state.js:
//   viewer.js      this one: starting, the bar's title and download, the controls and keys
//   pages.js       the address, turning, which pages are shown and showing them afresh
//   spread.js      two pages side by side
//   zoom.js        the frames' sizes, sharp images, zooming and panning
//   tiles.js       the sharp zoom's tiles of the part of a page in view
//   overlays.js    a page's text layer and link areas over its image
//   textview.js    the text view
//   sidebar.js     tabs, contents, thumbnails, opening and closing
//   search.js      hits, results, stepping, the marks on the pages shown
//   searchtext.js  where a page's searched text comes from
//   print.js       printing
// index.html preloads every one of them, so that none waits for the one importing it.
import { $, NARROW_SCREEN, documentLanguage, emit, setStatus, showLoading, state } from './state.js';
import { fetchXml, fileUrl, number, readDescriptor, readPublication } from './files.js';
import { watchGestures } from './gestures.js';
import { collectFrames, goTo, show, showFromAddress, turn, setTextView } from './pages.js';
import { pagesFor, restoreSpread, setSpread } from './spread.js';
import { imageArrived, layout, panSideways, setZoom, zoomGestures, zoomStep } from './zoom.js';
import { buildContents, buildThumbnails, selectTab, setSidebar, wireSidebar } from './sidebar.js';
import { searchOrStep, stepHit } from './search.js';
import { wirePrint } from './print.js';

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

// ---- controls ----

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
    // An arrow pans a page wider than the stage the way it points, else turns the way the book
    // reads: in a right-to-left book the next page lies to the left.
    const arrow = event.key.startsWith('Arrow');
    if (!(arrow && panSideways(step))) turn(arrow && state.rightToLeft ? -step : step);
  } else if (event.key === '+' || event.key === '=') zoomStep(1);
  else if (event.key === '-') zoomStep(-1);
  else if (event.key === '0') setZoom('page');
  else return;
  event.preventDefault();
}

function wireControls() {
  // The skip link takes the keyboard to the page: its links are the next stops.
  $('skip-to-page').addEventListener('click', (event) => {
    event.preventDefault();
    $('stage').focus();
  });
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
  wirePrint();
  $('search').addEventListener('submit', (event) => {
    event.preventDefault();
    searchOrStep(1);
  });
  $('search-input').addEventListener('keydown', (event) => {
    if (event.key !== 'Enter' || event.isComposing) return;
    event.preventDefault();
    searchOrStep(event.shiftKey ? -1 : 1);
  });
  wireSidebar();
  document.addEventListener('keydown', onKey);
  // What depends on the part of the page in view (the sharp zoom's tiles, the words of a page
  // of very many) follows the stage, once a frame.
  let moved = false;
  $('stage').addEventListener('scroll', () => {
    if (moved) return;
    moved = true;
    requestAnimationFrame(() => {
      moved = false;
      emit('stageMoved');
    });
  }, { passive: true });
  for (const frame of state.frames) {
    frame.image.addEventListener('load', () => imageArrived(frame));
    frame.image.addEventListener('error', () => imageArrived(frame));
  }
  watchGestures($('stage'), {
    ...zoomGestures(),
    swipe: (step) => {
      // A page larger than the stage is panned by the stroke, not turned; a stroke to the left
      // (step 1) brings the page that lies to the right, which is the previous one in a
      // right-to-left book.
      const stage = $('stage');
      if (stage.scrollWidth <= stage.clientWidth + 1) turn(state.rightToLeft ? -step : step);
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

async function start() {
  collectFrames();
  state.firstImage = new Promise((resolve) => {
    state.firstImageArrived = () => {
      state.firstImageArrived = null;
      resolve();
    };
  });
  // The page starts with the sidebar closed, so that on a narrow screen, where it would cover
  // the page, it never shows while the publication loads; a wide screen opens it at once.
  setSidebar(!window.matchMedia(NARROW_SCREEN).matches);
  restoreSpread();
  selectTab('toc');
  wireControls();
  // publication.json in parallel with the descriptor; it is optional. A right-to-left book shows
  // a spread's first page on the right as soon as it says so.
  const publication = readPublication();
  publication.then((read) => {
    state.rightToLeft = read.rightToLeft;
    $('pages').classList.toggle('right-to-left', read.rightToLeft);
    state.tiles = read.tiles;
    if (read.tiles !== null && state.current > 0 && !state.textView) layout();
  });
  let descriptor;
  try {
    descriptor = readDescriptor(await fetchXml('document.xml'));
  } catch (error) {
    showLoading('');
    setStatus(`This publication cannot be shown: ${error.message}`);
    return;
  }
  state.pages = descriptor.pages;
  // The document's text in the document's language, the interface in its own.
  const lang = documentLanguage() || descriptor.lang;
  for (const id of ['title', 'stage', 'toc-panel']) $(id).lang = lang;
  $('page-count').textContent = `of ${state.pages.length}`;
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
