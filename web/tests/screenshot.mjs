// The README's picture of the web desk: "Entire Site" of a 50,000-point demo site with the field
// reporting 2,000 changes a second, signed in as the administrator, after the attention list has
// filled for a while.
//
//   node web/tests/screenshot.mjs --app PATH/statusviewer --web-root PATH/web/dist --out docs/web-desk.png
//
// With --past N the tab then shows the site as it was N seconds before ("At"; the field keeps its
// report history), once the banner says the moment shown.
import crypto from 'node:crypto';
import { launch, signIn } from './browser.mjs';
import { Site, sleep } from './site.mjs';

const args = process.argv.slice(2);
const option = (flag, fallback) => {
  const at = args.indexOf(flag);
  return at >= 0 ? args[at + 1] : fallback;
};
const secret = crypto.randomBytes(12).toString('base64url');
const site = await Site.start({ app: option('--app'), webRoot: option('--web-root'), scale: Number(option('--scale', 50000)),
  rate: Number(option('--rate', 2000)), users: [{ login: 'admin', password: secret }] });
/// Types the moment `seconds` back into "At" and waits for its board.
async function showPast(page, seconds) {
  const moment = await page.evaluate((back) => {
    const d = new Date(Date.now() - back * 1000);
    const two = (n) => String(n).padStart(2, '0');
    return `${d.getFullYear()}-${two(d.getMonth() + 1)}-${two(d.getDate())}T${two(d.getHours())}:${two(d.getMinutes())}:${two(d.getSeconds())}`;
  }, seconds);
  await page.fill('.past-bar input[type="datetime-local"]', moment);
  await page.click('.past-bar button.at');
  await page.waitForFunction(() => document.querySelector('#desk.past .past-banner')?.textContent.includes('not live'),
    undefined, { timeout: 60000 }).catch(async (e) => {
    throw new Error(`no past shown: ${await page.evaluate(() => document.querySelector('#notice')?.textContent + ' / ' + document.querySelector('.past-banner')?.textContent)}`);
  });
  await sleep(1000);
}

const browser = await launch({ width: Number(option('--width', 1400)), height: Number(option('--height', 900)) });
try {
  const page = await browser.newPage();
  await signIn(page, site.url(), 'admin', secret);
  await page.selectOption('#group', 'Entire Site');
  await site.field.ask('start');
  await sleep(Number(option('--seconds', 20)) * 1000);
  if (option('--past') !== undefined)
    await showPast(page, Number(option('--past')));
  await page.screenshot({ path: option('--out', 'web-desk.png') });
  console.log(`screenshot: ${option('--out', 'web-desk.png')}`);
} finally {
  await browser.close().catch(() => {});
  site.stop();
}
