// What the browser tests share: the built folder served on loopback by a
// plain static server of the test's own, headless Chromium driven by
// puppeteer-core, the page's pixels read from screenshots, and the
// camera's projection computed here, not taken from the game.

import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { before, after } from 'node:test';
import puppeteer from 'puppeteer-core';

const site = process.env.KAVETO_SITE;
if (!site) throw new Error('KAVETO_SITE names the built folder (scripts/web --test sets it)');

const types = {
  '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.wav': 'audio/wav',
  '.svg': 'image/svg+xml', '.webmanifest': 'application/manifest+json',
};

// Serves the folder on a port the system picks. `files` replaces what a path
// serves: bytes, null for a 404, or a promise of either (to hold it back).
// Counts the bytes sent for each path.
export async function serve(files = {}) {
  const sent = {};
  const server = http.createServer(async (request, response) => {
    let name = new URL(request.url, 'http://local').pathname;
    if (name.endsWith('/')) name += 'index.html';
    let body = name in files ? await files[name] : null;
    if (!(name in files)) {
      try {
        body = fs.readFileSync(path.join(site, path.normalize(name)));
      } catch {
        body = null;
      }
    }
    if (body === null) {
      response.writeHead(404);
      response.end();
      return;
    }
    sent[name] = (sent[name] || 0) + body.length;
    response.writeHead(200, {
      'Content-Type': types[path.extname(name)] || 'application/octet-stream',
      'Cache-Control': 'no-store',
    });
    response.end(body);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { url: `http://127.0.0.1:${server.address().port}/`, sent,
    close: () => new Promise((resolve) => {
      server.close(resolve);
      server.closeAllConnections();
    }) };
}

export function bookBytes() {
  return fs.readFileSync(path.join(site, 'book.bin.gz'));
}

// A server of the built folder and a browser for a file's tests, made before
// them and closed after them, whatever became of them.
export function useBrowser() {
  const shared = {};
  before(async () => {
    shared.server = await serve();
    shared.browser = await launch();
  });
  after(async () => {
    await shared.browser.close();
    await shared.server.close();
  });
  return shared;
}

export async function launch() {
  return puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--enable-unsafe-swiftshader', '--disable-background-networking',
      '--disable-component-update', '--no-first-run', '--disable-sync', '--mute-audio'],
  });
}

// The console's errors and the page's exceptions, which every test expects none of.
export function watchConsole(page, allowed = []) {
  const errors = [];
  const warnings = [];
  page.on('console', (message) => {
    const text = message.text();
    if (message.type() === 'error' && !allowed.some((pattern) => pattern.test(text)))
      errors.push(text);
    if (message.type() === 'warn' && !/GL Driver Message/.test(text)) warnings.push(text);
  });
  page.on('pageerror', (error) => errors.push('exception: ' + error.message));
  return { errors, warnings };
}

// Opens the page at an 800 x 800 canvas (the viewport's 40 extra rows are
// the header's) and waits for its first frame; `browser` may be a context.
export async function open(browser, url, { width = 800, height = 840, touch = false,
  allowed = [], before = null, firstFrame = true, media = null, scale = 1 } = {}) {
  const page = await browser.newPage();
  await page.setViewport({ width, height, hasTouch: touch, deviceScaleFactor: scale });
  if (media) await page.emulateMediaFeatures(media);
  const seen = watchConsole(page, allowed);
  if (before) await page.evaluateOnNewDocument(before);
  await page.goto(url);
  if (firstFrame)
    await page.waitForFunction(
      () => performance.getEntriesByName('kaveto-first-frame').length > 0, { timeout: 15000 });
  return { page, ...seen };
}

// A load with nothing cached, in a browser context of its own: the first
// frame's time from the start of navigation, and the bytes served before it
// (the book is asked for only once the first frame is drawn).
export async function coldLoad(browser, server) {
  const context = await browser.createBrowserContext();
  for (const name in server.sent) delete server.sent[name];
  const page = await context.newPage();
  await page.setViewport({ width: 800, height: 840 });
  await page.goto(server.url);
  await page.waitForFunction(() => performance.getEntriesByName('kaveto-first-frame').length,
    { timeout: 15000 });
  const time = await page.evaluate(() =>
    performance.getEntriesByName('kaveto-first-frame')[0].startTime);
  const bytes = Object.entries(server.sent).filter(([name]) => name !== '/book.bin.gz')
    .reduce((sum, [, sent]) => sum + sent, 0);
  await context.close();
  return { time, bytes };
}

// Opens the menu with the right button and follows entries by position (1
// first), submenu by submenu, choosing the last.
export async function choose(page, ...entries) {
  await page.mouse.click(400, 300, { button: 'right' });
  let path = '#menu > ul';
  for (const entry of entries) {
    await page.click(`${path} > li:nth-child(${entry}) > button`);
    path += ` > li:nth-child(${entry}) > ul`;
  }
}

export async function waitForBook(page) {
  await page.waitForFunction(() => performance.getEntriesByName('kaveto-book').length > 0,
    { timeout: 30000 });
}

// Until the page's texts pass the test, or the time-out.
export async function waitForTexts(page, test, timeout = 15000) {
  const end = Date.now() + timeout;
  let texts = [];
  while (Date.now() < end) {
    texts = await stripTexts(page);
    if (test(texts)) return texts;
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  return texts;
}

// The texts laid over the canvas, in order, read in one step.
export async function stripTexts(page) {
  return page.evaluate(() => [...document.querySelectorAll('#stage .text')]
    .map((span) => span.textContent).filter((text) => text !== ''));
}

// Keys as a player types them: characters, or puppeteer's names.
export async function type(page, keys) {
  for (const key of keys) await page.keyboard.press(key === ' ' ? 'Space' : key);
}

// Until the canvas shows the same picture twice a quarter of a second apart:
// a ball that fell has come to rest. Its pixels then.
export async function atRest(page) {
  let last = await canvasShot(page);
  for (let tries = 0; tries < 40; tries++) {
    await new Promise((resolve) => setTimeout(resolve, 250));
    const now = await canvasShot(page);
    if (now.equals(last)) break;
    last = now;
  }
  return canvasPixels(page);
}

// The canvas as the screen shows it, a PNG file's bytes.
export async function canvasShot(page) {
  const box = await page.$eval('#canvas', (canvas) => {
    const r = canvas.getBoundingClientRect();
    return { x: r.left, y: r.top, width: r.width, height: r.height };
  });
  return Buffer.from(await page.screenshot({ clip: box, type: 'png' }));
}

/* ---------------- Pixels ---------------- */

function paeth(a, b, c) {
  const p = a + b - c;
  const pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// A screenshot of the canvas as RGB rows from the top, read from its PNG.
export async function canvasPixels(page) {
  const png = await canvasShot(page);
  let at = 8;
  let width = 0, height = 0, channels = 3;
  const data = [];
  while (at < png.length) {
    const length = png.readUInt32BE(at);
    const kind = png.toString('ascii', at + 4, at + 8);
    const body = png.subarray(at + 8, at + 8 + length);
    if (kind === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      channels = body[9] === 6 ? 4 : 3;
    } else if (kind === 'IDAT') {
      data.push(body);
    }
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const rows = Buffer.alloc(height * stride);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    for (let x = 0; x < stride; x++) {
      const value = raw[y * (stride + 1) + 1 + x];
      const a = x >= channels ? rows[y * stride + x - channels] : 0;
      const b = y > 0 ? rows[(y - 1) * stride + x] : 0;
      const c = x >= channels && y > 0 ? rows[(y - 1) * stride + x - channels] : 0;
      const predicted = [0, a, b, (a + b) >> 1, paeth(a, b, c)][filter];
      rows[y * stride + x] = (value + predicted) & 255;
    }
  }
  return {
    width, height,
    at: (x, y) => {
      const i = (Math.round(y) * width + Math.round(x)) * channels;
      return [rows[i], rows[i + 1], rows[i + 2]];
    },
  };
}

/* ---------------- The camera ---------------- */

// Where the scene point lands in an 800 x 800 picture, in pixels from its top
// left: eye (3, 3, 7) looking at the origin, +y up, 40 degrees, aspect 1,
// the board's viewport 800 x 800 with its bottom 150 pixels above the picture's.
export function project([x, y, z]) {
  const eye = [3, 3, 7];
  const length = (v) => Math.hypot(...v);
  const f = [-3, -3, -7].map((c) => c / length([3, 3, 7]));
  const cross = (a, b) => [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
    a[0] * b[1] - a[1] * b[0]];
  let s = cross(f, [0, 1, 0]);
  s = s.map((c) => c / length(s));
  const u = cross(s, f);
  const d = [x - eye[0], y - eye[1], z - eye[2]];
  const dot = (a, b) => a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
  const depth = dot(d, f);
  const focal = 1 / Math.tan((40 * Math.PI / 180) / 2);
  const nx = focal * dot(d, s) / depth, ny = focal * dot(d, u) / depth;
  return [(nx + 1) * 400, 800 - (150 + (ny + 1) * 400)];
}

// Where cell index k (9 level + 3 row + x) stands at home.
export function home(k) {
  return [k % 3 - 1, Math.floor(k / 9) - 1, Math.floor(k / 3) % 3 - 1];
}
