// The page in headless Chromium, as a user meets it.
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import { join } from 'node:path';
import { after, afterEach, before, test } from 'node:test';

import puppeteer from 'puppeteer-core';

const build = process.env.VORLANE_WEB_BUILD;
const tests = new URL('../../tests/', import.meta.url).pathname;
let server, url, browser;

before(async () => {
  // The build folder, served to this machine only, on a port the system picks.
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

// Opens the page with a count of its frames (WebGL clears), once it has drawn the first;
// `frames` lets only that many animation frames run, so the canvas keeps the last of them.
async function open(frames = 1e9) {
  const page = await browser.newPage();
  await page.setViewport({ width: 760, height: 800 });
  await page.evaluateOnNewDocument((frames) => {
    window.clears = 0;
    const clear = WebGLRenderingContext.prototype.clear;
    WebGLRenderingContext.prototype.clear = function (mask) { window.clears++; clear.call(this, mask); };
    const request = window.requestAnimationFrame.bind(window);
    let ran = 0;
    window.requestAnimationFrame = (callback) => request((t) => ran++ < frames && callback(t));
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
  await sleep(ms);
  assert.equal(await clears(page), drawn, message);
};
const exitStatus = async (page) =>
  (await page.waitForFunction(() => document.documentElement.dataset.exitStatus)).jsonValue();
const canvas = async (page) => (await page.$('canvas')).screenshot();

test('the page\'s first frame is the desktop\'s', async () => {
  const page = await open(1);
  assert.equal(await page.title(), 'Quillobrante - VORLANE 11/30/2005');
  await sleep(300);
  // Compared as the desktop tests compare theirs; kept in the build folder for a person to see.
  await (await page.$('canvas')).screenshot({ path: join(build, 'web-frame-1.png') });
  execFileSync('python3', [join(tests, 'harness.py'), 'compare', join(tests, 'frame1.png'),
                           join(build, 'web-frame-1.png')], { stdio: 'inherit' });
});

test('the shape turns, not while hidden, and Escape ends it at once with 0', async () => {
  const page = await open();
  const shown = await canvas(page);
  const show = (state) => page.evaluate((state) => {
    Object.defineProperty(document, 'visibilityState', { value: state, configurable: true });
    document.dispatchEvent(new Event('visibilitychange'));
  }, state);
  await show('hidden');
  await sleep(300);
  await still(page, 700);
  await show('visible');
  await page.waitForFunction((n) => window.clears >= n, {}, (await clears(page)) + 40);
  assert.notDeepEqual(await canvas(page), shown);
  await page.keyboard.press('Escape');
  assert.equal(await exitStatus(page), '0');
  await still(page, 300);
});

test('a GL error shows the ERROR dialog, and OK ends the program with status 1', async () => {
  const page = await open();
  await page.evaluate(() => Module.ctx.bindTexture(0x1234, null)); // a real WebGL error
  await page.waitForSelector('dialog.notice');
  assert.deepEqual(await page.$eval('dialog.notice', (dialog) => [dialog.matches(':modal'),
    dialog.querySelector('h1').textContent, dialog.querySelector('p').textContent,
    [...dialog.querySelectorAll('button')].map((button) => button.textContent)]),
  [true, 'ERROR', 'invalid enumerant', ['OK']]);
  await still(page, 300, 'frames came while the dialog was open');
  await page.click('dialog.notice button');
  assert.equal(await exitStatus(page), '1');
});
