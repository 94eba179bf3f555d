// The bytes of a first view at 200% on a screen of 2 device pixels a CSS pixel (1366x900):
// page 1 opened, then zoomed to 200%, in Debian's chromium with the cache off; what was fetched
// before the zoom (descriptor, viewer, first images) and for it (the zoom image and the sharp
// zoom's tiles of the part in view), each counted as the network transferred it.
//
//   node bench/zoom-bytes.mjs PUBLICATION_DIR [ZOOM [DENSITY]]
import path from 'node:path';

const repo = path.resolve(path.dirname(new URL(import.meta.url).pathname), '..');
const { launchBrowser, playwrightChromium, serve } = await import(path.join(repo, 'tests/viewer/harness.mjs'));
const [dir, zoom = '2', density = '2'] = process.argv.slice(2);
const browser = await launchBrowser(playwrightChromium());
const site = await serve(path.resolve(dir));
const context = await browser.newContext({ viewport: { width: 1366, height: 900 }, deviceScaleFactor: Number(density) });
const page = await context.newPage();
const cdp = await context.newCDPSession(page);
await cdp.send('Network.enable');
await cdp.send('Network.setCacheDisabled', { cacheDisabled: true });
const fetched = new Map();  // request id -> {url, bytes}
cdp.on('Network.requestWillBeSent', (e) => fetched.set(e.requestId, { url: e.request.url, bytes: 0 }));
cdp.on('Network.loadingFinished', (e) => { if (fetched.has(e.requestId)) fetched.get(e.requestId).bytes = e.encodedDataLength; });
const total = (from) => [...fetched.values()].slice(from).reduce((sum, f) => sum + f.bytes, 0);
await page.goto(`${site.base}/#page=1`);
await page.waitForSelector('body[data-ready="true"]');
await page.waitForFunction(() => document.getElementById('page-image').complete);
await page.waitForTimeout(1000);  // the text layer, the record and the next page's image
const before = total(0);
const requestsBefore = fetched.size;
await page.selectOption('#zoom-level', zoom);
await page.waitForTimeout(300);
await page.waitForFunction(() => [...document.querySelectorAll('#page-frame .tile')].every((t) => t.complete), null, { timeout: 60000 });
await page.waitForTimeout(1000);
const after = [...fetched.values()].slice(requestsBefore);
const tiles = after.filter((f) => /\/tiles\//.test(f.url));
console.log(`first page at fit: ${requestsBefore} requests, ${before} bytes`);
console.log(`then ${zoom * 100}% at ${density}x: ${after.length} requests, ${total(requestsBefore)} bytes ` +
  `(${tiles.length} tiles, ${tiles.reduce((s, f) => s + f.bytes, 0)} bytes; the rest: ${after.filter((f) => !/\/tiles\//.test(f.url)).map((f) => path.basename(new URL(f.url).pathname)).join(', ')})`);
console.log(`whole first view at ${zoom * 100}%: ${before + total(requestsBefore)} bytes`);
await browser.close();
site.server.close();
