// The README's picture of a tab showing the past: "Entire Site" of a demo site whose field keeps
// its report history, the field reporting for a while, then "At" a moment ten seconds back.
//
//   node web/tests/screenshot-past.mjs --app PATH/statusviewer --web-root PATH/web/dist --out docs/web-desk-past.png
import crypto from 'node:crypto';
import { launch, signIn } from './browser.mjs';
import { Site, sleep } from './site.mjs';

const args = process.argv.slice(2);
const option = (flag, fallback) => {
  const at = args.indexOf(flag);
  return at >= 0 ? args[at + 1] : fallback;
};
const secret = crypto.randomBytes(12).toString('base64url');
const site = await Site.start({ app: option('--app'), webRoot: option('--web-root'), scale: Number(option('--scale', 5000)),
  rate: Number(option('--rate', 200)), users: [{ login: 'admin', password: secret }] });
const browser = await launch({ width: Number(option('--width', 1400)), height: Number(option('--height', 900)) });
try {
  const page = await browser.newPage();
  await signIn(page, site.url(), 'admin', secret);
  await page.selectOption('#group', 'Entire Site');
  await site.field.ask('start');
  await sleep(Number(option('--seconds', 20)) * 1000);
  const moment = await page.evaluate(() => {
    const d = new Date(Date.now() - 10000);
    const two = (n) => String(n).padStart(2, '0');
    return `${d.getFullYear()}-${two(d.getMonth() + 1)}-${two(d.getDate())}T${two(d.getHours())}:${two(d.getMinutes())}:${two(d.getSeconds())}`;
  });
  await page.fill('.past-bar input[type="datetime-local"]', moment);
  await page.click('.past-bar button.at');
  await page.waitForSelector('#desk.past .past-banner:not([hidden])', { timeout: 30000 });
  await page.waitForFunction(() => !document.querySelector('.past-banner').textContent.startsWith('Looking up'),
    undefined, { timeout: 30000 });
  await sleep(1000);
  await page.screenshot({ path: option('--out', 'web-desk-past.png') });
  console.log(`screenshot: ${option('--out', 'web-desk-past.png')}`);
} finally {
  await browser.close().catch(() => {});
  site.stop();
}
