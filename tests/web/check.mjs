// SPDX-License-Identifier: MIT
// The page in headless Chromium, served from 127.0.0.1 as a static site:
// its size, title and first frame, the canvas filling the viewport, the
// cadence, presses of every kind, rest with nothing scheduled, settled
// frames against the oracle's (settled_frame), resizes, the service worker
// offline and across a new build, and a console free of errors.
// Usage: node check.mjs SITE_DIR SETTLED_FRAME
import { spawn, execFileSync } from 'node:child_process';
import { cpSync, mkdtempSync, readdirSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, relative, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';
import { chromium } from 'playwright-core';

const [site, settledFrame] = process.argv.slice(2).map((p) => resolve(p));
if (!site || !settledFrame) {
  console.error('usage: node check.mjs SITE_DIR SETTLED_FRAME');
  process.exit(2);
}
const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const chromiumPath = process.env.CHROMIUM ?? '/usr/bin/chromium';
// The page's background, 0xF0F0F0 (app/web/CMakeLists.txt).
const background = [0xf0, 0xf0, 0xf0];
const caption = 'Torvane Beta - Quillmoss 2004 (Click to add)';

let failures = 0;
function check(ok, what, detail = '') {
  console.log(`web-check: ${ok ? 'ok  ' : 'FAIL'} ${what}${detail ? `: ${detail}` : ''}`);
  if (!ok) ++failures;
}
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// Every file of the site, gzip'd at the best level as a server would send it.
function siteFiles(dir) {
  return readdirSync(dir, { recursive: true })
    .map((f) => join(dir, f))
    .filter((f) => statSync(f).isFile());
}
let zipped = 0;
for (const f of siteFiles(site)) zipped += gzipSync(readFileSync(f), { level: 9 }).length;
check(zipped <= 150 * 1024, 'everything the page loads, gzip-compressed, at most 150 KB',
  `${(zipped / 1024).toFixed(1)} KB in ${siteFiles(site).length} files`);

// A server for DIR on 127.0.0.1, on a port the system picks.
async function serve(dir) {
  const server = spawn('python3', ['-u', '-m', 'http.server', '--bind', '127.0.0.1', '--directory', dir, '0'],
    { stdio: ['ignore', 'pipe', 'pipe'] });
  let out = '';
  server.stdout.on('data', (d) => { out += d; });
  server.stderr.on('data', () => {});
  for (let i = 0; i < 100 && !/port (\d+)/.test(out); ++i) await sleep(50);
  const port = /port (\d+)/.exec(out)?.[1];
  if (!port) throw new Error(`the server did not start: ${out}`);
  return { server, url: `http://127.0.0.1:${port}/` };
}

// Counts the timeouts, intervals and animation frames pending in the page:
// at rest there must be none.
function instrument() {
  const pending = { timeouts: new Set(), intervals: new Set(), frames: new Set(), asked: 0 };
  const { setTimeout: st, clearTimeout: ct, setInterval: si, clearInterval: ci } = window;
  const { requestAnimationFrame: raf, cancelAnimationFrame: caf } = window;
  window.setTimeout = function (f, ms, ...rest) {
    const id = st.call(window, (...a) => { pending.timeouts.delete(id); if (typeof f === 'function') f(...a); }, ms, ...rest);
    pending.timeouts.add(id);
    return id;
  };
  window.clearTimeout = (id) => { pending.timeouts.delete(id); ct.call(window, id); };
  window.setInterval = function (...a) { const id = si.apply(window, a); pending.intervals.add(id); return id; };
  window.clearInterval = (id) => { pending.intervals.delete(id); ci.call(window, id); };
  window.requestAnimationFrame = (f) => {
    ++pending.asked;
    const id = raf.call(window, (t) => { pending.frames.delete(id); f(t); });
    pending.frames.add(id);
    return id;
  };
  window.cancelAnimationFrame = (id) => { pending.frames.delete(id); caf.call(window, id); };
  Object.defineProperty(window, 'pendingWork', {
    value: () => ({ timeouts: pending.timeouts.size, intervals: pending.intervals.size, frames: pending.frames.size,
      framesAsked: pending.asked }),
  });
  // Whether a context menu would open: the page must cancel it.
  window.contextMenus = 0;
  window.addEventListener('contextmenu', (e) => { if (!e.defaultPrevented) ++window.contextMenus; });
}

const errors = [];
const browser = await chromium.launch({ executablePath: chromiumPath, headless: true });
// A page of URL in a new context, options as Playwright's; `profile` is a
// folder for a browser of its own with a profile on disk (not incognito).
async function open(url, options = {}, profile = undefined) {
  const settings = { viewport: { width: 605, height: 366 }, ...options };
  const context = profile
    ? await chromium.launchPersistentContext(profile, { executablePath: chromiumPath, headless: true, ...settings })
    : await browser.newContext(settings);
  await context.addInitScript(instrument);
  const page = await context.newPage();
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(url);
  await waitFor(page, () => performance.getEntriesByName('torvane-first-frame').length > 0, 'the first frame');
  return { context, page };
}
async function waitFor(page, test, what, seconds = 30, arg = undefined) {
  for (const end = Date.now() + seconds * 1000; Date.now() < end; await sleep(50)) {
    if (await page.evaluate(test, arg)) return;
  }
  throw new Error(`timed out waiting for ${what}`);
}
// Waits until the pile rests: no wake-up pending.
const rest = (page) => waitFor(page, () => window.pendingWork().timeouts === 0, 'the pile to rest', 60);
const balls = (page) => page.evaluate(() => Number(/(\d+) balls? dropped/.exec(
  document.getElementById('window').getAttribute('aria-label'))?.[1]));
// The canvas's pixels as RGB bytes, and whether every one is opaque.
async function pixels(page) {
  const { width, height, data, opaque } = await page.evaluate(() => {
    const c = document.getElementById('window');
    const rgba = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let rgb = '';
    let opaque = true;
    for (let i = 0; i < rgba.length; i += 4) {
      rgb += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
      opaque &&= rgba[i + 3] === 255;
    }
    return { width: c.width, height: c.height, data: btoa(rgb), opaque };
  });
  return { width, height, rgb: Buffer.from(data, 'base64'), opaque };
}
// The rows of column x that are not background, as [first, last], and
// the page's time of reading them.
const column = (page, x) => page.evaluate(([x, bg]) => {
  const c = document.getElementById('window');
  const d = c.getContext('2d').getImageData(x, 0, 1, c.height).data;
  let first = -1;
  let last = -1;
  for (let y = 0; y < c.height; ++y) {
    if (d[4 * y] !== bg[0] || d[4 * y + 1] !== bg[1] || d[4 * y + 2] !== bg[2]) {
      if (first < 0) first = y;
      last = y;
    }
  }
  return [first, last, performance.now()];
}, [x, background]);

const { server, url } = await serve(site);
try {
  // Title, first frame, size, background and cadence, in a larger window.
  {
    const { context, page } = await open(url, { viewport: { width: 1024, height: 720 } });
    const first = await page.evaluate(() => performance.getEntriesByName('torvane-first-frame')[0].startTime);
    // Loose, so that a loaded machine passes: that the first tick and the
    // first frame come at the first timer boundary after the page is shown
    // is pinned on a fake clock (WindowTest.StartsWithCaptionSizeAndAnchor).
    check(first <= 1500, 'first frame within 1500 ms of navigation', `${first.toFixed(0)} ms`);
    check(await page.title() === caption, 'the title is the caption', await page.title());
    const box = await page.evaluate(() => {
      const c = document.getElementById('window');
      const r = c.getBoundingClientRect();
      return [r.left, r.top, r.width, r.height, innerWidth, innerHeight, c.width, c.height,
        getComputedStyle(document.body).backgroundColor, c.getAttribute('role')];
    });
    check(box.slice(0, 8).join() === '0,0,1024,720,1024,720,1024,720', 'the canvas fills the viewport, in device pixels', box.join(' '));
    check(box[8] === `rgb(${background.join(', ')})` && box[9] === 'img', 'the page has the frame\'s background; the canvas is an image', `${box[8]}, role ${box[9]}`);
    // The anchor falls 3 pixels a tick from the top: 192 pixels a second
    // at 64 ticks a second, whatever the display's refresh rate.
    await sleep(300);
    const [, y0, t0] = await column(page, 512);
    await sleep(2000);
    const [, y1, t1] = await column(page, 512);
    const speed = (y1 - y0) / ((t1 - t0) / 1000);
    // Loose, so that a loaded machine's late frames pass: the exact cadence
    // is pinned on a fake clock (TimerCadence.SixtyFourEventsASecondOnThe-
    // ClockBoundaries); this catches a timer twice or half as fast.
    check(speed >= 192 * 0.6 && speed <= 192 * 1.15, 'the anchor falls at 64 ticks a second (192 pixels a second)',
      `${speed.toFixed(1)} pixels a second (${y0} to ${y1} in ${(t1 - t0).toFixed(0)} ms)`);
    // Hidden while it falls (headless Chromium never hides a page itself,
    // so the page is told it is hidden as a browser tells it): nothing is
    // scheduled and nothing moves; shown again, the anchor goes on from
    // where it was, the ticks it missed neither replayed nor merged into a
    // jump.
    const setVisibility = (state) => page.evaluate((state) => {
      Object.defineProperty(document, 'visibilityState', { value: state, configurable: true });
      document.dispatchEvent(new Event('visibilitychange'));
      return window.pendingWork();
    }, state);
    const hidden = await setVisibility('hidden');
    const [, yHidden] = await column(page, 512);
    await sleep(1000);
    const [, yStill] = await column(page, 512);
    const shown = await setVisibility('visible');
    await sleep(200);
    const [, yShown] = await column(page, 512);
    check(hidden.timeouts === 0 && hidden.frames === 0 && yStill === yHidden && shown.timeouts === 1 &&
      yShown > yHidden && yShown - yHidden <= 3 * 16,
    'hidden, nothing is scheduled and nothing moves; shown, the pile goes on from where it was',
    `pending when hidden ${JSON.stringify(hidden)}; the anchor at ${yHidden}, ${yStill} a second later, ${yShown} 200 ms after being shown`);
    await rest(page);
    const idle = await page.evaluate(() => window.pendingWork());
    check(idle.timeouts === 0 && idle.intervals === 0 && idle.frames === 0, 'at rest nothing is scheduled', JSON.stringify(idle));
    // The ticks come from the clock alone, so they do not follow the
    // display's refresh rate (60, 120 or 144 Hz).
    check(idle.framesAsked === 0, 'no animation frame was ever asked for', `${idle.framesAsked}`);
    const bottom = (await column(page, 512))[1];
    check(bottom === 719, 'the anchor rests on the floor', `its lowest row ${bottom}`);
    await context.close();
  }

  // Presses: left, middle and right mouse buttons, a tap and a two-finger
  // touch, each finger one ball; no context menu.
  {
    const { context, page } = await open(url, { hasTouch: true });
    const counts = [await balls(page)];
    for (const button of ['left', 'middle', 'right']) {
      await page.mouse.click(100 + counts.length * 100, 80, { button });
      counts.push(await balls(page));
    }
    await page.touchscreen.tap(500, 80);
    counts.push(await balls(page));
    const cdp = await context.newCDPSession(page);
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x: 150, y: 200, id: 1 }, { x: 450, y: 200, id: 2 }] });
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    counts.push(await balls(page));
    check(counts.join() === '0,1,2,3,4,6', 'left, middle and right presses and a tap add one ball each, two fingers two',
      `ball counts ${counts.join(', ')}`);
    const menus = await page.evaluate(() => window.contextMenus);
    check(menus === 0, 'a right press opens no context menu', `${menus} not cancelled`);
    const scroll = await page.evaluate(() => [scrollX, scrollY, visualViewport.scale]);
    check(scroll.join() === '0,0,1', 'touches neither scroll nor zoom the page', scroll.join(', '));
    await context.close();
  }

  // A settled scene, balls pressed apart (fractions of a pixel too), gives
  // settled_frame's pixels, at ratio 1 and at ratio 2; then resizes move
  // the floor.
  const presses = [[80.75, 60.25], [190.5, 90], [420.25, 40.75], [530, 120.5]];
  for (const ratio of [1, 2]) {
    const { context, page } = await open(url, { deviceScaleFactor: ratio });
    for (const [x, y] of presses) await page.mouse.click(x, y);
    await rest(page);
    const got = await pixels(page);
    const ppm = execFileSync(settledFrame, ['--size', '605x366', '--ratio', String(ratio), '--background', 'F0F0F0',
      ...presses.map((p) => p.join(','))], { stdio: ['ignore', 'pipe', 'ignore'], maxBuffer: 1 << 28 });
    const header = /^P6\n(\d+) (\d+)\n255\n/.exec(ppm.toString('latin1', 0, 32));
    const want = ppm.subarray(header[0].length);
    let differ = 0;
    let firstDiff = '';
    for (let i = 0; i < Math.min(want.length, got.rgb.length); i += 3) {
      if (want[i] !== got.rgb[i] || want[i + 1] !== got.rgb[i + 1] || want[i + 2] !== got.rgb[i + 2]) {
        if (!differ++) firstDiff = ` first at (${(i / 3) % got.width}, ${Math.floor(i / 3 / got.width)})`;
      }
    }
    check(got.width === Number(header[1]) && got.height === Number(header[2]) && got.opaque && differ === 0,
      `a settled scene at ratio ${ratio} gives settled_frame's pixels`,
      `${got.width}x${got.height} against ${header[1]}x${header[2]}, ${differ} pixels differ${firstDiff}`);
    if (ratio === 1) {
      // The anchor, at x = 302.5, lies on the floor whatever the height.
      const floors = [];
      for (const height of [300, 420]) {
        await page.setViewportSize({ width: 605, height });
        // The frame of the new size is on the canvas after the next tick.
        await waitFor(page, (h) => document.getElementById('window').height === h, 'a frame of the new size', 30, height);
        await rest(page);
        floors.push((await column(page, 302))[1]);
      }
      check(floors.join() === '299,419', 'a resize moves the floor', `the anchor's lowest row ${floors.join(', then ')}`);
    }
    await context.close();
  }

  // Offline after one visit, and a new build replacing the old one: a copy
  // of the site is served, visited, then written again from a changed
  // style sheet by the build's own step (app/web/site.cmake). A browser
  // profile on disk, as a person's is: an incognito one cannot install.
  {
    const copy = mkdtempSync(join(tmpdir(), 'torvane-site-'));
    const inputs = mkdtempSync(join(tmpdir(), 'torvane-inputs-'));
    const profile = mkdtempSync(join(tmpdir(), 'torvane-profile-'));
    cpSync(site, copy, { recursive: true });
    const copyServer = await serve(copy);
    const { context, page } = await open(copyServer.url, {}, profile);
    const controlled = () => navigator.serviceWorker.controller !== null;
    await waitFor(page, controlled, 'the service worker to control the page');
    const before = await page.evaluate(() => caches.keys());
    // Chromium's own verdict on the manifest, icons and service worker.
    const cdp = await context.newCDPSession(page);
    const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
    check(installabilityErrors.length === 0, 'the page can be installed as an app',
      installabilityErrors.map((e) => e.errorId).join(', '));

    cpSync(site, inputs, { recursive: true });
    writeFileSync(join(inputs, 'page.css'), `${readFileSync(join(inputs, 'page.css'))}/* a new build */\n`);
    execFileSync('cmake', [`-DSITE=${copy}`, `-DFROM=${inputs}`, `-DICON_DIR=${root}/app/icons/hicolor`,
      '-DAPP_ID=org.example.torvane', `-DSERVICE_WORKER=${root}/app/web/sw.js.in`, '-P', `${root}/app/web/site.cmake`]);
    await page.reload();
    await waitFor(page, async () => {
      const names = await caches.keys();
      return names.length === 1 && (await (await fetch('page.css')).text()).includes('a new build');
    }, 'the new build to replace the old one');
    const after = await page.evaluate(() => caches.keys());
    check(before.length === 1 && after.length === 1 && before[0] !== after[0],
      'a new build replaces the old one in the cache', `${before} then ${after}`);

    copyServer.server.kill();
    await sleep(200);
    await page.reload();
    await waitFor(page, () => performance.getEntriesByName('torvane-first-frame').length > 0, 'the first frame offline');
    const css = await page.evaluate(async () => (await fetch('page.css')).text());
    check(await page.title() === caption && css.includes('a new build'), 'the page reloads offline, from the new build');
    await context.close();
    rmSync(copy, { recursive: true, force: true });
    rmSync(inputs, { recursive: true, force: true });
    rmSync(profile, { recursive: true, force: true });
  }
} catch (error) {
  check(false, 'the checks ran to their end', error.stack);
} finally {
  await browser.close();
  server.kill();
}
check(errors.length === 0, 'the console shows no error', errors.join(' | '));
console.log(failures ? `web-check: ${failures} failed` : 'web-check: all passed');
process.exit(failures ? 1 : 0);
