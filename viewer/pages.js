// Which pages are shown and showing them: the address (#page=N, and #?page=N as the SEO
// links write it), turning, the frames (one, or two in a spread) and a fresh show of them,
// with its own token and AbortController so that an answer for a page no longer shown is
// never shown. Needs pagesFor (spread.js), layout (zoom.js), the overlays (overlays.js), the
// text view (textview.js), the thumbnails' marks (sidebar.js) and the hits' marks (search.js).
import { $, on, setStatus, state } from './state.js';
import { number } from './files.js';
import { pagesFor } from './spread.js';
import { layout } from './zoom.js';
import { clearOverlays, showAreas, showTextLayer } from './overlays.js';
import { showText } from './textview.js';
import { clearTiles } from './tiles.js';
import { markThumbnails } from './sidebar.js';
import { markHits, showHitBoxes } from './search.js';

// The page frames of index.html as the state holds them.
export function collectFrames() {
  state.frames = [...document.querySelectorAll('#pages .page-frame')].map((element) => ({
    element,
    image: element.querySelector('.page-image'),
    textLayer: element.querySelector('.text-layer'),
    tiles: element.querySelector('.tiles'),
    tileLevel: null,
    areas: element.querySelector('.areas'),
    num: 0,
    layer: null,
    areaElements: [],
  }));
}

function pageFromAddress() {
  const match = /(?:^#|[#?&])page=(\d+)/.exec(window.location.hash);
  return match ? number(match[1]) : null;
}

// The page the address asks for, made one that exists (and the address rewritten so).
export function showFromAddress() {
  const asked = pageFromAddress();
  const num = Math.min(Math.max(asked === null ? 1 : asked, 1), state.pages.length);
  if (asked !== null && asked !== num) history.replaceState(null, '', `#page=${num}`);
  show(num);
}

// What other modules ask for without importing this one.
on('goTo', (num) => goTo(num));
on('show', (num) => show(num));

export function goTo(num) {
  if (!Number.isInteger(num) || num < 1 || num > state.pages.length) return;
  if (pageFromAddress() !== num) history.pushState(null, '', `#page=${num}`);
  show(num);
}

export function turn(step) {
  if (state.shown.length === 0) return;
  goTo(step > 0 ? state.shown[state.shown.length - 1] + 1 : state.shown[0] - 1);
}

export function show(num) {
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
export function startShow() {
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
    if (frame.num !== 0) {
      // The region's name for screen readers: which page of how many, and its label.
      const { label } = state.pages[frame.num - 1];
      frame.element.querySelector('.page-heading').textContent =
        `Page ${frame.num} of ${state.pages.length}${label && label !== String(frame.num) ? ` (${label})` : ''}`;
    }
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
  clearTiles(frame);
  clearOverlays(frame);
}

export function setTextView(on) {
  state.textView = on;
  $('text-view').setAttribute('aria-pressed', String(on));
  if (state.current > 0) startShow();
}
