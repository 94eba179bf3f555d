// The viewer on one page of about 200,000 words (bench/viewer-words.sh): the time until its
// text layer is shown, until its words in view at 400% are built, and until a search over it
// has finished, and the longest the page was held meanwhile (the browser's long tasks),
// scrolling across the zoomed page included.
//
//   node bench/viewer-words.mjs PUBLICATION_DIR
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
const shown = Date.now();
await page.goto(`${site.base}/#page=1`);
await page.waitForSelector('.text-frame', { timeout: 600000 });
const layerMs = Date.now() - shown;
const [layerTasks, layerLongest] = await longest();
// At 400% the words are legible: built for the part in view, then again at each step of a
// scroll from the top-left corner to the bottom-right one.
const zoomed = Date.now();
await page.selectOption('#zoom-level', '4');
await page.waitForFunction(() => document.querySelector('.text-word') !== null, null, { timeout: 600000, polling: 50 });
const zoomMs = Date.now() - zoomed;
const built = await page.evaluate(() => document.querySelectorAll('.text-word').length);
const STEPS = 40;
for (let step = 1; step <= STEPS; step++) {
  await page.evaluate((share) => {
    const stage = document.getElementById('stage');
    stage.scrollTo((stage.scrollWidth - stage.clientWidth) * share, (stage.scrollHeight - stage.clientHeight) * share);
  }, step / STEPS);
  await page.waitForTimeout(100);
}
const [scrollTasks, scrollLongest] = await longest();
await page.fill('#search-input', 'q');
const searched = Date.now();
await page.press('#search-input', 'Enter');
await page.waitForFunction(() => /on \d+ page|No hits/.test(document.getElementById('hit-count').textContent), null,
  { timeout: 600000, polling: 100 });
const searchMs = Date.now() - searched;
const [searchTasks, searchLongest] = await longest();
console.log(`text layer of the page shown after ${layerMs} ms; ${layerTasks} long tasks, the longest ${layerLongest} ms`);
console.log(`zoomed to 400%: ${built} words built after ${zoomMs} ms; scrolled across in ${STEPS} steps: ${scrollTasks} long tasks, the longest ${scrollLongest} ms`);
console.log(`search "q": ${await page.textContent('#hit-count')} after ${searchMs} ms; ${searchTasks} long tasks, the longest ${searchLongest} ms`);
await browser.close();
site.server.close();
