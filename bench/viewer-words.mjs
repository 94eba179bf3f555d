// The viewer on one page of about 200,000 words (bench/viewer-words.sh): the time until its
// text layer is whole and until a search over it has finished, and the longest the page was
// held meanwhile (the browser's long tasks).
//
//   node bench/viewer-words.mjs PUBLICATION_DIR
import { readFileSync } from 'node:fs';
import path from 'node:path';

const repo = path.resolve(path.dirname(new URL(import.meta.url).pathname), '..');
const { launchBrowser, playwrightChromium, serve } = await import(path.join(repo, 'tests/viewer/harness.mjs'));
const [dir] = process.argv.slice(2);
const browser = await launchBrowser(playwrightChromium());
const site = await serve(dir);
const page = await browser.newPage({ viewport: { width: 1366, height: 900 } });
await page.addInitScript(() => {
  window.longTasks = [];
  new PerformanceObserver((list) => {
    for (const entry of list.getEntries()) window.longTasks.push(entry.duration);
  }).observe({ type: 'longtask', buffered: true });
});
const longest = () => page.evaluate(() => {
  const all = window.longTasks;
  window.longTasks = [];
  return [all.length, Math.round(Math.max(0, ...all))];
});
// The words the viewer keeps: whole lines up to 200,000 words.
const whole = JSON.parse(readFileSync(path.join(dir, 'Text_1.json'), 'utf8')).l
  .reduce((sum, line) => {
    const count = line[0].split(' ').filter((word) => word !== '').length;
    return sum + count <= 200000 ? sum + count : sum;
  }, 0);
const shown = Date.now();
await page.goto(`${site.base}/#page=1`);
await page.waitForFunction((n) => document.querySelectorAll('.text-word').length >= n, whole, { timeout: 600000, polling: 100 });
const layerMs = Date.now() - shown;
const [layerTasks, layerLongest] = await longest();
await page.fill('#search-input', 'q');
const searched = Date.now();
await page.press('#search-input', 'Enter');
await page.waitForFunction(() => /on \d+ page|No hits/.test(document.getElementById('hit-count').textContent), null,
  { timeout: 600000, polling: 100 });
const searchMs = Date.now() - searched;
const [searchTasks, searchLongest] = await longest();
console.log(`text layer of ${whole} words whole after ${layerMs} ms; ${layerTasks} long tasks, the longest ${layerLongest} ms`);
console.log(`search "q": ${await page.textContent('#hit-count')} after ${searchMs} ms; ${searchTasks} long tasks, the longest ${searchLongest} ms`);
await browser.close();
site.server.close();
