// SPDX-License-Identifier: MIT
// The page in Chromium, Firefox and WebKitGTK (drivers.mjs; they need an
// X display), served from 127.0.0.1: its size, title, first frame, cadence,
// presses, zooms, rest, settled frames against settled_frame's at real and
// emulated scales and without SIMD, resizes, offline and across a new
// build, the failure said where the module cannot run, a console free of
// errors. Usage: node check.mjs SITE_DIR SETTLED_FRAME BUILD_DIR [ENGINE...]
// (BUILD_DIR: the build's files, for site.cmake to make new builds from).
import { execFileSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import { cpSync, mkdtempSync, readdirSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';
import { launch, serve } from './drivers.mjs';

const [site, settledFrame, built] = process.argv.slice(2, 5).map((p) => resolve(p));
const engines = process.argv.length > 5 ? process.argv.slice(5) : ['chromium', 'firefox', 'webkit'];
if (!built) {
  console.error('usage: node check.mjs SITE_DIR SETTLED_FRAME BUILD_DIR [chromium|firefox|webkit...]');
  process.exit(2);
}
const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const caption = 'Torvane Beta - Quillmoss 2004 (Click to add)';
// The page's background in a light scheme, ButtonFace as each engine
// computes it (app/web/CMakeLists.txt).
const buttonFace = { chromium: [239, 239, 239], firefox: [233, 233, 237], webkit: [192, 192, 192] };

let failures = 0;
let engine = '';
function check(ok, what, detail = '') {
  console.log(`web-check: ${ok ? 'ok  ' : 'FAIL'} ${engine ? `[${engine}] ` : ''}${what}${detail ? `: ${detail}` : ''}`);
  if (!ok) ++failures;
}
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
const sha = (bytes) => createHash('sha256').update(bytes).digest('hex');

// What a browser loads, gzip'd at the best level as a server would send
// it: every file of the site but the module of the other kind (a browser
// fetches the one with SIMD or the one without).
const gz = readdirSync(site, { recursive: true, withFileTypes: true }).filter((f) => f.isFile())
  .map((f) => [f.name, gzipSync(readFileSync(join(f.parentPath, f.name)), { level: 9 }).length]);
const modules = gz.filter(([f]) => f.endsWith('.wasm'));
const zipped = gz.reduce((sum, [f, n]) => sum + (f.endsWith('.wasm') ? 0 : n), 0) + Math.max(...modules.map(([, n]) => n));
check(zipped <= 150 * 1024 && modules.length === 2, 'what a browser loads, gzip-compressed, at most 150 KB',
  `${(zipped / 1024).toFixed(1)} KB of ${gz.length} files, ${modules.length} modules`);

// Run in every page before its script: counts the timeouts, intervals and
// animation frames pending (at rest there must be none), whether a context
// menu would open (the page must cancel it), where the last press was, and
// when the page said it failed.
function instrument() {
  const pending = { timeouts: new Set(), intervals: new Set(), frames: new Set(), asked: 0 };
  const { setTimeout: st, clearTimeout: ct, setInterval: si, clearInterval: ci } = window;
  const { requestAnimationFrame: raf, cancelAnimationFrame: caf } = window;
  window.setTimeout = function (f, ms, ...rest) {
    const id = st.call(window, (...a) => { pending.timeouts.delete(id); if (typeof f === 'function') f(...a); }, ms, ...rest);
    // WebKitWebDriver's own script timeout (30 s) runs in the page too.
    if (ms < 30000) pending.timeouts.add(id);
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
  window.pendingWork = () => ({ timeouts: pending.timeouts.size, intervals: pending.intervals.size, frames: pending.frames.size,
    framesAsked: pending.asked });
  window.contextMenus = 0;
  addEventListener('contextmenu', (e) => { if (!e.defaultPrevented) ++window.contextMenus; });
  addEventListener('pointerdown', (e) => { window.lastPress = [e.clientX, e.clientY]; }, true);
  new MutationObserver(() => {
    if (document.querySelector('#loading[data-failed]')) window.failedAt ??= performance.now();
  }).observe(document, { subtree: true, childList: true, attributes: true });
}

const errors = [];
// A browser of `engine` (drivers.mjs launch options) and a page of URL in
// it; with `hold` (Chromium) the module is held back until held.release()
// (held.asked: the page asked for it; held.sha: what it got), and the page
// returned before its first frame.
async function open(url, { hold, ...options } = {}) {
  const browser = await launch(engine, { init: instrument, errors, ...options });
  const held = {};
  const routed = hold && (async (context) => {
    held.asked = new Promise((done) => { held.ask = done; });
    const until = new Promise((done) => { held.release = done; });
    await context.route('**/*.wasm', async (route) => {
      if (hold === 404) return route.fulfill({ status: 404 });
      held.ask();
      await until;
      const response = await route.fetch();
      held.sha = sha(await response.body());
      await route.fulfill({ response });
    }, { times: hold === 404 ? undefined : 1 });
  });
  const page = await browser.open(url, { ...options, routed });
  if (!hold && !options.failing) await waitFor(page, firstFrame, 'the first frame');
  return Object.assign(page, { held, quit: async () => { await page.close(); await browser.close(); } });
}
const firstFrame = () => performance.getEntriesByName('torvane-first-frame').length > 0;
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
// The canvas's pixels as RGBA bytes.
async function pixels(page) {
  const { width, height, data } = await page.evaluate(() => {
    const c = document.getElementById('window');
    let bytes = '';
    for (const v of c.getContext('2d').getImageData(0, 0, c.width, c.height).data) bytes += String.fromCharCode(v);
    return { width: c.width, height: c.height, data: btoa(bytes) };
  });
  return { width, height, rgba: Buffer.from(data, 'base64') };
}
// The rows of column x that are not background, as [first, last], and
// the page's time of reading them.
const column = (page, x) => page.evaluate(([x, bg]) => {
  const c = document.getElementById('window');
  const d = c.getContext('2d').getImageData(x, 0, 1, c.height).data;
  const rows = [...Array(c.height).keys()].filter((y) => [0, 1, 2].some((k) => d[4 * y + k] !== bg[k]));
  return [rows[0] ?? -1, rows.at(-1) ?? -1, performance.now()];
}, [x, buttonFace[engine]]);
// The frame against settled_frame's for PRESSES in a client area of
// SIZE at RATIO, with the page's background; every pixel opaque.
async function settled(page, what, presses, ratio, size = '605x366') {
  const got = await pixels(page);
  const rgb = (await page.evaluate(() => getComputedStyle(document.body).backgroundColor)).match(/\d+/g).map(Number);
  const ppm = execFileSync(settledFrame, ['--size', size, '--ratio', String(ratio), '--background',
    rgb.map((c) => c.toString(16).padStart(2, '0')).join(''), ...presses.map((p) => p.join(','))],
  { stdio: ['ignore', 'pipe', 'ignore'], maxBuffer: 1 << 28 });
  const header = /^P6\n(\d+) (\d+)\n255\n/.exec(ppm.toString('latin1', 0, 32));
  const want = ppm.subarray(header[0].length);
  const differ = [];
  for (let i = 0; i < Math.min(want.length / 3, got.rgba.length / 4); ++i) {
    if ([0, 1, 2].some((k) => want[3 * i + k] !== got.rgba[4 * i + k]) || got.rgba[4 * i + 3] !== 255) differ.push(i);
  }
  check(got.width === Number(header[1]) && got.height === Number(header[2]) && differ.length === 0, `${what} gives settled_frame's pixels`,
    `${got.width}x${got.height} against ${header[1]}x${header[2]}, background ${rgb}, ${differ.length} pixels differ` +
    (differ.length ? `, first at (${differ[0] % got.width}, ${Math.floor(differ[0] / got.width)})` : ''));
  return rgb;
}

// HTTP dates count whole seconds, and the server answers a conditional
// request (a service worker's check of sw.js) with 304 when the file is no
// newer than the date it gave: a new build written within the second of the
// files it replaces would pass for unchanged, and no update would come.
// Waits until that second is over, as it is for any real new build.
async function pastSecondOf(file) {
  const next = (Math.floor(statSync(file).mtimeMs / 1000) + 1) * 1000;
  await sleep(Math.max(0, next - Date.now()) + 50);
}
// Writes a new build into DIR by the build's own step (app/web/site.cmake)
// from the build's files (of the module without SIMD, its script and
// module alone), FILE changed by CHANGE.
function newBuild(dir, file, change) {
  const inputs = mkdtempSync(join(tmpdir(), 'torvane-inputs-'));
  cpSync(built, inputs, { recursive: true, filter: (f) => !f.includes('/nosimd') || /nosimd(\/app(\/web(\/torvane\.(js|wasm))?)?)?$/.test(f) });
  writeFileSync(join(inputs, file), change(readFileSync(join(inputs, file))));
  execFileSync('cmake', [`-DSITE=${dir}`, `-DFROM=${inputs}`, `-DICON_DIR=${root}/app/icons/hicolor`,
    '-DAPP_ID=org.example.torvane', `-DSERVICE_WORKER=${root}/app/web/sw.js.in`, '-P', `${root}/app/web/site.cmake`]);
  rmSync(inputs, { recursive: true, force: true });
}

const { server, url } = await serve(site);
for (engine of engines) {
  const chromium = engine === 'chromium';
  const background = buttonFace[engine];
  try {
    // Title, first frame, size, background and cadence, in a larger window.
    {
      const page = await open(url, { width: 1024, height: 720 });
      const first = await page.evaluate(() => performance.getEntriesByName('torvane-first-frame')[0].startTime);
      // Loose, so that a loaded machine passes: that the first tick and the
      // first frame come at the first timer boundary after the page is shown
      // is pinned on a fake clock (WindowTest.StartsWithCaptionSizeAndAnchor).
      check(first <= 1500, 'first frame within 1500 ms of navigation', `${first.toFixed(0)} ms`);
      const box = await page.evaluate(() => {
        const c = document.getElementById('window');
        const r = c.getBoundingClientRect();
        return [r.left, r.top, r.width, r.height, innerWidth, innerHeight, c.width, c.height,
          getComputedStyle(document.body).backgroundColor, c.getAttribute('role'), document.getElementById('loading'), document.title];
      });
      check(box[11] === caption, 'the title is the caption', box[11]);
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
      // Hidden while it falls (told as a browser tells it): nothing is
      // scheduled and nothing moves; shown, the anchor goes on from where it
      // was, the missed ticks neither replayed nor merged into a jump.
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
      await page.quit();
    }

    // Presses: left, middle and right mouse buttons, one ball each, and no
    // context menu; in Chromium a tap and a two-finger touch, each finger
    // one ball, and a right press with the left held.
    {
      const page = await open(url, { hasTouch: chromium });
      const counts = [await balls(page)];
      for (const button of ['left', 'middle', 'right']) {
        await page.click(100 + counts.length * 100, 80, button);
        counts.push(await balls(page));
      }
      const menus = await page.evaluate(() => window.contextMenus);
      check(menus === 0, 'a right press opens no context menu', `${menus} not cancelled`);
      if (chromium) {
        const { raw, context } = page;
        await raw.touchscreen.tap(500, 80);
        counts.push(await balls(page));
        const cdp = await context.newCDPSession(raw);
        await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x: 150, y: 200, id: 1 }, { x: 450, y: 200, id: 2 }] });
        await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
        counts.push(await balls(page));
        await raw.mouse.down();
        await raw.mouse.down({ button: 'right' });
        await raw.mouse.up({ button: 'right' });
        await raw.mouse.up();
        counts.push(await balls(page));
        const scroll = await page.evaluate(() => [scrollX, scrollY, visualViewport.scale]);
        check(scroll.join() === '0,0,1', 'touches neither scroll nor zoom the page', scroll.join(', '));
        // The back and forward buttons, with a page to go back and one to go
        // forward to, add a ball each and leave the page where it is.
        for (const to of [`${url}?other`, url, `${url}?other`]) await raw.goto(to);
        await raw.goBack();
        await waitFor(page, firstFrame, 'the first frame');
        await page.evaluate(() => { window.stayed = true; });
        for (const [button, buttons] of [['back', 8], ['forward', 16]]) {
          for (const type of ['mousePressed', 'mouseReleased']) {
            await cdp.send('Input.dispatchMouseEvent', { type, x: 300, y: 100, button, buttons: type === 'mouseReleased' ? 0 : buttons, clickCount: 1 });
          }
        }
        await sleep(500);
        const stayed = raw.url() === url && await page.evaluate(() => window.stayed === true) && await balls(page);
        check(stayed === 2, 'the back and forward buttons add a ball each and the page stays', stayed === false ? 'the page was left' : `${stayed} balls`);
      }
      check(counts.join() === (chromium ? '0,1,2,3,4,6,8' : '0,1,2,3'), `left, middle and right presses${chromium ? ' and a tap' : ''} add one ball each${
        chromium ? ', two fingers two, a right press with the left held two' : ''}`, `ball counts ${counts.join(', ')}`);
      await page.quit();
    }

    // Settled scenes, balls pressed apart (fractions of a pixel where the
    // driver keeps them), give settled_frame's pixels at real scales 1 and 2,
    // emulated ones (DevTools' device mode) and without SIMD (WebKitGTK), the
    // page fetching one module. Chromium: at ratio 1 presses while the module
    // is held back, "Loading…" after a second, then resizes; at 2 a dark
    // scheme, then light; at real and emulated scales the screenshot shows
    // the canvas's bitmap unscaled.
    const presses = chromium ? [[80.75, 60.25], [190.5, 90], [420.25, 40.75], [530, 120.5]] : [[80, 60], [190, 90], [420, 40], [530, 120]];
    const scenes = {
      chromium: [{ ratio: 1, hold: true, early: true }, { ratio: 2, deviceScaleFactor: 2, colorScheme: 'dark', dark: true },
        { ratio: 2, emulated: true }, { ratio: 3, emulated: true }, { ratio: 3, emulated: true, width: 390, height: 844, at: [[45.5, 60.25], [140, 190], [250.75, 40], [345, 300.5]], shot: true },
        ...[[1.25, 611, 367], [1.5, 605, 366], [1.75, 603, 371], [2.25, 607, 359], [2.5, 613, 363]].map(([ratio, w, h]) =>
          ({ ratio, args: [`--window-size=${w},${h}`], viewport: null, shot: true }))],
      firefox: [{ ratio: 1 }, { ratio: 2 }],
      webkit: [{ ratio: 1 }, { ratio: 2 }, { ratio: 1, env: { JSC_useWasmSIMD: '0' }, module: 'without SIMD' }],
    }[engine];
    for (const { ratio, emulated, early, dark, shot, module = 'with SIMD', width = 605, height = 366, at = presses, ...options } of scenes) {
      const how = `${emulated ? 'an emulated' : 'a'} ratio ${ratio}${width === 605 ? '' : ` in ${width}x${height}`}${module === 'with SIMD' ? '' : ` ${module}`}`;
      const page = await open(url, { ...options, width, height, ...(emulated ? { deviceScaleFactor: ratio } : { ratio }) });
      if (early) await page.held.asked;
      for (const [x, y] of at) await page.click(x, y);
      if (early) {
        const said = await waitFor(page, () => {
          const note = document.getElementById('loading');
          return note && getComputedStyle(note).visibility === 'visible' && note.role === 'status' && performance.now() >= 1000;
        }, 'the page to say it is loading', 5).then(() => true, () => false);
        page.held.release();
        await waitFor(page, firstFrame, 'the first frame');
        const [count, note] = [await balls(page), await page.evaluate(() => document.getElementById('loading'))];
        check(count === presses.length && said && note === null,
          'presses while the module loads are kept; "Loading…" is said after a second, until the first frame',
          `${count} balls of ${presses.length} presses; ${said ? 'said' : 'not said'}, ${note === null ? 'gone' : 'not gone'}`);
      }
      await rest(page);
      const fetched = await page.evaluate(() => performance.getEntriesByType('resource').map((e) => e.name).filter((n) => n.endsWith('.wasm')));
      const count = await balls(page);
      check(count === at.length && fetched.length === 1 && /torvane-nosimd-/.test(fetched[0]) === (module !== 'with SIMD'),
        `at ${how} every press adds a ball; the page fetches one module, the one ${module}`, `${count} balls; ${fetched.join(', ')}`);
      if (!shot) {
        const rgb = await settled(page, `a settled scene at ${how}${dark ? ' in a dark scheme' : ''}`, at, ratio, `${width}x${height}`);
        if (dark) {
          check(rgb.every((c) => c < 128), 'in a dark scheme the page\'s background, and the frame\'s, is dark', `${rgb}`);
          await page.raw.emulateMedia({ colorScheme: 'light' });
          await waitFor(page, (bg) => document.getElementById('window').getContext('2d').getImageData(0, 0, 1, 1).data
            .slice(0, 3).join() === bg.join(), 'the frame to be drawn anew', 10, background);
          await rest(page);
          await settled(page, 'a change to a light scheme at rest', presses, ratio);
        }
      }
      if (shot || emulated) {
        const seen = await page.evaluate(async (png) => {
          const image = await createImageBitmap(new Blob([Uint8Array.from(atob(png), (c) => c.charCodeAt(0))]));
          const decoded = new OffscreenCanvas(image.width, image.height).getContext('2d');
          decoded.drawImage(image, 0, 0);
          const c = document.getElementById('window');
          const [w, h] = [Math.min(c.width, image.width), Math.min(c.height, image.height)];
          const [got, want] = [decoded, c.getContext('2d')].map((d) => d.getImageData(0, 0, w, h).data);
          // The screenshot's edge rounded to whole CSS pixels times the scale.
          return { differ: got.filter((v, i) => v !== want[i]).length + (Math.abs(c.width - image.width) + Math.abs(c.height - image.height) <= 1 ? 0 : 1),
            sizes: `${c.width}x${c.height}, ratio ${devicePixelRatio}; screenshot ${image.width}x${image.height}` };
        }, (await page.raw.screenshot()).toString('base64'));
        check(seen.differ === 0, `at ${how} the screenshot shows the frame's pixels`, `frame ${seen.sizes}, ${seen.differ} values differ`);
      }
      if (early) {
        // The anchor, at x = 302.5, lies on the floor whatever the height.
        const floors = [];
        for (const height of [300, 420]) {
          await page.raw.setViewportSize({ width: 605, height });
          // The frame of the new size is on the canvas after the next tick.
          await waitFor(page, (h) => document.getElementById('window').height === h, 'a frame of the new size', 30, height);
          await rest(page);
          floors.push((await column(page, 302))[1]);
        }
        check(floors.join() === '299,419', 'a resize moves the floor', `the anchor's lowest row ${floors.join(', then ')}`);
      }
      await page.quit();
    }

    // Offline after one visit, and a new build replacing the old one: a copy
    // of the site is served, visited, then written again from a changed
    // style sheet by the build's own step (app/web/site.cmake). Chromium's
    // profile on disk, as a person's is: an incognito one cannot install.
    {
      const copy = mkdtempSync(join(tmpdir(), 'torvane-site-'));
      const profile = chromium ? mkdtempSync(join(tmpdir(), 'torvane-profile-')) : undefined;
      cpSync(site, copy, { recursive: true });
      const copyServer = await serve(copy);
      const page = await open(copyServer.url, { profile });
      await waitFor(page, () => navigator.serviceWorker.controller !== null, 'the service worker to control the page');
      const before = await page.evaluate(() => caches.keys());
      if (chromium) {
        // Chromium's own verdict on the manifest, icons and service worker.
        const { installabilityErrors } = await (await page.context.newCDPSession(page.raw)).send('Page.getInstallabilityErrors');
        check(installabilityErrors.length === 0, 'the page can be installed as an app', installabilityErrors.map((e) => e.errorId).join(', '));
      }
      await pastSecondOf(join(copy, 'sw.js'));
      newBuild(copy, 'page.css', (css) => `${css}/* a new build */\n`);
      await page.reload();
      await waitFor(page, async () => {
        const names = await caches.keys();
        return names.length === 1 && (await (await fetch('page.css')).text()).includes('a new build');
      }, 'the new build to replace the old one');
      const after = await page.evaluate(() => caches.keys());
      check(before.length === 1 && after.length === 1 && before[0] !== after[0], 'a new build replaces the old one in the cache', `${before} then ${after}`);
      copyServer.server.kill();
      await sleep(200);
      await page.reload();
      await waitFor(page, firstFrame, 'the first frame offline');
      const [title, css] = await page.evaluate(async () => [document.title, await (await fetch('page.css')).text()]);
      check(title === caption && css.includes('a new build'), 'the page reloads offline, from the new build');
      await page.quit();
      [copy, profile].forEach((dir) => dir && rmSync(dir, { recursive: true, force: true }));
    }

    // A new build copied over the old files while a visitor's first page
    // waits for its module: that page runs its own build's module, and
    // within three loads the new build runs. The new module differs by a
    // custom section.
    if (chromium) {
      const [copy, next] = ['site', 'next'].map((name) => mkdtempSync(join(tmpdir(), `torvane-${name}-`)));
      cpSync(site, copy, { recursive: true });
      newBuild(next, 'torvane.wasm', (wasm) => Buffer.concat([wasm, Buffer.from([0, 7, 5, ...Buffer.from('build'), 2])]));
      const [old, young] = [copy, next].map((dir) => sha(readFileSync(join(dir, readdirSync(dir).find((f) => /^torvane-[0-9a-f]+\.wasm$/.test(f))))));
      const copyServer = await serve(copy);
      const page = await open(copyServer.url, { hold: true });
      await page.held.asked;
      await pastSecondOf(join(copy, 'sw.js'));
      cpSync(next, copy, { recursive: true });
      page.held.release();
      await waitFor(page, firstFrame, 'the first frame');
      // Later ones by the name of the module asked for.
      const ran = [page.held.sha];
      for (let load = 0; load < 3 && ran.at(-1) !== young; ++load) {
        await page.reload();
        await waitFor(page, firstFrame, 'the first frame');
        const name = await page.evaluate(() => performance.getEntriesByType('resource').find((e) => e.name.endsWith('.wasm')).name);
        ran.push(sha(readFileSync(join(copy, new URL(name).pathname))));
      }
      check(ran[0] === old && ran.at(-1) === young, 'a page loading while a new build is put on the server runs its own module; a later load the new',
        `the loads ran the ${ran.map((h) => (h === old ? 'old' : h === young ? 'new' : 'another')).join(', then the ')} module`);
      await page.quit();
      copyServer.server.kill();
      [copy, next].forEach((dir) => rmSync(dir, { recursive: true, force: true }));
    }

    // Where the module cannot run, the page says so in place of "Loading…",
    // marked data-failed, within a second of the failure (loose, for a
    // loaded machine): without WebAssembly (Chromium without its compilers,
    // Firefox with it turned off) or with the module not found.
    const failing = { chromium: [['without WebAssembly', { args: ['--js-flags=--jitless'] }], ['with its module not found', { hold: 404 }]],
      firefox: [['without WebAssembly', { prefs: { 'javascript.options.wasm': false } }]] }[engine] ?? [];
    for (const [how, options] of failing) {
      const page = await open(url, { failing: true, errors: [], ...options });
      const said = await waitFor(page, () => window.failedAt !== undefined, 'the page to say it failed', 10).then(() => true, () => false);
      const [late, note, role] = await page.evaluate(() => {
        const came = performance.getEntriesByType('resource').filter((e) => /\.(js|wasm)$/.test(e.name)).map((e) => e.responseEnd);
        const n = document.getElementById('loading');
        return [window.failedAt - Math.max(...came), n?.textContent, n?.getAttribute('role')];
      });
      check(said && late <= 3000 && role === 'status' && /^[A-Z].{20,}\.$/.test(note) && !/Loading/.test(note), `${how} the page says why it cannot run, within a second`,
        `"${note}" (role ${role}) ${late.toFixed(0)} ms after the last script or module came`);
      await page.quit();
    }

    // Zooms as a person zooms (Chromium, Firefox): Ctrl+minus to 50%, then
    // Ctrl+plus to 300%, sent to the browser's window on the X display, with
    // a press at 50% and at the first zooms past 75, 110, 150, 200, 250 and
    // 300%: the ball's middle lies under the pointer (within one CSS pixel)
    // and its ring is drawn at the new ratio (the pen 9 CSS pixels wide,
    // within three device pixels). The ball is what changes above the pile.
    if (engine !== 'webkit') {
      const page = await open(url, { headful: true, args: chromium ? ['--window-size=1000,700'] : ['--width=1000', '--height=700'] });
      const xdo = (...a) => execFileSync('xdotool', a.map(String), { encoding: 'utf8' }).trim();
      const win = xdo('search', '--onlyvisible', '--name', 'Torvane').split('\n').at(-1);
      xdo('windowfocus', '--sync', win);
      const [seen, wrong, marks] = [[], [], [0.75, 1.1, 1.5, 2, 2.5, 3]];
      for (let [ratio, key] = [1, 'ctrl+minus']; seen.length < 7;) {
        xdo('key', '--clearmodifiers', key);
        await waitFor(page, (r) => devicePixelRatio !== r, 'the zoom', 10, ratio);
        ratio = await page.evaluate(() => devicePixelRatio);
        if (ratio > 0.5 && !(key === 'ctrl+plus' && ratio >= marks[0])) continue;
        key = 'ctrl+plus';
        while (ratio >= marks[0]) marks.shift();
        await rest(page).catch(() => {}); // a crowded pile may never rest
        const count = await balls(page);
        await page.evaluate(() => { const c = document.getElementById('window'); window.before = c.getContext('2d').getImageData(0, 0, c.width, c.height).data; });
        xdo('mousemove', '--window', win, 150 + 100 * (seen.length % 6), 200, 'click', 1);
        await waitFor(page, (n) => Number(/(\d+) balls?/.exec(document.getElementById('window').getAttribute('aria-label'))[1]) > n, 'the ball', 10, count);
        await sleep(60);
        const got = await page.evaluate(() => {
          const c = document.getElementById('window');
          const now = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
          const differs = (x, y) => [0, 1, 2].some((k) => now[4 * (y * c.width + x) + k] !== window.before[4 * (y * c.width + x) + k]);
          // Its leftmost and rightmost columns, and the row of the first.
          const box = [c.width, -1, 0];
          for (let y = 0; y < Math.min(c.height, (window.lastPress[1] + 60) * devicePixelRatio); ++y) {
            for (let x = 0; x < c.width; ++x) {
              if (differs(x, y)) box.splice(0, 3, Math.min(box[0], x), Math.max(box[1], x), x < box[0] ? y : box[2]);
            }
          }
          let pen = 0;
          while (differs(box[0] + pen, box[2])) ++pen;
          // A ball too small for a hole in its ring tells no pen width.
          return { ratio: devicePixelRatio, x: (box[0] + box[1] + 1) / 2 / devicePixelRatio, pen: box[0] + pen > box[1] ? NaN : pen, press: window.lastPress[0] };
        });
        seen.push(`${Math.round(got.ratio * 100)}%: ${got.x.toFixed(1)} for ${got.press.toFixed(1)}, pen ${got.pen}`);
        if (Math.abs(got.x - got.press) > 1 || Math.abs(got.pen - 9 * got.ratio) > 3) wrong.push(seen.at(-1));
      }
      check(wrong.length === 0, 'after zooms from 50% to 300% a press adds its ball under the pointer, drawn at the new ratio',
        `${wrong.length ? `wrong at ${wrong.join(', ')}; ` : ''}${seen.join(', ')}`);
      await page.quit();
    }
  } catch (error) {
    check(false, 'the checks ran to their end', error.stack);
  }
}
server.kill();
engine = '';
check(errors.length === 0, 'the console shows no error', errors.join(' | '));
console.log(failures ? `web-check: ${failures} failed` : 'web-check: all passed');
process.exit(failures ? 1 : 0);
