// The first frame soon and small, and no frame while nothing moves.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { useBrowser, open, type, waitForBook, coldLoad } from './driver.mjs';

const shared = useBrowser();

test('the first frame comes within a second, after at most 600 KB', async (t) => {
  const times = [];
  for (let load = 0; load < 3; load++) {
    const { time, bytes } = await coldLoad(shared.browser, shared.server);
    assert.ok(bytes <= 600 * 1024, `${bytes} bytes before the first frame`);
    t.diagnostic(`load ${load + 1}: first frame after ${time.toFixed(0)} ms, ${bytes} bytes`);
    times.push(time);
  }
  times.sort((a, b) => a - b);
  assert.ok(times[1] <= 1000, `the median load took ${times[1]} ms`);
});

test('the book unpacks in short tasks, so that the page answers meanwhile', async () => {
  const { page, errors } = await open(shared.browser, shared.server.url, { firstFrame: false });
  await page.tracing.start({ categories: ['disabled-by-default-devtools.timeline', 'blink'] });
  await page.reload();
  await waitForBook(page);
  const events = JSON.parse(Buffer.from(await page.tracing.stop()).toString()).traceEvents;
  const unpacking = events.filter((event) => event.name === 'DecompressionStream Inflate');
  const tasks = events.filter((event) => event.name === 'RunTask' && unpacking.some((inflate) =>
    inflate.tid === event.tid && inflate.ts >= event.ts && inflate.ts < event.ts + event.dur));
  assert.ok(tasks.length >= 2, `${tasks.length} tasks unpack the book`);
  const longest = Math.max(...tasks.map((task) => task.dur / 1000));
  assert.ok(longest < 50, `a task unpacked the book for ${longest} ms`);
  assert.deepEqual(errors, []);
  await page.close();
});

test('at rest the page draws nothing; a turning cube draws at most 60 frames a second',
  async () => {
    const { page, errors } = await open(shared.browser, shared.server.url, {
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
    // The ball falls and bounces for at most 0.4 s, then nothing is drawn.
    await type(page, ' ');
    await framesIn(600);
    assert.equal(await framesIn(1000), 0, 'frames after the move');
    assert.deepEqual(errors, []);
    await page.close();
  });
