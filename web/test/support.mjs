// What the page tests share: a static server on 127.0.0.1, headless Chromium, and a page
// opened with a few counters the tests read.
import { createServer } from 'node:http';
import { after, before } from 'node:test';
import { mkdtemp, readFile, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { extname, join, normalize, resolve } from 'node:path';

import puppeteer from 'puppeteer-core';

// The folder the web build wrote (index.html at its top).
export const webBuild = resolve(process.env.VORLANE_WEB_BUILD ?? 'build-web');

const contentTypes = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
};

// Serves the files under root, nothing else, to this machine only.
export async function serve(root) {
  const server = createServer(async (request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname));
    const file = join(root, path.endsWith('/') ? join(path, 'index.html') : path);
    if (!file.startsWith(root)) {
      response.writeHead(403).end();
      return;
    }
    try {
      const body = await readFile(file);
      const type = contentTypes[extname(file)] ?? 'application/octet-stream';
      response.writeHead(200, { 'Content-Type': type, 'Cache-Control': 'no-store' }).end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  return { url: `http://127.0.0.1:${port}`, close: () => server.close() };
}

// Debian's Chromium, headless, software-rendered WebGL, nothing fetched from outside, and a
// profile of its own that is removed again on close.
export async function launchBrowser() {
  const profile = await mkdtemp(join(tmpdir(), 'vorlane-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: [
      '--headless', '--no-sandbox', '--disable-gpu', '--enable-unsafe-swiftshader',
      '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', `--user-data-dir=${profile}`,
    ],
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    await rm(profile, { recursive: true, force: true });
  };
  return browser;
}

// One server and one browser for all the tests of a file; they are there once its tests
// start, and closed again after the last one.
export function useBrowser() {
  const session = {};
  before(async () => {
    session.server = await serve(webBuild);
    session.browser = await launchBrowser();
  });
  after(async () => {
    await session.browser?.close();
    session.server?.close();
  });
  return session;
}

// Counts, from before the page's own scripts run, every WebGL clear (one per frame the
// program draws) and every getError, keeping the codes that were not zero, and times frames.
function installCounters() {
  window.vorlaneTest = { clears: 0, errorChecks: 0, errors: [], frameWork: 0, frames: 0 };
  // The time the page spends in each animation frame: GLUT draws in them.
  const request = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (callback) => request((time) => {
    const start = performance.now();
    callback(time);
    window.vorlaneTest.frameWork += performance.now() - start;
    window.vorlaneTest.frames++;
  });
  const context = WebGLRenderingContext.prototype;
  const clear = context.clear;
  context.clear = function (...args) {
    window.vorlaneTest.clears++;
    return clear.apply(this, args);
  };
  const getError = context.getError;
  context.getError = function () {
    const error = getError.call(this);
    window.vorlaneTest.errorChecks++;
    if (error !== 0) window.vorlaneTest.errors.push(error);
    return error;
  };
}

// Opens a page of the build (index.html unless named) at 700 x 700 plus room for the status
// line, and resolves once the program has drawn its first frame.
export async function openPage(session, path = '/index.html', { before } = {}) {
  const page = await session.browser.newPage();
  await page.setViewport({ width: 760, height: 800 });
  const problems = [];
  page.on('pageerror', (error) => problems.push(String(error)));
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(message.text());
  });
  await page.evaluateOnNewDocument(installCounters);
  if (before) await page.evaluateOnNewDocument(before);
  await page.goto(session.server.url + path);
  await page.waitForFunction(() => window.vorlaneTest.clears > 0, { timeout: 20000 });
  return { page, problems };
}

export const clears = (page) => page.evaluate(() => window.vorlaneTest.clears);

// Lets only the first `frames` animation frames run, so the canvas keeps showing the last of
// them. GLUT draws only from animation frames; nothing else on the page uses them.
export function holdAfterFrames(frames) {
  return `(() => {
    const request = window.requestAnimationFrame.bind(window);
    let ran = 0;
    window.requestAnimationFrame = (callback) =>
      request((time) => { if (ran++ < ${frames}) callback(time); });
  })()`;
}

// The canvas as the page shows it, as a PNG.
export async function canvasPng(page) {
  const canvas = await page.$('canvas');
  return Buffer.from(await canvas.screenshot());
}

// Resolves once no frame has been drawn for `quiet` ms, with the number drawn by then.
export async function waitQuiet(page, quiet = 400, timeout = 10000) {
  const deadline = Date.now() + timeout;
  let last = await clears(page), since = Date.now();
  while (Date.now() - since < quiet) {
    if (Date.now() > deadline) throw new Error(`frames kept coming for ${timeout} ms`);
    await sleep(25);
    const now = await clears(page);
    if (now !== last) [last, since] = [now, Date.now()];
  }
  return last;
}

// Resolves once the page has drawn `more` frames beyond those drawn so far.
export async function waitFrames(page, more, timeout = 10000) {
  const target = (await clears(page)) + more;
  await page.waitForFunction((n) => window.vorlaneTest.clears >= n, { timeout }, target);
}
export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
