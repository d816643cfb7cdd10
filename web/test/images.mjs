// Screenshots as pixels: the browser decodes the PNG, the tests look at the RGBA bytes.

// Any page will do for decoding; it is left as it was.
export async function decodePng(page, png) {
  const { width, height, rgba } = await page.evaluate(async (base64) => {
    const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    const bitmap = await createImageBitmap(new Blob([bytes], { type: 'image/png' }));
    const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
    const context = canvas.getContext('2d');
    context.drawImage(bitmap, 0, 0);
    const data = context.getImageData(0, 0, bitmap.width, bitmap.height).data;
    let binary = '';
    for (let i = 0; i < data.length; i += 0x8000) {
      binary += String.fromCharCode(...data.subarray(i, i + 0x8000));
    }
    return { width: bitmap.width, height: bitmap.height, rgba: btoa(binary) };
  }, Buffer.from(png).toString('base64'));
  return { width, height, data: Buffer.from(rgba, 'base64') };
}

export function pixel(image, x, y) {
  const i = 4 * (y * image.width + x);
  return [image.data[i], image.data[i + 1], image.data[i + 2]];
}

// Darker than this in every channel is the black background.
const background = 8;

export function lit(image, x, y) {
  return pixel(image, x, y).some((channel) => channel > background);
}

export function litCount(image) {
  let count = 0;
  for (let y = 0; y < image.height; y++) {
    for (let x = 0; x < image.width; x++) count += lit(image, x, y);
  }
  return count;
}

// Whether the shape's edge (a lit pixel next to background) passes within one pixel.
function nearEdge(image, x, y) {
  const here = lit(image, x, y);
  for (let dy = -1; dy <= 1; dy++) {
    for (let dx = -1; dx <= 1; dx++) {
      const nx = x + dx, ny = y + dy;
      if (nx >= 0 && ny >= 0 && nx < image.width && ny < image.height &&
          lit(image, nx, ny) !== here) {
        return true;
      }
    }
  }
  return false;
}

// A pixel differs when one of its channels is more than 5% of full scale apart. Where the
// silhouette passes, the desktop's and the browser's rasterisers may disagree about which
// side of an edge a pixel's centre lies, so differences there are counted apart.
export function compareImages(expected, actual) {
  if (expected.width !== actual.width || expected.height !== actual.height) {
    throw new Error(`sizes differ: ${expected.width}x${expected.height} and ` +
                    `${actual.width}x${actual.height}`);
  }
  const tolerance = 0.05 * 255;
  let differing = 0, offSilhouette = 0;
  const examples = [];
  for (let y = 0; y < expected.height; y++) {
    for (let x = 0; x < expected.width; x++) {
      const a = pixel(expected, x, y), b = pixel(actual, x, y);
      if (!a.some((channel, c) => Math.abs(channel - b[c]) > tolerance)) continue;
      differing++;
      if (!nearEdge(expected, x, y) && !nearEdge(actual, x, y)) {
        offSilhouette++;
        if (examples.length < 5) examples.push({ x, y, expected: a, actual: b });
      }
    }
  }
  return { differing, share: differing / (expected.width * expected.height), offSilhouette,
           examples };
}
