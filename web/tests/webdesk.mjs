// Browser tests of the web desk on a real site (tests/site.mjs): the distribution's Chromium
// signs in on the page the web desk serves and checks what an operator sees and can do.
//
//   node webdesk.mjs CASE --app PATH/statusviewer --web-root PATH/web/dist
//
// Exit codes: 0 passed, 1 failed, 77 skipped (no Chromium, or no mosquitto, on this machine).
import crypto from 'node:crypto';
import { haveChromium, launch, signIn } from './browser.mjs';
import { attentionEntries, recordRowChanges, shownCounts, takeRowChanges } from './page.mjs';
import { listenToReports, percentiles } from './reports.mjs';
import { Site, findTool, kGroup, sleep } from './site.mjs';

class Failed extends Error {}

function check(condition, message) {
  if (!condition)
    throw new Failed(message);
}

async function waitFor(what, timeoutMs, probe) {
  const deadline = Date.now() + timeoutMs;
  for (;;) {
    const value = await probe();
    if (value)
      return value;
    if (Date.now() > deadline)
      throw new Failed(`${what} within ${timeoutMs / 1000} s`);
    await sleep(100);
  }
}

const password = () => crypto.randomBytes(12).toString('base64url');
const kMarkupName = '<img src=x onerror=alert(1)>';

/// The desktop desk's rows per section number.
function countBySection(lines) {
  const counts = {};
  for (const line of lines) {
    const section = line.split('\t')[0];
    counts[section] = (counts[section] ?? 0) + 1;
  }
  return counts;
}

const cases = {
  /// Signing in shows the operator's group: every section counts the rows the desktop desk shows
  /// for the same group, and the first rows are drawn.
  async signin_rows({ site, browser, users }) {
    const page = await browser.newPage();
    await signIn(page, site.url(), 'admin', users.admin);
    await page.waitForSelector('.section .rowgroup.body .row', { timeout: 15000 });
    check(await page.inputValue('#group') === kGroup, 'the page does not show the operator\'s group');
    const desk = countBySection(await site.deskRows());
    const shown = await waitFor('the page\'s section counts agree with the desk', 10000, async () => {
      const counts = await shownCounts(page);
      return Object.keys(desk).every((s) => counts[s] === desk[s]) ? counts : null;
    }).catch(async (e) => { throw new Failed(`${e.message}: desk ${JSON.stringify(desk)}, page ${JSON.stringify(await shownCounts(page))}`); });
    console.log(`WebDesk: signed in; the page counts the desk's rows per section ${JSON.stringify(shown)}`);

    // An operator who may see only one group is offered only that one.
    const viewer = await (await launch()).newPage();
    await signIn(viewer, site.url(), 'akim', users.akim);
    const groups = await viewer.$$eval('#group option', (options) => options.map((o) => o.textContent));
    check(!groups.includes(kGroup), `akim is offered "${kGroup}": ${groups.join(', ')}`);
    await viewer.context().close();
  },

  /// The field's reports reach the page within a second, and a new alarm goes in at the top of the
  /// attention list.
  async live_reports({ site, browser, users }) {
    const page = await browser.newPage();
    await signIn(page, site.url(), 'admin', users.admin);
    await page.waitForSelector('.section .rowgroup.body .row', { timeout: 15000 });
    await recordRowChanges(page);
    const batches = [];
    const listener = listenToReports(site, (batch) => batches.push(batch));
    await sleep(500);
    await site.field.ask('start');

    const seenAlarms = new Set((await attentionEntries(page)).filter((e) => e.severity === 'alarm').map((e) => e.point));
    let newAlarms = 0;
    const deadline = Date.now() + 40000;
    const started = Date.now();
    while (Date.now() < deadline && (newAlarms < 1 || Date.now() - started < 8000)) {
      const entries = await attentionEntries(page);
      const fresh = entries.filter((e) => e.severity === 'alarm' && !e.cleared && !seenAlarms.has(e.point));
      for (const entry of fresh) {
        const at = entries.findIndex((e) => e.point === entry.point);
        check(at < fresh.length, `a new alarm (${entry.name}) went in at place ${at + 1} of the attention list, not on top: ` +
          entries.slice(0, 5).map((e) => `${e.severity} ${e.name}`).join('; '));
        seenAlarms.add(entry.point);
        ++newAlarms;
      }
      await sleep(100);
    }
    listener.stop();
    check(newAlarms > 0, 'no new alarm reached the attention list within 40 s of traffic');

    const latencies = [];
    for (const change of await takeRowChanges(page)) {
      const address = change.address;
      let sent = null;
      for (const batch of batches)
        if (batch.sentMs <= change.t && batch.addresses.includes(address))
          sent = batch.sentMs;
      if (sent !== null)
        latencies.push(change.t - sent);
    }
    check(latencies.length >= 10, `only ${latencies.length} row changes on the page matched a field report`);
    const { p50, p99, count } = percentiles(latencies);
    console.log(`WebDesk: ${newAlarms} new alarms went in on top; field report to page: median ${p50} ms, ` +
      `p99 ${p99} ms over ${count} changes`);
    check(p99 <= 1000, `field reports took more than a second to reach the page: median ${p50} ms, p99 ${p99} ms`);
  },

  /// A command the operator may send changes the row on the desktop desk too; one the field
  /// refuses is told on the page.
  async commands({ site, browser, users }) {
    throw new Failed('not written yet');
  },

  /// Wrong passwords are rate-limited: after a few, even the right one waits.
  async signin_rate_limit({ site, browser, users }) {
    const page = await browser.newPage();
    await page.goto(site.url());
    let limited = null;
    for (let attempt = 1; attempt <= 20 && limited === null; ++attempt) {
      await page.fill('input[name=login]', 'admin');
      await page.fill('input[name=password]', `wrong-${attempt}`);
      const answer = page.waitForResponse((r) => r.url().endsWith('/api/signin'));
      await page.click('#signin button[type=submit]');
      const response = await answer;
      await page.waitForFunction(() => document.getElementById('signin-error').textContent !== '');
      if (response.status() === 429)
        limited = { attempt, retryAfter: Number(response.headers()['retry-after']) };
      else
        check(response.status() === 401, `a wrong password got ${response.status()}`);
    }
    check(limited !== null, '20 wrong passwords in a row were not rate-limited');
    check(limited.retryAfter > 0, 'the rate-limited answer has no Retry-After');
    const told = await page.textContent('#signin-error');
    check(/try again/i.test(told), `the page does not say when to try again: "${told}"`);
    check(await page.isDisabled('#signin button[type=submit]'), 'the sign-in button is not held while rate-limited');
    // The right password, straight from another page: still refused while the limit holds.
    const right = await page.request.post(new URL('/api/signin', site.url()).href,
      { data: { login: 'admin', password: users.admin } });
    check(right.status() === 429, `the right password right after the limit got ${right.status()}, not 429`);
    console.log(`WebDesk: rate-limited after ${limited.attempt} wrong passwords (Retry-After ${limited.retryAfter} s)`);
  },

  /// A point named like markup shows as those characters, and no script of it runs.
  async markup_as_text({ site, browser, users }) {
    const page = await browser.newPage();
    const dialogs = [];
    page.on('dialog', async (dialog) => {
      dialogs.push(dialog.message());
      await dialog.dismiss();
    });
    await signIn(page, site.url(), 'admin', users.admin);
    await page.fill('#find', 'onerror');
    const cell = await waitFor('the point named like markup is found', 10000, async () => {
      const texts = await page.$$eval('.rowgroup.body .row [role=gridcell]:first-child .text', (cells) =>
        cells.map((c) => c.textContent));
      return texts.find((t) => t.includes('onerror')) ?? null;
    });
    check(cell === kMarkupName, `the name shows as "${cell}"`);
    check(await page.$$eval('#sections img, #attention img', (images) => images.length) === 0,
      'the name became an image element');
    await sleep(500);
    check(dialogs.length === 0, `a script of the name ran: ${dialogs.join(', ')}`);
    console.log('WebDesk: a point named like markup shows as text; no script ran');
  },
};

const kRates = { live_reports: 200 };

async function main() {
  const args = process.argv.slice(2);
  const name = args[0];
  const option = (flag) => {
    const at = args.indexOf(flag);
    return at >= 0 ? args[at + 1] : undefined;
  };
  if (!(name in cases)) {
    console.error(`usage: node webdesk.mjs ${Object.keys(cases).join('|')} --app PATH --web-root DIR`);
    return 2;
  }
  if (!haveChromium()) {
    console.log('WebDesk: SKIPPED: no Chromium at /usr/bin/chromium (bash scripts/bootstrap.sh installs it)');
    return 77;
  }
  if (!findTool('mosquitto')) {
    console.log('WebDesk: SKIPPED: mosquitto is not installed (bash scripts/bootstrap.sh installs it)');
    return 77;
  }
  const users = { admin: password(), mlee: password(), akim: password() };
  let site = null, browser = null;
  try {
    site = await Site.start({
      app: option('--app'), webRoot: option('--web-root'), rate: kRates[name] ?? 0, keep: !!process.env.WEBDESK_KEEP,
      users: Object.entries(users).map(([login, secret]) => ({ login, operator: login, password: secret })),
      doorName: name === 'markup_as_text' ? kMarkupName : undefined,
    });
    browser = await launch();
    await cases[name]({ site, browser, users });
    console.log(`WebDesk ${name}: passed`);
    return 0;
  } catch (error) {
    console.log(`WebDesk ${name}: FAILED: ${error instanceof Failed ? error.message : error.stack}`);
    if (site !== null)
      console.log(`web desk's log:\n${site.web?.log().slice(-3000) ?? ''}`);
    return 1;
  } finally {
    await browser?.close().catch(() => {});
    site?.stop();
  }
}

process.exitCode = await main();
