// The calls the compiled program makes in the browser against those it makes on the desktop.
import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import { test } from 'node:test';
import { promisify } from 'node:util';

import { openPage, useBrowser } from './support.mjs';

// The desktop's calls from start-up through two frames, the second with the first animation
// step, recorded by the unit tests' GL double: [name, ...arguments] with exact values.
async function desktopCalls() {
  const { stdout } = await promisify(execFile)(process.env.VORLANE_DESKTOP_CALLS ?? '', [],
                                               { maxBuffer: 64 << 20 });
  return stdout.trim().split('\n').map((line) => {
    const [name, ...values] = line.split(' ');
    return [name, ...values.map(Number)];
  });
}

// GLUT's calls differ by nature (the page's screen is its canvas); those to GL and GLU do not.
// Entering the main loop ends start-up, a swap ends a frame: [start-up, first reshape and
// first frame, second frame, ...].
const markers = ['glutMainLoop', 'glutSwapBuffers'];
const comparable = (call) => /^glu?[A-Z]/.test(call[0]) || markers.includes(call[0]);

function parts(calls) {
  const result = [[]];
  for (const call of calls.filter(comparable)) {
    result.at(-1).push(call);
    if (markers.includes(call[0])) result.push([]);
  }
  return result;
}

// Object.is, so that -0 and 0 count as different values, as their bits do.
function sameCall(a, b) {
  return a.length === b.length && a.every((value, i) => Object.is(value, b[i]));
}

function assertSameCalls(actual, expected, what) {
  const counts = (calls) => calls.reduce((count, [name]) => {
    count[name] = (count[name] ?? 0) + 1;
    return count;
  }, {});
  assert.deepEqual(counts(actual), counts(expected), `${what}: call counts`);
  const first = actual.findIndex((call, i) => !sameCall(call, expected[i]));
  const show = (call) => call.map((value) => (Object.is(value, -0) ? '-0' : value)).join(' ');
  assert.equal(first, -1, first < 0 ? '' : `${what}: call ${first} is ${show(actual[first])}, ` +
                                           `on the desktop ${show(expected[first])}`);
}

const session = useBrowser();

test('start-up and the first frame send the desktop\'s calls with the same values', async (t) => {
  const desktop = parts(await desktopCalls());
  const { page } = await openPage(session, '/web/recording.html');
  await page.waitForFunction(() =>
    Module.recordedCalls.filter(([name]) => name === 'glutSwapBuffers').length >= 2);
  // As text, since values cross to Node as JSON, which has no negative zero.
  const webCalls = await page.evaluate(() => Module.recordedCalls.map(([name, ...values]) =>
    [name, ...values.map((value) => (Object.is(value, -0) ? '-0' : String(value)))]));
  const web = parts(webCalls.map(([name, ...values]) => [name, ...values.map(Number)]));
  await page.close();

  // On the desktop's first frame no step was due. The page's first frame comes at a time of
  // the browser's choosing, so it may already take one: if so, its two material calls must
  // be the desktop's first step, in the same place, just before the error check.
  const desktopStep = desktop[2].filter(([name]) => name === 'glMaterialfv');
  assert.equal(desktopStep.length, 2);
  let webFirst = web[1];
  if (webFirst.length === desktop[1].length + desktopStep.length) {
    const at = webFirst.length - 2 - desktopStep.length; // before glGetError and the swap
    assertSameCalls(webFirst.slice(at, at + 2), desktopStep, 'the first animation step');
    webFirst = [...webFirst.slice(0, at), ...webFirst.slice(at + 2)];
    t.diagnostic('the page\'s first frame took the first animation step');
  }
  assertSameCalls(web[0], desktop[0], 'start-up');
  assertSameCalls(webFirst, desktop[1], 'the first reshape and frame');
  // The frame is the whole shape: 49 strips and 2 fans.
  assert.equal(webFirst.filter(([name]) => name === 'glBegin').length, 51);
  assert.equal(webFirst.filter(([name]) => name === 'glVertex3f').length, 49 * 102 + 2 * 52);
});
