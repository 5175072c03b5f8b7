// What the page meets that it did not ask for: a bad address, a book missing,
// cut short or late, a page a pixel wide, no WebGL 2. No exception, no blank
// page, nothing lost.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { serve, launch, open, type, choose, stripTexts, waitForTexts, atRest, project,
  home, bookBytes } from './driver.mjs';

let browser;
before(async () => {
  browser = await launch();
});
after(async () => {
  await browser.close();
});

const red = (p) => p[0] > 150 && p[1] < 100 && p[2] < 100;
const ballAt = async (page, cell) => {
  const [x, y] = project(home(cell));
  return red((await atRest(page)).at(x + 8, y + 8));
};

test('a bad address says why over the empty board, and play goes on', async (t) => {
  const server = await serve();
  t.after(server.close);
  const { page, errors } = await open(browser, `${server.url}?moves=5566%1B7`);
  let texts = await stripTexts(page);
  assert.ok(texts.includes('?moves: byte 0x1b is not a column (1 to 9)'), texts.join('|'));
  assert.equal(await ballAt(page, 4), false);
  await type(page, '5 ');
  texts = await waitForTexts(page, (s) => s.includes('Player 2 Turn'));
  assert.ok(!texts.some((line) => line.startsWith('?moves')), texts.join('|'));
  assert.ok(await ballAt(page, 4));
  assert.deepEqual(errors, []);
  await page.close();
});

test('a book missing or cut short: the computer says so, two players play on', async (t) => {
  for (const [book, why] of [[null, 'was not found'],
    [bookBytes().subarray(0, 500000), 'is damaged']]) {
    const server = await serve({ '/book.bin.gz': book });
    t.after(server.close);
    const { page, errors } = await open(browser, server.url,
      { allowed: [/Failed to load resource.*404/] });
    // The perfect computer, for player 2.
    await choose(page, 6, 4);
    const texts = await waitForTexts(page, (s) => s.some((line) => line.includes(why)));
    assert.ok(texts.includes(`The computer cannot play: its book ${why}. Two players play on.`),
      texts.join('|'));
    await type(page, '5 1 ');
    assert.ok((await waitForTexts(page, (s) => s.includes('Player 1 Turn')))
      .includes('Player 1 Turn'), 'player 2 plays on the keys');
    assert.ok(await ballAt(page, 4));
    assert.deepEqual(errors, []);
    await page.close();
  }
});

test('while the book loads two play; the computer gets ready and then moves', async (t) => {
  let release;
  const held = new Promise((resolve) => { release = resolve; });
  const server = await serve({ '/book.bin.gz': held.then(() => bookBytes()) });
  t.after(server.close);
  const { page, errors } = await open(browser, server.url);
  await type(page, '5 1 ');
  // The computer for player 1, on turn: it waits, and says so.
  await choose(page, 6, 4);
  await choose(page, 6, 5);
  let texts = await waitForTexts(page, (s) => s.some((line) => line.includes('getting ready')));
  assert.ok(texts.includes('The computer is getting ready: its book is still loading.'));
  await type(page, '9 ');
  release();
  texts = await waitForTexts(page, (s) => s.includes('Player 2 Turn'));
  assert.ok(!texts.some((line) => line.includes('getting ready')));
  assert.ok(await ballAt(page, 4), 'the moves before stay');
  assert.deepEqual(errors, []);
  await page.close();
});

test('a page a pixel wide, or without WebGL 2, breaks nothing', async (t) => {
  const server = await serve();
  t.after(server.close);
  const { page, errors } = await open(browser, server.url, { width: 1, height: 41 });
  await type(page, '5 ');
  await page.setViewport({ width: 800, height: 840 });
  await waitForTexts(page, (s) => s.includes('Player 2 Turn'));
  await new Promise((resolve) => setTimeout(resolve, 200));
  assert.ok(await ballAt(page, 4), 'the move made at one pixel shows at 800');
  // A phone held upright shows the whole picture, nothing sideways.
  await page.setViewport({ width: 360, height: 740, hasTouch: true, isMobile: true });
  await page.waitForFunction(() => document.getElementById('stage').clientWidth <= 360);
  const fit = await page.evaluate(() => ({
    wide: document.documentElement.scrollWidth,
    bottom: document.getElementById('stage').getBoundingClientRect().bottom,
  }));
  assert.ok(fit.wide <= 360 && fit.bottom <= 740, JSON.stringify(fit));
  await page.close();
  const without = await open(browser, server.url, {
    firstFrame: false,
    before: `const get = HTMLCanvasElement.prototype.getContext;
      HTMLCanvasElement.prototype.getContext = function (kind, ...rest) {
        return kind === 'webgl2' ? null : get.call(this, kind, ...rest);
      };`,
  });
  await without.page.waitForSelector('#without-webgl:not([hidden])', { timeout: 15000 });
  assert.equal(await without.page.$eval('#stage', (e) => e.hidden), true);
  assert.deepEqual([...errors, ...without.errors], []);
  await without.page.close();
});
