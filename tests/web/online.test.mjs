// The browser version online, served by kaveto-server beside its games: a
// game hosted from the menu, joined by its link, watched; and the same page
// from a plain static server, which has no games to offer.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import readline from 'node:readline';
import { useBrowser, launch, open, type, choose, waitForTexts, canvasPixels, project, home }
  from './driver.mjs';

const shared = useBrowser();
// Each player in a browser of their own, as on two machines: a page left in
// the background of a browser draws no frame.
let server, browsers, state;
before(async () => {
  state = fs.mkdtempSync(path.join(os.tmpdir(), 'kaveto-web-online-'));
  server = spawn(process.env.KAVETO_SERVER, ['--port', '0', '--admin', 'none', '--web',
    process.env.KAVETO_SITE,
    '--state', state], { stdio: ['ignore', 'pipe', 'ignore'] });
  const line = await new Promise((resolve) => server.stdout.once('data', (d) => resolve(String(d))));
  server.url = line.match(/http:\/\/[^ \n]+/)[0];
  browsers = await Promise.all([launch(), launch(), launch()]);
});
after(async () => {
  await Promise.all(browsers.map((browser) => browser.close()));
  server.kill();
  fs.rmSync(state, { recursive: true, force: true });
});

const foot = (texts) => texts.find((line) => /^(You are|Watching|Online)/.test(line)) || '';

test('a game hosted from the menu is joined by its link, played and watched', async () => {
  const host = await open(browsers[0], server.url);
  await choose(host.page, 16, 2);
  await host.page.waitForSelector('#share:not([hidden])');
  const link = await host.page.$eval('#share-link', (a) => a.href);
  assert.match(link, /\?play=[A-Z0-9]{6}$/);
  const guest = await open(browsers[1], link);
  for (const [page, seat] of [[host.page, 1], [guest.page, 2]]) {
    const seated = new RegExp(`^You are Player ${seat}; connected$`);
    assert.match(foot(await waitForTexts(page, (t) => seated.test(foot(t)))), seated);
  }
  // Player 1 plays here, player 2 there; keys out of turn do nothing.
  await type(guest.page, '3 ');
  await type(host.page, '5 ');
  await waitForTexts(guest.page, (t) => t.includes('Player 2 Turn'));
  await type(guest.page, '1 ');
  const watcher = await open(browsers[2], link.replace('?play=', '?watch='));
  // Each page shows player 1's ball in column 5 and player 2's in column 1,
  // none in column 3, once the last has dropped.
  const red = (p) => p[0] > 150 && p[1] < 100, green = (p) => p[1] > 150 && p[0] < 100;
  for (const { page } of [host, guest, watcher]) {
    await waitForTexts(page, (t) => t.includes('Player 1 Turn') &&
      /^(You are Player \d|Watching); connected$/.test(foot(t)));
    let seen;
    for (const end = Date.now() + 5000; Date.now() < end;) {
      const pixels = await canvasPixels(page);
      seen = [4, 0, 2].map((cell) => { const [x, y] = project(home(cell)); return pixels.at(x + 8, y + 8); });
      if (red(seen[0]) && green(seen[1]) && !green(seen[2])) break;
    }
    assert.ok(red(seen[0]) && green(seen[1]) && !green(seen[2]), JSON.stringify(seen));
  }
  assert.equal(foot(await waitForTexts(watcher.page, (t) => foot(t) !== '')), 'Watching; connected');
  assert.deepEqual([...host.errors, ...guest.errors, ...watcher.errors], []);
  for (const { page } of [host, guest, watcher]) await page.close();
});

test('two pages that play someone on the page\'s server are paired and play', async () => {
  const pages = [await open(browsers[0], server.url), await open(browsers[1], server.url)];
  await choose(pages[0].page, 16, 1);
  const looking = (t) => t.find((line) => line.startsWith('Looking for an opponent')) || '';
  assert.match(looking(await waitForTexts(pages[0].page, (t) => /0 others waiting/.test(looking(t)))),
    /^Looking for an opponent \u2014 0 others waiting, \d+ playing, on 127\.0\.0\.1:\d+\. Escape stops$/);
  await choose(pages[1].page, 16, 1);
  const seats = [];
  for (const { page } of pages) {
    const texts = await waitForTexts(page, (t) => /^You are Player \d; connected$/.test(foot(t)));
    seats.push(Number(foot(texts).match(/Player (\d)/)[1]));
  }
  assert.deepEqual(seats.sort(), [1, 2], 'the seats drawn, one each');
  assert.deepEqual([...pages[0].errors, ...pages[1].errors], []);
  for (const { page } of pages) await page.close();
});

// A desktop game under a virtual X server of its own, driven through
// kaveto-xplay: each command a line, each answered "ok" or "failed".
function desktop(home, args) {
  const child = spawn(process.env.KAVETO_XVFB, [process.env.KAVETO_XPLAY, home, ...args],
    { stdio: ['pipe', 'pipe', 'inherit'] });
  child.stdin.on('error', () => {}); // a game that ended: told below
  const answers = [], waiting = [];
  readline.createInterface({ input: child.stdout }).on('line', (line) => {
    if (waiting.length > 0) waiting.shift()(line);
    else answers.push(line);
  });
  // A game that ended answers every question after it "ended".
  let ended = false;
  const exited = new Promise((resolve) => child.on('exit', () => {
    ended = true;
    waiting.splice(0).forEach((answer) => answer('ended'));
    resolve();
  }));
  const next = () => answers.length > 0 ? Promise.resolve(answers.shift())
    : ended ? Promise.resolve('ended') : new Promise((resolve) => waiting.push(resolve));
  return {
    shown: next,
    ask: (command) => { if (!ended) child.stdin.write(command + '\n'); return next(); },
    close: () => { child.stdin.end(); return exited; },
  };
}

test('a page and a desktop game that play someone are paired and play to the end', async () => {
  const home = fs.mkdtempSync(path.join(os.tmpdir(), 'kaveto-web-desktop-'));
  const game = desktop(home, ['-geometry', '800x800+0+0', '--server',
    new URL(server.url).host]);
  try {
    assert.equal(await game.shown(), 'ok', 'the desktop game\'s window');
    assert.equal(await game.ask('menu 400 300 15 0'), 'ok', 'Play someone on the desktop');
    const { page, errors } = await open(browsers[0], server.url);
    await choose(page, 16, 1);
    const texts = await waitForTexts(page, (t) => /^You are Player \d; connected$/.test(foot(t)));
    const seat = Number(foot(texts).match(/Player (\d)/)[1]);
    // The page plays its seat's moves, the desktop the others'. The desktop
    // shows the page's move marked for half a second before it drops, and
    // its keys count only after that: they are typed again until the page
    // sees the move.
    const columns = '513798642415736982493168527';
    for (let n = 0; n < columns.length; n++) {
      const after = n === columns.length - 1 ? 'GAME OVER' : `Player ${n % 2 === 0 ? 2 : 1} Turn`;
      const played = (t) => t.includes(after);
      let seen = false;
      for (let tries = 0; !seen && tries < 20; tries++) {
        if (n % 2 + 1 === seat) await type(page, columns[n] + ' ');
        else assert.equal(await game.ask(`type ${columns[n]} `), 'ok');
        seen = played(await waitForTexts(page, played, 800));
      }
      assert.ok(seen, `move ${n + 1}`);
    }
    // The desktop counted the game in its record's Online line: player 1
    // wins these moves.
    const record = path.join(home, 'state/kaveto/record');
    const counted = seat === 1 ? /^online=0 0 1$/m : /^online=1 0 0$/m;
    for (const end = Date.now() + 10000; Date.now() < end && !counted.test(text(record));)
      await new Promise((resolve) => setTimeout(resolve, 50));
    assert.match(text(record), counted);
    assert.deepEqual(errors, []);
    await page.close();
  } finally {
    await game.close();
    fs.rmSync(home, { recursive: true, force: true });
  }
});

const text = (file) => { try { return fs.readFileSync(file, 'utf8'); } catch { return ''; } };

test('a page from a plain static host says that online play needs a server', async () => {
  const { page, errors } = await open(shared.browser, shared.server.url,
    { allowed: [/WebSocket connection/] });
  await choose(page, 16, 2);
  const texts = await waitForTexts(page, (t) => /needs one/.test(foot(t)));
  assert.match(foot(texts), /no Kaveto server answers: online play needs one/);
  // Play someone, likewise.
  await choose(page, 16, 1);
  const line = (t) => t.find((l) => l.startsWith('Looking for an opponent')) || '';
  assert.match(line(await waitForTexts(page, (t) => /needs one/.test(line(t)))),
    /no Kaveto server answers: online play needs one/);
  assert.deepEqual(errors, []);
  await page.close();
});
