// A page's text layer: reading Text_N.json, laying its words over the page image, and the
// logical text that search matches on.
//
// Text_N.json (one per page, written by the "createtextlayer" job):
//   {"v":1,"p":N,"w":W,"h":H,"l":[["words of the line",X,Y,HEIGHT,SIZE,[gap,length,...],R,A],...]}
// Points from the top-left corner of the shown page, y down. A line's box starts at (X, Y),
// runs [0, length] along the writing direction A (degrees clockwise from +x, 0 when omitted)
// and [0, HEIGHT] across it (that direction turned 90 degrees clockwise). The pairs hold one
// [gap, length] per word of the text: the gap from the end of the word before (from (X, Y)
// for the first), so a right-to-left line's gaps after the first are negative. R is 1 for a
// right-to-left line, whose words the text holds in logical order; R and A are left out for
// a left-to-right line at angle 0.
//
// The words come from a customer's PDF: they only ever become text nodes.

// The most lines and words of one page taken from a file; a page beyond them is cut there,
// so that a damaged or hostile file cannot make the viewer build millions of elements.
// (A dense page of small print holds about 150 lines and 3,000 words.)
export const MAX_LINES = 20000;
export const MAX_WORDS = 200000;

const finite = (value) => typeof value === 'number' && Number.isFinite(value);

// A line of the file as named fields, its words' gaps summed into starts from the line's
// start (to 0.1 point, as the file rounds them, so that no error adds up along a line).
function lineFields(entry) {
  if (!Array.isArray(entry)) return null;
  const [t, x, y, h, s, pairs, r, a] = entry;
  const b = [];
  if (Array.isArray(pairs)) {
    let end = 0;
    for (let i = 0; i + 1 < pairs.length; i += 2) {
      const start = Math.round((end + pairs[i]) * 10) / 10;
      b.push(start, pairs[i + 1]);
      end = Math.round((start + pairs[i + 1]) * 10) / 10;
    }
  }
  return { t, x, y, h, s, b, r, a };
}

// The layer of page `num` from the parsed JSON of its file, or null when it is not one.
// `size` ({width, height} in points, from document.xml) stands in for a missing "w"/"h".
export function readTextLayer(json, num, size) {
  const reader = textLayerReader(json, num, size);
  if (reader === null) return null;
  for (const entry of reader.entries) reader.add(entry);
  return reader.layer;
}

// The same, read a slice of lines at a time (as searchableTextInSlices makes its text), so that
// the file of a page of 200,000 words never holds up the page for more than a frame.
export async function readTextLayerInSlices(json, num, size) {
  const reader = textLayerReader(json, num, size);
  if (reader === null) return null;
  let sliceStart = performance.now();
  for (const entry of reader.entries) {
    reader.add(entry);
    if (performance.now() - sliceStart > SLICE_MS) {
      await nextTask();
      sliceStart = performance.now();
    }
  }
  return reader.layer;
}

function textLayerReader(json, num, size) {
  if (json === null || typeof json !== 'object' || json.v !== 1 || !Array.isArray(json.l)) return null;
  const width = finite(json.w) && json.w > 0 ? json.w : size.width;
  const height = finite(json.h) && json.h > 0 ? json.h : size.height;
  if (!(width > 0 && height > 0)) return null;
  const lines = [];
  let words = 0;
  const add = (entry) => {
    const line = lineFields(entry);
    if (line === null || typeof line.t !== 'string') return;
    if (!finite(line.x) || !finite(line.y) || !finite(line.h) || line.h <= 0) return;
    const texts = line.t.split(' ').filter((word) => word !== '');
    if (texts.length === 0 || words + texts.length > MAX_WORDS) return;
    const boxes = Array.isArray(line.b) ? line.b : [];
    const placed = texts.map((text, i) => {
      const start = boxes[2 * i];
      const length = boxes[2 * i + 1];
      return finite(start) && finite(length) && length >= 0 ? { text, start, length } : { text, start: NaN, length: 0 };
    });
    if (placed.some((word) => Number.isNaN(word.start))) return;  // words without places
    words += texts.length;
    lines.push({
      text: line.t,
      words: placed,
      x: line.x,
      y: line.y,
      height: line.h,
      size: finite(line.s) && line.s > 0 ? line.s : line.h,
      angle: finite(line.a) ? line.a : 0,
      rtl: line.r === 1,
    });
  };
  return { entries: json.l.slice(0, MAX_LINES), add, layer: { num, width, height, lines } };
}

// Work done a slice at a time takes up to this long before it lets the page go on (a task of
// its own for the next slice).
const SLICE_MS = 12;
const nextTask = () => new Promise((resolve) => setTimeout(resolve, 0));

// ---- laying the words out ----

const FONT_FAMILY = 'sans-serif';
let measuring = null;
let measuringSize = 0;

// The width of `text` in the layer's font at `size` pixels. The canvas's font is set only
// when the size changes: setting it parses it again, a cost per word on a page of many.
function naturalWidth(text, size) {
  if (measuring === null) measuring = document.createElement('canvas').getContext('2d');
  if (size !== measuringSize) {
    measuring.font = `${size}px ${FONT_FAMILY}`;
    measuringSize = size;
  }
  return measuring.measureText(text).width;
}

// A layer of up to this many words is built whole, at once. A bigger one (a page of small
// print holds about 3,000) is built for the part in view only, at most MAX_BUILT_WORDS words,
// and again when the view moves: the browser lays out, paints and layers every positioned
// line box of a layer on each frame, so a layer of 100,000 built words holds the page for
// hundreds of milliseconds at a time however it was built. Of such a layer, lines shown
// smaller than LEGIBLE_PX are not built at all: nobody reads or selects them at that size.
export const WHOLE_LAYER_WORDS = 4000;
export const MAX_BUILT_WORDS = 6000;
const LEGIBLE_PX = 4;
// The most words of a big layer built in one frame; the rest of its part in view follows in
// the next frames, nearest the middle of the view first.
const WORDS_PER_FRAME = 600;

const px = (value) => `${Math.round(value * 100) / 100}px`;

// The layer's elements in its own frame: one CSS pixel per point, the page's top-left corner
// at (0, 0); the caller scales the frame to the image. Each line is a block (so copied text
// has a line feed between lines), its words inline in "t"'s order with a space between them,
// so that a selection reads as the words in reading order. Every word takes exactly its
// length along the line: its box is that wide and its text is stretched (scaleX) to fill it.
// Returns {frame, hits, whole, showPart(view), setOwners(owned)}: `whole` tells whether every
// line is built; otherwise showPart({left, top, right, bottom} in points, scale in CSS pixels
// a point) drops what lies out of that part of the page and builds what lies in it, up to
// WORDS_PER_FRAME words, and returns false when it should be called again in the next frame
// for the rest. setOwners(Map line -> [ids]) gives those lines (built now or later) their
// aria-owns.
export function buildTextLayer(layer) {
  const frame = document.createElement('div');
  frame.className = 'text-frame';
  frame.style.width = px(layer.width);
  frame.style.height = px(layer.height);
  frame.style.fontFamily = FONT_FAMILY;
  const hits = document.createElement('div');
  hits.className = 'hit-boxes';
  hits.setAttribute('aria-hidden', 'true');
  const text = document.createElement('div');
  text.className = 'text-lines';
  frame.append(hits, text);
  const count = layer.lines.reduce((sum, line) => sum + line.words.length, 0);
  const whole = count <= WHOLE_LAYER_WORDS;
  let owners = new Map();
  let built = new Map();  // "line:from:to" -> element
  const keyOf = ([i, from, to]) => `${i}:${from}:${to}`;
  const piece = (i, from, to) => {
    const element = lineElement(layer.lines[i], from, to);
    element.dataset.line = String(i);
    if (owners.has(i)) element.setAttribute('aria-owns', owners.get(i).join(' '));
    return element;
  };
  if (whole) text.append(...layer.lines.map((line, i) => piece(i, 0, line.words.length)));
  const showPart = (view) => {
    if (whole) return true;
    const pieces = partInView(layer.lines, view);
    // Only what changed is taken out or put in: a piece left in place is not laid out again.
    const wanted = new Set(pieces.map(keyOf));
    for (const [key, element] of built) {
      if (wanted.has(key)) continue;
      element.remove();
      built.delete(key);
    }
    const missing = pieces.filter((p) => !built.has(keyOf(p)));
    if (missing.length === 0) return true;
    // Those nearest the middle of the view first, WORDS_PER_FRAME words a frame.
    const middleX = (view.left + view.right) / 2;
    const middleY = (view.top + view.bottom) / 2;
    const distance = ([i, from, to]) => {
      const line = layer.lines[i];
      const { lo, hi } = line.angle === 0 ? span(line.words, from, to) : { lo: 0, hi: 0 };
      return Math.hypot(line.x + (lo + hi) / 2 - middleX, line.y - middleY);
    };
    const nearest = missing.map((p) => [distance(p), p]).sort((a, b) => a[0] - b[0]);
    const now = new Set();
    for (let k = 0, words = 0; k < nearest.length && (k === 0 || words + nearest[k][1][2] - nearest[k][1][1] <= WORDS_PER_FRAME); k++) {
      now.add(keyOf(nearest[k][1]));
      words += nearest[k][1][2] - nearest[k][1][1];
    }
    let after = null;  // the piece the next one goes after, in the lines' order
    for (const p of pieces) {
      const key = keyOf(p);
      let element = built.get(key);
      if (element === undefined) {
        if (!now.has(key)) continue;
        element = piece(...p);
        built.set(key, element);
        if (after === null) text.prepend(element);
        else after.after(element);
      }
      after = element;
    }
    return now.size === missing.length;
  };
  const setOwners = (owned) => {
    owners = owned;
    for (const element of text.children) {
      const i = Number(element.dataset.line);
      if (owners.has(i)) element.setAttribute('aria-owns', owners.get(i).join(' '));
      else element.removeAttribute('aria-owns');
    }
  };
  return { frame, hits, whole, showPart, setOwners };
}

// A big layer is built in pieces of this many words of a line (fewer at its end), so that a
// view moved sideways keeps the pieces it still shows and builds only those it comes to.
const WORDS_PER_PIECE = 50;

// The pieces of a big layer's lines to build for `view` ({left, top, right, bottom} in points,
// scale in CSS pixels a point): [line, first word, end word] in the lines' order, the pieces of
// legible lines that reach into the view, at most MAX_BUILT_WORDS words in all; when more lie
// in view, those of the lines nearest its middle.
function partInView(lines, view) {
  const pieces = [];
  lines.forEach((line, i) => {
    if (line.size * view.scale < LEGIBLE_PX || line.words.length === 0) return;
    if (line.angle !== 0) {
      // Turned: the whole line, when the circle it turns in reaches into the view.
      const reach = line.words.reduce((most, w) => Math.max(most, Math.abs(w.start), Math.abs(w.start + w.length)), 0) + line.height;
      if (line.x + reach >= view.left && line.x - reach <= view.right &&
          line.y + reach >= view.top && line.y - reach <= view.bottom) pieces.push([i, 0, line.words.length]);
      return;
    }
    if (line.y + line.height < view.top || line.y > view.bottom) return;
    for (let from = 0; from < line.words.length; from += WORDS_PER_PIECE) {
      const to = Math.min(from + WORDS_PER_PIECE, line.words.length);
      const { lo, hi } = span(line.words, from, to);
      if (line.x + hi >= view.left && line.x + lo <= view.right) pieces.push([i, from, to]);
    }
  });
  let total = pieces.reduce((sum, [, from, to]) => sum + to - from, 0);
  if (total <= MAX_BUILT_WORDS) return pieces;
  const middle = (view.top + view.bottom) / 2;
  const byNearness = pieces.map((p, k) => k).sort((a, b) =>
    Math.abs(lines[pieces[a][0]].y - middle) - Math.abs(lines[pieces[b][0]].y - middle) || a - b);
  const kept = new Set();
  total = 0;
  for (const k of byNearness) {
    const words = pieces[k][2] - pieces[k][1];
    if (total + words > MAX_BUILT_WORDS) break;
    kept.add(k);
    total += words;
  }
  return pieces.filter((p, k) => kept.has(k));
}

// Where words `from` to `to` of a line lie along it: from the start of the first to the end of
// the last, in points from the line's start.
function span(words, from, to) {
  let lo = Infinity;
  let hi = -Infinity;
  for (let w = from; w < to; w++) {
    lo = Math.min(lo, words[w].start);
    hi = Math.max(hi, words[w].start + words[w].length);
  }
  return { lo, hi };
}

// The element of a line's words `from` to `to`: the whole line, or a piece of a big layer's,
// which spans only its own words, so that pieces of a line never lie over each other.
function lineElement(line, from, to) {
  const element = document.createElement('div');
  element.className = 'text-line';
  if (line.rtl) element.dir = 'rtl';
  const whole = from === 0 && to === line.words.length;
  // A whole line's box starts at the line's start, as the file places it.
  const { lo, hi } = whole ? { lo: 0, hi: span(line.words, from, to).hi } : span(line.words, from, to);
  const extent = Math.max(0, hi - lo);
  element.style.left = px(line.angle === 0 ? line.x + lo : line.x);
  element.style.top = px(line.y);
  element.style.width = px(extent);
  element.style.height = px(line.height);
  element.style.lineHeight = px(line.height);
  element.style.fontSize = px(line.size);
  if (line.angle !== 0) element.style.transform = `rotate(${line.angle}deg)${lo !== 0 ? ` translateX(${px(lo)})` : ''}`;
  // Where the inline flow starts: the left end of the box, or its right end for a
  // right-to-left line; every word's place is counted from there.
  const fromFlowStart = (start, length) => (line.rtl ? lo + extent - (start + length) : start - lo);
  const space = naturalWidth(' ', line.size);
  let at = 0;
  line.words.slice(from, to).forEach((word, i) => {
    const begin = fromFlowStart(word.start, word.length);
    // Between two words a space, and a margin that puts the word where its box is (a
    // negative one for overlapping boxes).
    let lead = begin - at;
    if (i > 0) {
      element.append(' ');
      lead -= space;
    }
    // One element a word, its text spaced out (or in) to fill its box: a selection covers
    // the word as the page shows it, and a page of many words lays out fast.
    const box = document.createElement('span');
    box.className = 'text-word';
    box.textContent = word.text;
    box.style.width = px(word.length);
    if (lead !== 0) box.style.marginInlineStart = px(lead);
    const natural = naturalWidth(word.text, line.size);
    const characters = [...word.text].length;
    if (natural > 0 && word.length > 0 && characters > 0) {
      box.style.letterSpacing = px((word.length - natural) / characters);
    }
    element.append(box);
    at = begin + word.length;
  });
  // Copied text has a line feed after each line (a line's box is a block of its own, but
  // one taken out of the flow, which a selection does not end with a line feed), and a space
  // after a piece that the line goes on from.
  element.append(document.createTextNode(to === line.words.length ? '\n' : ' '));
  return element;
}

// A highlight over one word's box, in the layer's frame.
// The box of a word's characters `from` to `to` (UTF-16 offsets into its text; the whole word
// by default), so that a term found inside a word (a Chinese or Japanese run holds many) is
// boxed on its own characters: the word's length shared out in proportion to the characters'
// widths in the layer's font, from the word's right end in a right-to-left line.
export function wordBoxElement(line, word, from = 0, to = word.text.length) {
  let { start, length } = word;
  if ((from > 0 || to < word.text.length) && from < to) {
    const all = naturalWidth(word.text, line.size);
    if (all > 0) {
      const before = naturalWidth(word.text.slice(0, from), line.size) / all;
      const part = naturalWidth(word.text.slice(from, to), line.size) / all;
      start += word.length * (line.rtl ? 1 - before - part : before);
      length = word.length * part;
    }
  }
  const box = document.createElement('div');
  box.className = 'hit-box';
  box.style.left = px(line.x);
  box.style.top = px(line.y);
  box.style.width = px(length);
  box.style.height = px(line.height);
  box.style.transform = `rotate(${line.angle}deg) translateX(${px(start)})`;
  return box;
}

// ---- the logical text, for search ----

// Chinese and Japanese: written without spaces between words, so the spaces between two
// such characters are left out of the text matched (and of the term).
const CJK = /[\u3000-\u303f\u3040-\u30ff\u31f0-\u31ff\u3400-\u4dbf\u4e00-\u9fff\uf900-\ufaff\uff00-\uffef\u{20000}-\u{3134f}]/u;
const MARKS = /\p{M}/gu;
const HYPHENATED = /\p{L}[-\u00ad\u2010]$/u;

// Text as it is matched: decomposed to compatibility forms (ligatures such as "ﬁ" to their
// letters, full-width and other presentation forms to the plain ones), lower case, without
// combining marks (accents).
export function fold(text) {
  return text.normalize('NFKD').toLowerCase().normalize('NFKD').replace(MARKS, '');
}

// A search term as it is matched: folded, white space made one space, none between CJK
// characters.
export function foldTerm(term) {
  const folded = fold(term).replace(/\s+/gu, ' ').trim();
  return dropCjkSpaces(folded);
}

function dropCjkSpaces(text) {
  const chars = [...text];
  return chars.filter((c, i) => !(c === ' ' && i > 0 && i + 1 < chars.length &&
      CJK.test(chars[i - 1]) && CJK.test(chars[i + 1]))).join('');
}

// The page's text as search matches it: the lines' words joined with a space (none between
// CJK characters), the lines joined with a space, or with nothing after a line that ends in
// a hyphen after a letter (the hyphen left out). `lines`: [{words: [{text}]}]. Every folded
// character remembers its line, its word and where it came from in `shown`, the same text
// unfolded, from which snippets are cut.
export function searchableText(lines) {
  const text = searchableTextBuilder();
  lines.forEach((line, l) => text.add(line, l));
  return text.finish();
}

// The same, made a slice of lines at a time, each slice at most about SLICE_MS long and the
// next in a task of its own, so that the text of a page of 200,000 words (a fifth of a second
// of work) never holds up the page for more than a frame. `lines` may be any iterable of them
// (a generator, made as they are taken).
export async function searchableTextInSlices(lines) {
  const text = searchableTextBuilder();
  let sliceStart = performance.now();
  let l = 0;
  for (const line of lines) {
    text.add(line, l++);
    if (performance.now() - sliceStart > SLICE_MS) {
      await nextTask();
      sliceStart = performance.now();
    }
  }
  return text.finish();
}

// Folded as fold() folds it, at once for a character of printable ASCII (most of the text).
function foldChar(char) {
  const code = char.charCodeAt(0);
  if (code >= 0x20 && code < 0x7f) return code >= 0x41 && code <= 0x5a ? String.fromCharCode(code + 32) : char;
  return fold(char);
}

function searchableTextBuilder() {
  // The texts are gathered in pieces and joined once: a page of 200,000 words grows them
  // hundreds of thousands of times, and looking back into a string grown that way copies it.
  const textPieces = [];
  const shownPieces = [];
  let shownLength = 0;
  let lastChar = '';  // the last character of the text so far
  const lineOf = [];
  const wordOf = [];
  const shownFrom = [];
  const shownTo = [];
  const charFrom = [];  // where in its word's text each folded character's source starts
  const charTo = [];    // and ends
  let joinNext = false;  // after a hyphenated line end: no space before the next word
  const push = (folded, l, w, from, to, inWordFrom = -1, inWordTo = -1) => {
    for (let i = 0; i < folded.length; i++) {
      lineOf.push(l);
      wordOf.push(w);
      shownFrom.push(from);
      shownTo.push(to);
      charFrom.push(inWordFrom);
      charTo.push(inWordTo);
    }
    wordText += folded;
    lastChar = folded.length === 1 ? folded : [...folded].pop();
  };
  const show = (piece) => {
    wordShown += piece;
    shownLength += piece.length;
  };
  // A word's texts (with the space before it) are gathered and kept as one piece each.
  let wordText = '';
  let wordShown = '';
  const keepWord = () => {
    if (wordText !== '') textPieces.push(wordText);
    if (wordShown !== '') shownPieces.push(wordShown);
    wordText = '';
    wordShown = '';
  };
  const separate = (next) => {
    if (lineOf.length === 0 || joinNext) return;
    if (CJK.test(lastChar) && CJK.test(next)) return;
    push(' ', -1, -1, shownLength, shownLength + 1);
    show(' ');
  };
  const add = (line, l) => {
    line.words.forEach((word, w) => {
      let first = true;
      let inWord = 0;
      for (const char of word.text) {
        const folded = foldChar(char);
        if (folded === '') {  // a lone mark: part of the character before
          if (!first) {
            shownTo[shownTo.length - 1] = shownLength + char.length;
            charTo[charTo.length - 1] = inWord + char.length;
          }
          show(char);
          inWord += char.length;
          continue;
        }
        if (first) separate(folded.length === 1 ? folded : [...folded][0]);
        first = false;
        joinNext = false;
        push(folded, l, w, shownLength, shownLength + char.length, inWord, inWord + char.length);
        show(char);
        inWord += char.length;
      }
      keepWord();
    });
    const last = line.words.length > 0 ? line.words[line.words.length - 1].text : '';
    if (HYPHENATED.test(last) && lineOf.length > 0 && lineOf[lineOf.length - 1] === l) {
      // Joined with the next line: the hyphen is no part of the word.
      const piece = textPieces.pop();
      if (piece.length > 1) textPieces.push(piece.slice(0, -1));
      lineOf.pop();
      wordOf.pop();
      charFrom.pop();
      charTo.pop();
      shownFrom.pop();
      const keep = shownTo.pop() - 1;
      while (shownLength - shownPieces[shownPieces.length - 1].length >= keep) {
        shownLength -= shownPieces.pop().length;
      }
      const end = shownPieces.pop();
      shownLength -= end.length;
      show(end.slice(0, keep - shownLength));
      lastChar = [...(textPieces[textPieces.length - 1] || '')].pop() || '';
      joinNext = true;
    }
  };
  const finish = () => ({
    text: textPieces.join(''), lineOf, wordOf, charFrom, charTo, shownFrom, shownTo, shown: shownPieces.join(''),
  });
  return { add, finish };
}

// Every place `term` (folded) occurs in `page` (searchableText), left to right, not
// overlapping: the words it touches ([line, word, from, to] in order, from and to the part of
// the word's text it covers) and the range of the shown text.
export function findAll(page, term, limit) {
  const found = [];
  if (term === '') return found;
  for (let at = page.text.indexOf(term); at >= 0 && found.length < limit; at = page.text.indexOf(term, at + term.length)) {
    const end = at + term.length;
    const words = [];
    for (let i = at; i < end; i++) {
      if (page.lineOf[i] < 0) continue;
      const last = words[words.length - 1];
      if (!last || last[0] !== page.lineOf[i] || last[1] !== page.wordOf[i]) {
        words.push([page.lineOf[i], page.wordOf[i], page.charFrom[i], page.charTo[i]]);
      } else {
        last[3] = Math.max(last[3], page.charTo[i]);
      }
    }
    found.push({ words, shownFrom: page.shownFrom[at], shownTo: page.shownTo[end - 1] });
  }
  return found;
}
