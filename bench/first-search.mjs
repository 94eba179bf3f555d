// A reader's first search over a slow link (1.6 Mbit/s down, 150 ms each way, cache off,
// 1366x900): the time from Enter to the first result shown and the files and bytes fetched
// meanwhile. Used by bench/book.sh on a book of 10,208 pages.
//
//   node bench/first-search.mjs PUBLICATION_DIR TERM
import path from 'node:path';
const { launchBrowser, playwrightChromium, serve } = await import(path.join(path.dirname(new URL(import.meta.url).pathname), '../tests/viewer/harness.mjs'));
const [dir, term] = process.argv.slice(2);
const browser = await launchBrowser(playwrightChromium());
const site = await serve(dir);
const context = await browser.newContext({ viewport: { width: 1366, height: 900 } });
const page = await context.newPage();
const cdp = await context.newCDPSession(page);
await cdp.send('Network.enable');
await cdp.send('Network.setCacheDisabled', { cacheDisabled: true });
await page.goto(`${site.base}/#page=1`);
await page.waitForSelector('body[data-ready="true"]');
await page.waitForTimeout(1000);
await cdp.send('Network.emulateNetworkConditions', { offline: false, latency: 150, downloadThroughput: 1.6e6 / 8, uploadThroughput: 0.75e6 / 8 });
const urls = new Map(); let bytes = 0; const fetched = []; let on = false;
cdp.on('Network.requestWillBeSent', (e) => urls.set(e.requestId, e.request.url));
cdp.on('Network.loadingFinished', (e) => { if (!on) return; bytes += e.encodedDataLength; fetched.push(path.basename(new URL(urls.get(e.requestId) || 'http://x/').pathname)); });
await page.fill('#search-input', term);
const t = Date.now(); on = true;
await page.press('#search-input', 'Enter');
await page.waitForFunction(() => document.querySelector('#results-panel .result') !== null, null, { timeout: 120000, polling: 20 });
console.log(`first result after ${Date.now() - t} ms, ${bytes} bytes: ${fetched.join(', ')}; ${await page.textContent('#hit-count')}`);
await browser.close(); site.server.close();
