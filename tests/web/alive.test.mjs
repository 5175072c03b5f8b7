// The fall of a ball, the switches of the animation and the sound, the
// browser's wish for reduced motion, and the sounds through Web Audio.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { useBrowser, open, type, choose, canvasShot, canvasPixels, atRest, project, home }
  from './driver.mjs';

const shared = useBrowser();

const red = (p) => p[0] > 150 && p[1] < 100 && p[2] < 100;
const green = (p) => p[1] > 150 && p[0] < 100 && p[2] < 100;

// The mean row of the red pixels that the empty board does not have, and their count.
function redBall(pixels, empty) {
  let rows = 0, n = 0;
  for (let y = 0; y < 640; y += 2)
    for (let x = 0; x < 800; x += 2) {
      const p = pixels.at(x, y), q = empty.at(x, y);
      if (red(p) && (p[0] !== q[0] || p[1] !== q[1] || p[2] !== q[2])) rows += y, n++;
    }
  return { row: n ? rows / n : 0, n };
}

async function menuLabel(page, entry) {
  await page.mouse.click(400, 300, { button: 'right' });
  const label = await page.$eval(`#menu > ul > li:nth-child(${entry}) > button`,
    (b) => b.textContent);
  await page.keyboard.press('Escape');
  return label;
}

test('a ball falls down its column to the picture its move has always left', async () => {
  const reference = await open(shared.browser, `${shared.server.url}?moves=5`);
  await atRest(reference.page);
  const rest = await canvasShot(reference.page);
  await reference.page.close();

  const { page, errors } = await open(shared.browser, shared.server.url);
  const empty = await atRest(page);
  const top = project([0, 2, 0])[1], bottom = project(home(4))[1];
  const cell = (bottom - top) / 3;
  const start = Date.now();
  await type(page, '5 ');
  const seen = [];
  while (Date.now() - start < 1000) {
    const ball = redBall(await canvasPixels(page), empty);
    if (ball.n > 40) seen.push({ ...ball, seconds: (Date.now() - start) / 1000 });
  }
  await atRest(page);
  assert.ok((await canvasShot(page)).equals(rest), 'at rest as ?moves=5 opens');
  assert.ok(seen.some((ball) => ball.row < bottom - cell), 'seen above its cell');
  for (let i = 1; i < seen.length; i++)
    assert.ok(seen[i].row > seen[i - 1].row - 0.2 * cell, 'down the column');
  const landed = seen.find((ball) => Math.abs(ball.row - seen.at(-1).row) < 0.05 * cell);
  assert.ok(landed.seconds < 0.8, `landed after ${landed.seconds} s`);
  assert.deepEqual(errors, []);
  await page.close();
});

test('the animation switch and reduced motion: the ball is in its cell at once', async () => {
  const context = await shared.browser.createBrowserContext();
  const { page, errors } = await open(context, shared.server.url);
  assert.equal(await menuLabel(page, 18), ' Animation off ');
  await choose(page, 18);
  assert.match(await page.evaluate(() => localStorage.getItem('config/kaveto/settings')),
    /^animation=0$/m);
  assert.equal(await menuLabel(page, 18), ' Animation on ');
  await type(page, '5 ');
  const [x, y] = project(home(4));
  assert.ok(red((await canvasPixels(page)).at(x + 8, y + 8)), 'in its cell in the next frame');
  await context.close();

  // Unless chosen, a browser that asks for less motion gets none; a choice wins.
  const calm = await shared.browser.createBrowserContext();
  const reduce = [{ name: 'prefers-reduced-motion', value: 'reduce' }];
  const second = await open(calm, shared.server.url, { media: reduce });
  assert.equal(await menuLabel(second.page, 18), ' Animation on ');
  await type(second.page, '5 ');
  assert.ok(red((await canvasPixels(second.page)).at(x + 8, y + 8)));
  await choose(second.page, 18);
  await second.page.reload();
  await second.page.waitForFunction(
    () => performance.getEntriesByName('kaveto-first-frame').length);
  assert.equal(await menuLabel(second.page, 18), ' Animation off ');
  assert.deepEqual([...errors, ...second.errors], []);
  await calm.close();
});

// Records what Web Audio is asked: the contexts made, the sounds decoded and
// the length of each sound started (land 0.16 s, full 0.12, row 0.7, end 0.9).
const listen = `
  window.heard = { contexts: 0, decoded: 0, played: [] };
  const Context = window.AudioContext;
  window.AudioContext = class extends Context {
    constructor(...options) { super(...options); window.heard.contexts++; }
    decodeAudioData(bytes) {
      return super.decodeAudioData(bytes).then((buffer) => { window.heard.decoded++; return buffer; });
    }
  };
  const start = AudioBufferSourceNode.prototype.start;
  AudioBufferSourceNode.prototype.start = function (...when) {
    window.heard.played.push(Math.round(this.buffer.duration * 100) / 100);
    return start.apply(this, when);
  };`;

async function heard(page, test) {
  await page.waitForFunction(test, { timeout: 10000 });
  return page.evaluate(() => window.heard.played);
}

test('the sounds start with the first key, land, tap, chime and end; none when off', async () => {
  const context = await shared.browser.createBrowserContext();
  const last = await open(context, `${shared.server.url}?moves=12345678912345678912345678`,
    { before: listen });
  await last.page.waitForFunction(() => performance.getEntriesByType('resource')
    .filter((entry) => entry.name.endsWith('.wav')).length === 8);
  assert.equal(await last.page.evaluate(() => window.heard.contexts), 0, 'no audio before a key');
  await type(last.page, 'x');
  await last.page.waitForFunction(() => window.heard.decoded === 8);
  await type(last.page, '9 ');
  let played = await heard(last.page, () => window.heard.played.includes(0.9));
  assert.ok(played.includes(0.16), 'the last knock, and the end of a game of two');
  await last.page.close();

  const { page, errors } = await open(context, `${shared.server.url}?moves=1212`,
    { before: listen });
  await type(page, 'x');
  await page.waitForFunction(() => window.heard.decoded === 8);
  // Player 1's third ball in column 1: a row of three.
  await type(page, '1 ');
  played = await heard(page, () => window.heard.played.length >= 2);
  assert.deepEqual(played, [0.16, 0.7]);
  await type(page, '1');
  played = await heard(page, () => window.heard.played.length >= 3);
  assert.equal(played[2], 0.12, 'a full column');
  await choose(page, 17);
  await type(page, '3 ');
  await atRest(page);
  assert.equal((await page.evaluate(() => window.heard.played)).length, 3, 'sound off');
  assert.deepEqual([...errors, ...last.errors], []);
  await context.close();
});
