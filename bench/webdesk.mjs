// The web desk's figures for BENCHMARKS.md, on a real site of this machine (web/tests/site.mjs):
//   1. "Entire Site" of a --scale point site opened in the browser: from choosing it in the group
//      box to its first rows painted (the web desk's component loads the group meanwhile), and from
//      the page's navigation to its first rows painted with the group shown already (signed in);
//      the median of --opens of each;
//   2. the latency from the field's report (its publication time on the broker) to the change drawn
//      on the page, median and 99th percentile, in one tab, with the field at --rate changes a
//      second (the desktop desk's own figure beside it);
//      with the bytes a second that tab receives, and how many of them are the attention list's;
//   3. the web desk's CPU (share of one core) and resident memory with --tabs tabs open at that rate.
//
//   node bench/webdesk.mjs --app build/apps/statusviewer/statusviewer --web-root build/web/dist
//        [--scale 50000] [--rate 2000] [--tabs 20] [--seconds 20] [--opens 5]
import { launch, signIn } from '../web/tests/browser.mjs';
import { recordRowChanges, takeRowChanges } from '../web/tests/page.mjs';
import { listenToReports, percentiles, reportLatencies } from '../web/tests/reports.mjs';
import { Site, sleep } from '../web/tests/site.mjs';
import crypto from 'node:crypto';
import os from 'node:os';

const args = process.argv.slice(2);
const option = (flag, fallback) => {
  const at = args.indexOf(flag);
  return at >= 0 ? args[at + 1] : fallback;
};
const scale = Number(option('--scale', 50000));
const rate = Number(option('--rate', 2000));
const tabs = Number(option('--tabs', 20));
const seconds = Number(option('--seconds', 20));
const opens = Number(option('--opens', 5));

/// Milliseconds from the navigation's start to the frame that paints the first rows (the time of
/// that frame's animation callback, which runs just before it is painted).
async function timeToFirstRows(page, url) {
  await page.goto(url, { waitUntil: 'commit' });
  return page.evaluate(() => new Promise((resolve) => {
    const painted = () => requestAnimationFrame((frameTime) => resolve(frameTime));
    if (document.querySelector('.rowgroup.body .row'))
      return painted();
    const observer = new MutationObserver(() => {
      if (document.querySelector('.rowgroup.body .row')) {
        observer.disconnect();
        painted();
      }
    });
    observer.observe(document, { childList: true, subtree: true });
  }));
}

/// Milliseconds from choosing group in the page's group box to the frame that paints its first
/// rows (told from the previous group's by the row count: more than `moreThan` rows).
async function timeToGroupRows(page, group, moreThan) {
  return page.evaluate(({ group, moreThan }) => new Promise((resolve) => {
    const box = document.getElementById('group');
    const counted = () => [...document.querySelectorAll('.section [role=grid]')]
      .reduce((sum, grid) => sum + Number(grid.getAttribute('aria-rowcount')) - 1, 0);
    const start = performance.now();
    const observer = new MutationObserver(() => {
      if (counted() > moreThan && document.querySelector('.rowgroup.body .row')) {
        observer.disconnect();
        requestAnimationFrame((frameTime) => resolve(frameTime - start));
      }
    });
    observer.observe(document.getElementById('sections'), { childList: true, subtree: true, attributes: true });
    box.value = group;
    box.dispatchEvent(new Event('change'));
  }), { group, moreThan });
}

async function main() {
  const login = 'admin', secret = crypto.randomBytes(12).toString('base64url');
  const site = await Site.start({ app: option('--app'), webRoot: option('--web-root'), scale, rate, deskStats: true,
    users: [{ login, password: secret }] });
  const browser = await launch();
  try {
    // 1. Opening "Entire Site", the field quiet: chosen in the group box, then the page opened anew.
    const first = await browser.newPage();
    // What the tab receives on its sockets, by message type, while `counting`.
    let counting = false;
    const received = { all: 0, attention: 0 };
    first.on('websocket', (ws) => ws.on('framereceived', (frame) => {
      if (!counting)
        return;
      const bytes = Buffer.byteLength(String(frame.payload));
      received.all += bytes;
      if (/^attention(Changes)?$/.test(JSON.parse(String(frame.payload)).t))
        received.attention += bytes;
    }));
    await signIn(first, site.url(), login, secret);
    await first.waitForSelector('.rowgroup.body .row');
    const small = await first.inputValue('#group');
    const smallRows = await first.$$eval('.section [role=grid]', (grids) =>
      grids.reduce((sum, grid) => sum + Number(grid.getAttribute('aria-rowcount')) - 1, 0));
    const choices = [];
    for (let i = 0; i < opens; ++i) {
      choices.push(await timeToGroupRows(first, 'Entire Site', smallRows));
      if (i + 1 < opens)
        await timeToGroupRows(first, small, -1);
    }
    const openings = [];
    for (let i = 0; i < opens; ++i)
      openings.push(await timeToFirstRows(first, site.url()));
    const choice = percentiles(choices), open = percentiles(openings);
    console.log(`"Entire Site", ${scale} points: chosen in the group box, first rows painted after ` +
      `${choice.p50.toFixed(0)} ms (median of ${opens}: ${choices.map((t) => t.toFixed(0)).join(', ')}); ` +
      `the page opened on it, first rows painted ${open.p50.toFixed(0)} ms after navigation ` +
      `(${openings.map((t) => t.toFixed(0)).join(', ')})`);

    // 2. The field at its rate, one tab recording when its rows change.
    await recordRowChanges(first);
    const batches = [];
    const listener = listenToReports(site, (batch) => batches.push(batch));
    await sleep(500);
    await site.field.ask('start');
    await sleep(3000);  // past the start of the traffic
    const started = Date.now();
    counting = true;
    await sleep(seconds * 1000);
    counting = false;
    const latencies = reportLatencies(await takeRowChanges(first), batches, started);
    const wallLatency = (Date.now() - started) / 1000;
    const reported = batches.filter((b) => b.sentMs >= started).reduce((n, b) => n + b.addresses.length, 0);
    listener.stop();
    const latency = percentiles(latencies);
    console.log(`field at ${(reported / wallLatency).toFixed(0)} changes/s: field report to page median ${latency.p50} ms, ` +
      `p99 ${latency.p99} ms (${latency.count} row changes drawn in one tab)`);
    console.log(`the tab received ${(received.all / 1024 / wallLatency).toFixed(1)} KB/s, of which the attention list ` +
      `${(received.attention / 1024 / wallLatency).toFixed(1)} KB/s`);
    // The desktop desk on the same site at the same time, from the field's publication to its rows.
    const desk = /latency median (\S+) ms, p99 (\S+) ms/.exec(await site.desk.quit());
    if (desk)
      console.log(`the desktop desk meanwhile (its own timing, its window's rows): median ${desk[1]} ms, p99 ${desk[2]} ms`);

    // 3. The web desk's CPU and memory with --tabs tabs open, the field still at its rate.
    const pages = [first];
    while (pages.length < tabs) {
      const page = await browser.newPage();
      await page.goto(site.url());
      await page.waitForSelector('.rowgroup.body .row');
      pages.push(page);
    }
    const before = site.web.usage();
    const measured = Date.now();
    let peakRss = before.rssMb;
    while (Date.now() - measured < seconds * 1000) {
      await sleep(1000);
      peakRss = Math.max(peakRss, site.web.usage().rssMb);
    }
    const after = site.web.usage();
    const wall = (Date.now() - measured) / 1000;
    console.log(`web desk with ${tabs} tabs: CPU ${(100 * (after.cpuS - before.cpuS) / wall).toFixed(0)}% of one core, ` +
      `resident memory ${after.rssMb.toFixed(0)} MB (peak ${peakRss.toFixed(0)} MB) over ${wall.toFixed(0)} s`);
    console.log(`machine: ${os.cpus().length} cores (${os.cpus()[0].model}), ${(os.totalmem() / 2 ** 30).toFixed(0)} GiB, ` +
      'shared with other work while measured');
  } finally {
    await browser.close().catch(() => {});
    site.stop();
  }
}

await main();
