// The browser version's figures, in headless Chromium on loopback, after
// scripts/web --test has built build-web/ and installed the test tools:
//
//   KAVETO_SITE=build-web node bench/web.mjs [GAMES]
//
// The first frame of ten cold loads (median and worst) and the bytes fetched
// before it; then the computer's decision at every ply of whole games, half
// of them random and half played by the hint, at each level: the time of
// the call that sets the computer on turn, which decides and marks its
// column at once (median and worst).

import { serve, launch, open, waitForBook, coldLoad } from '../tests/web/driver.mjs';

const games = Number(process.argv[2] || 20);
const server = await serve();
const browser = await launch();

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

const loads = [];
let bytes = 0;
for (let load = 0; load < 10; load++) {
  const cold = await coldLoad(browser, server);
  loads.push(cold.time);
  bytes = cold.bytes;
}
console.log(`first frame: median ${median(loads).toFixed(0)} ms, worst ` +
  `${Math.max(...loads).toFixed(0)} ms over 10 cold loads; ${bytes} bytes before it`);

const { page } = await open(browser, server.url);
await waitForBook(page);
const decisions = { 1: [], 2: [], 3: [] };
for (let game = 0; game < games; game++) {
  const times = await page.evaluate((byHint) => {
    const taken = { 1: [], 2: [], 3: [] };
    const heights = Array(9).fill(0);
    let plays = 1;
    Module._webChoose(0, 7);
    for (let ply = 0; ply < 27; ply++) {
      if (plays !== ply % 2) {
        Module._webChoose(4, 5);
        plays = ply % 2;
      }
      for (let level = 1; level <= 3; level++) {
        const start = performance.now();
        Module._webChoose(4, level + 1);
        taken[level].push(performance.now() - start);
        Module._webChoose(4, 1);
      }
      if (byHint) {
        Module._webChoose(0, 8);
      } else {
        let column;
        do column = Math.floor(Math.random() * 9); while (heights[column] === 3);
        heights[column]++;
        Module._webKey(49 + column);
      }
      Module._webKey(32);
    }
    return taken;
  }, game % 2 === 1);
  for (const level in times) decisions[level].push(...times[level]);
}
for (const level of [1, 2, 3])
  console.log(`decision, level ${level}: median ${median(decisions[level]).toFixed(2)} ms, ` +
    `worst ${Math.max(...decisions[level]).toFixed(2)} ms over ${decisions[level].length} plies`);
await browser.close();
await server.close();
