// SPDX-License-Identifier: MIT
// Where the page's time goes in headless Chromium: the presses of
// tests/web/cpu-use.mjs, then over SECONDS the processor time of every
// thread of the browser (from /proc, by process type and thread name) and a
// sampling profile of the renderer's main thread (Chrome DevTools Protocol,
// 100 µs) summed by function, self time; then a trace's events by thread. Build the site with the
// web-profile preset so that the module's functions keep their names.
// Usage: node scripts/web-profile.mjs [SITE_DIR] [CLICKS] [SECONDS]
//        (defaults: build/web-profile, 1000, 8)
import { spawn } from 'node:child_process';
import { readFileSync, readdirSync } from 'node:fs';
import { createRequire } from 'node:module';
import { dirname, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '..');
const { chromium } = createRequire(`${root}/tests/web/package.json`)('playwright-core');
const site = resolve(process.argv[2] ?? `${root}/build/web-profile`);
const clicks = Number(process.argv[3] ?? 1000);
const seconds = Number(process.argv[4] ?? 8);
const [width, height] = [605, 366];
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// Clock ticks of every thread of every process below this one, keyed by
// "process type/thread name".
function threads() {
  const parent = new Map();
  const type = new Map();
  for (const pid of readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    try {
      const stat = readFileSync(`/proc/${pid}/stat`, 'utf8');
      parent.set(pid, stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]);
      const cmd = readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      type.set(pid, /--type=([a-z-]+)/.exec(cmd)?.[1] ?? (cmd.includes('chrom') ? 'browser' : 'other'));
    } catch {
      // Gone meanwhile.
    }
  }
  const mine = (pid) => pid === String(process.pid) || (parent.has(pid) && pid !== '1' && mine(parent.get(pid)));
  const ticks = new Map();
  for (const pid of parent.keys()) {
    if (pid === String(process.pid) || !mine(parent.get(pid)) || type.get(pid) === 'other') continue;
    for (const tid of readdirSync(`/proc/${pid}/task`)) {
      try {
        const stat = readFileSync(`/proc/${pid}/task/${tid}/stat`, 'utf8');
        const name = stat.slice(stat.indexOf('(') + 1, stat.lastIndexOf(')')).replace(/\d+$/, '');
        const f = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
        const key = `${type.get(pid)}/${name}`;
        ticks.set(key, (ticks.get(key) ?? 0) + Number(f[11]) + Number(f[12]));
      } catch {
        // Gone meanwhile.
      }
    }
  }
  return ticks;
}

const server = spawn('python3', ['-u', '-m', 'http.server', '--bind', '127.0.0.1', '--directory', site, '0'], { stdio: ['ignore', 'pipe', 'ignore'] });
let out = '';
server.stdout.on('data', (d) => { out += d; });
while (!/port (\d+)/.test(out)) await sleep(50);
const browser = await chromium.launch({ executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium', headless: true });
try {
  const page = await browser.newPage({ viewport: { width, height } });
  await page.goto(`http://127.0.0.1:${/port (\d+)/.exec(out)[1]}/`);
  while (!(await page.evaluate(() => performance.getEntriesByName('torvane-first-frame').length))) await sleep(50);
  for (let k = 0; k < clicks; ++k) {
    await page.mouse.click(((k * 389 + 17) % (width - 15)) + 8, ((k * 211 + 5) % (height - 16)) + 8);
  }
  await sleep((3 + Math.floor(height / 192)) * 1000);

  const before = threads();
  const start = performance.now();
  await sleep(seconds * 1000);
  const after = threads();
  const elapsed = (performance.now() - start) / 1000;
  const share = (ticks) => `${(ticks / elapsed).toFixed(1)}%`;
  console.log(`${clicks} presses, ${seconds} s: processor time by process type/thread, share of one core`);
  const used = [...after].map(([k, t]) => [k, t - (before.get(k) ?? 0)]).filter(([, t]) => t > 0);
  for (const [k, t] of used.sort((a, b) => b[1] - a[1])) console.log(`  ${share(t).padStart(6)}  ${k}`);
  console.log(`  ${share(used.reduce((s, [, t]) => s + t, 0)).padStart(6)}  all`);

  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Profiler.enable');
  await cdp.send('Profiler.setSamplingInterval', { interval: 100 });
  await cdp.send('Profiler.start');
  await sleep(seconds * 1000);
  const { profile } = await cdp.send('Profiler.stop');
  const span = (profile.endTime - profile.startTime) / 1e6;
  const self = new Map();
  const node = new Map(profile.nodes.map((n) => [n.id, n]));
  for (let k = 0; k < profile.samples.length; ++k) {
    const f = node.get(profile.samples[k]).callFrame;
    const name = f.functionName || `(${f.url ? 'anonymous' : 'native'})`;
    self.set(name, (self.get(name) ?? 0) + (profile.timeDeltas[k + 1] ?? 0) / 1e6);
  }
  console.log(`renderer's main thread, ${profile.samples.length} samples: self time, share of one core`);
  for (const [name, t] of [...self].sort((a, b) => b[1] - a[1]).slice(0, 30)) {
    console.log(`  ${(100 * t / span).toFixed(2).padStart(6)}%  ${name}`);
  }

  // A trace of the same: the thread time of each event less that of the
  // events inside it, by thread and event, over the threads' busy time.
  await browser.startTracing(page, { categories: ['toplevel', 'devtools.timeline', 'blink', 'cc', 'gpu', 'viz', 'v8', 'disabled-by-default-devtools.timeline'] });
  await sleep(seconds * 1000);
  const events = JSON.parse(await browser.stopTracing()).traceEvents;
  const names = new Map(events.filter((e) => e.ph === 'M' && e.name === 'thread_name').map((e) => [`${e.pid}/${e.tid}`, e.args.name]));
  const perThread = new Map();
  for (const e of events.filter((e) => e.ph === 'X' && e.tdur !== undefined)) {
    const key = `${e.pid}/${e.tid}`;
    if (!perThread.has(key)) perThread.set(key, []);
    perThread.get(key).push(e);
  }
  const selfTime = new Map();
  for (const [key, list] of perThread) {
    list.sort((a, b) => a.ts - b.ts || b.dur - a.dur);
    const stack = [];
    for (const e of list) {
      while (stack.length && stack.at(-1).ts + stack.at(-1).dur <= e.ts) stack.pop();
      if (stack.length) stack.at(-1).self -= e.tdur;
      e.self = e.tdur;
      stack.push(e);
    }
    for (const e of list) {
      const k = `${names.get(key) ?? key}: ${e.name}`;
      selfTime.set(k, (selfTime.get(k) ?? 0) + e.self / 1e6);
    }
  }
  console.log('trace, self thread time by thread and event, share of one core');
  for (const [k, t] of [...selfTime].sort((a, b) => b[1] - a[1]).slice(0, 30)) {
    console.log(`  ${(100 * t / seconds).toFixed(2).padStart(6)}%  ${k}`);
  }
} finally {
  await browser.close();
  server.kill();
}
