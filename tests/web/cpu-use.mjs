// SPDX-License-Identifier: MIT
// How much of one core a browser (drivers.mjs) takes for the page at the
// Qt program's start size (605 x 366) after CLICKS presses at the points
// scripts/cpu-use.sh clicks (1000 fill the table), once the anchor can have
// reached the floor: the user plus system time of all the browser's
// processes (and its driver's), from /proc, over SECONDS, REPEATS times.
// Usage: node cpu-use.mjs ENGINE SITE_DIR [CLICKS] [SECONDS] [REPEATS]
import { readFileSync, readdirSync } from 'node:fs';
import { resolve } from 'node:path';
import { launch, serve } from './drivers.mjs';

const [engine, site] = [process.argv[2] ?? 'chromium', resolve(process.argv[3] ?? 'build/web')];
const [clicks, seconds, repeats] = [process.argv[4] ?? 0, process.argv[5] ?? 15, process.argv[6] ?? 3].map(Number);
const [width, height] = [605, 366];
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
// Clock ticks a second in /proc (USER_HZ, 100 on Linux).
const hz = 100;

// Every process below this one, with its CPU time in clock ticks and
// whether it renders pages.
function processes() {
  const all = new Map();
  for (const pid of readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    try {
      const stat = readFileSync(`/proc/${pid}/stat`, 'utf8');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      const cmd = readFileSync(`/proc/${pid}/cmdline`, 'utf8').replaceAll('\0', ' ');
      all.set(Number(pid), { ppid: Number(fields[1]), ticks: Number(fields[11]) + Number(fields[12]),
        renderer: /--type=renderer|WebKitWebProcess|-contentproc.* tab\s*$/.test(cmd) });
    } catch {
      // Gone meanwhile.
    }
  }
  const mine = new Map();
  const below = (pid) => pid === process.pid || (all.has(pid) && pid !== 1 && below(all.get(pid).ppid));
  for (const [pid, p] of all) if (pid !== process.pid && below(p.ppid)) mine.set(pid, p);
  return mine;
}

const { server, url } = await serve(site);
const browser = await launch(engine);
try {
  const page = await browser.open(url, { width, height });
  // Presses count from the first frame on: before it, the page's script
  // has not taken the canvas yet.
  while (!(await page.evaluate(() => performance.getEntriesByName('torvane-first-frame').length))) await sleep(50);
  for (let k = 0; k < clicks; ++k) await page.click(((k * 389 + 17) % (width - 15)) + 8, ((k * 211 + 5) % (height - 16)) + 8);
  // The anchor falls 3 pixels a tick, 64 ticks a second, from the top edge.
  await sleep((3 + Math.floor(height / 192)) * 1000);
  const label = await page.evaluate(() => document.getElementById('window').getAttribute('aria-label'));
  for (let r = 1; r <= repeats; ++r) {
    const before = processes();
    const start = performance.now();
    await sleep(seconds * 1000);
    const after = processes();
    const elapsed = (performance.now() - start) / 1000;
    let [total, renderer] = [0, 0];
    for (const [pid, p] of after) {
      if (pid === server.pid) continue;
      const used = p.ticks - (before.get(pid)?.ticks ?? 0);
      total += used;
      if (p.renderer) renderer += used;
    }
    const share = (t) => (100 * t / hz / elapsed).toFixed(1);
    console.log(`${engine}, ${width}x${height}, ${clicks} presses (${label.replace(/\..*/, '')}), run ${r}: ` +
      `all its ${after.size - 1} processes ${share(total)}% of one core, its renderers ${share(renderer)}%`);
  }
} finally {
  await browser.close();
  server.kill();
}
