// What lies over a page image: its text layer (Text_N.json, built by textlayer.js, scaled to
// the image) and its link areas (Page_N.xml, areas.js). Both wait for the first page image
// and are dropped when another show has started meanwhile (its token). A link within the
// publication asks for its page ('goTo'); what arrives is announced ('layerShown',
// 'areasShown') for the search's marks.
import { $, emit, on, setStatus, state } from './state.js';
import { fetchXml, keptFile } from './files.js';
import { buildTextLayer, readTextLayerInSlices } from './textlayer.js';
import { areaElement, readAreas } from './areas.js';

// A frame's text layer and link areas gone (its page is no longer shown).
export function clearOverlays(frame) {
  frame.areas.replaceChildren();
  frame.textLayer.replaceChildren();
  frame.areaElements = [];
  frame.layer = null;
}

// ---- the text layer ----

// The text layer of page `num`: a Promise of the layer, or of null when the page has none
// (no Text_N.json: an older publication) or it cannot be read now (asked again, it is fetched
// again). Kept for search, so never aborted.
export function loadTextLayer(num) {
  const page = state.pages[num - 1];
  return keptFile(`Text_${num}.json`, (text) => readTextLayerInSlices(JSON.parse(text), num, page))
    .catch(() => null);
}

export async function showTextLayer(frame, page, token) {
  await state.firstImage;
  if (token !== state.showToken) return;
  const layer = await loadTextLayer(page.num);
  // Turned on, or to the text view, meanwhile: this answer is no longer wanted.
  if (token !== state.showToken || layer === null) return;
  const built = buildTextLayer(layer);
  frame.textLayer.replaceChildren(built.frame);
  frame.layer = { num: page.num, layer, ...built };
  frame.image.alt = '';
  scaleTextLayer(frame);
  emit('layerShown');
  orderLinks(frame, token);
}

// The layer's frame (one pixel per point) scaled to the page image as it is shown, and a
// big layer built for the part in view.
export function scaleTextLayer(frame) {
  if (frame.layer === null) return;
  const width = parseFloat(frame.element.style.width);
  if (!(width > 0)) return;
  frame.layer.frame.style.transform = `scale(${width / frame.layer.layer.width})`;
  showLayerPart(frame);
}

// A big layer is built for what the stage shows of its page and half a stage around it (so a
// short scroll finds the words there), in points of the page.
function showLayerPart(frame) {
  const shown = frame.layer;
  if (shown === null || shown.whole) return;
  const stage = $('stage').getBoundingClientRect();
  const page = frame.element.getBoundingClientRect();
  const scale = page.width / shown.layer.width;
  if (!(scale > 0)) return;
  const aroundX = stage.width / 2;
  const aroundY = stage.height / 2;
  const done = shown.showPart({
    left: (stage.left - aroundX - page.left) / scale,
    top: (stage.top - aroundY - page.top) / scale,
    right: (stage.right + aroundX - page.left) / scale,
    bottom: (stage.bottom + aroundY - page.top) / scale,
    scale,
  });
  if (!done) buildMoreSoon();
}

// A layer's part in view not yet whole: built on in the next frame.
let moreWanted = false;
function buildMoreSoon() {
  if (moreWanted) return;
  moreWanted = true;
  requestAnimationFrame(() => {
    moreWanted = false;
    state.frames.forEach(showLayerPart);
  });
}

// The stage scrolled: the big layers built again for what it shows now.
on('stageMoved', () => state.frames.forEach(showLayerPart));

// ---- link areas ----

export async function showAreas(frame, page, token, signal) {
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
  const elements = readAreas(xml, state.pages.length).map((area) => areaElement(area, page, label, (num) => emit('goTo', num)));
  frame.areas.replaceChildren(...elements);
  frame.areaElements = elements;
  emit('areasShown');
  orderLinks(frame, token);
}

// ---- the links in the reading order of the text ----

// The line of the layer a link area lies on: the upright line across whose extent the area's
// centre lies, nearest to it and at most a line's height away; -1 for none.
function lineOfArea(lines, loc) {
  const [x, y, width, height] = loc.split(' ').map(Number);
  const cx = x + width / 2;
  const cy = y + height / 2;
  let best = -1;
  let bestDistance = Infinity;
  lines.forEach((line, i) => {
    if (line.angle !== 0) return;
    const extent = line.words.reduce((most, w) => Math.max(most, w.start + w.length), 0);
    if (cx < line.x || cx > line.x + extent) return;
    const distance = Math.max(0, line.y - cy, cy - (line.y + line.height));
    if (distance <= line.height && distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  });
  return best;
}

// Once a page shows both its text layer and its link areas: the areas in the reading order of
// the lines they lie on, left to right along a line, for the keyboard; and each line owning
// its areas (aria-owns), so that a screen reader reads a link after the words of its line
// rather than after the whole page. An area on no line keeps its place after the others.
function orderLinks(frame, token) {
  const shown = frame.layer;
  if (shown === null || frame.areaElements.length === 0 || token !== state.showToken) return;
  const { lines } = shown.layer;
  const placed = frame.areaElements.map((element, i) => {
    const [x] = (element.dataset.loc || '').split(' ').map(Number);
    const line = lineOfArea(lines, element.dataset.loc || '');
    element.id = `${frame.element.id}-link-${i + 1}`;
    return { element, line: line < 0 ? Infinity : line, x, i };
  });
  placed.sort((a, b) => a.line - b.line || a.x - b.x || a.i - b.i);
  frame.areas.append(...placed.map((p) => p.element));
  const owned = new Map();
  for (const { element, line } of placed) {
    if (line === Infinity) continue;
    if (!owned.has(line)) owned.set(line, []);
    owned.get(line).push(element.id);
  }
  shown.setOwners(owned);
}
