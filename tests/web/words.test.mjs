// The game without sight: the column buttons found in the accessibility
// tree, the one live region's sentences checked against a board kept here,
// the keys that ask, the menu by keys, axe-core's checks, and a phone's
// narrow page.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import { useBrowser, open, type, waitForTexts, waitForBook, stripTexts } from './driver.mjs';

const shared = useBrowser();
const axePath = createRequire(import.meta.url).resolve('axe-core/axe.min.js');

// Every sentence the live region is given, kept as it comes.
const listen = `window.saidLog = [];
  document.addEventListener('DOMContentLoaded', () => new MutationObserver((changes) => {
    for (const change of changes)
      for (const node of change.addedNodes) window.saidLog.push(node.textContent);
  }).observe(document.getElementById('said'), { childList: true }));`;

const sentences = (page) => page.evaluate(() => window.saidLog);

async function saidAfter(page, count, test = (s) => s.length > count) {
  await page.waitForFunction((n) => window.saidLog.length > n, { timeout: 15000 }, count);
  const end = Date.now() + 15000;
  let said = await sentences(page);
  while (!test(said) && Date.now() < end) {
    await new Promise((resolve) => setTimeout(resolve, 50));
    said = await sentences(page);
  }
  return said;
}

/* A board kept here, and its rows of three found the plain way: every
   triple of cells in a straight line, by brute force. */

const cellOf = (column, level) => 9 * (level - 1) + (column - 1);
const place = (k) => [k % 3, Math.floor(k / 9), Math.floor(k / 3) % 3];
const lines = [];
for (let a = 0; a < 27; a++)
  for (let b = a + 1; b < 27; b++)
    for (let c = b + 1; c < 27; c++) {
      const [pa, pb, pc] = [place(a), place(b), place(c)];
      const d1 = pb.map((v, i) => v - pa[i]), d2 = pc.map((v, i) => v - pb[i]);
      if (d1.every((v, i) => v === d2[i]) && d1.every((v) => Math.abs(v) <= 1)) lines.push([a, b, c]);
    }

function rowsOf(board, player) {
  return lines.filter((line) => line.every((k) => board[k] === player));
}

// The cells a row sentence names.
function cellsNamed(sentence) {
  const m = /made a row: columns? ([\d, ]+) on levels? ([\d, ]+)$/.exec(sentence);
  const columns = m[1].split(', ').map(Number), levels = m[2].split(', ').map(Number);
  const cells = columns.length === 1 ? levels.map((l) => cellOf(columns[0], l))
    : columns.map((c, i) => cellOf(c, levels.length === 1 ? levels[0] : levels[i]));
  return cells.sort((x, y) => x - y).join(',');
}

function columnName(board, c) {
  const held = [0, 1, 2].map((l) => board[9 * l + c]);
  const filled = held.filter((p) => p !== undefined).length;
  if (filled === 3) return `Column ${c + 1}: full`;
  return `Column ${c + 1}: ` + held.map((p) => (p === undefined ? 'empty' : `Player ${p + 1}`))
    .join(', ') + ` \u2014 lands on level ${filled + 1}`;
}

// A button pressed as a keyboard's player presses it.
async function press(page, button) {
  await button.focus();
  await page.keyboard.press('Enter');
}

async function buttonNames(page) {
  const tree = await page.accessibility.snapshot({ interestingOnly: true });
  const names = [];
  const walk = (node) => {
    if (node.role === 'button' && /^Column \d/.test(node.name)) names.push(node.name);
    for (const child of node.children || []) walk(child);
  };
  walk(tree);
  return names;
}

async function axeFindings(page) {
  if (!(await page.evaluate(() => typeof window.axe !== 'undefined')))
    await page.addScriptTag({ path: axePath });
  const result = await page.evaluate(() => window.axe.run());
  return result.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical')
    .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join('; ')}`);
}

test('a whole game against the computer through the column buttons, every move said',
  async () => {
    const { page, errors } = await open(shared.browser, shared.server.url, {
      before: listen + `if (!sessionStorage.getItem('set')) {
        sessionStorage.setItem('set', '1');
        localStorage.setItem('config/kaveto/settings',
          'opponent=easy\\ncomputer-plays=player2\\nanimation=0\\n');
      }`,
    });
    await waitForBook(page);
    const board = {};
    let count = 0;
    assert.deepEqual(await axeFindings(page), [], 'at start');
    for (let move = 0; move < 14; move++) {
      // The buttons are named anew with the frame that follows a move.
      const wanted = [...Array(9).keys()].map((c) => columnName(board, c)).sort();
      let names = [];
      for (const end = Date.now() + 5000; Date.now() < end;) {
        names = await buttonNames(page);
        if (JSON.stringify(names.slice().sort()) === JSON.stringify(wanted)) break;
      }
      assert.deepEqual(names.slice().sort(), wanted, 'the buttons name what each column holds');
      const open = names.filter((name) => !name.endsWith('full'));
      const name = open[move % open.length];
      const button = await page.$(`aria/${name}[role="button"]`);
      await press(page, button);
      await press(page, button);
      // The player's move, its rows, then the computer's with its rows, or GAME OVER.
      const said = await saidAfter(page, count, (s) => s.slice(count).some((line) =>
        /^GAME OVER/.test(line) || /^The computer \(Player 2\)/.test(line)) &&
        (/^GAME OVER|Player 1's turn/.test(s.at(-1))));
      const fresh = said.slice(count);
      for (let i = 0; i < fresh.length; i++) {
        const played = /^(Player 1|The computer \(Player 2\)): column (\d), level (\d)$/
          .exec(fresh[i]);
        if (!played) {
          assert.match(fresh[i], /^(Player \d made a row: .*|Player [12]'s turn|GAME OVER\. .*|Column \d: lands on level \d\.)$/);
          continue;
        }
        const player = played[1] === 'Player 1' ? 0 : 1;
        const c = Number(played[2]), level = Number(played[3]);
        const filled = [0, 1, 2].filter((l) => board[9 * l + c - 1] !== undefined).length;
        assert.equal(level, filled + 1, `${fresh[i]}: the ball lands on the lowest free level`);
        board[cellOf(c, level)] = player;
        const made = rowsOf(board, player).filter((row) => row.includes(cellOf(c, level)))
          .map((row) => row.join(',')).sort();
        const told = [];
        while (i + 1 < fresh.length && fresh[i + 1].startsWith(`Player ${player + 1} made a row`))
          told.push(cellsNamed(fresh[++i]));
        assert.deepEqual(told.sort(), made, `the rows of ${fresh[i]}`);
      }
      count = said.length;
      if (said.at(-1).startsWith('GAME OVER')) {
        const rows = [rowsOf(board, 0).length, rowsOf(board, 1).length];
        const plural = (n) => `${n} ${n === 1 ? 'row' : 'rows'}`;
        assert.equal(said.at(-1), `GAME OVER. Player 1: ${plural(rows[0])}, Player 2: ` +
          `${plural(rows[1])}. ${rows[0] > rows[1] ? 'Player 1 wins.'
            : rows[1] > rows[0] ? 'Player 2 wins.' : 'Draw.'}`);
        break;
      }
    }
    assert.equal(Object.keys(board).length, 27, 'the game reached GAME OVER');
    assert.deepEqual(await axeFindings(page), [], 'at GAME OVER');
    assert.deepEqual(errors, []);
    await page.close();
  });

test('the buttons name a fixed game\'s columns; a full one is refused; l, b and c5 ask',
  async () => {
    const context = await shared.browser.createBrowserContext();
    const { page, errors } = await open(context, `${shared.server.url}?moves=5551`,
      { before: listen });
    const board = { [cellOf(5, 1)]: 0, [cellOf(5, 2)]: 1, [cellOf(5, 3)]: 0, [cellOf(1, 1)]: 1 };
    assert.deepEqual((await buttonNames(page)),
      [7, 8, 9, 4, 5, 6, 1, 2, 3].map((c) => columnName(board, c - 1)), 'in the keypad\'s order');
    await press(page, await page.$('aria/Column 5: full[role="button"]'));
    let said = await saidAfter(page, 0);
    assert.deepEqual(said, ['Column 5 is full.']);
    await type(page, 'l');
    await type(page, 'b');
    await type(page, 'c5');
    said = await saidAfter(page, 1, (s) => s.length >= 4);
    assert.deepEqual(said.slice(1), [
      'Player 2: column 1, level 1',
      'Level 1: column 5 Player 1, column 1 Player 2; Level 2: column 5 Player 2; ' +
        'Level 3: column 5 Player 1',
      'Column 5: full',
    ]);
    // Arrow keys move between the buttons as on the keypad: 7 8 9 on top.
    await page.focus('#columns button[data-column="4"]');
    await page.keyboard.press('ArrowUp');
    await page.keyboard.press('ArrowRight');
    assert.equal(await page.evaluate(() => document.activeElement.dataset.column), '8');
    assert.equal(await page.$eval('#columns', (e) => e.getBoundingClientRect().width > 100), true,
      'seen while a button has the focus');
    assert.deepEqual(errors, []);
    await context.close();
  });

test('the menu by keys alone; axe-core finds nothing serious with it open, a page, the review',
  async () => {
    const context = await shared.browser.createBrowserContext();
    const { page, errors } = await open(context, `${shared.server.url}?moves=51`,
      { before: listen });
    await waitForBook(page);
    await page.focus('#menu-button');
    await page.keyboard.down('Shift');
    await page.keyboard.press('F10');
    await page.keyboard.up('Shift');
    const focused = () => page.evaluate(() => document.activeElement.textContent);
    assert.equal(await focused(), ' Colours ');
    assert.deepEqual(await axeFindings(page), [], 'the menu open');
    await page.keyboard.press('ArrowRight');
    assert.equal(await focused(), 'Player1');
    await page.keyboard.press('Escape');
    assert.equal(await focused(), ' Colours ', 'Escape leaves the submenu');
    for (let i = 0; i < 4; i++) await page.keyboard.press('ArrowDown');
    assert.equal(await focused(), ' Keyboard ');
    await page.keyboard.press('Enter');
    await waitForTexts(page, (t) => t.includes('Keyboard:'));
    assert.equal(await page.$('#menu:not([hidden])'), null);
    assert.equal(await page.evaluate(() => document.activeElement.id), 'menu-button',
      'the focus back where the menu was opened');
    assert.deepEqual(await axeFindings(page), [], 'a page shown');
    // The Review, the 13th entry, by keys; its line is said.
    await page.keyboard.press('ContextMenu');
    for (let i = 0; i < 12; i++) await page.keyboard.press('ArrowDown');
    assert.equal(await focused(), ' Review ');
    await page.keyboard.press('Enter');
    const said = await saidAfter(page, 0);
    assert.match(said.at(-1), /^Move 2: Player 2, column 1/);
    assert.deepEqual(await axeFindings(page), [], 'in the review');
    await page.keyboard.press('Escape');
    // The board in words, chosen from the menu, stays in sight.
    await page.keyboard.press('ContextMenu');
    await page.keyboard.press('End');
    await page.keyboard.press('ArrowUp');
    assert.equal(await focused(), ' Board in words ');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.getElementById('columns').classList.contains('always'));
    const strip = await waitForTexts(page, (t) => t.includes('Player 1 plays Red, Player 2 Green.'));
    assert.ok(strip.includes('Level 1: column 5 Player 1, column 1 Player 2'), strip.join('|'));
    if (process.env.KAVETO_SHOTS) await page.screenshot({ path: `${process.env.KAVETO_SHOTS}/words.png` });
    assert.deepEqual(errors, []);
    await context.close();
  });

test('on a phone held upright the strip\'s texts stand below the board, 14 px at least',
  async () => {
    const context = await shared.browser.createBrowserContext();
    const { page, errors } = await open(context, `${shared.server.url}?moves=51`,
      { width: 390, height: 800 });
    await type(page, 'c');
    await page.mouse.click(195, 300, { button: 'right' });
    await page.click('#menu > ul > li:nth-child(5) > button');
    await page.waitForFunction(() => document.querySelectorAll('#strip .line').length > 6);
    const lines = await page.$$eval('#strip .line', (all) => all.map((line) => {
      const box = line.getBoundingClientRect();
      return { text: line.textContent, size: parseFloat(getComputedStyle(line).fontSize),
        left: box.left, right: box.right, top: box.top, bottom: box.bottom };
    }));
    const canvas = await page.$eval('#canvas', (c) => c.getBoundingClientRect().bottom);
    for (const line of lines) {
      assert.ok(line.size >= 14, `${line.text}: ${line.size} px`);
      assert.ok(line.left >= 0 && line.right <= 390 && line.top >= canvas && line.bottom <= 800,
        `${line.text} inside the page below the board: ${JSON.stringify(line)}`);
    }
    assert.ok(lines.some((line) => line.text === 'Keyboard:'));
    assert.ok(lines.some((line) => /'L' the last move, 'B' the board/.test(line.text)),
      'the keys that ask are on the Keyboard page');
    assert.deepEqual(await stripTexts(page), [], 'none over the board');
    assert.deepEqual(errors, []);
    await context.close();
  });

test('at 200 % zoom the strip\'s texts stand whole inside the picture, none over another',
  async () => {
    const context = await shared.browser.createBrowserContext();
    // An 800 x 840 window zoomed to 200 %: 400 x 420 CSS pixels, two device pixels each.
    const { page, errors } = await open(context, `${shared.server.url}?moves=51`,
      { width: 400, height: 420, scale: 2 });
    await page.mouse.click(200, 150, { button: 'right' });
    await page.click('#menu > ul > li:nth-child(3) > button');
    await waitForTexts(page, (t) => t.includes('Helpful Reminders::'));
    const boxes = await page.$$eval('#stage .text', (all) => all.filter((e) => e.textContent)
      .map((e) => {
        const r = e.getBoundingClientRect();
        return { text: e.textContent, left: r.left, right: r.right, top: r.top, bottom: r.bottom };
      }));
    const stage = await page.$eval('#stage', (e) => e.getBoundingClientRect().toJSON());
    for (const box of boxes)
      assert.ok(box.left >= stage.left && box.right <= stage.right + 1 && box.top >= stage.top &&
        box.bottom <= stage.bottom + 1, `${box.text} cut off: ${JSON.stringify(box)}`);
    for (const a of boxes)
      for (const b of boxes)
        assert.ok(a === b || a.bottom <= b.top + 0.5 || b.bottom <= a.top + 0.5 ||
          a.right <= b.left || b.right <= a.left, `${a.text} over ${b.text}`);
    assert.deepEqual(errors, []);
    await context.close();
  });
