// The game in the browser played as on the desktop: keys, clicks, taps and
// drags; the menu; what is remembered across a reload.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { useBrowser, open, type, stripTexts, waitForTexts, atRest, project,
  home } from './driver.mjs';

const shared = useBrowser();

const red = (p) => p[0] > 150 && p[1] < 100 && p[2] < 100;
const green = (p) => p[1] > 150 && p[0] < 100 && p[2] < 100;
const blue = (p) => p[2] > 150 && p[0] < 100 && p[1] < 100;

// The ball that the ray through picture pixel (px, py) meets first, among
// the occupied cells (index: owner), or undefined.
function ballSeen(px, py, owners) {
  const eye = [3, 3, 7];
  let best, nearest = Infinity;
  for (const [cell, owner] of Object.entries(owners)) {
    // Along the ray: march from the eye and find the first point within 0.3.
    const c = home(Number(cell));
    for (let t = 0; t < 12; t += 0.002) {
      // The scene point at depth t along the pixel's ray, found by projecting.
      const p = pointOnRay(eye, px, py, t);
      if (Math.hypot(p[0] - c[0], p[1] - c[1], p[2] - c[2]) <= 0.3) {
        if (t < nearest) {
          nearest = t;
          best = owner;
        }
        break;
      }
    }
  }
  return best;
}

// The point t units from the eye on the ray that projects to (px, py).
function pointOnRay(eye, px, py, t) {
  // Two projections of points a unit apart in depth fix the ray's direction.
  const f = [-3, -3, -7].map((c) => c / Math.hypot(3, 3, 7));
  const s = [-f[2], 0, f[0]].map((c) => c / Math.hypot(f[2], f[0]));
  const u = [s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]];
  const focal = 1 / Math.tan(20 * Math.PI / 180);
  const nx = px / 400 - 1, ny = (800 - py - 150) / 400 - 1;
  const d = [0, 1, 2].map((i) => f[i] + s[i] * nx / focal + u[i] * ny / focal);
  const length = Math.hypot(...d);
  return [0, 1, 2].map((i) => eye[i] + d[i] * t / length);
}

// At each cell's projected centre, a little below and right of it, away from
// the highlight, the colour of the ball that the ray meets first, if any.
async function expectBoard(page, owners) {
  const pixels = await atRest(page);
  for (let cell = 0; cell < 27; cell++) {
    const [x, y] = project(home(cell));
    const seen = ballSeen(x + 8, y + 8, owners);
    // A ball fills the 5 x 5 pixels about the point; a cube's line crosses them.
    const filled = (test) => {
      let n = 0;
      for (let dy = -2; dy <= 2; dy++)
        for (let dx = -2; dx <= 2; dx++) n += test(pixels.at(x + 8 + dx, y + 8 + dy));
      return n >= 20;
    };
    const shown = filled(red) ? 0 : filled(green) ? 1 : undefined;
    assert.equal(shown, seen, `cell ${cell}: ${pixels.at(x + 8, y + 8)}`);
  }
}

// Clicks (or taps) the top of a column at home, where the ray meets no other
// cell first, once to mark and once to drop.
async function playColumn(page, column, touch) {
  const [x, y] = project([column % 3 - 1, 1.5, Math.floor(column / 3) - 1]);
  for (let i = 0; i < 2; i++) {
    if (touch) await page.touchscreen.tap(x, y + 40);
    else await page.mouse.click(x, y + 40);
  }
}

test('a game played by keys, clicks, taps and a drag shows every ball where the desktop does',
  async () => {
    const { page, errors } = await open(shared.browser, shared.server.url, { touch: true });
    assert.ok(project([0, -1, 0])[1] > 0);
    await type(page, '5 1 9 ');
    await playColumn(page, 2, false);
    await playColumn(page, 6, true);
    // A drag a third of the picture to the left turns the board as 'w'; a
    // finger's drag as well; the next move brings the board home.
    await page.mouse.move(600, 300);
    await page.mouse.down();
    await page.mouse.move(340, 300, { steps: 8 });
    await page.mouse.up();
    await page.touchscreen.touchStart(600, 300);
    await page.touchscreen.touchMove(450, 300);
    await page.touchscreen.touchMove(340, 300);
    await page.touchscreen.touchEnd();
    await type(page, '2 ');
    await waitForTexts(page, (texts) => texts.includes('Player 1 Turn'));
    // Player 1: 5, 9, 7; player 2: 1, 3, 2; all on the bottom level.
    const owners = { 4: 0, 0: 1, 8: 0, 2: 1, 6: 0, 1: 1 };
    await expectBoard(page, owners);
    // Ctrl+Z takes player 2's last ball back, Ctrl+Y plays it again.
    const { 1: last, ...before } = owners;
    for (const [key, board, turn] of [['z', before, 'Player 2 Turn'], ['y', owners, 'Player 1 Turn']]) {
      await page.keyboard.down('Control');
      await page.keyboard.press(key);
      await page.keyboard.up('Control');
      await waitForTexts(page, (texts) => texts.includes(turn));
      await expectBoard(page, board);
    }
    assert.equal(last, 1);
    assert.deepEqual(errors, []);
    await page.close();
  });

test('the menu holds the desktop\'s entries and acts on the game', async () => {
  const { page, errors } = await open(shared.browser, shared.server.url);
  await page.mouse.click(400, 300, { button: 'right' });
  const labels = await page.$$eval('#menu > ul > li > button', (b) => b.map((e) => e.textContent));
  assert.deepEqual(labels, [' Colours ', ' Game Instructions ', ' Helpful Reminders ',
    ' Single Player Rules ', ' Keyboard ', ' Opponent ', ' Hint ', ' Show column values ',
    ' Hide rows ', ' New game ', ' Undo ', ' Redo ', ' Review ', ' Record ', ' Marks on balls ',
    ' Online ', ' Sound off ', ' Animation off ', ' Speak moves ', ' Board in words ', ' Quit']);
  // The opponent in force carries a '*'; a page shows in the strip.
  const opponents = await page.$$eval('#menu > ul > li:nth-child(6) li > button',
    (b) => b.map((e) => e.textContent));
  assert.deepEqual(opponents, ['* Two players ', ' Computer: easy ', ' Computer: good ',
    ' Computer: perfect ', ' Computer plays Player 2 ']);
  await page.click('#menu > ul > li:nth-child(5) > button');
  assert.equal(await page.$('#menu:not([hidden])'), null, 'a choice closes the menu');
  const page3 = await waitForTexts(page, (t) => t.includes('Keyboard:'));
  assert.ok(page3.includes('     3. Press space bar to make move'));
  // A colour, through the visible menu button: player 1's ball turns blue.
  await type(page, '5 ');
  await page.click('#menu-button');
  await page.click('#menu > ul > li:nth-child(1) > button');
  await page.click('#menu > ul > li:nth-child(1) li:nth-child(1) > button');
  await page.click('#menu > ul > li:nth-child(1) li:nth-child(1) li:nth-child(2) > button');
  const [x, y] = project(home(4));
  assert.ok(blue((await atRest(page)).at(x + 8, y + 8)));
  // New game: no ball, player 1 on turn; the toggles relabel themselves.
  await page.mouse.click(400, 300, { button: 'right' });
  await page.click('#menu > ul > li:nth-child(10) > button');
  await waitForTexts(page, (t) => t.includes('Player 1 Turn') && !t.includes('Keyboard:'));
  assert.ok(!blue((await atRest(page)).at(x + 8, y + 8)));
  await page.mouse.click(400, 300, { button: 'right' });
  await page.click('#menu > ul > li:nth-child(9) > button');
  await page.mouse.click(400, 300, { button: 'right' });
  assert.equal(await page.$eval('#menu > ul > li:nth-child(9) > button', (b) => b.textContent),
    ' Show rows ');
  assert.deepEqual(errors, []);
  await page.close();
});

test('a choice survives a reload; junk in the storage gives the defaults and one warning',
  async () => {
    const { page, errors } = await open(shared.browser, shared.server.url);
    await page.mouse.click(400, 300, { button: 'right' });
    await page.click('#menu > ul > li:nth-child(8) > button');
    const saved = await page.evaluate(() => localStorage.getItem('config/kaveto/settings'));
    assert.match(saved, /^column-values=shown$/m);
    await page.reload();
    await page.waitForFunction(() => performance.getEntriesByName('kaveto-first-frame').length);
    await page.mouse.click(400, 300, { button: 'right' });
    assert.equal(await page.$eval('#menu > ul > li:nth-child(8) > button', (b) => b.textContent),
      ' Hide column values ');
    await page.close();

    const junk = 'player1-colour=blue\n\u0000\u0007 not a line\nrows=sideways\n';
    const second = await open(shared.browser, shared.server.url, {
      before: `localStorage.setItem('config/kaveto/settings', ${JSON.stringify(junk)});`,
    });
    await type(second.page, '5 ');
    const [x, y] = project(home(4));
    assert.ok(blue((await atRest(second.page)).at(x + 8, y + 8)), 'the good line holds');
    assert.equal(second.warnings.filter((w) => /line 2 is not understood/.test(w)).length, 1);
    assert.equal(await second.page.evaluate(() => localStorage.getItem('config/kaveto/settings')),
      junk, 'not written until a choice changes');
    assert.deepEqual([...errors, ...second.errors], []);
    await second.page.close();
  });

test('quit ends the game and offers another', async () => {
  const { page, errors } = await open(shared.browser, shared.server.url);
  await page.mouse.click(400, 300, { button: 'right' });
  await page.click('#menu > ul > li:nth-child(21) > button');
  assert.equal(await page.$eval('#ended', (e) => e.hidden), false);
  assert.equal(await page.$eval('#stage', (e) => e.hidden), true);
  // Keys go nowhere (Space would press the focused button).
  await type(page, '5q');
  assert.equal(await page.$eval('#ended', (e) => e.hidden), false);
  await Promise.all([page.waitForNavigation(),
    page.evaluate(() => setTimeout(() => document.getElementById('again').click()))]);
  await page.waitForFunction(() => performance.getEntriesByName('kaveto-first-frame').length);
  assert.deepEqual(await stripTexts(page), ['KAVETO', 'Player 1 Turn']);
  assert.deepEqual(errors, []);
  await page.close();
});
