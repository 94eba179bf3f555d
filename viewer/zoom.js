// Zoom and sharp images: the frames' sizes for the zoom (the whole page, the stage's width or
// a share of the page's real size), the sharpest image for each frame's size (the zoom image
// fetched in the background once the normal one is in), the zoom control, zooming about a
// point (keys, pinch, double tap) and panning a page wider than the stage. Needs the text
// layer's scaling (overlays.js) and the shared status lines.
import { $, setStatus, showLoading, state } from './state.js';
import { fileUrl } from './files.js';
import { scaleTextLayer } from './overlays.js';
import { showTiles } from './tiles.js';

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

// CSS pixels per point of the pages shown at zoom `zoom`.
export function scaleFor(zoom) {
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
export function layout() {
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
    showTiles(frame);
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

// A page image has arrived (or failed): the loading state goes when all have, and the next
// page's image is asked for.
export function imageArrived(frame) {
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
export function setZoom(zoom, anchor = null) {
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
export function zoomStep(step) {
  const share = scaleFor(state.zoom) / PX_PER_POINT;
  const whole = scaleFor('page') / PX_PER_POINT;
  const levels = [...ZOOM_STEPS, whole].sort((a, b) => a - b);
  const next = step > 0 ? levels.find((s) => s > share * 1.01) : levels.reverse().find((s) => s < share * 0.99);
  if (next !== undefined) setZoom(next === whole ? 'page' : next);
}

// Left and right arrows on a page wider than the stage pan it, and turn the page only at
// its edge. True when the stage was panned (the browser scrolls it, smoothly or not).
export function panSideways(step) {
  const stage = $('stage');
  const room = stage.scrollWidth - stage.clientWidth;
  if (room <= 1) return false;
  if (step > 0 ? stage.scrollLeft >= room - 1 : stage.scrollLeft <= 0) return false;
  stage.scrollBy({ left: step * Math.max(40, stage.clientWidth / 4) });
  return true;
}

// What pinching and double tapping do (the handlers watchGestures calls, less the swipe).
export function zoomGestures() {
  let pinchFrom = null;
  let pinchFrame = 0;
  return {
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
  };
}
