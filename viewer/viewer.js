// The publication viewer: reads what quillonproxy wrote into this folder and shows it.
//
//   document.xml        pages (images, sizes in points at 72 dpi), labels, contents
//   Page_N.xml          the page's links and products; "loc" is x y width height in points
//                       from the top-left corner of the shown page, y down
//   DocumentIndex.xml   the text of every page, for searching
//   Page_N.html         the page's text, for the text view
//
// Every text and address in these files comes from a customer's PDF, so nothing read from
// them is ever put into the page as HTML (text nodes and attributes only), and a link opens
// only http:, https:, ftp: and mailto: addresses; any other address is shown as inert text.
// The page to show is in the address as #page=N (#?page=N, as the SEO links write it, too).
'use strict';

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
    if (!response.ok) throw new Error(`${name}: ${response.status} ${response.statusText}`);
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
      if (changed) showAreas(page);
      else markHits();
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
    picture.alt = `Page ${page.label || page.num}`;
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
        [...xml.documentElement.children]
          .filter((e) => e.localName === 'page')
          .map((e) => ({ num: number(e.getAttribute('p')), text: e.textContent.replace(/\s+/g, ' ') })));
      state.index.catch(() => { state.index = null; });
    }
    return state.index;
  }

  async function search(term) {
    state.term = term.trim().toLowerCase();
    markHits();
    const panel = $('results-panel');
    panel.replaceChildren();
    selectTab('results');
    if (state.term === '') return;
    let pages;
    try {
      pages = await loadIndex();
    } catch (error) {
      setStatus(`The text index cannot be read: ${error.message}`);
      return;
    }
    const found = pages.filter((p) => p.text.toLowerCase().includes(state.term));
    const summary = document.createElement('p');
    summary.textContent = found.length === 0 ? `No page holds "${term.trim()}".`
        : `${found.length} page${found.length === 1 ? '' : 's'} hold "${term.trim()}":`;
    panel.append(summary);
    for (const page of found) {
      const at = page.text.toLowerCase().indexOf(state.term);
      const from = Math.max(0, at - 40);
      const snippet = (from > 0 ? '…' : '') + page.text.slice(from, at + state.term.length + 60) + '…';
      const button = document.createElement('button');
      button.type = 'button';
      button.className = 'result';
      button.dataset.page = String(page.num);
      const heading = document.createElement('b');
      const label = state.pages[page.num - 1] ? state.pages[page.num - 1].label : '';
      heading.textContent = `Page ${page.num}${label && label !== String(page.num) ? ` (${label})` : ''}`;
      const context = document.createElement('span');
      context.textContent = snippet;
      button.append(heading, context);
      button.addEventListener('click', () => goTo(page.num));
      panel.append(button);
    }
  }

  // ---- controls ----

  function setStatus(message) {
    $('status').textContent = message;
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
      }
    });
    $('search').addEventListener('submit', (event) => {
      event.preventDefault();
      search($('search-input').value);
    });
    $('toggle-sidebar').addEventListener('click', () => {
      const closed = $('sidebar').classList.toggle('closed');
      $('toggle-sidebar').setAttribute('aria-expanded', String(!closed));
      if (state.current > 0 && !state.textView) showImage(state.pages[state.current - 1]);
    });
    for (const tab of ['toc', 'thumbs', 'results']) {
      $(`tab-${tab}`).addEventListener('click', () => selectTab(tab));
    }
    document.addEventListener('keydown', (event) => {
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
    if (state.pages.length === 0) {
      setStatus('This publication has no pages.');
      return;
    }
    show(pageFromAddress());
    document.body.dataset.ready = 'true';
  }

  start();
})();
