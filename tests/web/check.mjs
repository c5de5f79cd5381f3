// SPDX-License-Identifier: MIT
// The page in headless Chromium, served from 127.0.0.1 as a static site:
// its size, title and first frame, the canvas filling the viewport, the
// cadence, presses of every kind, rest with nothing scheduled, settled
// frames against the oracle's (settled_frame), resizes, the service worker
// offline and across a new build, a new build put on the server while a
// page loads, and a console free of errors.
// Usage: node check.mjs SITE_DIR SETTLED_FRAME BUILD_DIR (the page's files
// as the build leaves them, for site.cmake to make new builds from)
import { spawn, execFileSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import { cpSync, mkdtempSync, readdirSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, relative, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';
import { chromium } from 'playwright-core';

const [site, settledFrame, built] = process.argv.slice(2).map((p) => resolve(p));
if (!built) {
  console.error('usage: node check.mjs SITE_DIR SETTLED_FRAME BUILD_DIR');
  process.exit(2);
}
const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const chromiumPath = process.env.CHROMIUM ?? '/usr/bin/chromium';
// The page's background in a light scheme, ButtonFace as Chromium computes
// it (app/web/CMakeLists.txt).
const background = [0xef, 0xef, 0xef];
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
// A page of URL in a new context of browser `on`, options as Playwright's;
// `profile` is a folder for a browser of its own with a profile on disk
// (not incognito). With `hold` the module is held back until
// held.release() (held.asked: the page asked for it; held.sha: what it
// got), and the page returned before its first frame.
async function open(url, { hold, on = browser, ...options } = {}, profile = undefined) {
  const settings = { viewport: { width: 605, height: 366 }, ...options };
  const context = profile
    ? await chromium.launchPersistentContext(profile, { executablePath: chromiumPath, headless: true, ...settings })
    : await on.newContext(settings);
  await context.addInitScript(instrument);
  const page = await context.newPage();
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('pageerror', (e) => errors.push(e.message));
  const held = {};
  if (hold) {
    held.asked = new Promise((done) => { held.ask = done; });
    const until = new Promise((done) => { held.release = done; });
    await context.route('**/*.wasm', async (route) => {
      held.ask();
      await until;
      const response = await route.fetch();
      held.sha = sha(await response.body());
      await route.fulfill({ response });
    }, { times: 1 });
  }
  await page.goto(url);
  if (!hold) await waitFor(page, firstFrame, 'the first frame');
  return { context, page, held };
}
const firstFrame = () => performance.getEntriesByName('torvane-first-frame').length > 0;
const sha = (bytes) => createHash('sha256').update(bytes).digest('hex');
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

// Writes a new build into DIR by the build's own step (app/web/site.cmake)
// from the build's files, FILE changed by CHANGE.
function newBuild(dir, file, change) {
  const inputs = mkdtempSync(join(tmpdir(), 'torvane-inputs-'));
  cpSync(built, inputs, { recursive: true });
  writeFileSync(join(inputs, file), change(readFileSync(join(inputs, file))));
  execFileSync('cmake', [`-DSITE=${dir}`, `-DFROM=${inputs}`, `-DICON_DIR=${root}/app/icons/hicolor`,
    '-DAPP_ID=org.example.torvane', `-DSERVICE_WORKER=${root}/app/web/sw.js.in`, '-P', `${root}/app/web/site.cmake`]);
  rmSync(inputs, { recursive: true, force: true });
}

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
        getComputedStyle(document.body).backgroundColor, c.getAttribute('role'), document.getElementById('loading')];
    });
    check(box[10] === null, 'a page loaded within a second says nothing about loading');
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
    await page.mouse.down();
    await page.mouse.down({ button: 'right' });
    await page.mouse.up({ button: 'right' });
    await page.mouse.up();
    counts.push(await balls(page));
    check(counts.join() === '0,1,2,3,4,6,8',
      'left, middle and right presses and a tap add one ball each, two fingers two, a right press with the left held two',
      `ball counts ${counts.join(', ')}`);
    const menus = await page.evaluate(() => window.contextMenus);
    check(menus === 0, 'a right press opens no context menu', `${menus} not cancelled`);
    const scroll = await page.evaluate(() => [scrollX, scrollY, visualViewport.scale]);
    check(scroll.join() === '0,0,1', 'touches neither scroll nor zoom the page', scroll.join(', '));
    // The back and forward buttons, with a page to go back and one to go
    // forward to, add a ball each and leave the page where it is.
    for (const to of [`${url}?other`, url, `${url}?other`]) await page.goto(to);
    await page.goBack();
    await waitFor(page, firstFrame, 'the first frame');
    await page.evaluate(() => { window.stayed = true; });
    for (const [button, buttons] of [['back', 8], ['forward', 16]]) {
      for (const type of ['mousePressed', 'mouseReleased']) {
        await cdp.send('Input.dispatchMouseEvent', { type, x: 300, y: 100, button, buttons: type === 'mouseReleased' ? 0 : buttons, clickCount: 1 });
      }
    }
    await sleep(500);
    const stayed = page.url() === url && await page.evaluate(() => window.stayed === true) && await balls(page);
    check(stayed === 2, 'the back and forward buttons add a ball each and the page stays', stayed === false ? 'the page was left' : `${stayed} balls`);
    await context.close();
  }

  // A settled scene, balls pressed apart (fractions of a pixel too), gives
  // settled_frame's pixels, at ratio 1 and at ratio 2; then resizes move
  // the floor. At ratio 1 the presses come while the module is held back,
  // and the page says it is loading once a second has gone by; at ratio 2
  // the scheme is dark, then light.
  const presses = [[80.75, 60.25], [190.5, 90], [420.25, 40.75], [530, 120.5]];
  // At ratio 2 a browser with a real scale factor too: an emulated
  // deviceScaleFactor alone gives the canvas a device-pixel box in CSS
  // pixels, which no screen does.
  const scaled = await chromium.launch({ executablePath: chromiumPath, headless: true,
    args: ['--force-device-scale-factor=2'] });
  for (const ratio of [1, 2]) {
    const early = ratio === 1;
    const { context, page, held } = await open(url, { deviceScaleFactor: ratio, colorScheme: early ? 'light' : 'dark', hold: early, on: early ? browser : scaled });
    if (early) await held.asked;
    for (const [x, y] of presses) await page.mouse.click(x, y);
    if (early) {
      const said = await waitFor(page, () => {
        const note = document.getElementById('loading');
        return note && getComputedStyle(note).visibility === 'visible' && note.role === 'status' && performance.now() >= 1000;
      }, 'the page to say it is loading', 5).then(() => true, () => false);
      held.release();
      await waitFor(page, firstFrame, 'the first frame');
      const [count, note] = [await balls(page), await page.evaluate(() => document.getElementById('loading'))];
      check(count === presses.length && said && note === null,
        'presses while the module loads are kept; "Loading…" is said after a second, until the first frame',
        `${count} balls of ${presses.length} presses; ${said ? 'said' : 'not said'}, ${note === null ? 'gone' : 'not gone'}`);
    }
    await rest(page);
    // The frame against settled_frame's with the page's background.
    const settled = async (what) => {
      const got = await pixels(page);
      const rgb = (await page.evaluate(() => getComputedStyle(document.body).backgroundColor)).match(/\d+/g).map(Number);
      const ppm = execFileSync(settledFrame, ['--size', '605x366', '--ratio', String(ratio), '--background',
        rgb.map((c) => c.toString(16).padStart(2, '0')).join(''),
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
        `${what} gives settled_frame's pixels`,
        `${got.width}x${got.height} against ${header[1]}x${header[2]}, background ${rgb}, ${differ} pixels differ${firstDiff}`);
      return rgb;
    };
    const rgb = await settled(`a settled scene at ratio ${ratio}${early ? '' : ' in a dark scheme'}`);
    if (!early) {
      check(rgb.every((c) => c < 128), 'in a dark scheme the page\'s background, and the frame\'s, is dark', `${rgb}`);
      await page.emulateMedia({ colorScheme: 'light' });
      await waitFor(page, (bg) => document.getElementById('window').getContext('2d').getImageData(0, 0, 1, 1).data
        .slice(0, 3).join() === bg.join(), 'the frame to be drawn anew', 10, background);
      await rest(page);
      await settled('a change to a light scheme at rest');
    } else {
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
  await scaled.close();

  // At real screen scales, not emulated ones, and odd window sizes the
  // canvas's bitmap is its box of device pixels, so the browser shows it
  // unscaled: the screenshot's pixels are the frame's.
  for (const [scale, width, height] of [[1.25, 611, 367], [1.5, 605, 366], [1.75, 603, 371], [2.25, 607, 359], [2.5, 613, 363]]) {
    const on = await chromium.launch({ executablePath: chromiumPath, headless: true,
      args: [`--force-device-scale-factor=${scale}`, `--window-size=${width},${height}`] });
    const { page } = await open(url, { viewport: null, on });
    for (const [x, y] of presses) await page.mouse.click(x, y);
    await rest(page);
    const shot = await page.evaluate(async (png) => {
      const image = await createImageBitmap(new Blob([Uint8Array.from(atob(png), (c) => c.charCodeAt(0))]));
      const decoded = new OffscreenCanvas(image.width, image.height).getContext('2d');
      decoded.drawImage(image, 0, 0);
      const c = document.getElementById('window');
      const [w, h] = [Math.min(c.width, image.width), Math.min(c.height, image.height)];
      const [got, want] = [decoded, c.getContext('2d')].map((d) => d.getImageData(0, 0, w, h).data);
      return { differ: got.filter((v, i) => v !== want[i]).length, sizes: `${c.width}x${c.height}, ratio ${devicePixelRatio}; screenshot ${image.width}x${image.height}` };
    }, (await page.screenshot()).toString('base64'));
    check(shot.differ === 0, `at a screen scale of ${scale} the screenshot shows the frame's pixels`, `frame ${shot.sizes}, ${shot.differ} values differ`);
    await on.close();
  }

  // Offline after one visit, and a new build replacing the old one: a copy
  // of the site is served, visited, then written again from a changed
  // style sheet by the build's own step (app/web/site.cmake). A browser
  // profile on disk, as a person's is: an incognito one cannot install.
  {
    const copy = mkdtempSync(join(tmpdir(), 'torvane-site-'));
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

    newBuild(copy, 'page.css', (css) => `${css}/* a new build */\n`);
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
    rmSync(profile, { recursive: true, force: true });
  }

  // A new build copied over the old files while a visitor's first page
  // waits for its module: that page runs its own build's module, and
  // within three loads the new build runs. The new module differs by a
  // custom section.
  {
    const [copy, next] = ['site', 'next'].map((name) => mkdtempSync(join(tmpdir(), `torvane-${name}-`)));
    cpSync(site, copy, { recursive: true });
    newBuild(next, 'torvane.wasm', (wasm) => Buffer.concat([wasm, Buffer.from([0, 7, 5, ...Buffer.from('build'), 2])]));
    const [old, young] = [copy, next].map((dir) => sha(readFileSync(join(dir, readdirSync(dir).find((f) => f.endsWith('.wasm'))))));
    const copyServer = await serve(copy);
    const { context, page, held } = await open(copyServer.url, { hold: true });
    await held.asked;
    cpSync(next, copy, { recursive: true });
    held.release();
    await waitFor(page, firstFrame, 'the first frame');
    // Later ones by the name of the module asked for.
    const ran = [held.sha];
    for (let load = 0; load < 3 && ran.at(-1) !== young; ++load) {
      await page.reload();
      await waitFor(page, firstFrame, 'the first frame');
      const name = await page.evaluate(() => performance.getEntriesByType('resource').find((e) => e.name.endsWith('.wasm')).name);
      ran.push(sha(readFileSync(join(copy, new URL(name).pathname))));
    }
    check(ran[0] === old && ran.at(-1) === young, 'a page loading while a new build is put on the server runs its own module; a later load the new',
      `the loads ran the ${ran.map((h) => (h === old ? 'old' : h === young ? 'new' : 'another')).join(', then the ')} module`);
    await context.close();
    copyServer.server.kill();
    [copy, next].forEach((dir) => rmSync(dir, { recursive: true, force: true }));
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
