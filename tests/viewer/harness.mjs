// What the browser tests share: the environment, publishing with scripts/publish.sh, a small
// static server on 127.0.0.1, starting Debian's chromium, and waiting for a page image.
//
// Environment (CTest sets it): QUILLON_SOURCE_DIR, QUILLONPROXY_BIN, QUILLON_SAMPLE_PDF,
// QUILLON_ARTIFACTS (where publications and screenshots go), CHROMIUM (default
// /usr/bin/chromium). Without chromium or playwright-core a run is skipped (status 77),
// unless QUILLON_REQUIRE_BROWSER=1.
import { execFileSync } from 'node:child_process';
import { cpSync, existsSync, readFileSync, rmSync, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import path from 'node:path';

const here = path.dirname(new URL(import.meta.url).pathname);
export const sourceDir = process.env.QUILLON_SOURCE_DIR || path.resolve(here, '../..');
export const binary = process.env.QUILLONPROXY_BIN || path.join(sourceDir, 'build/quillonproxy');
export const samplePdf = process.env.QUILLON_SAMPLE_PDF || path.join(sourceDir, 'build/examples/sample.pdf');
export const artifacts = process.env.QUILLON_ARTIFACTS || path.join(sourceDir, 'build/viewer-test');
export const chromiumPath = process.env.CHROMIUM || '/usr/bin/chromium';
export const requireFromTests = createRequire(path.join(here, 'package.json'));

export function skipOrFail(reason) {
  if (process.env.QUILLON_REQUIRE_BROWSER === '1') {
    console.error(`viewer tests cannot run: ${reason}`);
    process.exit(1);
  }
  console.log(`viewer tests skipped: ${reason}`);
  process.exit(77);
}

// playwright-core's chromium, or the run is skipped.
export function playwrightChromium() {
  let chromium;
  try {
    ({ chromium } = requireFromTests('playwright-core'));
  } catch {
    skipOrFail('playwright-core is not installed (npm ci --prefix tests/viewer)');
  }
  if (!existsSync(chromiumPath)) skipOrFail(`${chromiumPath} is missing (apt-get install chromium)`);
  return chromium;
}

export function launchBrowser(chromium) {
  return chromium.launch({
    executablePath: chromiumPath,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
}

export function publish(pdf, outDir, ...options) {
  rmSync(outDir, { recursive: true, force: true });
  return execFileSync(path.join(sourceDir, 'scripts/publish.sh'), [pdf, outDir, ...options], {
    env: { ...process.env, QUILLONPROXY: binary },
    encoding: 'utf8',
  });
}

// A fresh copy, ARTIFACTS/copy, of the sample's publication ARTIFACTS/source (published there
// first unless it holds `made`), for a test to change.
export function copiedPublication(source, copy, made) {
  const from = path.join(artifacts, source);
  if (!existsSync(path.join(from, made))) publish(samplePdf, from);
  const to = path.join(artifacts, copy);
  rmSync(to, { recursive: true, force: true });
  cpSync(from, to, { recursive: true });
  return to;
}

const types = {
  '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.xml': 'application/xml',
  '.jpg': 'image/jpeg', '.png': 'image/png', '.json': 'application/json', '.pdf': 'application/pdf',
};

// A plain static file server: no charset declared, as most are.
export function serve(root) {
  const server = createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = path.join(root, name.endsWith('/') ? `${name}index.html` : name);
    if (!file.startsWith(root) || !existsSync(file) || !statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
    response.end(readFileSync(file));
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => resolve({ server, base: `http://127.0.0.1:${server.address().port}` }));
  });
}

// Waits until the first page image shown is page `file` ("page3.jpg", as publish.sh names
// the normal images), loaded: its normal image, or its zoom image ("zoom3.jpg"), which the
// viewer shows instead wherever the normal one would be enlarged.
export async function waitForImage(page, file) {
  const names = [file, file.replace(/^page(\d+)/, 'zoom$1')];
  await page.waitForFunction((accepted) => {
    const image = document.getElementById('page-image');
    return image.complete && image.naturalWidth > 0 && accepted.includes(image.getAttribute('src'));
  }, names);
}

// axe-core's serious and critical findings on the page as it is ("rule: elements").
let axeSource = null;
export async function axeViolations(page) {
  if (axeSource === null) axeSource = readFileSync(requireFromTests.resolve('axe-core/axe.min.js'), 'utf8');
  await page.evaluate(axeSource);  // evaluated by the debugger protocol: the page's CSP allows no script of ours
  const result = await page.evaluate(() => window.axe.run(document, { resultTypes: ['violations'] }));
  return result.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical')
    .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
}
