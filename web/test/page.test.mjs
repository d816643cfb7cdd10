// The page as a user meets it: title, the spinning shape, keys, visibility and the error path.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { compareImages, decodePng, litCount } from './images.mjs';
import {
  canvasPng, clears, openPage, sleep, useBrowser, waitFrames, waitQuiet,
} from './support.mjs';

const session = useBrowser();

const status = (page) => page.$eval('#status', (element) => element.textContent);
const exitStatus = (page) => page.evaluate(() => document.documentElement.dataset.exitStatus);

test('the page carries the window title and a 700 x 700 canvas', async () => {
  const { page } = await openPage(session);
  assert.equal(await page.title(), 'Quillobrante - VORLANE 11/30/2005');
  const size = await page.$eval('canvas', (canvas) => [canvas.width, canvas.height,
                                                       canvas.clientWidth, canvas.clientHeight]);
  assert.deepEqual(size, [700, 700, 700, 700]);
  await page.close();
});

test('the shape is drawn and turns, with every error check clean', async (t) => {
  const started = Date.now();
  const { page, problems } = await openPage(session);
  const loaded = Date.now() - started;
  const first = await decodePng(page, await canvasPng(page));
  const framesBefore = await clears(page);
  const timer = Date.now();
  await waitFrames(page, 40);
  const frameTime = (Date.now() - timer) / ((await clears(page)) - framesBefore);
  const later = await decodePng(page, await canvasPng(page));
  const { frameWork, frames } = await page.evaluate(() => window.vorlaneTest);
  const work = frameWork / frames;
  t.diagnostic(`first frame ${loaded} ms after the page was asked for; then a frame every ` +
               `${frameTime.toFixed(1)} ms, ${work.toFixed(1)} ms of work each`);

  // The shape seen end on fills a disc of about 160 pixels' radius; turned, it is larger.
  const litShare = litCount(first) / (first.width * first.height);
  assert.ok(litShare > 0.1 && litShare < 0.6, `lit share of the canvas ${litShare}`);
  assert.ok(compareImages(first, later).share > 0.02, 'the shape did not move in 40 frames');

  const checks = await page.evaluate(() => window.vorlaneTest);
  assert.ok(checks.errorChecks >= checks.clears - 1,
            `${checks.errorChecks} error checks in ${checks.clears} frames`);
  assert.deepEqual(checks.errors, []);
  assert.equal(await page.$('dialog'), null);
  assert.equal(await status(page), '');
  assert.deepEqual(problems, []);
  await page.close();
});

test('Escape ends the program with status 0 and drawing stops', async () => {
  const { page, problems } = await openPage(session);
  await waitFrames(page, 5);
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => document.documentElement.dataset.exitStatus !== undefined);
  const drawn = await clears(page);
  await sleep(500);
  assert.equal(await clears(page), drawn, 'frames came after Escape');
  assert.equal(await exitStatus(page), '0');
  assert.match(await status(page), /ended with exit status 0/);
  // Keys after the end reach nothing.
  await page.keyboard.press('a');
  await sleep(200);
  assert.equal(await clears(page), drawn);
  assert.deepEqual(problems, []);
  await page.close();
});

// Headless Chromium never hides a page, so the test hides it the way the browser would tell
// the page: the document's visibility state and its visibilitychange event.
async function setVisibility(page, state) {
  await page.evaluate((state) => {
    Object.defineProperty(document, 'visibilityState', { value: state, configurable: true });
    document.dispatchEvent(new Event('visibilitychange'));
  }, state);
}

test('a hidden page draws only when a key asks, and goes on when shown', async () => {
  const { page, problems } = await openPage(session);
  await waitFrames(page, 5);
  await setVisibility(page, 'hidden');
  // Quiet for long enough that a frame still under way cannot be mistaken for a key's.
  const quiet = 800;
  const held = await waitQuiet(page, quiet);
  // Requests for a redraw that come before it is drawn make one frame, so one key at a time.
  await page.keyboard.press('a');
  assert.equal(await waitQuiet(page, quiet), held + 1, 'a key should draw exactly one frame');
  await page.keyboard.press('Space');
  assert.equal(await waitQuiet(page, quiet), held + 2, 'a key should draw exactly one frame');
  await setVisibility(page, 'visible');
  await waitFrames(page, 10);
  assert.equal(await exitStatus(page), undefined);
  assert.deepEqual(problems, []);
  await page.close();
});

test('a GL error shows the ERROR notice, stops drawing, and OK ends with status 1',
     async () => {
  const { page } = await openPage(session);
  await waitFrames(page, 3);
  // A real WebGL error, as a faulty driver or program would leave it for glGetError.
  await page.evaluate(() => Module.ctx.bindTexture(0x1234, null));
  await page.waitForSelector('dialog.notice');
  const notice = await page.$eval('dialog.notice', (dialog) => ({
    modal: dialog.matches(':modal'),
    caption: dialog.querySelector('h1').textContent,
    text: dialog.querySelector('p').textContent,
    buttons: [...dialog.querySelectorAll('button')].map((button) => button.textContent),
  }));
  assert.deepEqual(notice, { modal: true, caption: 'ERROR', text: 'invalid enumerant',
                             buttons: ['OK'] });
  const drawn = await clears(page);
  await sleep(400);
  assert.equal(await clears(page), drawn, 'frames came while the notice was open');
  assert.equal(await status(page), '', 'the end was shown before OK');

  await page.click('dialog.notice button');
  await page.waitForFunction(() => document.documentElement.dataset.exitStatus !== undefined);
  assert.equal(await exitStatus(page), '1');
  assert.match(await status(page), /ended with exit status 1/);
  assert.equal(await page.$('dialog'), null);
  assert.equal(await clears(page), drawn);
  await page.close();
});
