// Reading the files quillonproxy wrote into this folder.
//
//   document.xml        pages (images, sizes in points at 72 dpi), labels, contents
//   publication.json    written by publish.sh (older publications lack it):
//                       {"title": "...", "pdf": "document.pdf", "pdfName": "Original.pdf"},
//                       "pdf"/"pdfName" only when the original PDF was copied in;
//                       "dir": "rtl" for a book read from right to left
//
// Every text and address in these files comes from a customer's PDF: callers put it into
// the page as text nodes and attributes only.

// A file of this folder as a URL: each path segment encoded, no scheme, no way up; or null.
export function fileUrl(name) {
  if (typeof name !== 'string' || name === '' || /^[a-z][a-z0-9+.-]*:/i.test(name) ||
      name.startsWith('/') || name.split('/').some((segment) => segment === '..' || segment === '.')) {
    return null;
  }
  return name.split('/').map(encodeURIComponent).join('/');
}

// The file's text (decoded as UTF-8, which the program writes whatever a server declares).
// `signal` aborts the request (an AbortError is thrown then).
export async function fetchText(name, signal) {
  const url = fileUrl(name);
  if (url === null) throw new Error(`"${name}" is not a file of this publication`);
  const response = await fetch(url, { cache: 'no-cache', signal });
  if (!response.ok) {
    const error = new Error(`${name}: ${response.status} ${response.statusText}`);
    error.status = response.status;
    throw error;
  }
  return new TextDecoder('utf-8').decode(await response.arrayBuffer());
}

export async function fetchXml(name, signal) {
  return parseXml(name, await fetchText(name, signal));
}

function parseXml(name, text) {
  const xml = new DOMParser().parseFromString(text, 'application/xml');
  if (xml.getElementsByTagName('parsererror').length > 0) {
    throw new Error(`${name} is not well-formed XML`);
  }
  return xml;
}

// How often a kept file is asked for before a failure is given up on, and the pause before the
// first retry (doubled for the next).
const KEPT_ATTEMPTS = 3;
const KEPT_RETRY_MS = 300;
const kept = new Map();  // name -> Promise of the parsed file, or of null when it is absent

// The one way to read a file that is kept for the session (a text layer, the search text, the
// index): a Promise of `parse(text)` (`parse(xml)` with asXml; parse may return a Promise),
// fetched once; of null when the server says the file is not there (404: an older publication
// lacks it), which is remembered.
// A network failure, any other status, or content `parse` refuses is tried again twice, after
// a pause, and then rejects and is forgotten, so that the next ask fetches it afresh.
export function keptFile(name, parse, asXml = false) {
  if (!kept.has(name)) {
    const loading = (async () => {
      for (let attempt = 1; ; attempt++) {
        try {
          const text = await fetchText(name);
          return await parse(asXml ? parseXml(name, text) : text);
        } catch (error) {
          if (error.status === 404) return null;
          if (attempt >= KEPT_ATTEMPTS) throw error;
          await new Promise((resolve) => setTimeout(resolve, KEPT_RETRY_MS * 2 ** (attempt - 1)));
        }
      }
    })();
    kept.set(name, loading);
    loading.catch(() => kept.delete(name));
  }
  return kept.get(name);
}

export function childElement(parent, name) {
  for (const child of parent.children) if (child.localName === name) return child;
  return null;
}

export function number(text) {
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

// The descriptor as plain data: {pages, lang, title, toc (the <toc> element or null)}.
// A page: {num, label, width, height (points), normal, zoom, thumb ({file, width, height}
// or null), data, html (file names or null)}.
export function readDescriptor(xml) {
  const root = xml.documentElement;
  const pages = [];
  const list = childElement(root, 'pages');
  for (const page of list ? list.children : []) {
    if (page.localName !== 'page') continue;
    const normal = imageOf(page, 'normal');
    const data = childElement(page, 'data');
    const html = childElement(page, 'htmlview');
    pages.push({
      num: number(page.getAttribute('num')),
      label: page.getAttribute('label') || '',
      // The page's size in points (72 dpi), which "loc" values refer to.
      width: normal ? normal.width : 0,
      height: normal ? normal.height : 0,
      normal,
      // The zoom image: the descriptor's "hiimage" (zoom prefix and postfix, its own size).
      zoom: imageOf(page, 'hiimage') || imageOf(page, 'hi'),
      thumb: imageOf(page, 'thumbnail'),
      data: data ? data.getAttribute('file') : null,
      html: html ? html.getAttribute('file') : null,
    });
  }
  const langElement = childElement(root, 'documentlang');
  const lang = (root.getAttribute('lang') || root.getAttribute('documentlang') ||
      (langElement ? langElement.textContent : '')).trim();
  return {
    pages,
    lang: /^[A-Za-z]{2,8}(?:-[A-Za-z0-9]{1,8})*$/.test(lang) ? lang : '',
    title: root.getAttribute('title') || root.getAttribute('filename') || '',
    toc: childElement(root, 'toc'),
  };
}

// publication.json's "tiles" as {size, dpi: [ascending], side}, or null when there are none or
// they are not readable.
function readTiles(json) {
  if (json === null || typeof json !== 'object') return null;
  const { size, dpi, side } = json;
  const whole = (value) => Number.isInteger(value) && value > 0;
  if (!whole(size) || !whole(side) || !Array.isArray(dpi) || dpi.length === 0 || !dpi.every(whole)) return null;
  return { size, dpi: [...dpi].sort((a, b) => a - b), side };
}

// publication.json as {title, pdf, pdfName, rightToLeft}: each a non-empty string or null, and
// whether the book reads from right to left. A missing or unreadable file (an older
// publication) gives all null and left to right; it is never an error.
export async function readPublication() {
  const none = { title: null, pdf: null, pdfName: null, rightToLeft: false, tiles: null };
  let json;
  try {
    json = JSON.parse(await fetchText('publication.json'));
  } catch {
    return none;
  }
  if (json === null || typeof json !== 'object') return none;
  const text = (value) => (typeof value === 'string' && value.trim() !== '' ? value : null);
  const pdf = text(json.pdf);
  return {
    title: text(json.title),
    pdf: pdf !== null && fileUrl(pdf) !== null ? pdf : null,
    pdfName: text(json.pdfName),
    rightToLeft: json.dir === 'rtl',
    tiles: readTiles(json.tiles),
  };
}
