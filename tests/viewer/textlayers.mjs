// Text layers (Text_N.json) in the browser tests: reading what the publisher wrote, a page of
// known lines to write over one (and into search.json), folding text as search does, and
// where a word's box lies on the screen.
import { existsSync, readFileSync, writeFileSync } from 'node:fs';
import path from 'node:path';

// The file's lines are arrays [t, x, y, h, s, [gap, length, ...], r, a]; the tests work on
// lines with named fields and [start, length] pairs from the line's start.
const tenths = (value) => Math.round(value * 10) / 10;

function decodeLine([t, x, y, h, s, pairs, r, a]) {
  const b = [];
  let end = 0;
  for (let i = 0; i + 1 < pairs.length; i += 2) {
    const start = tenths(end + pairs[i]);
    b.push(start, pairs[i + 1]);
    end = tenths(start + pairs[i + 1]);
  }
  const line = { t, x, y, h, s, b };
  if (r === 1) line.r = 1;
  if (a) line.a = a;
  return line;
}

function encodeLine(line) {
  const pairs = [];
  let end = 0;
  for (let i = 0; i + 1 < line.b.length; i += 2) {
    pairs.push(tenths(line.b[i] - end), line.b[i + 1]);
    end = line.b[i] + line.b[i + 1];
  }
  const entry = [line.t, line.x, line.y, line.h, line.s, pairs];
  if (line.r || line.a) entry.push(line.r ? 1 : 0);
  if (line.a) entry.push(line.a);
  return entry;
}

export function readLayer(dir, num) {
  const file = path.join(dir, `Text_${num}.json`);
  if (!existsSync(file)) return null;
  const layer = JSON.parse(readFileSync(file, 'utf8'));
  return { ...layer, l: layer.l.map(decodeLine) };
}

// Writes the page's Text_N.json and, in a publication with search.json, its text there too
// (as publish.sh writes it from the layer), so that the two agree.
export function writeLayer(dir, layer) {
  writeFileSync(path.join(dir, `Text_${layer.p}.json`), JSON.stringify({ ...layer, l: layer.l.map(encodeLine) }));
  let searchFile = path.join(dir, 'search.json');
  if (!existsSync(searchFile)) return;
  let search = JSON.parse(readFileSync(searchFile, 'utf8'));
  if (search.v === 2) {  // the index of the parts: the page's part
    const part = search.parts.findIndex(([first, last]) => first <= layer.p && layer.p <= last);
    if (part < 0) throw new Error(`search.json of ${dir} has no part for page ${layer.p}`);
    searchFile = path.join(dir, `search-${part + 1}.json`);
    search = JSON.parse(readFileSync(searchFile, 'utf8'));
  }
  const entry = search.pages.find(([num]) => num === layer.p);
  if (!entry) throw new Error(`the search text of ${dir} has no page ${layer.p}`);
  entry[1] = layer.l.map((line) => line.t).join('\n');
  writeFileSync(searchFile, `${JSON.stringify(search)}\n`);
}

// A page of known lines: accents, a hyphenated line end, Japanese without spaces, a line
// turned 90 degrees, a right-to-left line (its first word rightmost), and a ligature and
// full-width letters.
export function knownLayer(num, width, height) {
  return {
    v: 1, p: num, w: width, h: height, l: [
      { t: 'Crème brû-', x: 72, y: 100, h: 14, s: 12, b: [0, 40, 45, 30] },
      { t: 'lée maison', x: 72, y: 120, h: 14, s: 12, b: [0, 22, 27, 40] },
      { t: '東京 タワー', x: 72, y: 160, h: 14, s: 12, b: [0, 24, 28, 36] },
      { t: 'Vertical words', x: 400, y: 200, h: 14, s: 12, b: [0, 50, 55, 40], a: 90 },
      { t: 'ספר חדש', x: 100, y: 400, h: 14, s: 12, b: [40, 30, 0, 35], r: 1 },
      { t: '\ufb01nal \uff21\uff22\uff23', x: 72, y: 500, h: 14, s: 12, b: [0, 30, 5, 45] },
    ],
  };
}

// As the viewer matches: compatibility forms decomposed, lower case, no combining marks.
export function fold(text) {
  return text.normalize('NFKD').toLowerCase().normalize('NFKD').replace(/\p{M}/gu, '');
}

// The screen rectangle (bounding box) of word `w` of `line`, for a page image shown at
// `image` (a bounding box) of a page `pageWidth` points wide.
export function wordRect(line, w, image, pageWidth) {
  const scale = image.width / pageWidth;
  const angle = ((line.a || 0) * Math.PI) / 180;
  const along = [Math.cos(angle), Math.sin(angle)];
  const across = [-Math.sin(angle), Math.cos(angle)];
  const [start, length] = [line.b[2 * w], line.b[2 * w + 1]];
  const corners = [[start, 0], [start + length, 0], [start, line.h], [start + length, line.h]].map(([s, t]) => [
    image.x + scale * (line.x + s * along[0] + t * across[0]),
    image.y + scale * (line.y + s * along[1] + t * across[1]),
  ]);
  const xs = corners.map((c) => c[0]);
  const ys = corners.map((c) => c[1]);
  return { x: Math.min(...xs), y: Math.min(...ys), width: Math.max(...xs) - Math.min(...xs), height: Math.max(...ys) - Math.min(...ys) };
}
