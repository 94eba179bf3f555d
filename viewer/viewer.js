// The publication viewer: reads what quillonproxy wrote into this folder and shows it.
//
//   document.xml        pages (images, sizes in points at 72 dpi), labels, contents
//   Page_N.xml          the page's links and products; "loc" is x y width height in points
//                       from the top-left corner of the shown page, y down
//   DocumentIndex.xml   the text of every page, for searching
//   Page_N.html         the page's text, for the text view
//   Text_N.json         the page's words and where they lie (textlayer.js): laid over the
//                       page image, to select, copy and find, and what search matches on;
//                       a page without one (an older publication) is searched in
//                       DocumentIndex.xml, without boxes
//
// Every text and address in these files comes from a customer's PDF, so nothing read from
// them is ever put into the page as HTML (text nodes and attributes only), and a link opens
// only http:, https:, ftp: and mailto: addresses; any other address is shown as inert text.
// The page to show is in the address as #page=N (#?page=N, as the SEO links write it, too).
import { buildTextLayer, findAll, foldTerm, readTextLayer, searchableText, wordBoxElement } from './textlayer.js';

// Search: how many text layers are fetched at once while searching (the results come in
// page order; a few requests in flight keep a slow server busy without flooding it), and
// the most hits kept (a common word in a long book) and listed.
const SEARCH_FETCHES_IN_FLIGHT = 4;
const MAX_HITS = 10000;
const MAX_LISTED_HITS = 1000;
const SNIPPET_BEFORE = 40;
const SNIPPET_AFTER = 60;
// Where the sidebar lies over the page instead of beside it (as viewer.css has it).
const NARROW_SCREEN = '(max-width: 700px)';

(() => {
  const $ = (id) => document.getElementById(id);
  const OPENED_SCHEMES = new Set(['http:', 'https:', 'ftp:', 'mailto:']);

  const state = {
    pages: [],          // {num, label, width, height, normal, zoom, thumb, data, html}
    current: 0,         // page number shown, from 1; 0 before the first
    zoomed: false,
    textView: false,
    term: '',           // the search term, lower case
    index: null,        // Promise of [{num, text}]
    shownAreas: [],     // the area elements of the page shown
    layers: new Map(),  // page number -> Promise of its text layer, or of null without one
    shownLayer: null,   // {num, layer, frame, hits} of the page shown
    query: '',          // the search term as matched (foldTerm)
    searchRun: 0,       // which search is running; an older one stops
    hits: [],           // {num, words: [[line, word]], hasBoxes} in page order
    hitIndex: -1,       // the hit gone to, or -1
    searching: false,
    hitPages: 0,        // how many pages have hits
  };

  // ---- reading the files ----

  // A file of this folder as a URL: each path segment encoded, no scheme, no way up.
  function fileUrl(name) {
    if (typeof name !== 'string' || name === '' || /^[a-z][a-z0-9+.-]*:/i.test(name) ||
        name.split('/').some((segment) => segment === '..' || segment === '.')) {
      return null;
    }
    return name.split('/').map(encodeURIComponent).join('/');
  }

  async function fetchText(name) {
    const url = fileUrl(name);
    if (url === null) throw new Error(`"${name}" is not a file of this publication`);
    const response = await fetch(url, { cache: 'no-cache' });
    if (!response.ok) {
      const error = new Error(`${name}: ${response.status} ${response.statusText}`);
      error.status = response.status;
      throw error;
    }
    // The program writes UTF-8 whatever a server declares.
    return new TextDecoder('utf-8').decode(await response.arrayBuffer());
  }

  async function fetchXml(name) {
    const xml = new DOMParser().parseFromString(await fetchText(name), 'application/xml');
    if (xml.getElementsByTagName('parsererror').length > 0) {
      throw new Error(`${name} is not well-formed XML`);
    }
    return xml;
  }

  function childElement(parent, name) {
    for (const child of parent.children) if (child.localName === name) return child;
    return null;
  }

  function number(text) {
    const value = Number.parseInt(text, 10);
    return Number.isFinite(value) ? value : 0;
  }

  function imageOf(page, name) {
    const element = childElement(page, name);
    if (element === null) return null;
    return {
      file: element.getAttribute('file') || '',
      width: number(element.getAttribute('width')),
      height: number(element.getAttribute('height')),
    };
  }

  function readDescriptor(xml) {
    const root = xml.documentElement;
    const pages = childElement(root, 'pages');
    for (const page of pages ? pages.children : []) {
      if (page.localName !== 'page') continue;
      const normal = imageOf(page, 'normal');
      const data = childElement(page, 'data');
      const html = childElement(page, 'htmlview');
      state.pages.push({
        num: number(page.getAttribute('num')),
        label: page.getAttribute('label') || '',
        // The page's size in points (72 dpi), which "loc" values refer to.
        width: normal ? normal.width : 0,
        height: normal ? normal.height : 0,
        normal,
        zoom: imageOf(page, 'hiimage') || imageOf(page, 'hi'),
        thumb: imageOf(page, 'thumbnail'),
        data: data ? data.getAttribute('file') : null,
        html: html ? html.getAttribute('file') : null,
      });
    }
    // The publication's language, when the descriptor states one.
    const langElement = childElement(root, 'documentlang');
    const lang = (root.getAttribute('lang') || root.getAttribute('documentlang') ||
        (langElement ? langElement.textContent : '')).trim();
    if (/^[A-Za-z]{2,8}(?:-[A-Za-z0-9]{1,8})*$/.test(lang)) document.documentElement.lang = lang;
    const title = root.getAttribute('title') || root.getAttribute('filename') || 'Publication';
    $('title').textContent = title;
    document.title = title;
    $('page-count').textContent = `of ${state.pages.length}`;
    buildContents(childElement(root, 'toc'));
    buildThumbnails();
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
      button.addEventListener('click', () => goTo(target));
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
        image.src = url;
        image.alt = '';
        if (page.thumb.width > 0) image.width = page.thumb.width;
        if (page.thumb.height > 0) image.height = page.thumb.height;
        button.append(image);
      }
      const caption = document.createElement('span');
      caption.textContent = page.label ? `${page.label}` : String(page.num);
      button.append(caption);
      button.addEventListener('click', () => goTo(page.num));
      panel.append(button);
    }
  }

  function selectTab(name) {
    for (const tab of ['toc', 'thumbs', 'results']) {
      $(`tab-${tab}`).setAttribute('aria-selected', String(tab === name));
      $(`${tab}-panel`).hidden = tab !== name;
    }
  }

  // ---- showing a page ----

  function pageFromAddress() {
    const match = /(?:^#|[#?&])page=(\d+)/.exec(window.location.hash);
    return match ? number(match[1]) : 1;
  }

  function goTo(num) {
    if (!Number.isInteger(num) || num < 1 || num > state.pages.length) return;
    if (pageFromAddress() !== num || !/page=/.test(window.location.hash)) {
      history.pushState(null, '', `#page=${num}`);
    }
    show(num);
  }

  function show(num) {
    if (state.pages.length === 0) return;
    num = Math.min(Math.max(num, 1), state.pages.length);
    const page = state.pages[num - 1];
    const changed = num !== state.current;
    state.current = num;
    $('page-input').value = String(num);
    $('page-label').textContent = page.label && page.label !== String(num) ? `(${page.label})` : '';
    $('prev').disabled = num <= 1;
    $('next').disabled = num >= state.pages.length;
    for (const thumb of document.querySelectorAll('.thumb')) {
      thumb.classList.toggle('current', thumb.dataset.page === String(num));
    }
    setStatus('');
    if (state.textView) {
      showText(page);
    } else {
      showImage(page);
      if (changed) {
        showAreas(page);
        showTextLayer(page);
      } else {
        markHits();
        showHitBoxes();
      }
    }
  }

  function showImage(page) {
    $('page-text').hidden = true;
    $('page-frame').hidden = false;
    const shownWidth = fitFrame(page) * (window.devicePixelRatio || 1);
    // The zoom image when asked for, or when the page is shown larger than its normal
    // image (a wide window, a high-density screen).
    const sharper = page.zoom && page.normal && shownWidth > 1.25 * page.normal.width;
    const image = (state.zoomed || sharper) && page.zoom ? page.zoom : page.normal;
    const url = image ? fileUrl(image.file) : null;
    const picture = $('page-image');
    if (url !== null && picture.getAttribute('src') !== url) picture.src = url;
    // Decorative when the text layer over it is the page's content.
    const layered = state.shownLayer !== null && state.shownLayer.num === page.num;
    picture.alt = layered ? '' : `Page ${page.label || page.num}`;
    if (layered) scaleTextLayer();
    // The next page's image, so that turning is quick.
    const next = state.pages[page.num];
    if (next && next.normal && !state.zoomed) {
      const ahead = fileUrl(next.normal.file);
      if (ahead !== null) new Image().src = ahead;
    }
  }

  // The frame takes the page's shape: the whole page fits the stage, or, zoomed, the zoom
  // image at its own size. Returns the frame's width in CSS pixels.
  function fitFrame(page) {
    const frame = $('page-frame');
    if (page.width <= 0 || page.height <= 0) return 0;
    let width;
    if (state.zoomed && page.zoom && page.zoom.width > 0) {
      width = page.zoom.width;
    } else {
      const stage = $('stage');
      const room = Math.max(stage.clientWidth - 32, 200);
      const tall = Math.max(stage.clientHeight - 56, 200);
      width = Math.min(room, (tall * page.width) / page.height);
    }
    frame.style.width = `${Math.floor(width)}px`;
    frame.style.height = `${Math.floor((width * page.height) / page.width)}px`;
    return Math.floor(width);
  }

  // ---- the text layer ----

  // The text layer of page `num`: a Promise of the layer, or of null when the page has none
  // (no Text_N.json: an older publication) or it cannot be read.
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

  async function showTextLayer(page) {
    const holder = $('text-layer');
    holder.replaceChildren();
    state.shownLayer = null;
    const layer = await loadTextLayer(page.num);
    // Turned on, or to the text view, meanwhile: this answer is no longer wanted.
    if (state.current !== page.num || state.textView || layer === null) return;
    const { frame, hits } = buildTextLayer(layer);
    holder.replaceChildren(frame);
    state.shownLayer = { num: page.num, layer, frame, hits };
    $('page-image').alt = '';
    scaleTextLayer();
    showHitBoxes(true);
  }

  // The layer's frame (one pixel per point) scaled to the page image as it is shown.
  function scaleTextLayer() {
    if (state.shownLayer === null) return;
    const width = $('page-frame').getBoundingClientRect().width || parseFloat($('page-frame').style.width);
    if (!(width > 0)) return;
    state.shownLayer.frame.style.transform = `scale(${width / state.shownLayer.layer.width})`;
  }

  // The boxes of the hits on the page shown; the current one marked and, zoomed, scrolled to.
  function showHitBoxes(scroll = false) {
    const shown = state.shownLayer;
    if (shown === null || shown.num !== state.current) return;
    shown.hits.replaceChildren();
    let current = null;
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
    if (scroll && current !== null) current.scrollIntoView({ block: 'center', inline: 'center' });
  }

  async function showAreas(page) {
    const layer = $('areas');
    layer.replaceChildren();
    state.shownAreas = [];
    if (!page.data) return;
    let xml;
    try {
      xml = await fetchXml(page.data);
    } catch (error) {
      if (state.current === page.num) setStatus(`The links of this page cannot be read: ${error.message}`);
      return;
    }
    if (state.current !== page.num) return;  // turned on meanwhile
    const root = xml.documentElement;
    for (const [section, kind] of [['links', 'link'], ['products', 'product']]) {
      const list = childElement(root, section);
      for (const element of list ? list.children : []) {
        if (element.localName !== kind) continue;
        const area = areaElement(element, kind, page);
        if (area !== null) {
          layer.append(area);
          state.shownAreas.push(area);
        }
      }
    }
    markHits();
  }

  function parseLoc(text) {
    const match = /^\s*(-?\d+)\s+(-?\d+)\s+(-?\d+)\s+(-?\d+)\s*$/.exec(text || '');
    if (!match) return null;
    const [x, y, width, height] = match.slice(1).map(Number);
    return width > 0 && height > 0 ? { x, y, width, height } : null;
  }

  // The page a page link goes to: its address is the page number ("3"), or holds page=N
  // ("#page=3"); else the first number of its text.
  function linkedPage(url, text) {
    let match = /^\s*(\d+)\s*$/.exec(url) || /(?:^|[#?&])page=(\d+)/.exec(url) ||
        /(\d+)/.exec(text);
    if (!match) return 0;
    const num = number(match[1]);
    return num >= 1 && num <= state.pages.length ? num : 0;
  }

  // The address as a browser may open it, or null: only absolute http, https, ftp and mailto
  // addresses.
  function openable(url) {
    let parsed;
    try {
      parsed = new URL(url);
    } catch {
      return null;
    }
    return OPENED_SCHEMES.has(parsed.protocol) ? parsed.href : null;
  }

  function percent(part, whole) {
    return `${((100 * part) / whole).toFixed(4)}%`;
  }

  function areaElement(element, kind, page) {
    const loc = parseLoc(element.getAttribute('loc'));
    if (loc === null || page.width <= 0 || page.height <= 0) return null;
    const url = element.getAttribute('url') || '';
    const text = element.getAttribute('text') || element.getAttribute('productid') || '';
    const area = document.createElement('a');
    area.className = `area ${kind}`;
    area.style.left = percent(loc.x, page.width);
    area.style.top = percent(loc.y, page.height);
    area.style.width = percent(loc.width, page.width);
    area.style.height = percent(loc.height, page.height);
    area.dataset.text = text;
    area.dataset.loc = element.getAttribute('loc');
    if (kind === 'link' && element.getAttribute('linktype') === '2') {
      const target = linkedPage(url, text);
      if (target > 0) {
        area.href = `#page=${target}`;
        area.title = `Page ${state.pages[target - 1].label || target}`;
        area.dataset.page = String(target);
        area.addEventListener('click', (event) => {
          event.preventDefault();
          goTo(target);
        });
        return area;
      }
    }
    const address = openable(url);
    if (address === null) {
      area.classList.add('inert');
      area.setAttribute('aria-disabled', 'true');
      area.title = text ? `${text} (not opened: ${url})` : `Not opened: ${url}`;
      return area;
    }
    area.href = address;
    area.title = text && text !== url ? `${text} — ${address}` : address;
    if (!address.startsWith('mailto:')) {
      area.target = '_blank';
      area.rel = 'noopener noreferrer';
    }
    return area;
  }

  function markHits() {
    for (const area of state.shownAreas) {
      const text = (area.dataset.text || '').toLowerCase();
      area.classList.toggle('hit', state.term !== '' && text.includes(state.term));
    }
  }

  async function showText(page) {
    $('page-frame').hidden = true;
    $('text-layer').replaceChildren();
    state.shownLayer = null;
    const article = $('page-text');
    article.hidden = false;
    article.replaceChildren();
    if (!page.html) return;
    let source;
    try {
      source = await fetchText(page.html);
    } catch (error) {
      setStatus(`The text of this page cannot be read: ${error.message}`);
      return;
    }
    if (state.current !== page.num || !state.textView) return;
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
    if (article.childElementCount === 0) {
      const empty = document.createElement('p');
      empty.textContent = 'This page has no text.';
      article.append(empty);
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
  // DocumentIndex.xml (no boxes).
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
    const list = document.createElement('div');
    list.className = 'results';
    panel.append(list);
    state.searching = true;
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
      if (found.length === 0) continue;
      state.hitPages++;
      for (const hit of found) {
        const index = state.hits.length;
        state.hits.push({ num: page.num, words: hit.words, hasBoxes: page.hasBoxes });
        if (index < MAX_LISTED_HITS) list.append(resultButton(index, page, hit));
      }
      // The first hit on or after the page shown is gone to as soon as it is known.
      if (state.hitIndex < 0 && page.num >= startPage) {
        goToHit(state.hits.length - found.length);
      } else if (page.num === state.current) {
        showHitBoxes();
      }
      showCount(false);
    }
    state.searching = false;
    if (failure !== null) {
      setStatus(`The text index cannot be read: ${failure.message}`);
    }
    if (state.hitIndex < 0 && state.hits.length > 0) goToHit(0);
    showCount(true);
    if (state.hits.length === 0) {
      const none = document.createElement('p');
      none.textContent = `No page holds "${term.trim()}".`;
      panel.prepend(none);
    }
  }

  function showCount(done) {
    const pages = state.hitPages;
    const count = state.hits.length;
    let text;
    if (count === 0) text = done ? 'No hits' : 'Searching…';
    else if (state.hitIndex >= 0) text = `Hit ${state.hitIndex + 1} of ${count}${done ? '' : '…'}`;
    else text = `${count} hit${count === 1 ? '' : 's'}${done ? '' : '…'}`;
    if (done && count > 0) text += ` on ${pages} page${pages === 1 ? '' : 's'}`;
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
      if (window.matchMedia(NARROW_SCREEN).matches) setSidebar(false);
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
    if (hit.num !== state.current) goTo(hit.num);
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

  // ---- controls ----

  function setStatus(message) {
    $('status').textContent = message;
  }

  function setSidebar(open) {
    $('sidebar').classList.toggle('closed', !open);
    $('toggle-sidebar').setAttribute('aria-expanded', String(open));
    if (state.current > 0 && !state.textView) showImage(state.pages[state.current - 1]);
  }

  function turn(step) {
    goTo(state.current + step);
  }

  function wireControls() {
    $('prev').addEventListener('click', () => turn(-1));
    $('next').addEventListener('click', () => turn(1));
    $('page-input').addEventListener('change', (event) => goTo(number(event.target.value)));
    $('zoom').addEventListener('click', () => {
      state.zoomed = !state.zoomed;
      $('zoom').setAttribute('aria-pressed', String(state.zoomed));
      if (!state.textView) showImage(state.pages[state.current - 1]);
    });
    $('text-view').addEventListener('click', () => {
      state.textView = !state.textView;
      $('text-view').setAttribute('aria-pressed', String(state.textView));
      const page = state.pages[state.current - 1];
      if (state.textView) {
        showText(page);
      } else {
        showImage(page);
        showAreas(page);
        showTextLayer(page);
      }
    });
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
    for (const tab of ['toc', 'thumbs', 'results']) {
      $(`tab-${tab}`).addEventListener('click', () => selectTab(tab));
    }
    document.addEventListener('keydown', (event) => {
      if (event.key === 'F3' && !event.altKey && !event.ctrlKey && !event.metaKey) {
        event.preventDefault();
        if (state.hits.length > 0) stepHit(event.shiftKey ? -1 : 1);
        else if ($('search-input').value.trim() !== '') searchOrStep(1);
        return;
      }
      if (event.target instanceof HTMLInputElement || event.altKey || event.ctrlKey || event.metaKey) return;
      const steps = { ArrowRight: 1, PageDown: 1, ArrowLeft: -1, PageUp: -1 };
      if (event.key === 'Home') goTo(1);
      else if (event.key === 'End') goTo(state.pages.length);
      else if (steps[event.key]) turn(steps[event.key]);
      else return;
      event.preventDefault();
    });
    let touch = null;
    $('stage').addEventListener('touchstart', (event) => {
      if (event.touches.length === 1) touch = { x: event.touches[0].clientX, y: event.touches[0].clientY };
    }, { passive: true });
    $('stage').addEventListener('touchend', (event) => {
      if (touch === null || state.zoomed) return;
      const dx = event.changedTouches[0].clientX - touch.x;
      const dy = event.changedTouches[0].clientY - touch.y;
      touch = null;
      if (Math.abs(dx) > 50 && Math.abs(dx) > 2 * Math.abs(dy)) turn(dx < 0 ? 1 : -1);
    }, { passive: true });
    window.addEventListener('popstate', () => show(pageFromAddress()));
    window.addEventListener('hashchange', () => show(pageFromAddress()));
    window.addEventListener('resize', () => {
      if (state.current > 0 && !state.textView) showImage(state.pages[state.current - 1]);
    });
  }

  async function start() {
    wireControls();
    try {
      readDescriptor(await fetchXml('document.xml'));
    } catch (error) {
      setStatus(`This publication cannot be shown: ${error.message}`);
      return;
    }
    // On a narrow screen the sidebar covers the page: it starts closed.
    if (window.matchMedia(NARROW_SCREEN).matches) setSidebar(false);
    if (state.pages.length === 0) {
      setStatus('This publication has no pages.');
      return;
    }
    show(pageFromAddress());
    document.body.dataset.ready = 'true';
  }

  start();
})();
