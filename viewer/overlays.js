// What lies over a page image: its text layer (Text_N.json, built by textlayer.js, scaled to
// the image) and its link areas (Page_N.xml, areas.js). Both wait for the first page image
// and are dropped when another show has started meanwhile (its token). Needs goTo (pages.js)
// for links within the publication and the search's marks (search.js) for what arrives.
import { setStatus, state } from './state.js';
import { fetchXml, keptFile } from './files.js';
import { buildTextLayer, readTextLayer } from './textlayer.js';
import { areaElement, readAreas } from './areas.js';
import { goTo } from './pages.js';
import { markHits, showHitBoxes } from './search.js';

// ---- the text layer ----

// The text layer of page `num`: a Promise of the layer, or of null when the page has none
// (no Text_N.json: an older publication) or it cannot be read now (asked again, it is fetched
// again). Kept for search, so never aborted.
export function loadTextLayer(num) {
  const page = state.pages[num - 1];
  return keptFile(`Text_${num}.json`, (text) => readTextLayer(JSON.parse(text), num, page))
    .catch(() => null);
}

export async function showTextLayer(frame, page, token) {
  await state.firstImage;
  if (token !== state.showToken) return;
  const layer = await loadTextLayer(page.num);
  // Turned on, or to the text view, meanwhile: this answer is no longer wanted.
  if (token !== state.showToken || layer === null) return;
  const { frame: element, hits } = buildTextLayer(layer, () => token === state.showToken);
  frame.textLayer.replaceChildren(element);
  frame.layer = { num: page.num, layer, frame: element, hits };
  frame.image.alt = '';
  scaleTextLayer(frame);
  showHitBoxes(true);
}

// The layer's frame (one pixel per point) scaled to the page image as it is shown.
export function scaleTextLayer(frame) {
  if (frame.layer === null) return;
  const width = parseFloat(frame.element.style.width);
  if (!(width > 0)) return;
  frame.layer.frame.style.transform = `scale(${width / frame.layer.layer.width})`;
}

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
  const elements = readAreas(xml, state.pages.length).map((area) => areaElement(area, page, label, goTo));
  frame.areas.replaceChildren(...elements);
  frame.areaElements = elements;
  markHits();
}
