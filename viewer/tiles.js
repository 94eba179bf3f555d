// Sharp zoom: over a page image shown larger than the zoom image's pixels on the screen, the
// tiles of a sharper level (publication.json's "tiles", written by the publisher), only those
// of the part of the page the stage shows. A level's image is trunc(W × dpi / 72) ×
// trunc(H × dpi / 72) pixels for a page whose descriptor size is W × H points, cut into tiles
// of `size` pixels, tiles/N-DPI-COLUMN-ROW.jpg; a level whose longer side would pass `side`
// was not made. The zoom image stays beneath, so a tile not yet in (or missing) shows it.
import { on, state } from './state.js';
import { fileUrl } from './files.js';

// A page image may be shown up to this many device pixels for each of its pixels; beyond, a
// level of tiles with more pixels is laid over it.
export const MOST_DEVICE_PIXELS_PER_IMAGE_PIXEL = 1.25;

// The levels of a page: [{dpi, width, height}] ascending, as the publisher made them.
function levelsOf(page) {
  if (state.tiles === null || !page.normal) return [];
  const { width, height } = page.normal;
  return state.tiles.dpi
    .map((dpi) => ({ dpi, width: Math.floor((width * dpi) / 72), height: Math.floor((height * dpi) / 72) }))
    .filter((level) => level.width >= 1 && level.height >= 1 && Math.max(level.width, level.height) <= state.tiles.side);
}

// The level a frame shown `frameWidth` CSS pixels wide needs on this screen, or null when the
// image shown (the zoom image, or the normal one without it) has pixels enough.
function levelFor(page, frameWidth) {
  const device = frameWidth * (window.devicePixelRatio || 1);
  const image = page.zoom || page.normal;
  if (!image || device <= image.width * MOST_DEVICE_PIXELS_PER_IMAGE_PIXEL) return null;
  const levels = levelsOf(page);
  return levels.find((level) => device <= level.width * MOST_DEVICE_PIXELS_PER_IMAGE_PIXEL) ||
    levels[levels.length - 1] || null;
}

// A tile that could not be loaded (a network failure, or one the publisher did not make) is
// asked for again only after this long: the image beneath shows meanwhile.
const TILE_RETRY_MS = 15000;
const failedAt = new Map();  // tile file -> when it failed

// Lays the tiles of the part of the frame's page in view (and a quarter stage around it) over its
// image, at the level its size needs; drops those out of it.
export function showTiles(frame) {
  const page = frame.num > 0 ? state.pages[frame.num - 1] : null;
  const width = parseFloat(frame.element.style.width);
  const height = parseFloat(frame.element.style.height);
  const level = page && width > 0 && height > 0 ? levelFor(page, width) : null;
  if (level === null || frame.element.hidden) {
    clearTiles(frame);
    return;
  }
  if (frame.tileLevel !== `${page.num}-${level.dpi}`) {
    clearTiles(frame);
    frame.tileLevel = `${page.num}-${level.dpi}`;
  }
  const stage = document.getElementById('stage').getBoundingClientRect();
  const box = frame.element.getBoundingClientRect();
  // Tile pixels to the frame's CSS pixels.
  const scaleX = width / level.width;
  const scaleY = height / level.height;
  const { size } = state.tiles;
  const around = Math.max(stage.width, stage.height) / 4;
  const left = Math.max(0, stage.left - around - box.left);
  const right = Math.min(width, stage.right + around - box.left);
  const top = Math.max(0, stage.top - around - box.top);
  const bottom = Math.min(height, stage.bottom + around - box.top);
  const wanted = new Map();
  if (left < right && top < bottom) {
    const columns = Math.ceil(level.width / size);
    const rows = Math.ceil(level.height / size);
    const lastColumn = Math.min(columns - 1, Math.floor(right / (size * scaleX)));
    const lastRow = Math.min(rows - 1, Math.floor(bottom / (size * scaleY)));
    for (let row = Math.floor(top / (size * scaleY)); row <= lastRow; row++) {
      for (let column = Math.floor(left / (size * scaleX)); column <= lastColumn; column++) {
        const file = `tiles/${page.num}-${level.dpi}-${column}-${row}.jpg`;
        if (!(Date.now() - (failedAt.get(file) ?? -Infinity) < TILE_RETRY_MS)) wanted.set(file, { column, row });
      }
    }
  }
  // A tile's place in the frame (again for one kept, the frame's size may have changed): whole
  // tile pixels scaled, so that neighbours meet exactly.
  const place = (tile, column, row) => {
    const x0 = column * size;
    const y0 = row * size;
    const x1 = Math.min(level.width, x0 + size);
    const y1 = Math.min(level.height, y0 + size);
    tile.style.left = `${x0 * scaleX}px`;
    tile.style.top = `${y0 * scaleY}px`;
    tile.style.width = `${(x1 - x0) * scaleX}px`;
    tile.style.height = `${(y1 - y0) * scaleY}px`;
  };
  for (const tile of [...frame.tiles.children]) {
    if (!wanted.has(tile.dataset.file)) {
      tile.remove();
      continue;
    }
    const { column, row } = wanted.get(tile.dataset.file);
    place(tile, column, row);
    wanted.delete(tile.dataset.file);  // there already
  }
  for (const [file, { column, row }] of wanted) {
    const url = fileUrl(file);
    if (url === null) continue;
    const tile = document.createElement('img');
    tile.className = 'tile';
    tile.alt = '';
    tile.dataset.file = file;
    tile.dataset.dpi = String(level.dpi);
    place(tile, column, row);
    tile.addEventListener('error', () => {
      failedAt.set(file, Date.now());
      tile.remove();
    });
    tile.src = url;
    frame.tiles.append(tile);
  }
}

export function clearTiles(frame) {
  frame.tiles.replaceChildren();
  frame.tileLevel = null;
}

on('stageMoved', () => state.frames.forEach(showTiles));
