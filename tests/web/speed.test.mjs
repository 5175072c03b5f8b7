// The first frame soon and small, and no frame while nothing moves.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { serve, launch, open, type, waitForBook } from './driver.mjs';

let server, browser;
before(async () => {
  server = await serve();
  browser = await launch();
});
after(async () => {
  await browser.close();
  await server.close();
});

test('the first frame comes within a second, after at most 600 KB', async (t) => {
  const times = [];
  for (let load = 0; load < 3; load++) {
    // A context of its own each time: nothing cached.
    const context = await browser.createBrowserContext();
    for (const name in server.sent) delete server.sent[name];
    const page = await context.newPage();
    await page.setViewport({ width: 800, height: 840 });
    await page.goto(server.url);
    await page.waitForFunction(() => performance.getEntriesByName('kaveto-first-frame').length,
      { timeout: 15000 });
    times.push(await page.evaluate(() =>
      performance.getEntriesByName('kaveto-first-frame')[0].startTime));
    // The book is asked for only once the first frame is drawn.
    const bytes = Object.entries(server.sent).filter(([name]) => name !== '/book.bin.gz')
      .reduce((sum, [, sent]) => sum + sent, 0);
    assert.ok(bytes <= 600 * 1024, `${bytes} bytes before the first frame`);
    t.diagnostic(`load ${load + 1}: first frame after ${times[load].toFixed(0)} ms, ${bytes} bytes`);
    await context.close();
  }
  times.sort((a, b) => a - b);
  assert.ok(times[1] <= 1000, `the median load took ${times[1]} ms`);
});

test('at rest the page draws nothing; a turning cube draws at most 60 frames a second',
  async () => {
    const { page, errors } = await open(browser, server.url, {
      before: `window.frames = 0;
        const frame = window.requestAnimationFrame;
        window.requestAnimationFrame = (callback) => { window.frames++; return frame(callback); };`,
    });
    await waitForBook(page);
    const framesIn = async (ms) => {
      const before = await page.evaluate(() => window.frames);
      await new Promise((resolve) => setTimeout(resolve, ms));
      return (await page.evaluate(() => window.frames)) - before;
    };
    await framesIn(300);
    assert.equal(await framesIn(3000), 0, 'frames at rest');
    await type(page, '5');
    const turning = await framesIn(1000);
    assert.ok(turning >= 20 && turning <= 62, `${turning} frames in a second while a cube turns`);
    await type(page, ' ');
    await framesIn(300);
    assert.equal(await framesIn(1000), 0, 'frames after the move');
    assert.deepEqual(errors, []);
    await page.close();
  });
