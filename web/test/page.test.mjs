// The page in headless Chromium, as a user meets it.
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import { after, afterEach, before, test } from 'node:test';

import puppeteer from 'puppeteer-core';

const build = process.env.VORLANE_WEB_BUILD;
let server, url, browser;

before(async () => {
  server = spawn('python3', ['-u', '-m', 'http.server', '--bind', '127.0.0.1', '--directory',
                             build, '0'], { stdio: ['ignore', 'pipe', 'ignore'] });
  url = await new Promise((resolve) => server.stdout.on('data', (said) =>
    /port (\d+)/.test(said) && resolve(`http://127.0.0.1:${/port (\d+)/.exec(said)[1]}/`)));
  // The Chromium the build found, in a fresh profile that goes again on close, with nothing
  // fetched from outside (puppeteer's own options) and WebGL drawn in software.
  browser = await puppeteer.launch({ executablePath: process.env.VORLANE_CHROMIUM,
    args: ['--no-sandbox', '--disable-gpu', '--enable-unsafe-swiftshader'] });
});

afterEach(async () => Promise.all((await browser.pages()).map((page) => page.close())));
after(async () => Promise.all([browser?.close(), server?.kill()]));

// Opens the page once it has drawn a frame (a WebGL clear, counted); at most `frames` animation
// frames run, so the canvas keeps the last of them.
async function open(frames = 1e9) {
  const page = await browser.newPage();
  await page.setViewport({ width: 760, height: 800 });
  await page.evaluateOnNewDocument((frames) => {
    const gl = WebGLRenderingContext.prototype, clear = gl.clear, request = requestAnimationFrame;
    window.clears = 0;
    gl.clear = function (mask) { window.clears++; clear.call(this, mask); };
    window.requestAnimationFrame = (callback) => request((t) => frames-- > 0 && callback(t));
  }, frames);
  await page.goto(url);
  // Polled on a timer: puppeteer's default polls on animation frames, and where the program
  // starts after the page has loaded, the poll would take the one frame it may draw.
  await page.waitForFunction(() => window.clears > 0, { polling: 50 }).catch(async (error) => {
    const status = await page.$eval('#status', (element) => element.textContent);
    throw new Error(`no frame drawn (status "${status}"): ${error.message}`);
  });
  return page;
}

const clears = (page) => page.evaluate(() => window.clears);
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const still = async (page, ms, message) => {
  const drawn = await clears(page);
  assert.equal(await sleep(ms).then(() => clears(page)), drawn, message);
};
const exitStatus = async (page) =>
  (await page.waitForFunction(() => document.documentElement.dataset.exitStatus)).jsonValue();
const canvas = async (page, path) => (await page.$('canvas')).screenshot({ path });

test('the page\'s first frame is the desktop\'s', async () => {
  const page = await open(1);
  assert.equal(await page.title(), 'Quillobrante - VORLANE 11/30/2005');
  await sleep(300);
  // Compared as the desktop tests compare theirs; kept in the build folder for a person to see.
  await canvas(page, `${build}/web-frame-1.png`);
  execFileSync('python3', ['harness.py', 'compare', 'frame1.png', `${build}/web-frame-1.png`],
               { cwd: new URL('../../tests/', import.meta.url), stdio: 'inherit' });
});

test('the shape turns, not while hidden, and Escape ends it at once with 0', async () => {
  const page = await open();
  const shown = await canvas(page);
  const show = (state) => page.evaluate(`Object.defineProperty(document, 'visibilityState',
    { value: '${state}', configurable: true }).dispatchEvent(new Event('visibilitychange'))`);
  await show('hidden');
  await sleep(300);
  await still(page, 700, 'frames came while the page was hidden');
  await show('visible');
  await page.waitForFunction((n) => window.clears >= n, {}, (await clears(page)) + 40);
  assert.notDeepEqual(await canvas(page), shown, 'the shape did not turn');
  await page.keyboard.press('Escape');
  assert.equal(await exitStatus(page), '0');
  await still(page, 300, 'frames came after Escape');
});

test('a GL error shows the ERROR dialog, and OK ends the program with status 1', async () => {
  const page = await open();
  await page.evaluate(() => Module.ctx.bindTexture(0x1234, null)); // a real WebGL error
  const dialog = await page.waitForSelector('dialog.notice');
  assert.deepEqual(await dialog.evaluate((dialog) => [dialog.matches(':modal'), ...Array.from(
    dialog.querySelectorAll('h1, p, button'), (part) => `${part.localName} ${part.textContent}`)]),
  [true, 'h1 ERROR', 'p invalid enumerant', 'button OK']);
  await still(page, 300, 'frames came while the dialog was open');
  await page.click('dialog.notice button');
  assert.equal(await exitStatus(page), '1');
});
