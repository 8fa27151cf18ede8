// The web desk's figures for BENCHMARKS.md, on a real site of this machine (web/tests/site.mjs):
//   1. "Entire Site" of a --scale point site opened in the browser: from choosing it in the group
//      box to its first rows painted (the web desk's component loads the group meanwhile), and from
//      the page's navigation to its first rows painted with the group shown already (signed in);
//      the median of --opens of each;
//   2. the same field reports timed from the field's time of each (atMs on the wire) to the
//      desktop desk's rows (the report applied: `applied FILE` of a desk run with --stats) and to
//      the page's rows (the row drawn in the frame that shows it, stamped by an observer this script
//      puts in the page: nothing of it is in the page served), median and 99th percentile of each
//      and their difference, with the field at --rate changes a second; the renderer's frames a
//      second and its main thread's busy share meanwhile; the bytes a second the tab receives, and
//      how many of them are the attention list's;
//   3. the web desk's CPU (share of one core) and resident memory with --tabs tabs open at that rate;
//   4. the web desk's CPU with one tab whose sections are sorted by a column (each of --sort-by:
//      a caption, or `first` for each section's first column, its name), beside the same tab
//      unsorted, --sort-seconds each.
//
// Clocks: every process runs on this machine, and the field's report times on the wire are its
// wall clock (milliseconds since 1970: what every desk shows). The desk and the page stamp with
// the same wall clock, so their times compare directly; the run reports how far the wall clock
// moved against the monotonic clock meanwhile (a step or slew of it would shift the figures by
// that much).
//
//   node bench/webdesk.mjs --app build/apps/statusviewer/statusviewer --web-root build/web/dist
//        [--scale 50000] [--rate 2000] [--tabs 20] [--seconds 20] [--opens 5]
//        [--sort-by first,Status] [--sort-seconds 15]
import { launch, signIn } from '../web/tests/browser.mjs';
import { recordRowChanges, takeRowChanges } from '../web/tests/page.mjs';
import { drawnReports, listenToReports, percentiles } from '../web/tests/reports.mjs';
import { Site, sleep } from '../web/tests/site.mjs';
import crypto from 'node:crypto';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { performance } from 'node:perf_hooks';

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
const sortBy = option('--sort-by', 'first,Status').split(',').filter(Boolean);
const sortSeconds = Number(option('--sort-seconds', 15));

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

/// Counts the page's animation frames from now: the frames its renderer produces while its main
/// thread lets it (a busy thread delays them), with the longest gap between two.
async function countFrames(page) {
  await page.evaluate(() => {
    window.__frames = { count: 0, longestMs: 0, last: 0 };
    const tick = (time) => {
      const frames = window.__frames;
      if (frames.last > 0)
        frames.longestMs = Math.max(frames.longestMs, time - frames.last);
      frames.last = time;
      ++frames.count;
      requestAnimationFrame(tick);
    };
    requestAnimationFrame(tick);
  });
}

/// The frames counted since countFrames or the last take, and starts counting anew.
async function takeFrames(page) {
  return page.evaluate(() => {
    const { count, longestMs } = window.__frames;
    Object.assign(window.__frames, { count: 0, longestMs: 0 });
    return { count, longestMs };
  });
}

/// Seconds the renderer's main thread has spent on tasks so far (DevTools' Performance metrics).
async function rendererBusySeconds(cdp) {
  const { metrics } = await cdp.send('Performance.getMetrics');
  return metrics.find((m) => m.name === 'TaskDuration').value;
}

/// The reports the desktop desk applied since last asked: seq -> {atMs, appliedMs}; null when the
/// desk cannot tell (a build without `applied`).
async function deskApplied(site) {
  const file = path.join(site.work, `applied-${Date.now()}.txt`);
  const answer = await site.desk.ask(`applied ${file}`);
  if (!answer.startsWith('applied '))
    return null;
  const applied = new Map();
  for (const line of fs.readFileSync(file, 'utf8').split('\n').filter(Boolean)) {
    const [seq, atMs, appliedMs] = line.split(' ').map(Number);
    applied.set(seq, { atMs, appliedMs });
  }
  return applied;
}

/// How far the wall clock is ahead of the monotonic one: its change over a run is how much a step
/// or slew of the wall clock shifted the run's times.
const wallAhead = () => Date.now() - performance.timeOrigin - performance.now();

const ms = (value) => `${Math.round(value)} ms`;
const signed = (value) => `${value >= 0 ? '+' : ''}${Math.round(value)} ms`;
const load = () => os.loadavg().map((l) => l.toFixed(1)).join(' ');

/// The web desk's CPU (share of one core) over the next `seconds`.
async function webCpu(site, seconds) {
  const before = site.web.usage();
  const from = Date.now();
  await sleep(seconds * 1000);
  return (100 * (site.web.usage().cpuS - before.cpuS)) / ((Date.now() - from) / 1000);
}

/// Sorts every section of the page by the column captioned `caption` (`first`: each section's
/// first column, its name); how many sections it sorted.
async function sortSections(page, caption) {
  const sorted = await page.evaluate((caption) => {
    let buttons = [];
    for (const section of document.querySelectorAll('.section')) {
      const all = [...section.querySelectorAll('button.sort')];
      buttons = buttons.concat(caption === 'first' ? all.slice(0, 1) : all.filter((b) => b.textContent === caption));
    }
    for (const button of buttons)
      button.click();
    return buttons.length;
  }, caption);
  if (sorted === 0) {
    const captions = await page.$$eval('.section button.sort', (buttons) => [...new Set(buttons.map((b) => b.textContent))]);
    console.log(`no section has a column "${caption}"; the columns: ${captions.join(', ')}`);
  }
  return sorted;
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

    // 2. The field at its rate: the same reports timed to the desktop desk's rows and the page's.
    await recordRowChanges(first);
    await countFrames(first);
    const cdp = await first.context().newCDPSession(first);
    await cdp.send('Performance.enable');
    await sleep(2000);
    const quiet = await takeFrames(first);
    const batches = [];
    const listener = listenToReports(site, (batch) => batches.push(batch));
    await sleep(500);
    await site.field.ask('start');
    await sleep(3000);  // past the start of the traffic
    await deskApplied(site);  // the reports before the measured time
    await takeFrames(first);
    const loadBefore = load();
    const wallBefore = wallAhead();
    const busyBefore = await rendererBusySeconds(cdp);
    const webBefore = site.web.usage(), deskBefore = site.desk.usage();
    const started = Date.now();
    counting = true;
    await sleep(seconds * 1000);
    counting = false;
    const storm = await takeFrames(first);
    const busy = await rendererBusySeconds(cdp) - busyBefore;
    const webCpuStorm = 100 * (site.web.usage().cpuS - webBefore.cpuS);
    const deskCpuStorm = 100 * (site.desk.usage().cpuS - deskBefore.cpuS);
    const applied = await deskApplied(site);
    const drawn = drawnReports(await takeRowChanges(first), batches, started);
    const wall = (Date.now() - started) / 1000;
    const clockMoved = wallAhead() - wallBefore;
    const loadAfter = load();
    listener.stop();
    const reported = batches.filter((b) => b.sentMs >= started).reduce((n, b) => n + b.reports.length, 0);
    console.log(`field at ${(reported / wall).toFixed(0)} changes/s over ${wall.toFixed(0)} s, load average ` +
      `(1, 5, 15 min) ${loadBefore} before, ${loadAfter} after; the wall clock moved ${clockMoved.toFixed(1)} ms ` +
      'against the monotonic clock meanwhile');
    const toPage = percentiles(drawn.map((r) => r.drawnMs - r.atMs));
    console.log(`field report to page (${toPage.count} row changes drawn in one tab): median ${ms(toPage.p50)}, ` +
      `p99 ${ms(toPage.p99)}`);
    if (applied) {
      const same = drawn.filter((r) => applied.get(r.seq)?.atMs === r.atMs);
      const onPage = percentiles(same.map((r) => r.drawnMs - r.atMs));
      const onDesk = percentiles(same.map((r) => applied.get(r.seq).appliedMs - r.atMs));
      const deskAll = percentiles([...applied.values()].filter((a) => a.appliedMs >= started)
        .map((a) => a.appliedMs - a.atMs));
      console.log(`the same ${same.length} reports: page median ${ms(onPage.p50)}, p99 ${ms(onPage.p99)}; ` +
        `desktop desk's rows median ${ms(onDesk.p50)}, p99 ${ms(onDesk.p99)}; page minus desk: median ` +
        `${signed(onPage.p50 - onDesk.p50)}, p99 ${signed(onPage.p99 - onDesk.p99)} (goal: p99 within 500 ms)`);
      console.log(`the desktop desk over all ${deskAll.count} reports it applied meanwhile: median ${ms(deskAll.p50)}, ` +
        `p99 ${ms(deskAll.p99)}; its CPU ${(deskCpuStorm / wall).toFixed(0)}% of one core`);
    } else {
      const desk = /latency median (\S+) ms, p99 (\S+) ms/.exec(await site.desk.quit());
      if (desk)
        console.log(`the desktop desk meanwhile (its batches, from their publication): median ${desk[1]} ms, p99 ${desk[2]} ms`);
    }
    console.log(`the renderer: ${(storm.count / wall).toFixed(1)} frames/s (quiet before: ${(quiet.count / 2).toFixed(1)}), ` +
      `longest frame gap ${ms(storm.longestMs)}, its main thread busy ${(100 * busy / wall).toFixed(0)}% of the time`);
    console.log(`the tab received ${(received.all / 1024 / wall).toFixed(1)} KB/s, of which the attention list ` +
      `${(received.attention / 1024 / wall).toFixed(1)} KB/s; the web desk's CPU ${(webCpuStorm / wall).toFixed(0)}% ` +
      'of one core');

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
    const tabsWall = (Date.now() - measured) / 1000;
    console.log(`web desk with ${tabs} tabs: CPU ${(100 * (after.cpuS - before.cpuS) / tabsWall).toFixed(0)}% of one core, ` +
      `resident memory ${after.rssMb.toFixed(0)} MB (peak ${peakRss.toFixed(0)} MB) over ${tabsWall.toFixed(0)} s`);

    // 4. One tab sorted by a column, beside the same tab unsorted, the field still at its rate.
    for (const extra of pages.slice(1))
      await extra.close();
    await sleep(2000);
    const unsorted = await webCpu(site, sortSeconds);
    const sorted = [];
    for (const caption of sortBy) {
      const sections = await sortSections(first, caption);
      await sleep(1000);
      sorted.push(`by ${caption} (${sections} sections) ${(await webCpu(site, sortSeconds)).toFixed(0)}%`);
    }
    console.log(`web desk with one tab: CPU of one core unsorted ${unsorted.toFixed(0)}%; sorted ${sorted.join(', ')} ` +
      `(${sortSeconds} s each, load average ${load()})`);
    console.log(`machine: ${os.cpus().length} cores (${os.cpus()[0].model}), ${(os.totalmem() / 2 ** 30).toFixed(0)} GiB, ` +
      'shared with other work while measured');
  } finally {
    await browser.close().catch(() => {});
    site.stop();
  }
}

await main();
