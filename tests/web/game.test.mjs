// Whole games in the browser: against the perfect computer to GAME OVER,
// and the review of a fixed game.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { useBrowser, open, type, choose, waitForBook, waitForTexts } from './driver.mjs';

const shared = useBrowser();

// Each player's rows of three on a full board, counted afresh: every cell
// and every direction whose first non-zero step is positive, three in a line.
function rows(moves) {
  const owner = {};
  const heights = Array(9).fill(0);
  [...moves].forEach((digit, i) => {
    const column = Number(digit) - 1;
    owner[[column % 3, heights[column]++, Math.floor(column / 3)]] = i % 2;
  });
  const count = [0, 0];
  for (let x = 0; x < 3; x++) for (let y = 0; y < 3; y++) for (let z = 0; z < 3; z++)
    for (let dx = -1; dx <= 1; dx++) for (let dy = -1; dy <= 1; dy++) for (let dz = -1; dz <= 1; dz++) {
      const first = dx || dy || dz;
      if (first <= 0) continue;
      const cells = [0, 1, 2].map((i) => [x + i * dx, y + i * dy, z + i * dz]);
      if (cells.some((c) => c.some((v) => v < 0 || v > 2))) continue;
      const owners = cells.map((c) => owner[c]);
      if (owners[0] !== undefined && owners.every((o) => o === owners[0])) count[owners[0]]++;
    }
  return count;
}

test('a game against the perfect computer ends with the rows counted and no slow callback',
  async (t) => {
    // Every frame and timer callback of the page, timed.
    const { page, errors } = await open(shared.browser, shared.server.url + '?moves=51379864241', {
      before: `window.longest = 0;
        const time = (callback) => function (...args) {
          const start = performance.now();
          callback.apply(this, args);
          window.longest = Math.max(window.longest, performance.now() - start);
        };
        const frame = window.requestAnimationFrame, timer = window.setTimeout;
        window.requestAnimationFrame = (callback) => frame(time(callback));
        window.setTimeout = (callback, ...rest) => timer(time(callback), ...rest);`,
    });
    await waitForBook(page);
    // From here on: the first frame builds the shaders and the ball once.
    await page.evaluate(() => { window.longest = 0; });
    // The perfect computer plays player 2, on turn now; player 1 plays the
    // hint, and the computer decides on its move as the space drops it.
    await choose(page, 6, 4);
    let decision = 0;
    for (let move = 0; move < 16; move++) {
      const texts = await waitForTexts(page, (s) => s.includes('Player 1 Turn') ||
        s.includes('GAME OVER'), 20000);
      if (texts.includes('GAME OVER')) break;
      await choose(page, 7);
      decision = Math.max(decision, await page.evaluate(() => {
        const start = performance.now();
        Module._webKey(32);
        return performance.now() - start;
      }));
      await waitForTexts(page, (s) => s.includes('Player 2 Turn') || s.includes('GAME OVER'));
    }
    const over = await waitForTexts(page, (s) => s.includes('GAME OVER'));
    await choose(page, 13);
    const review = await waitForTexts(page, (s) => s.some((line) => line.startsWith('Moves: ')));
    const moves = review.find((line) => line.startsWith('Moves: ')).slice(7);
    assert.equal(moves.length, 27);
    assert.ok(moves.startsWith('51379864241'));
    const [one, two] = rows(moves);
    assert.ok(over.includes(`Player 1: ${one} ${one === 1 ? 'row' : 'rows'}`), over.join('|'));
    assert.ok(over.includes(`Player 2: ${two} ${two === 1 ? 'row' : 'rows'}`));
    const longest = await page.evaluate(() => window.longest);
    t.diagnostic(`longest decision with its move: ${decision.toFixed(1)} ms; ` +
      `longest frame or timer callback: ${longest.toFixed(1)} ms`);
    assert.ok(decision < 100 && longest < 50, `${decision} ms, ${longest} ms`);
    assert.deepEqual(errors, []);
    await page.close();
  });

test('the review of a fixed game says what the desktop says of it', async () => {
  const digits = '554669589869122273747343118';
  const { page, errors } = await open(shared.browser, `${shared.server.url}?moves=${digits}`);
  await waitForBook(page);
  await choose(page, 13);
  let texts = await waitForTexts(page, (s) => s.includes(`Moves: ${digits}`));
  assert.ok(texts.includes('Move 27: Player 1, column 8 \u2014 best'));
  assert.ok(texts.includes(
    'Player 1: 7 best, 3 inaccuracies, 1 mistake, 3 blunders, 12 rows lost'));
  assert.ok(texts.includes('Player 2: 8 best, 1 inaccuracy, 3 mistakes, 1 blunder, 7 rows lost'));
  assert.equal(await page.$eval('#texts a', (a) => a.getAttribute('href')), `?moves=${digits}`);
  await type(page, ['Home']);
  texts = await waitForTexts(page, (s) => s.some((line) => line.startsWith('Start:')));
  assert.ok(texts.includes('Start: Player 1 to move, best: 1, 2, 3, 4, 6, 7, 8 or 9 (+3)'));
  await type(page, 'nn');
  texts = await waitForTexts(page, (s) => s.some((line) => line.startsWith('Move 3:')));
  assert.ok(texts.includes(
    'Move 3: Player 1, column 4 \u2014 an inaccuracy, 1 row lost; best: 1, 3, 5, 7 or 9'));
  await type(page, ['ArrowRight', 'ArrowRight', 'ArrowRight', 'ArrowRight', 'ArrowRight',
    'ArrowRight']);
  texts = await waitForTexts(page, (s) => s.some((line) => line.startsWith('Move 9:')));
  assert.ok(texts.includes('Move 9: Player 1, column 9 \u2014 a mistake, 2 rows lost; best: 3, 7 or 8'));
  if (process.env.KAVETO_SCREENSHOT) await page.screenshot({ path: process.env.KAVETO_SCREENSHOT });
  await type(page, ['Escape']);
  texts = await waitForTexts(page, (s) => !s.some((line) => line.startsWith('Moves:')));
  assert.ok(texts.includes('Player 2 Turn'), 'play goes on from move 9');
  assert.deepEqual(errors, []);
  await page.close();
});
