// The page's first frame against the desktop program's first frame.
import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import { mkdir, readFile, writeFile } from 'node:fs/promises';
import { join } from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';
import { promisify } from 'node:util';

import { compareImages, decodePng, litCount } from './images.mjs';
import { canvasPng, holdAfterFrames, openPage, sleep, useBrowser, webBuild }
  from './support.mjs';

const nativeFrameScript = fileURLToPath(new URL('native_frame.py', import.meta.url));
// Both frames are kept for a person to look at.
const output = join(webBuild, 'web', 'frames');

const session = useBrowser();

test('the first frame matches the desktop program\'s first frame', async (t) => {
  await mkdir(output, { recursive: true });
  const nativePath = join(output, 'native-frame-1.png');
  await promisify(execFile)('python3', [nativeFrameScript, nativePath], { timeout: 60000 });

  const { page } = await openPage(session, '/index.html', { before: holdAfterFrames(1) });
  await sleep(300); // the page has its one frame; give the screen a moment to show it
  const webPng = await canvasPng(page);
  await writeFile(join(output, 'web-frame-1.png'), webPng);
  assert.equal(await page.evaluate(() => window.vorlaneTest.clears), 1);

  const native = await decodePng(page, await readFile(nativePath));
  const web = await decodePng(page, webPng);
  // Two black pictures would match too: both must show the shape.
  assert.ok(litCount(native) > 50000, `desktop frame has ${litCount(native)} lit pixels`);
  assert.ok(litCount(web) > 50000, `page frame has ${litCount(web)} lit pixels`);
  const difference = compareImages(native, web);
  t.diagnostic(`${difference.differing} pixels differ (${(100 * difference.share).toFixed(3)}%)`);
  assert.ok(difference.share <= 0.002, `${(100 * difference.share).toFixed(3)}% differ`);
  assert.equal(difference.offSilhouette, 0,
               `pixels differ off the silhouette: ${JSON.stringify(difference.examples)}`);
  await page.close();
});
