// SPDX-License-Identifier: MIT
// One small driver per browser engine for the page's checks (check.mjs,
// cpu-use.mjs), and their server: launch(engine, options) gives a browser
// whose open(url) gives a page that evaluates, presses, reloads and closes
// alike in
// Chromium (Playwright), Firefox ESR (Puppeteer over WebDriver BiDi) and
// WebKitGTK (Selenium through WebKitWebDriver, on the X display).
// page.raw is the engine's own page, for the steps one engine alone takes.
import { spawn } from 'node:child_process';
import { createServer } from 'node:net';
import { chromium } from 'playwright-core';
import puppeteer from 'puppeteer-core';
import { Builder } from 'selenium-webdriver';
import { Button, Origin } from 'selenium-webdriver/lib/input.js';

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
// A page's errors where an engine's driver cannot listen to its console
// (WebKitWebDriver): what it logs as an error, throws or refuses by its CSP.
function collectErrors() {
  window.pageErrors = [];
  const error = console.error;
  console.error = (...a) => { window.pageErrors.push(a.join(' ')); error.apply(console, a); };
  addEventListener('error', (e) => window.pageErrors.push(e.message ?? String(e)));
  addEventListener('unhandledrejection', (e) => window.pageErrors.push(String(e.reason)));
  addEventListener('securitypolicyviolation', (e) => window.pageErrors.push(`CSP: ${e.violatedDirective}`));
}

// engine: chromium, firefox or webkit. options: ratio (the screen's
// device pixels per CSS pixel), headful (on $DISPLAY), args (the
// browser's), env, prefs (Firefox's), profile (a folder), init (a
// function run in every page before its scripts; in WebKitGTK once the
// page has loaded), errors (an array the pages' errors go to).
// A server for DIR on 127.0.0.1, on a port the system picks.
export async function serve(dir) {
  const server = spawn('python3', ['-u', '-m', 'http.server', '--bind', '127.0.0.1', '--directory', dir, '0'],
    { stdio: ['ignore', 'pipe', 'ignore'] });
  let out = '';
  server.stdout.on('data', (d) => { out += d; });
  for (let i = 0; i < 100 && !/port (\d+)/.test(out); ++i) await sleep(50);
  if (!/port (\d+)/.test(out)) throw new Error(`the server did not start: ${out}`);
  return { server, url: `http://127.0.0.1:${/port (\d+)/.exec(out)[1]}/` };
}

export async function launch(engine, { ratio = 1, headful = false, args = [], env = {}, prefs = {}, profile, init = () => {}, errors = [] } = {}) {
  let [open, close] = [];
  // Playwright's page and Puppeteer's take the same calls.
  const wrap = async (page, url, extra) => {
    page.on('console', (m) => { if (m.type() === 'error') errors.push(`${engine} ${page.url()}: ${m.text()}`); });
    page.on('pageerror', (e) => errors.push(`${engine} ${page.url()}: ${e.message}`));
    await page.goto(url);
    return { raw: page, evaluate: (f, a) => page.evaluate(f, a), reload: () => page.reload(),
      click: (x, y, button = 'left') => page.mouse.click(x, y, { button }), close: () => page.close(), ...extra };
  };
  if (engine === 'chromium') {
    const options = { executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium', headless: !headful, env: { ...process.env, ...env },
      args: [`--force-device-scale-factor=${ratio}`, ...args] };
    const browser = profile ? null : await chromium.launch(options);
    // Options as Playwright's; `routed(context)` before the page loads.
    open = async (url, { width = 605, height = 366, viewport, hasTouch, colorScheme, deviceScaleFactor, routed } = {}) => {
      const settings = { viewport: headful || viewport === null ? null : { width, height }, hasTouch, colorScheme, deviceScaleFactor };
      const context = profile ? await chromium.launchPersistentContext(profile, { ...options, ...settings })
        : await browser.newContext(settings);
      await context.addInitScript(init);
      if (routed) await routed(context);
      return wrap(context.pages()[0] ?? await context.newPage(), url, { context, close: () => context.close() });
    };
    close = () => browser?.close();
  } else if (engine === 'firefox') {
    const browser = await puppeteer.launch({ browser: 'firefox', executablePath: process.env.FIREFOX ?? '/usr/bin/firefox-esr',
      headless: !headful, args, env: { ...process.env, ...env }, userDataDir: profile, defaultViewport: null,
      extraPrefsFirefox: { 'layout.css.devPixelsPerPx': String(ratio), ...prefs } });
    open = async (url, { width = 605, height = 366 } = {}) => {
      const page = await browser.newPage();
      if (!headful) await page.setViewport({ width, height });
      await page.evaluateOnNewDocument(init);
      return wrap(page, url);
    };
    close = () => browser.close();
  } else {
    // WebKitWebDriver starts MiniBrowser itself, with its own environment.
    const port = await new Promise((done) => {
      const s = createServer().listen(0, '127.0.0.1', () => { const { port } = s.address(); s.close(() => done(port)); });
    });
    // GTK's scale: whole ratios only.
    const server = spawn(process.env.WEBKIT_DRIVER ?? 'WebKitWebDriver', [`--port=${port}`],
      { env: { ...process.env, GDK_SCALE: String(ratio), ...env }, stdio: 'ignore' });
    process.on('exit', () => server.kill()); // a step that threw left it open
    for (let i = 0; i < 100; ++i) {
      if (await fetch(`http://127.0.0.1:${port}/status`).then(() => true, () => false)) break;
      await sleep(100);
    }
    const driver = await new Builder().usingServer(`http://127.0.0.1:${port}`).withCapabilities({ browserName: 'MiniBrowser',
      'webkitgtk:browserOptions': { binary: process.env.MINIBROWSER ?? '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser',
        args: ['--automation', ...args] } }).build();
    // WebKitWebDriver now and then answers a script it ran with "Could not
    // parse script result" (once in five CI runs): that script is asked
    // once more.
    const evaluate = (f, a) => driver.executeScript(`return (${f})(arguments[0])`, a).catch((e) => {
      if (!/Could not parse script result/.test(e.message)) throw e;
      return driver.executeScript(`return (${f})(arguments[0])`, a);
    });
    // The page's own collector, read before it is left.
    const drain = async () => errors.push(...(await evaluate(() => window.pageErrors ?? []).catch(() => [])));
    const loaded = async () => { await evaluate(collectErrors); await evaluate(init); };
    open = async (url, { width = 605, height = 366 } = {}) => {
      // The window's outer size, so that the viewport is width x height
      // when the page loads.
      for (let k = 0; k < 2; ++k) {
        const [w, h] = await evaluate(() => [innerWidth, innerHeight]);
        const rect = await driver.manage().window().getRect();
        if (w === width && h === height) break;
        await driver.manage().window().setRect({ width: rect.width + width - w, height: rect.height + height - h });
        await sleep(200);
      }
      await driver.get(url);
      await loaded();
      const buttons = { left: Button.LEFT, middle: Button.MIDDLE, right: Button.RIGHT };
      return { raw: driver, evaluate, reload: async () => { await drain(); await driver.navigate().refresh(); await loaded(); },
        click: (x, y, button = 'left') => driver.actions({ async: true }).move({ x, y, origin: Origin.VIEWPORT })
          .press(buttons[button]).release(buttons[button]).perform(),
        close: drain };
    };
    close = async () => { await driver.quit().catch(() => {}); server.kill(); };
  }
  return { engine, open, close };
}
