// The publication viewer in a real browser: Playwright (playwright-core) driving Debian's
// chromium, headless, against publications that scripts/publish.sh makes and a small static
// server (harness.mjs) serves on 127.0.0.1.
//
//   node tests/viewer/viewer.test.mjs
//
// Environment (CTest sets it): QUILLON_SOURCE_DIR, QUILLONPROXY_BIN, QUILLON_SAMPLE_PDF,
// QUILLON_ARTIFACTS (where publications and the screenshot go), CHROMIUM (default
// /usr/bin/chromium). Without chromium or playwright-core the run is skipped (status 77),
// unless QUILLON_REQUIRE_BROWSER=1, which scripts/test.sh sets after installing both.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { cpSync, existsSync, mkdirSync, readdirSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { fold, knownLayer, readLayer, wordRect, writeLayer } from './textlayers.mjs';
import {
  artifacts, copiedPublication, launchBrowser, playwrightChromium, publish, requireFromTests, samplePdf, serve, sourceDir,
  waitForImage,
} from './harness.mjs';

const chromium = playwrightChromium();

// A PDF written by hand: one page of Helvetica lines and link annotations with the given
// addresses, an outline entry and a document title.
function hostilePdf(file, lines, addresses, title) {
  const escape = (s) => s.replace(/[\\()]/g, (c) => `\\${c}`);
  const content = ['BT /F1 12 Tf'];
  lines.forEach((line, i) => content.push(`1 0 0 1 72 ${700 - 20 * i} Tm (${escape(line)}) Tj`));
  content.push('ET');
  const stream = content.join('\n');
  const annots = addresses.map((_, i) => 7 + i);
  const objects = [
    '<< /Type /Catalog /Pages 2 0 R /Outlines 5 0 R >>',
    '<< /Type /Pages /Kids [3 0 R] /Count 1 >>',
    `<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 6 0 R >> >> /Annots [${annots.map((n) => `${n} 0 R`).join(' ')}] >>`,
    `<< /Length ${Buffer.byteLength(stream)} >>\nstream\n${stream}\nendstream`,
    '<< /Type /Outlines /First 99 0 R /Last 99 0 R /Count 1 >>',
    '<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>',
    ...addresses.map((uri, i) => `<< /Type /Annot /Subtype /Link /Rect [72 ${300 - 30 * i} 300 ${320 - 30 * i}] /Border [0 0 0] /A << /S /URI /URI (${escape(uri)}) >> >>`),
  ];
  objects[98] = `<< /Title (${escape(title)}) /Parent 5 0 R /Dest [3 0 R /XYZ 0 792 0] >>`;
  objects[99] = `<< /Title (${escape(title)}) >>`;
  let out = '%PDF-1.4\n';
  const offsets = [];
  objects.forEach((body, i) => {
    if (body === undefined) return;
    offsets[i] = Buffer.byteLength(out);
    out += `${i + 1} 0 obj\n${body}\nendobj\n`;
  });
  const xref = Buffer.byteLength(out);
  out += `xref\n0 ${objects.length + 1}\n0000000000 65535 f \n`;
  for (let i = 0; i < objects.length; i++) {
    out += offsets[i] === undefined ? '0000000000 65535 f \n' : `${String(offsets[i]).padStart(10, '0')} 00000 n \n`;
  }
  out += `trailer\n<< /Size ${objects.length + 1} /Root 1 0 R /Info 100 0 R >>\nstartxref\n${xref}\n%%EOF\n`;
  writeFileSync(file, out, 'latin1');
}

// ---- the browser ----

let browser;
before(async () => {
  mkdirSync(artifacts, { recursive: true });
  browser = await launchBrowser(chromium);
});
after(async () => {
  if (browser) await browser.close();
});

// `prepare(page)`, when given, runs before the viewer is loaded (routes set there see every
// request the viewer makes).
async function openViewer(base, address = '/', viewport = { width: 1280, height: 900 }, prepare = null) {
  const page = await browser.newPage({ viewport });
  if (prepare !== null) await prepare(page);
  const problems = [];
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('dialog', (dialog) => {
    problems.push(`dialog: ${dialog.message()}`);
    dialog.dismiss();
  });
  await page.goto(base + address);
  await page.waitForSelector('body[data-ready="true"]');
  return { page, problems };
}

async function shownPage(page) {
  return Number(await page.inputValue('#page-input'));
}

// The viewer's modules import one another in one direction only: a module that needs one that
// imports it asks through the events of state.js; and each piece of the shared state is set by
// one module, its owner, which the others ask.
test('no two viewer modules import each other, however indirectly, and each piece of state has one owner', () => {
  const dir = path.join(sourceDir, 'viewer');
  const imports = new Map();
  const setters = new Map();  // field -> the modules that set it
  for (const file of readdirSync(dir).filter((name) => name.endsWith('.js'))) {
    const text = readFileSync(path.join(dir, file), 'utf8');
    imports.set(file, [...text.matchAll(/from '\.\/([\w-]+\.js)'/g)].map((m) => m[1]));
    const assigned = [...text.matchAll(/state\.(\w+)\s*(?:[-+*/]?=(?!=)|\+\+|--)/g), ...text.matchAll(/(?:\+\+|--)state\.(\w+)/g)];
    for (const [, field] of assigned) setters.set(field, new Set([...(setters.get(field) || []), file]));
  }
  const shared = [...setters].filter(([, files]) => files.size > 1).map(([field, files]) => `${field}: ${[...files].join(', ')}`);
  assert.deepEqual(shared, []);
  assert.ok(setters.size >= 15, `state set in ${setters.size} places only`);
  const circles = [];
  const visit = (file, path) => {
    for (const next of imports.get(file) || []) {
      if (path.includes(next)) circles.push([...path.slice(path.indexOf(next)), next].join(' -> '));
      else visit(next, [...path, next]);
    }
  };
  for (const file of imports.keys()) visit(file, [file]);
  assert.deepEqual([...new Set(circles)], []);
});

describe('the sample publication', () => {
  let site;
  before(async () => {
    publish(samplePdf, path.join(artifacts, 'sample'), '--products', 'QX-\\d{4}',
      '--product-url', 'http://shop.example.com/$regresult',
      '--expressions', path.join(sourceDir, 'examples/sample-expressions.xml'));
    site = await serve(path.join(artifacts, 'sample'));
  });
  after(() => site.server.close());

  test('the first page shows with its image, labels and contents', async () => {
    const { page, problems } = await openViewer(site.base);
    await waitForImage(page, 'page1.jpg');
    assert.equal(await shownPage(page), 1);
    assert.equal(await page.textContent('#page-label'), '(i)');
    assert.equal(await page.textContent('#title'), 'Quillon Field Guide');
    assert.ok(await page.locator('.toc-entry', { hasText: '1.1.2 First Run' }).count() === 1);
    assert.deepEqual(problems, []);
    await page.close();
  });

  test('a page link turns to its target page', async () => {
    const { page } = await openViewer(site.base);
    await page.waitForSelector('#areas .area[data-page="2"]');
    await page.click('#areas .area[data-page="2"]');
    await waitForImage(page, 'page2.jpg');
    assert.equal(await shownPage(page), 2);
    assert.match(page.url(), /#page=2$/);
    await page.close();
  });

  test('a web link carries its address and an e-mail link starts mail', async () => {
    const { page } = await openViewer(site.base);
    await page.waitForSelector('#areas .area.link');
    const web = page.locator('#areas a.area[data-text="www.example.com"]');
    assert.equal(await web.getAttribute('href'), 'http://www.example.com/');
    assert.equal(await web.getAttribute('target'), '_blank');
    const mail = page.locator('#areas a.area[data-text="editor@example.com"]');
    assert.equal(await mail.getAttribute('href'), 'mailto:editor@example.com');
    await page.close();
  });

  test('a contents entry turns the page', async () => {
    const { page } = await openViewer(site.base);
    await page.click('.toc-entry:text-is("2 Reference Tables")');
    await waitForImage(page, 'page5.jpg');
    assert.equal(await shownPage(page), 5);
    // Page 5 is a landscape page: the frame takes its shape.
    const frame = await page.locator('#page-frame').boundingBox();
    assert.ok(frame.width > frame.height, 'landscape frame');
    await page.close();
  });

  test('a search lists the pages with the word and marks link areas holding it', async () => {
    const { page } = await openViewer(site.base);
    await page.fill('#search-input', 'embedded');
    await page.press('#search-input', 'Enter');
    await page.waitForSelector('#results-panel .result');
    await page.waitForFunction(() => /on \d+ page/.test(document.getElementById('hit-count').textContent));
    const listed = await page.locator('#results-panel .result').evaluateAll((all) => all.map((b) => b.dataset.page));
    assert.deepEqual([...new Set(listed)], ['3']);
    await page.click('#results-panel .result[data-page="3"]');
    await waitForImage(page, 'page3.jpg');
    await page.fill('#search-input', 'QX-1042');
    await page.press('#search-input', 'Enter');
    await page.waitForSelector('#areas .area.product.hit');
    assert.equal(await page.locator('#areas .area.hit').count(), 1);
    await page.close();
  });

  test('link areas lie over their text', async () => {
    const { page } = await openViewer(site.base);
    await waitForImage(page, 'page1.jpg');
    // Where pdftotext finds the words on the page, in points from its top-left corner.
    const words = execFileSync('pdftotext', ['-bbox', '-f', '1', '-l', '1', samplePdf, '-'], { encoding: 'utf8' });
    for (const text of ['www.example.com', 'editor@example.com']) {
      const match = new RegExp(`<word xMin="([\\d.]+)" yMin="([\\d.]+)" xMax="([\\d.]+)" yMax="([\\d.]+)">${text.replace(/\./g, '\\.')}</word>`).exec(words);
      assert.ok(match, `pdftotext finds ${text}`);
      const [x0, y0, x1, y1] = match.slice(1).map(Number);
      const image = await page.locator('#page-image').boundingBox();
      const area = await page.locator(`#areas a.area[data-text="${text}"]`).boundingBox();
      const scale = 612 / image.width;  // the page is 612 points wide
      const shown = {
        x0: (area.x - image.x) * scale, y0: (area.y - image.y) * scale,
        x1: (area.x + area.width - image.x) * scale, y1: (area.y + area.height - image.y) * scale,
      };
      // The area runs from the word's first glyph to half an em past its last glyph's
      // origin, and from the top of the text to its baseline.
      assert.ok(Math.abs(shown.x0 - x0) <= 2, `${text} left ${shown.x0} vs ${x0}`);
      assert.ok(Math.abs(shown.y0 - y0) <= 2, `${text} top ${shown.y0} vs ${y0}`);
      assert.ok(Math.abs(shown.x1 - x1) <= 6, `${text} right ${shown.x1} vs ${x1}`);
      assert.ok(Math.abs(shown.y1 - y1) <= 3, `${text} bottom ${shown.y1} vs ${y1}`);
    }
    await page.close();
  });

  test('the address, arrow keys, swipes and the zoom image choose what is shown', async () => {
    const { page } = await openViewer(site.base, '/#page=4');
    await waitForImage(page, 'page4.jpg');
    await page.keyboard.press('ArrowRight');
    await waitForImage(page, 'page5.jpg');
    await page.keyboard.press('ArrowLeft');
    await page.keyboard.press('ArrowLeft');
    await waitForImage(page, 'page3.jpg');
    assert.match(page.url(), /#page=3$/);
    // A swipe to the left turns to the next page.
    await page.evaluate(() => {
      const stage = document.getElementById('stage');
      const at = (x) => new Touch({ identifier: 1, target: stage, clientX: x, clientY: 300 });
      stage.dispatchEvent(new TouchEvent('touchstart', { touches: [at(700)], changedTouches: [at(700)] }));
      stage.dispatchEvent(new TouchEvent('touchend', { touches: [], changedTouches: [at(500)] }));
    });
    await waitForImage(page, 'page4.jpg');
    await page.goto(`${site.base}/#?page=7`);
    await waitForImage(page, 'page7.jpg');
    await page.click('#zoom');
    await waitForImage(page, 'zoom7.jpg');
    const size = await page.locator('#page-image').evaluate((i) => [i.naturalWidth, i.naturalHeight]);
    assert.deepEqual(size, [1224, 1584]);
    await page.close();
  });

  test('the text view reads as prose: lines reflowed, hyphenated line ends joined, hits marked', async () => {
    const { page, problems } = await openViewer(site.base, '/#page=3');
    await page.click('#text-view');
    await page.waitForSelector('#page-text p');
    const text = await page.textContent('#page-text');
    assert.match(text, /converting a typical publication of three hundred pages/);
    assert.doesNotMatch(text, /publi-/);
    assert.equal(await page.locator('#page-text br').count(), 0);
    // The page's links live on their words.
    const links = await page.locator('#page-text a').evaluateAll((all) => all.map((a) => [a.textContent, a.getAttribute('href')]));
    assert.ok(links.some(([text, href]) => text === 'www.example.com' && /^http:\/\/www\.example\.com\/?$/.test(href)), JSON.stringify(links));
    assert.ok(links.some(([text, href]) => text === 'support@example.com' && href === 'mailto:support@example.com'), JSON.stringify(links));
    await page.fill('#search-input', 'Publication');
    await page.press('#search-input', 'Enter');
    await page.waitForFunction(() => document.querySelector('#page-text mark') !== null);
    const marks = await page.locator('#page-text mark').allTextContents();
    assert.ok(marks.length > 0 && marks.every((m) => m.toLowerCase() === 'publication'), JSON.stringify(marks));
    assert.deepEqual(problems, []);
    await page.close();
  });

  test('the text view shows the page text as text', async () => {
    const { page } = await openViewer(site.base, '/#page=7');
    await page.click('#text-view');
    await page.waitForSelector('#page-text p');
    const text = await page.textContent('#page-text');
    assert.match(text, /שלום עולם/);  // decoded as UTF-8 whatever the server says
    await page.close();
  });

  test('a screenshot of a page with link areas', async () => {
    const { page } = await openViewer(site.base, '/#page=8');
    await waitForImage(page, 'page8.jpg');
    await page.waitForSelector('#areas .area');
    const file = path.join(artifacts, 'viewer.png');
    await page.screenshot({ path: file });
    assert.ok(statSync(file).size > 20000);
    await page.close();
  });
});

describe('a publication of hostile addresses and text', () => {
  let site;
  before(async () => {
    const dir = path.join(artifacts, 'hostile');
    rmSync(dir, { recursive: true, force: true });
    mkdirSync(dir, { recursive: true });
    const pdf = path.join(dir, 'hostile.pdf');
    hostilePdf(pdf, [
      '<script>window.__pwned = "script"</script>',
      '<img src=x onerror="window.__pwned = 1">',
      'Run javascript:window.__pwned=2 now',
      'Safe: https://example.org/',
    ], ['javascript:window.__pwned=3', 'data:text/html,<script>window.__pwned=4</script>',
      'file:///etc/passwd', 'https://example.org/'],
    '<img src=x onerror="window.__pwned=5">');
    const expressions = path.join(dir, 'expressions.xml');
    writeFileSync(expressions,
      '<e target="1" linktype="0" result="$regresult" description=""><regexp>javascript:\\S+</regexp></e>');
    publish(pdf, path.join(dir, 'out'), '--expressions', expressions);
    site = await serve(path.join(dir, 'out'));
  });
  after(() => site.server.close());

  test('nothing runs, and only safe addresses open', async () => {
    const { page, problems } = await openViewer(site.base);
    await page.waitForSelector('#areas .area');
    const areas = await page.locator('#areas .area').evaluateAll((all) =>
      all.map((a) => ({ href: a.getAttribute('href'), inert: a.classList.contains('inert'), text: a.dataset.text })));
    const opened = areas.filter((a) => a.href !== null).map((a) => a.href);
    assert.ok(opened.length > 0, 'the https link opens');
    for (const href of opened) assert.match(href, /^https:\/\/example\.org\/$/);
    assert.ok(areas.filter((a) => a.inert).length >= 4, JSON.stringify(areas));
    // Click everything, search for the markup, read the text view.
    for (const area of await page.locator('#areas .area.inert').all()) await area.click();
    await page.fill('#search-input', 'script');
    await page.press('#search-input', 'Enter');
    await page.waitForSelector('#results-panel .result');
    await page.click('#text-view');
    await page.waitForSelector('#page-text p');
    assert.match(await page.textContent('#page-text'), /<script>window.__pwned = "script"<\/script>/);
    assert.equal(await page.textContent('#title'), '<img src=x onerror="window.__pwned=5">');
    assert.match(await page.textContent('#toc-panel'), /<img src=x/);
    assert.equal(await page.evaluate(() => window.__pwned), undefined);
    assert.equal(await page.locator('#page-text script, #page-text img, #toc-panel img, #results-panel img').count(), 0);
    assert.deepEqual(problems, []);
    await page.close();
  });
});

// ---- the text layer ----

const VIEWPORTS = [{ width: 390, height: 844 }, { width: 1366, height: 900 }];
const axeSource = readFileSync(requireFromTests.resolve('axe-core/axe.min.js'), 'utf8');

async function waitForLayer(page, num) {
  await page.waitForFunction((n) => Number(document.getElementById('page-input').value) === n &&
      document.querySelector('#text-layer .text-line') !== null &&
      document.getElementById('page-image').complete, num);
}

async function imageBox(page) {
  return page.locator('#page-image').boundingBox();
}

function assertNear(actual, expected, what, tolerance = 2) {
  for (const key of ['x', 'y', 'width', 'height']) {
    assert.ok(Math.abs(actual[key] - expected[key]) <= tolerance,
      `${what}: ${key} ${actual[key].toFixed(1)} vs ${expected[key].toFixed(1)}`);
  }
}

// Drags from inside the first word's first letter to inside the last word's last letter.
async function drag(page, from, to) {
  await page.mouse.move(from.x + 1, from.y + from.height / 2);
  await page.mouse.down();
  await page.mouse.move(to.x + to.width - 1, to.y + to.height / 2, { steps: 8 });
  await page.mouse.up();
}

async function axeViolations(page) {
  await page.evaluate(axeSource);  // evaluated by the debugger protocol: the page's CSP allows no script of ours
  const result = await page.evaluate(() => window.axe.run(document, { resultTypes: ['violations'] }));
  return result.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical')
    .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
}

// Every hit of one word in the publication, in page order: [page, line, word], from the
// text layers the publisher wrote.
function wordHits(dir, pages, term) {
  const hits = [];
  for (let num = 1; num <= pages; num++) {
    readLayer(dir, num).l.forEach((line, l) => line.t.split(' ').forEach((word, w) => {
      if (fold(word).includes(term)) hits.push([num, l, w]);
    }));
  }
  return hits;
}

describe('the text layer of the sample publication', () => {
  let site;
  let dir;
  let pageCount;
  before(async () => {
    dir = path.join(artifacts, 'textlayer');
    publish(samplePdf, dir);
    pageCount = Number(/^Pages:\s+(\d+)/m.exec(execFileSync('pdfinfo', [samplePdf], { encoding: 'utf8' }))[1]);
    site = await serve(dir);
  });
  after(() => site.server.close());

  test('the publisher writes a text layer per page, and the search text of their lines in page order', () => {
    for (let num = 1; num <= pageCount; num++) {
      const layer = readLayer(dir, num);
      assert.ok(layer && layer.v === 1 && layer.p === num && Array.isArray(layer.l), `Text_${num}.json`);
    }
    const oneLine = (name) => {
      const written = readFileSync(path.join(dir, name), 'utf8');
      assert.ok(written.endsWith('}\n') && written.indexOf('\n') === written.length - 1, `${name}: one line`);
      return JSON.parse(written);
    };
    const index = oneLine('search.json');
    assert.deepEqual(index, { v: 2, parts: [[1, pageCount]] });
    const search = oneLine('search-1.json');
    assert.equal(search.v, 1);
    assert.deepEqual(search.pages.map(([num]) => num), Array.from({ length: pageCount }, (_, i) => i + 1));
    search.pages.forEach(([num, text]) => assert.equal(text, readLayer(dir, num).l.map((l) => l.t).join('\n'), `page ${num}`));
    assert.deepEqual(search.pages[0], [1, 'Quillon Field Guide\nA sample publication for web conversion\n' +
      'Edited by the Quillon documentation team\nStart reading: Contents\nUpdates: www.example.com\n' +
      'Questions: editor@example.com\ni']);
  });

  for (const viewport of VIEWPORTS) {
    test(`dragging over two words selects exactly them (${viewport.width} px)`, async () => {
      const { page, problems } = await openViewer(site.base, '/#page=1', viewport);
      await waitForLayer(page, 1);
      const layer = readLayer(dir, 1);
      const line = layer.l.find((l) => l.t.startsWith('A sample publication'));
      const image = await imageBox(page);
      await drag(page, wordRect(line, 1, image, layer.w), wordRect(line, 2, image, layer.w));
      assert.equal(await page.evaluate(() => getSelection().toString()), 'sample publication');
      // The whole layer reads as the lines in reading order, one line feed apart.
      const all = await page.evaluate(() => {
        getSelection().selectAllChildren(document.querySelector('#text-layer .text-lines'));
        return getSelection().toString();
      });
      assert.equal(all.trimEnd(), layer.l.map((l) => l.t).join('\n'));
      // Find in page finds a word of the page in the layer.
      const found = await page.evaluate(() => {
        getSelection().removeAllRanges();
        return window.find('documentation') && document.getElementById('text-layer').contains(getSelection().anchorNode);
      });
      assert.ok(found, 'window.find finds the word in the text layer');
      await page.screenshot({ path: path.join(artifacts, `textlayer-selection-${viewport.width}.png`) });
      assert.deepEqual(problems, []);
      await page.close();
    });

    test(`search highlights every hit over its word and walks them in page order (${viewport.width} px)`, async () => {
      const { page, problems } = await openViewer(site.base, '/#page=1', viewport);
      await waitForLayer(page, 1);
      const expected = wordHits(dir, pageCount, 'quillon');
      assert.ok(expected.length > pageCount && new Set(expected.map((h) => h[0])).size > 3, 'hits on several pages');
      await page.fill('#search-input', 'QUILLON');
      await page.press('#search-input', 'Enter');
      await page.waitForFunction(() => /on \d+ page/.test(document.getElementById('hit-count').textContent));
      assert.match(await page.textContent('#hit-count'), new RegExp(`^Hit 1 of ${expected.length} on `));
      assert.equal(await page.locator('#results-panel .result').count(), expected.length);
      assert.equal(await page.locator('#results-panel .result mark').first().textContent(), 'Quillon');
      const walk = async (step, index) => {
        const [num, l, w] = expected[index];
        await waitForLayer(page, num);
        await page.waitForFunction((i) => document.querySelector(`.hit-box.current[data-hit="${i}"]`) !== null, index);
        assert.equal(await page.textContent('#hit-count'), `Hit ${index + 1} of ${expected.length} on ${new Set(expected.map((h) => h[0])).size} pages`);
        const layer = readLayer(dir, num);
        const box = await page.locator('.hit-box.current').boundingBox();
        assertNear(box, wordRect(layer.l[l], w, await imageBox(page), layer.w), `hit ${index + 1} (page ${num}, ${step})`);
        // Every hit of the page shown has its box.
        assert.equal(await page.locator('.hit-box').count(), expected.filter((h) => h[0] === num).length);
      };
      await walk('first', 0);
      for (let i = 1; i < expected.length; i++) {
        await page.press('#search-input', 'Enter');
        await walk('Enter', i);
      }
      await page.press('#search-input', 'Enter');
      await walk('round', 0);
      await page.press('#search-input', 'Shift+Enter');
      await walk('Shift+Enter', expected.length - 1);
      await page.evaluate(() => document.activeElement.blur());  // F3 works outside the search box
      await page.keyboard.press('F3');
      await walk('F3', 0);
      await page.keyboard.press('Shift+F3');
      await walk('Shift+F3', expected.length - 1);
      await page.screenshot({ path: path.join(artifacts, `textlayer-search-${viewport.width}.png`) });
      if (viewport.width > 700) {
        // Zoomed: the boxes stay over their words and the hit gone to is scrolled into view.
        await page.click('#zoom');
        await waitForImage(page, `zoom${expected[expected.length - 1][0]}.jpg`);
        await page.press('#search-input', 'Enter');
        await walk('zoomed', 0);
        const last = expected.findLastIndex((h) => h[0] === expected[0][0]);
        for (let i = 1; i <= last; i++) await page.press('#search-input', 'Enter');
        await walk('zoomed', last);
        const stage = await page.locator('#stage').boundingBox();
        const box = await page.locator('.hit-box.current').boundingBox();
        assert.ok(box.y >= stage.y && box.y + box.height <= stage.y + stage.height, 'the hit is in view');
      }
      assert.deepEqual(problems, []);
      await page.close();
    });

    test(`the text layer is the page's accessible text, and axe finds nothing serious (${viewport.width} px)`, async () => {
      const { page, problems } = await openViewer(site.base, '/#page=7', viewport);
      await waitForLayer(page, 7);
      const layer = readLayer(dir, 7);
      assert.equal(await page.getAttribute('#page-image', 'alt'), '');
      assert.equal(await page.getAttribute('html', 'lang'), 'en');
      // The lines in reading order, right-to-left ones marked so.
      const lines = await page.locator('#text-layer .text-line').evaluateAll((all) =>
        all.map((l) => ({ text: l.textContent.trimEnd(), dir: l.dir })));
      assert.deepEqual(lines, layer.l.map((l) => ({ text: l.t, dir: l.r === 1 ? 'rtl' : '' })));
      const tree = (await page.locator('#page-frame').ariaSnapshot()).replace(/\\"/g, '"');
      let at = 0;
      for (const line of layer.l) {
        const next = tree.indexOf(line.t, at);
        assert.ok(next >= 0, `the accessibility tree holds "${line.t}" after what comes before it`);
        at = next + line.t.length;
      }
      await page.goto(`${site.base}/#page=1`);
      await waitForLayer(page, 1);
      assert.deepEqual(await axeViolations(page), [], 'the first page');
      await page.fill('#search-input', 'quillon');
      await page.press('#search-input', 'Enter');
      await page.waitForFunction(() => /on \d+ page/.test(document.getElementById('hit-count').textContent));
      if (viewport.width <= 700) await page.click('#toggle-sidebar');
      await page.waitForSelector('#results-panel .result mark');
      assert.deepEqual(await axeViolations(page), [], 'with search results');
      if (viewport.width <= 700) await page.click('#toggle-sidebar');
      await page.screenshot({ path: path.join(artifacts, `textlayer-results-${viewport.width}.png`) });
      if (viewport.width > 700) {
        await page.click('#text-view');
        await page.waitForSelector('#page-text p');
        assert.deepEqual(await axeViolations(page), [], 'the text view');
      }
      assert.deepEqual(problems, []);
      await page.close();
    });
  }

  test('an answer for a page no longer shown is left out', async () => {
    let release;
    const held = new Promise((resolve) => { release = resolve; });
    const { page } = await openViewer(site.base, '/#page=2', undefined, (opened) =>
      opened.route('**/Text_3.json', async (route) => {
        await held;
        await route.continue();
      }));
    await waitForLayer(page, 2);
    await page.keyboard.press('ArrowRight');
    await waitForImage(page, 'page3.jpg');
    await page.keyboard.press('ArrowRight');
    await waitForLayer(page, 4);
    release();
    await page.waitForTimeout(300);
    const first = await page.locator('#text-layer .text-line').first().textContent();
    assert.equal(first.trimEnd(), readLayer(dir, 4).l[0].t);
    assert.equal(await page.locator('#text-layer .text-frame').count(), 1);
    await page.close();
  });
});

describe('a publication with pages without a text layer, and one of known lines', () => {
  let site;
  let dir;
  before(async () => {
    const source = path.join(artifacts, 'textlayer');
    dir = path.join(artifacts, 'textlayer-partial');
    if (!existsSync(path.join(source, 'Text_1.json'))) publish(samplePdf, source);
    rmSync(dir, { recursive: true, force: true });
    cpSync(source, dir, { recursive: true });
    rmSync(path.join(dir, 'Text_3.json'));  // as an older publication: searched in DocumentIndex.xml
    rmSync(path.join(dir, 'search.json'));
    const page2 = readLayer(dir, 2);
    writeLayer(dir, knownLayer(2, page2.w, page2.h));
    site = await serve(dir);
  });
  after(() => site.server.close());

  test('a page without Text_N.json shows and searches without boxes and without an error', async () => {
    const { page, problems } = await openViewer(site.base, '/#page=1');
    await waitForLayer(page, 1);
    await page.fill('#search-input', 'embedded');
    await page.press('#search-input', 'Enter');
    await waitForImage(page, 'page3.jpg');
    await page.waitForFunction(() => /on \d+ page/.test(document.getElementById('hit-count').textContent));
    const listed = await page.locator('#results-panel .result').evaluateAll((all) => all.map((b) => b.dataset.page));
    assert.ok(listed.length > 0 && listed.every((p) => p === '3'), JSON.stringify(listed));
    assert.equal(await page.locator('#results-panel .result mark').first().textContent(), 'embedded');
    assert.equal(await page.locator('.hit-box').count(), 0);
    assert.equal(await page.locator('#text-layer .text-line').count(), 0);
    assert.equal(await page.getAttribute('#page-image', 'alt'), 'Page 1');
    assert.equal(await page.textContent('#status'), '');
    assert.deepEqual(problems, []);
    await page.close();
  });

  // One way to load a kept file: a failure of the network or the server is tried again, and a
  // file the server says is not there (404) is asked for once in the session.
  test('a text layer that fails twice is fetched again; one that is absent is asked for once', async () => {
    // Routed before the viewer loads, so that no request escapes the count.
    const asked = { 2: 0, 3: 0 };
    const { page, problems } = await openViewer(site.base, '/#page=1', undefined, (opened) =>
      opened.route(/Text_[23]\.json$/, async (route) => {
        const num = /Text_(\d)/.exec(route.request().url())[1];
        asked[num]++;
        if (num === '2' && asked[num] <= 2) await route.fulfill({ status: 503, body: 'busy' });
        else await route.continue();
      }));
    await waitForLayer(page, 1);
    assert.deepEqual(asked, { 2: 0, 3: 0 });
    await page.keyboard.press('ArrowRight');
    await waitForLayer(page, 2);
    assert.equal(asked[2], 3);
    await page.keyboard.press('ArrowRight');
    await waitForImage(page, 'page3.jpg');
    await page.keyboard.press('ArrowLeft');
    await waitForLayer(page, 2);
    await page.keyboard.press('ArrowRight');
    await waitForImage(page, 'page3.jpg');
    await page.waitForTimeout(300);
    assert.deepEqual(asked, { 2: 3, 3: 1 });
    assert.equal(await page.textContent('#status'), '');
    assert.deepEqual(problems, []);
    await page.close();
  });

  test('search folds accents, case, ligatures and full-width letters, joins hyphenated lines and Japanese, and boxes turned lines', async () => {
    const { page, problems } = await openViewer(site.base, '/#page=2');
    await waitForLayer(page, 2);
    const layer = knownLayer(2, 0, 0);
    const boxes = async (term, count) => {
      await page.fill('#search-input', term);
      await page.press('#search-input', 'Enter');
      await page.waitForFunction(() => /on \d+ page|No hits/.test(document.getElementById('hit-count').textContent));
      assert.equal(await page.locator('#results-panel .result').count(), count, term);
      const all = await page.locator('.hit-box').all();
      return Promise.all(all.map((b) => b.boundingBox()));
    };
    const layerWidth = readLayer(dir, 2).w;
    // Each box that of word [line, word], or of the share [from, to] of its length that the
    // term covers (characters of one width, as Chinese and Japanese ones are), or 'hyphen' for
    // a word boxed without the hyphen that ends its line.
    const expectBoxes = async (term, words) => {
      const found = await boxes(term, 1);
      assert.equal(found.length, words.length, term);
      const image = await imageBox(page);
      words.forEach(([l, w, part], i) => {
        const what = `${term} word ${i}`;
        const whole = wordRect(layer.l[l], w, image, layerWidth);
        if (part === 'hyphen') {
          assertNear({ ...found[i], width: whole.width }, whole, what);
          assert.ok(found[i].width < whole.width - 1 && found[i].width > 0.6 * whole.width, `${what}: ${found[i].width} of ${whole.width}`);
          return;
        }
        const line = { ...layer.l[l], b: [...layer.l[l].b] };
        if (part) {
          const length = line.b[2 * w + 1];
          line.b[2 * w] += part[0] * length;
          line.b[2 * w + 1] = (part[1] - part[0]) * length;
        }
        assertNear(found[i], wordRect(line, w, image, layerWidth), what);
      });
    };
    await expectBoxes('CREME BRULEE', [[0, 0], [0, 1, 'hyphen'], [1, 0]]);
    await expectBoxes('brûlée maison', [[0, 1, 'hyphen'], [1, 0], [1, 1]]);
    // A term inside a run of Chinese or Japanese: its own characters, not the run.
    await expectBoxes('京タワ', [[2, 0, [0.5, 1]], [2, 1, [0, 2 / 3]]]);
    await expectBoxes('タ', [[2, 1, [0, 1 / 3]]]);
    await expectBoxes('東京 タワー', [[2, 0], [2, 1]]);
    await expectBoxes('vertical words', [[3, 0], [3, 1]]);
    await expectBoxes('חדש', [[4, 1]]);
    assert.equal(await page.locator('#results-panel .result mark').textContent(), 'חדש');
    await expectBoxes('Final abc', [[5, 0], [5, 1]]);  // "ﬁnal ＡＢＣ"
    assert.equal(await page.locator('#results-panel .result mark').textContent(), 'ﬁnal ＡＢＣ');
    assert.equal((await boxes('brû-lée', 0)).length, 0);
    // The turned line and the right-to-left line are laid out as their boxes say.
    const image = await imageBox(page);
    const words = await page.locator('#text-layer .text-word').all();
    const rects = await Promise.all(words.map((w) => w.boundingBox()));
    let k = 0;
    layer.l.forEach((line, l) => line.t.split(' ').forEach((_, w) => {
      assertNear(rects[k++], wordRect(layer.l[l], w, image, layerWidth), `word ${w} of line ${l}`);
    }));
    const rtl = await page.locator('#text-layer .text-line[dir="rtl"]').evaluate((line) => {
      getSelection().selectAllChildren(line);
      return getSelection().toString();
    });
    assert.equal(rtl.trimEnd(), 'ספר חדש');
    assert.deepEqual(problems, []);
    await page.close();
  });
});

describe('a publication searched in its search text, in one file as older ones have it, and without it', () => {
  let withText;
  let single;
  let without;
  let dir;
  before(async () => {
    dir = copiedPublication('textlayer', 'search-text', 'search.json');
    const older = path.join(artifacts, 'search-text-older');
    const oneFile = path.join(artifacts, 'search-text-one-file');
    const page2 = readLayer(dir, 2);
    writeLayer(dir, knownLayer(2, page2.w, page2.h));  // and into the search text
    for (const copy of [older, oneFile]) {
      rmSync(copy, { recursive: true, force: true });
      cpSync(dir, copy, { recursive: true });
      rmSync(path.join(copy, 'search.json'));
      rmSync(path.join(copy, 'search-1.json'));
    }
    cpSync(path.join(dir, 'search-1.json'), path.join(oneFile, 'search.json'));
    withText = await serve(dir);
    single = await serve(oneFile);
    without = await serve(older);
  });
  after(() => {
    withText.server.close();
    single.server.close();
    without.server.close();
  });

  // The summary, the hit count, every result (page, snippet) and the boxes on the page shown
  // after each search from page 1; and the text layers fetched meanwhile.
  async function searches(base, terms) {
    const { page, problems } = await openViewer(base, '/#page=1');
    await waitForLayer(page, 1);
    const asked = [];
    page.on('request', (request) => asked.push(path.basename(new URL(request.url()).pathname)));
    const found = [];
    for (const term of terms) {
      await page.evaluate(() => document.activeElement.blur());
      await page.keyboard.press('Home');
      await waitForLayer(page, 1);
      await page.fill('#search-input', term);
      await page.press('#search-input', 'Enter');
      await page.waitForFunction(() => /on \d+ page|No hits/.test(document.getElementById('hit-count').textContent));
      const shown = Number(await page.inputValue('#page-input'));
      await waitForLayer(page, shown);
      await page.waitForFunction(() => document.querySelector('.hit-box') !== null || /No hits/.test(document.getElementById('hit-count').textContent));
      found.push({
        term,
        shown,
        summary: await page.textContent('#results-panel .results-summary'),
        count: await page.textContent('#hit-count'),
        results: await page.locator('#results-panel .result').evaluateAll((all) => all.map((b) => [b.dataset.page, b.lastChild.textContent])),
        boxes: await page.locator('.hit-box').count(),
      });
    }
    assert.deepEqual(problems, []);
    await page.close();
    return { found, layers: asked.filter((name) => /^Text_\d+\.json$/.test(name)), searchText: asked.filter((name) => /^search(-\d+)?\.json$/.test(name)) };
  }

  test('hits, results and boxes are the same; only the text layers of pages shown are fetched', async () => {
    // A hyphenated line end with accents, Japanese, a ligature and full-width letters (page 2),
    // words of many pages and one of none.
    const terms = ['CREME BRULEE', 'brûlée maison', '東京 タワー', 'Final abc', 'quillon', 'embedded', 'zzzunfound'];
    const compact = await searches(withText.base, terms);
    const oneFile = await searches(single.base, terms);
    const layers = await searches(without.base, terms);
    assert.deepEqual(compact.found, layers.found);
    assert.deepEqual(oneFile.found, layers.found);
    assert.deepEqual(oneFile.searchText, ['search.json']);
    const byTerm = Object.fromEntries(compact.found.map((f) => [f.term, f]));
    assert.equal(byTerm['CREME BRULEE'].boxes, 3);
    assert.deepEqual(byTerm['東京 タワー'].results, [['2', 'Crème brûlée maison 東京タワー Vertical words ספר חדש ﬁnal ＡＢＣ']]);
    assert.ok(byTerm.quillon.results.length > 3 && new Set(byTerm.quillon.results.map(([p]) => p)).size > 2, JSON.stringify(byTerm.quillon));
    assert.match(byTerm.embedded.results[0][1], /embedded/);
    // With the search text: one request for its index and one for its part, and no text layer
    // but those of the pages shown.
    assert.deepEqual(compact.searchText, ['search.json', 'search-1.json']);
    const shown = new Set(compact.found.map((f) => `Text_${f.shown}.json`));
    assert.ok(compact.layers.every((name) => shown.has(name)), compact.layers.join(', '));
    assert.equal(new Set(layers.layers).size, 7, 'without it, every other page\'s text layer');
  });
});

// Regression: a page of 200,000 words took 30 s to show its text layer and 79 s to search,
// holding the page for up to 72 s at a time; built whole in slices, it still held it for
// 600 ms a frame. Such a layer is now built only where the page is legible and in view;
// bench/viewer-words.sh times it.
describe('a page of forty thousand words', () => {
  const LINES = 400;
  const WORDS = 100;
  let site;
  let lines;
  let width;
  before(async () => {
    const dir = copiedPublication('textlayer', 'many-words', 'search.json');
    width = readLayer(dir, 2).w;
    lines = Array.from({ length: LINES }, (_, i) => {
      const words = Array.from({ length: WORDS }, (__, j) => ((i * WORDS + j) % 997 === 0 ? 'needle' : `w${j}`));
      return { t: words.join(' '), x: 10, y: 10 + i * 1.9, h: 1.8, s: 1.5, b: words.flatMap((__, j) => [j * 5.5, 4]) };
    });
    writeLayer(dir, { v: 1, p: 2, w: width, h: readLayer(dir, 2).h, l: lines });
    site = await serve(dir);
  });
  after(() => site.server.close());

  test('its words are built only where they are legible and in view, each over its box, and search finds every hit', async () => {
    const { page, problems } = await openViewer(site.base, '/#page=2');
    await page.waitForSelector('#text-layer .text-frame');
    // The whole page on the screen: lines 2 pixels high, not built.
    assert.equal(await page.locator('#text-layer .text-word').count(), 0);
    // Each built word (its line's data-line, its text unique in its line) over its box, and
    // the built pieces of lines in view or near it.
    const builtWords = () => {
      const stage = document.getElementById('stage').getBoundingClientRect();
      // A line is built in pieces of words: a piece that reaches near the view is built whole.
      return [...document.querySelectorAll('#text-layer .text-line')].flatMap((line) => {
        const piece = line.getBoundingClientRect();
        const near = piece.right >= stage.left - stage.width && piece.left <= stage.right + stage.width &&
          piece.bottom >= stage.top - stage.height && piece.top <= stage.bottom + stage.height;
        return [...line.querySelectorAll('.text-word')].map((word) => {
          const { x, y, width: w, height: h } = word.getBoundingClientRect();
          return { line: Number(line.dataset.line), text: word.textContent, box: { x, y, width: w, height: h }, near };
        });
      });
    };
    const check = async (what) => {
      // Once the view has settled (a zoom scrolls the stage after it): a frame with no word
      // out of view.
      let words = await page.evaluate(builtWords);
      for (const started = Date.now(); !words.every((w) => w.near) && Date.now() - started < 15000;) {
        await page.waitForTimeout(100);
        words = await page.evaluate(builtWords);
      }
      assert.ok(words.length > 0 && words.length <= 6000, `${what}: ${words.length} words built`);
      assert.ok(words.every((w) => w.near), `${what}: a word far out of view is built: ${JSON.stringify(words.find((w) => !w.near))} of ${words.length}; stage ${JSON.stringify(await page.evaluate(() => document.getElementById("stage").getBoundingClientRect()))}`);
      const image = await imageBox(page);
      for (const word of [words[0], words[words.length >> 1], words[words.length - 1]]) {
        const w = lines[word.line].t.split(' ').indexOf(word.text);
        assertNear(word.box, wordRect(lines[word.line], w, image, width), `${what}: word ${w} of line ${word.line}`, 1);
      }
      return words;
    };
    await page.selectOption('#zoom-level', '4');
    await page.waitForFunction(() => document.querySelector('#text-layer .text-word') !== null);
    const first = await check('at 400%');
    await page.evaluate(() => document.getElementById('stage').scrollTo(1e6, 1e6));
    await page.waitForFunction((n) => document.querySelector(`#text-layer .text-line[data-line="${n}"]`) !== null, LINES - 1);
    const last = await check('scrolled to the end');
    assert.ok(!last.some((w) => w.line === first[0].line), 'the words scrolled away are dropped');
    // Search reads the layer's data, not what is built: every hit, and the first one's words
    // built once it is scrolled to.
    await page.fill('#search-input', 'needle');
    await page.press('#search-input', 'Enter');
    await page.waitForFunction(() => /on \d+ page/.test(document.getElementById('hit-count').textContent));
    assert.equal(await page.textContent('#hit-count'), `Hit 1 of ${Math.ceil((LINES * WORDS) / 997)} on 1 page`);
    await page.waitForFunction(() => document.querySelector('#text-layer .text-line[data-line="0"]') !== null);
    assert.equal(await page.locator('#text-layer .hit-box.current').count(), 1);
    assert.deepEqual(problems, []);
    await page.close();
  });
});

describe('a publication made with --rtl and --lang', () => {
  let site;
  let dir;
  before(async () => {
    dir = path.join(artifacts, 'textlayer-rtl');
    publish(samplePdf, dir, '--rtl', '--lang', 'ar');
    // Page 2 holds an Arabic line besides the known ones (the sample has no Arabic).
    const page2 = readLayer(dir, 2);
    const layer = knownLayer(2, page2.w, page2.h);
    layer.l.push({ t: 'كتاب جديد', x: 100, y: 440, h: 14, s: 12, b: [40, 30, 0, 35], r: 1 });
    writeLayer(dir, layer);
    site = await serve(dir);
  });
  after(() => site.server.close());

  // The index of such a publication holds its lines in visual order; search reads search.json,
  // made of the text layers, in logical order, so a Latin phrase and an Arabic word are both
  // found.
  test('search finds a Latin phrase and an Arabic word, and the page speaks the language', async () => {
    const { page, problems } = await openViewer(site.base, '/#page=1');
    await waitForLayer(page, 1);
    assert.match(readFileSync(path.join(dir, 'search-1.json'), 'utf8'), /كتاب جديد/);
    // The page's text, title and search snippets are Arabic; the interface's words stay English.
    assert.equal(await page.getAttribute('html', 'lang'), 'en');
    assert.equal(await page.getAttribute('#stage', 'lang'), 'ar');
    assert.equal(await page.getAttribute('#title', 'lang'), 'ar');
    const search = async (term) => {
      await page.fill('#search-input', term);
      await page.press('#search-input', 'Enter');
      await page.waitForFunction(() => /on \d+ page|No hits/.test(document.getElementById('hit-count').textContent));
      return page.locator('#results-panel .result').evaluateAll((all) => all.map((b) => b.dataset.page));
    };
    const latin = await search('sample publication');
    assert.ok(latin.length > 0 && latin[0] === '1', JSON.stringify(latin));
    assert.deepEqual(await search('جديد'), ['2']);
    // The term isolated in the English summary, in its own language.
    assert.equal(await page.locator('.results-summary bdi').textContent(), 'جديد');
    assert.equal(await page.getAttribute('.results-summary bdi', 'lang'), 'ar');
    await waitForLayer(page, 2);
    assert.equal(await page.locator('.hit-box').count(), 1);
    assert.deepEqual(problems, []);
    await page.close();
  });
});
