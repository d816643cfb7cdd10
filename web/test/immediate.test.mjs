// GL's current colour and normal in the browser, used in ways vorlane itself does not.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { decodePng, pixel } from './images.mjs';
import { canvasPng, openPage, sleep, useBrowser } from './support.mjs';

const session = useBrowser();

test('a colour or normal set before glBegin, or once inside it, reaches every vertex',
     async () => {
  const { page, problems } = await openPage(session, '/web/immediate.html');
  await sleep(200);
  const image = await decodePng(page, await canvasPng(page));
  await page.close();
  assert.deepEqual([image.width, image.height], [200, 200]);
  // Lit with GL's default light and material: 0.8 diffuse plus 0.2 x 0.2 ambient facing the
  // light, the ambient alone facing away.
  const facing = Math.round(0.84 * 255), away = Math.round(0.04 * 255);
  const expected = {
    'normal (0, 0, 1) before glBegin': [[50, 50], [facing, facing, facing]],
    'normal (0, 0, -1) before glBegin': [[150, 50], [away, away, away]],
    'red before glBegin': [[50, 150], [255, 0, 0]],
    'green once inside glBegin': [[150, 150], [0, 255, 0]],
  };
  for (const [what, [[x, y], colour]] of Object.entries(expected)) {
    // Every corner of the quadrant, each from another vertex of its two triangles.
    for (const [dx, dy] of [[-40, -40], [40, -40], [-40, 40], [40, 40], [0, 0]]) {
      const seen = pixel(image, x + dx, y + dy);
      assert.ok(seen.every((channel, c) => Math.abs(channel - colour[c]) <= 2),
                `${what}: at (${x + dx}, ${y + dy}) ${seen}, expected ${colour}`);
    }
  }
  assert.deepEqual(problems, []);
});
