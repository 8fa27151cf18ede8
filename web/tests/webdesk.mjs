// Browser tests of the web desk on a real site (tests/site.mjs): the distribution's Chromium
// signs in on the page the web desk serves and checks what an operator sees and can do.
//
//   node webdesk.mjs CASE --app PATH/statusviewer --web-root PATH/web/dist
//
// Exit codes: 0 passed, 1 failed, 77 skipped (no Chromium, or no mosquitto, on this machine).
import crypto from 'node:crypto';
import { haveChromium, launch, signIn } from './browser.mjs';
import { attentionEntries, recordRowChanges, shownCounts, takeRowChanges } from './page.mjs';
import { listenToReports, percentiles, reportLatencies } from './reports.mjs';
import { Relay } from './proxy.mjs';
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
  network_cuts: networkCuts,
  wall_display: wallDisplay,
  /// Signing in shows the rows of the operator's group; choosing another group shows its rows,
  /// section by section as many as the desktop desk shows for it. An operator who may see one
  /// group only is offered only that one.
  async signin_rows({ site, browser, users }) {
    const page = await browser.newPage();
    await signIn(page, site.url(), 'admin', users.admin);
    await page.waitForSelector('.section .rowgroup.body .row', { timeout: 15000 });
    const first = await page.inputValue('#group');
    const firstCounts = await shownCounts(page);
    check(first !== '' && Object.values(firstCounts).some((n) => n > 0), `no rows of the operator's group "${first}"`);

    await page.selectOption('#group', kGroup);
    const desk = countBySection(await site.deskRows());
    const agree = async () => {
      const counts = await shownCounts(page);
      return Object.keys(desk).every((s) => counts[s] === desk[s]) ? counts : null;
    };
    const shown = await waitFor(`the page's counts of "${kGroup}" agree with the desk's`, 10000, agree)
      .catch(async (e) => { throw new Failed(`${e.message}: desk ${JSON.stringify(desk)}, page ${JSON.stringify(await shownCounts(page))}`); });
    // The first rows of every section are drawn, in the desk's order of sections.
    const drawn = await page.$$eval('.section', (sections) => sections.map((s) => s.querySelectorAll('.rowgroup.body .row').length));
    check(drawn.every((n, i) => n > 0 || (shown[i] ?? 0) === 0), `sections with rows drew none: ${drawn}`);
    console.log(`WebDesk: signed in on "${first}"; "${kGroup}" counts the desk's rows per section ${JSON.stringify(shown)}`);

    // Enter on an attention entry goes to its row, also to one its section has not loaded: the
    // lowest such entry, reached with the keyboard.
    const entries = await attentionEntries(page);
    check(entries.length > 0, 'the demo site shows nothing in the attention list');
    const loaded = async (point) => {
      const [section, key] = point.split(':');
      return (await page.$(`.section[data-section="${section}"] .rowgroup.body .row[data-key="${key}"]`)) !== null;
    };
    let target = entries.length - 1;
    while (target > 0 && await loaded(entries[target].point))
      --target;
    const entry = entries[target];
    const wasLoaded = await loaded(entry.point);
    await page.focus('#attention [role=grid]');
    await page.keyboard.press('Home');
    for (let i = 0; i < target; ++i)
      await page.keyboard.press('ArrowDown');
    await page.keyboard.press('Enter');
    const [section, key] = entry.point.split(':');
    const reached = await waitFor(`Enter on "${entry.name}" in the attention list reached its row`, 5000, () =>
      page.evaluate(({ section, key }) => {
        const grid = document.querySelector(`.section[data-section="${section}"] [role=grid]`);
        const current = grid.getAttribute('aria-activedescendant');
        const row = current ? document.getElementById(current) : null;
        return document.activeElement === grid && row !== null && row.dataset.key === key
          ? row.querySelector('[role=gridcell] .text').textContent : null;
      }, { section, key }));
    check(reached === entry.name, `Enter on "${entry.name}" went to "${reached}"`);
    console.log(`WebDesk: Enter on attention entry ${target + 1} went to its row "${reached}"` +
      (wasLoaded ? '' : ' (not loaded before)'));

    const viewerBrowser = await launch();
    try {
      const viewer = await viewerBrowser.newPage();
      await signIn(viewer, site.url(), 'akim', users.akim);
      await viewer.waitForSelector('.section .rowgroup.body .row', { timeout: 15000 });
      const groups = await viewer.$$eval('#group option', (options) => options.map((o) => o.textContent));
      check(!groups.includes(kGroup), `akim is offered "${kGroup}": ${groups.join(', ')}`);
    } finally {
      await viewerBrowser.close();
    }
  },

  /// Two sign-ins of one operator, each a guard's tab: one chooses another group and a find text,
  /// the other "Abnormal only"; each keeps its own view, also through a reload.
  async tab_views({ site, browser, users }) {
    const first = await browser.newPage();
    const otherBrowser = await launch();
    try {
      const second = await otherBrowser.newPage();
      await signIn(first, site.url(), 'admin', users.admin);
      await signIn(second, site.url(), 'admin', users.admin);
      for (const page of [first, second])
        await page.waitForSelector('.section .rowgroup.body .row', { timeout: 15000 });
      const sum = (counts) => Object.values(counts).reduce((a, b) => a + b, 0);
      const all = sum(await shownCounts(second));
      const start = await second.inputValue('#group');
      const groups = await first.$$eval('#group option', (options) => options.map((o) => o.value));
      const other = groups.find((g) => g !== start && g !== '' && !g.startsWith('<'));
      check(other !== undefined, `only "${start}" is offered: ${groups.join(', ')}`);

      await first.selectOption('#group', other);
      await waitFor(`the first tab shows rows of "${other}"`, 10000, async () => sum(await shownCounts(first)) > 0);
      // A find text that some of the group's rows hold: the first word of a row's name.
      const find = (await first.textContent('.section .rowgroup.body .row [role=gridcell]:first-child .text')).split(' ')[0];
      await first.fill('#find', find);
      await second.check('#abnormal');
      const views = async () => ({
        first: { group: await first.inputValue('#group'), find: await first.inputValue('#find'), rows: sum(await shownCounts(first)) },
        second: { group: await second.inputValue('#group'), abnormal: await second.isChecked('#abnormal'), rows: sum(await shownCounts(second)) },
      });
      const apart = await waitFor('each tab shows its own view', 10000, async () => {
        const v = await views();
        return v.first.group === other && v.second.group === start && v.second.rows < all && v.second.rows > 0 ? v : null;
      }).catch(async (e) => { throw new Failed(`${e.message}: ${JSON.stringify(await views())}`); });
      await sleep(2000);
      const later = await views();
      check(later.first.group === other && later.first.find === find, `the first tab lost its view: ${JSON.stringify(later)}`);
      check(later.second.group === start && later.second.abnormal && later.second.rows === apart.second.rows,
        `the second tab's view changed with the first's: ${JSON.stringify(later)}`);
      const names = await first.$$eval('.section .rowgroup.body .row [role=gridcell]:first-child .text',
        (cells) => cells.map((c) => c.textContent));
      check(names.length > 0 && names.every((n) => n.toLowerCase().includes(find.toLowerCase())), `the first tab's find shows ${names.slice(0, 5).join(', ')}`);

      // A reload of the first tab comes back to its own group; the second stays on its own.
      await first.reload();
      await first.waitForSelector('.section .rowgroup.body .row', { timeout: 15000 });
      await waitFor(`the reloaded tab shows "${other}" again`, 10000, async () => (await first.inputValue('#group')) === other);
      check((await second.inputValue('#group')) === start, 'the reload moved the other tab');
      console.log(`WebDesk: two tabs of one operator: "${other}" with find "${find}" (${later.first.rows} rows) beside ` +
        `"${start}" abnormal only (${later.second.rows} of ${all} rows); the reload kept "${other}"`);
    } finally {
      await otherBrowser.close();
    }
  },

  /// On a phone (390 px wide) every section's state column is in sight beside the name, also with
  /// its other columns scrolled; a header click sorts the section, a second reverses it, a drag
  /// on its edge resizes the column, and the tab keeps both through a reload.
  async columns_narrow({ site, users }) {
    const phone = await launch({ width: 390, height: 800 });
    try {
      const page = await phone.newPage();
      await signIn(page, site.url(), 'admin', users.admin);
      await page.waitForSelector('.section .rowgroup.body .row', { timeout: 15000 });
      const stateInSight = () => page.$$eval('.section:not(.empty)', (sections) => sections.map((section) => {
        const heads = [...section.querySelectorAll('[role=columnheader]')];
        const state = heads.find((h) => /\b(status|state)\b/i.test(h.textContent));
        const row = section.querySelector('.rowgroup.body .row');
        const cell = state && row ? row.querySelector(`[aria-colindex="${state.getAttribute('aria-colindex')}"]`) : null;
        const box = cell?.getBoundingClientRect();
        return { section: section.dataset.section, state: state?.textContent ?? null,
          inSight: box !== undefined && box.left >= 0 && box.right <= window.innerWidth && box.width > 20 };
      }));
      const shown = await stateInSight();
      check(shown.length > 0 && shown.every((s) => s.state === null || s.inSight),
        `a state column is out of sight at 390 px: ${JSON.stringify(shown)}`);
      check(shown.some((s) => s.state !== null), `no section shows a state column: ${JSON.stringify(shown)}`);
      await page.$$eval('.grid-scroll', (scrollers) => scrollers.forEach((s) => { s.scrollLeft = s.scrollWidth; }));
      await sleep(300);
      const scrolled = await stateInSight();
      check(scrolled.every((s) => s.state === null || s.inSight), `scrolled right, a state column left sight: ${JSON.stringify(scrolled)}`);
      const cut = await page.$eval('.section:not(.empty) .rowgroup.body .row [role=gridcell] .text', (t) => t.title === t.textContent);
      check(cut, 'a name cell has no tooltip of its whole text');

      // Sorting and resizing the first section with rows, by its name column.
      const section = await page.$eval('.section:not(.empty)', (s) => s.dataset.section);
      const grid = `.section[data-section="${section}"]`;
      const names = () => page.$$eval(`${grid} .rowgroup.body .row`, (rows) => rows
        .sort((a, b) => Number(a.dataset.index) - Number(b.dataset.index))
        .map((row) => row.querySelector('[aria-colindex="1"] .text').textContent));
      const sortedBy = async (descending) => waitFor(`the rows sorted ${descending ? 'down' : 'up'}`, 10000, async () => {
        const now = await names();
        const want = [...now].sort((a, b) => (descending ? -1 : 1) * a.localeCompare(b, 'en', { sensitivity: 'accent' }));
        return now.length > 1 && now.every((n, i) => n.toLowerCase() === want[i].toLowerCase()) ? now : null;
      });
      await page.click(`${grid} [role=columnheader][aria-colindex="1"] .sort`);
      const up = await sortedBy(false);
      await page.click(`${grid} [role=columnheader][aria-colindex="1"] .sort`);
      const down = await sortedBy(true);
      check(up[0] !== down[0], `reversed, the first row is the same: ${up[0]}`);
      const head = `${grid} [role=columnheader][aria-colindex="1"]`;
      const widthBefore = (await page.$eval(head, (h) => h.getBoundingClientRect().width));
      const edge = await page.$eval(`${head} .resize`, (h) => { const b = h.getBoundingClientRect(); return { x: b.x + b.width / 2, y: b.y + b.height / 2 }; });
      await page.mouse.move(edge.x, edge.y);
      await page.mouse.down();
      await page.mouse.move(edge.x + 60, edge.y, { steps: 5 });
      await page.mouse.up();
      const widthAfter = await page.$eval(head, (h) => h.getBoundingClientRect().width);
      check(widthAfter > widthBefore + 40, `dragged 60 px wider, the column went from ${widthBefore} to ${widthAfter} px`);

      await page.reload();
      await page.waitForSelector(`${grid} .rowgroup.body .row`, { timeout: 15000 });
      await sortedBy(true);
      const widthKept = await page.$eval(head, (h) => h.getBoundingClientRect().width);
      check(Math.abs(widthKept - widthAfter) < 2, `the reload lost the width: ${widthAfter} then ${widthKept} px`);
      console.log(`WebDesk: at 390 px the state column is in sight in ${shown.filter((s) => s.state).length} sections, ` +
        `also scrolled; sorted "${up[0]}" up and "${down[0]}" down; a column dragged from ${widthBefore.toFixed(0)} to ` +
        `${widthAfter.toFixed(0)} px; both kept through a reload`);
    } finally {
      await phone.close();
    }
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

    const latencies = reportLatencies(await takeRowChanges(page), batches);
    check(latencies.length >= 10, `only ${latencies.length} row changes on the page matched a field report`);
    const { p50, p99, count } = percentiles(latencies);
    console.log(`WebDesk: ${newAlarms} new alarms went in on top; field report to page: median ${p50} ms, ` +
      `p99 ${p99} ms over ${count} changes`);
    check(p99 <= 1000, `field reports took more than a second to reach the page: median ${p50} ms, p99 ${p99} ms`);
  },

  /// A command the operator may send, chosen from the row's menu, changes the row on the desktop
  /// desk too. A greyed entry sends nothing; what the field would refuse (a guard's boundary covers
  /// the door of the relay) is greyed.
  /// "At" a moment a few seconds back: the whole page takes the past's look under its banner, a
  /// row's menu offers nothing, a step key asks for the next report, and "Live" brings it back.
  async past_moment({ site, browser, users }) {
    const page = await browser.newPage();
    const steps = [];
    page.on('websocket', (ws) => ws.on('framesent', (frame) => {
      if (String(frame.payload).includes('"t":"pastStep"'))
        steps.push(String(frame.payload));
    }));
    await signIn(page, site.url(), 'admin', users.admin);
    const row = page.locator('.section .rowgroup.body .row').first();
    await row.waitFor({ timeout: 15000 });
    // Reports for the history to step through: the moment shown has some after it.
    await site.field.ask('start');
    await sleep(3000);
    await page.evaluate(() => {
      const d = new Date(Date.now() - 2000);
      const two = (n) => String(n).padStart(2, '0');
      document.querySelector('.past-bar input[type="datetime-local"]').value =
        `${d.getFullYear()}-${two(d.getMonth() + 1)}-${two(d.getDate())}T${two(d.getHours())}:${two(d.getMinutes())}:${two(d.getSeconds())}`;
    });
    await page.click('.past-bar button.at');
    await page.waitForFunction(() => document.querySelector('#desk.past .past-banner')?.textContent.includes('not live'),
      undefined, { timeout: 30000 });
    await row.click();
    await page.keyboard.press('Shift+F10');
    await page.waitForSelector('.menu:not([hidden])');
    const enabled = await page.$$eval('.menu [role=menuitem]', (items) =>
      items.filter((i) => i.getAttribute('aria-disabled') !== 'true').map((i) => i.textContent));
    check(enabled.length === 0, `the past offers commands: ${enabled.join(', ')}`);
    await page.keyboard.press('Escape');
    // The step is taken over the bus: the stretch the field sent holds the next report.
    const banner = () => page.$eval('.past-banner', (b) => b.textContent);
    const before = await banner();
    await page.keyboard.press('ArrowRight');
    await waitFor('a step asked by the key', 5000, () => steps.length > 0);
    await waitFor('the banner moved on by a report', 15000, async () => (await banner()) !== before);
    await page.click('.past-bar button.live');
    await page.waitForSelector('#desk:not(.past) .past-banner[hidden]', { state: 'attached', timeout: 15000 });
  },

  async commands({ site, browser, users }) {
    const relayRow = (page, name) => page.locator('.section[data-section="2"] .rowgroup.body .row', { hasText: name });
    const addressOf = (row) => row.locator('[role=gridcell]').nth(1).textContent();
    const deskRow = async (address) => (await site.deskRows()).find((line) => line.includes(`\tAddress=${address}\t`));
    const commandsSent = (page) => {
      const sent = [];
      page.on('websocket', (ws) => ws.on('framesent', (frame) => {
        if (String(frame.payload).includes('"t":"command"'))
          sent.push(String(frame.payload));
      }));
      return sent;
    };

    // The administrator forces a relay on, by the keyboard: the row's menu (Shift+F10), down to the
    // entry, Enter.
    const page = await browser.newPage();
    await signIn(page, site.url(), 'admin', users.admin);
    const lighting = relayRow(page, 'Lighting Zone');
    await lighting.waitFor({ timeout: 15000 });
    const address = await addressOf(lighting);
    const before = await deskRow(address);
    check(before !== undefined, `the desktop desk does not show ${address}`);
    await lighting.click();
    await page.keyboard.press('Shift+F10');
    await page.waitForSelector('.menu:not([hidden])');
    const entries = await page.$$eval('.menu [role=menuitem]', (items) => items.map((i) => i.textContent));
    const forceOn = entries.findIndex((text) => /Force ON$/.test(text));
    check(forceOn >= 0, `no Force ON in the relay's menu: ${entries.join(', ')}`);
    const focused = await page.evaluate(() => [...document.querySelectorAll('.menu [role=menuitem]')].indexOf(document.activeElement));
    for (let i = focused; i < forceOn; ++i)
      await page.keyboard.press('ArrowDown');
    await page.keyboard.press('Enter');
    check(await page.isHidden('.menu'), 'the menu stayed open after its command was sent');
    const after = await waitFor('the forced relay changed on the desktop desk', 10000, async () => {
      const row = await deskRow(address);
      return row !== before ? row : null;
    });
    await waitFor('the forced relay changed on the page', 5000, async () =>
      /status=on|forced|on/i.test(await lighting.locator('[role=gridcell]').nth(2).textContent()));
    console.log(`WebDesk: Force ON from the page reached the desktop desk: ${after.split('\t').filter((c) => c.startsWith('Status=')).join('')}`);

    // The guard: the door under the boundary greys its commands; choosing one sends nothing and
    // Esc closes the menu.
    const guardBrowser = await launch();
    try {
      const guard = await guardBrowser.newPage();
      const sent = commandsSent(guard);
      await signIn(guard, site.url(), 'mlee', users.mlee);
      const door = guard.locator('.section[data-section="0"] .rowgroup.body .row', { hasText: 'Garage Gate' }).first();
      await door.waitFor({ timeout: 15000 });
      await door.click({ button: 'right' });
      const greyed = guard.locator('.menu [role=menuitem][aria-disabled="true"]', { hasText: 'Unlock' });
      await greyed.waitFor();
      await greyed.click({ force: true });
      await sleep(500);
      check(sent.length === 0, `a greyed entry sent a command: ${sent}`);
      await guard.keyboard.press('Escape');
      check(await guard.isHidden('.menu'), 'Esc did not close the menu');

      // The door's strike acts on the door the boundary keeps her from: the menu offers it greyed,
      // as the field would refuse it, and a click on it sends nothing.
      const strike = relayRow(guard, 'Garage Gate Strike');
      const strikeAddress = await addressOf(strike);
      const strikeBefore = await deskRow(strikeAddress);
      await strike.click({ button: 'right' });
      const force = guard.locator('.menu [role=menuitem][aria-disabled="true"]', { hasText: /Force ON$/ });
      await force.waitFor();
      await force.click({ force: true });
      await sleep(500);
      check(sent.length === 0, `a greyed strike entry sent a command: ${sent}`);
      check(await deskRow(strikeAddress) === strikeBefore, 'the strike changed on the desktop desk');
      await guard.keyboard.press('Escape');
      console.log('WebDesk: greyed entries, the door\'s and its strike\'s, sent nothing');
    } finally {
      await guardBrowser.close();
    }
  },

  /// A point shelved from the page leaves its attention list and is listed under "Shelved", naming
  /// who shelved it and until when; another operator's page lists it too.
  async shelving({ site, browser, users }) {
    const page = await browser.newPage();
    page.on('dialog', (dialog) => dialog.accept('15'));
    await signIn(page, site.url(), 'admin', users.admin);
    await page.waitForSelector('#attention tbody tr', { timeout: 15000 });
    const [entry] = await attentionEntries(page);
    const row = page.locator(`#attention tbody tr[data-point="${entry.point}"]`);
    const address = await row.locator('td.c3').textContent();
    await row.click();
    await page.keyboard.press('Control+Shift+H');
    const item = page.locator(`#attention .shelved li[data-address="${address.replaceAll('\\', '\\\\')}"]`);
    await item.waitFor({ state: 'attached', timeout: 10000 })
      .catch(() => { throw new Failed(`${entry.name} is not listed under "Shelved" 10 s after shelving it`); });
    const text = await item.textContent();
    check(text.startsWith(`${entry.name} (${address}), shelved by admin until `) && /\d\d:\d\d:\d\d$/.test(text),
      `the shelved point reads "${text}"`);
    check(/^Shelved \(\d+\)$/.test(await page.textContent('#attention .shelved summary')), 'the list has no count');
    await waitFor(`${entry.name} left the attention list`, 5000, async () =>
      !(await attentionEntries(page)).some((e) => e.point === entry.point));

    const watcherBrowser = await launch();
    try {
      const watcher = await watcherBrowser.newPage();
      await signIn(watcher, site.url(), 'mlee', users.mlee);
      const listed = await waitFor('the shelved point is listed for another operator', 10000, async () =>
        (await watcher.$$eval('#attention .shelved li', (items) => items.map((i) => i.textContent))).find((t) =>
          t.includes(address)) ?? null);
      check(listed.includes('shelved by admin'), `another operator reads "${listed}"`);
      console.log(`WebDesk: shelved from the page, listed as "${text}"`);
    } finally {
      await watcherBrowser.close();
    }
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
    // Each wrong password after the wait doubles it; once it is long, the right password sent at
    // once is refused as well, and accepted on the page after the wait.
    const api = new URL('/api/signin', site.url()).href;
    let wait = limited.retryAfter;
    while (wait < 4) {
      await sleep(wait * 1000 + 100);
      const wrong = await page.request.post(api, { data: { login: 'admin', password: 'wrong-again' } });
      check(wrong.status() === 401, `a wrong password after the wait got ${wrong.status()}`);
      const next = await page.request.post(api, { data: { login: 'admin', password: 'wrong-again' } });
      check(next.status() === 429, `a wrong password straight after another got ${next.status()}, not 429`);
      check(Number(next.headers()['retry-after']) > wait, 'the wait did not grow after another wrong password');
      wait = Number(next.headers()['retry-after']);
    }
    const right = await page.request.post(api, { data: { login: 'admin', password: users.admin } });
    check(right.status() === 429, `the right password while rate-limited got ${right.status()}, not 429`);
    await sleep(wait * 1000 + 100);
    await signIn(page, site.url(), 'admin', users.admin);
    console.log(`WebDesk: rate-limited after ${limited.attempt} wrong passwords (Retry-After ${limited.retryAfter} s, ` +
      `growing to ${wait} s); the right password waited too, then signed in`);
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

/// What the tab shows of its link: whether the sign-in form is up, the desk greyed, and the line
/// that says why.
async function linkShown(page) {
  return page.evaluate(() => ({
    signIn: !document.getElementById('signin').hidden,
    stale: document.getElementById('desk').classList.contains('stale'),
    text: document.getElementById('link-state').textContent,
  }));
}

/// Through a relay the test cuts and freezes: the tab stays signed in through a cut of any length,
/// says it is reconnecting and since when, comes back live; a frozen connection greys the tab
/// within five seconds; a server that hears nothing from the page closes its socket.
async function networkCuts({ site, browser, users }) {
  const relay = await Relay.start(site.webPort);
  try {
    const page = await browser.newPage();
    await signIn(page, relay.url(), 'admin', users.admin);
    await page.waitForSelector('.section .rowgroup.body .row', { timeout: 15000 });
    const live = async () => {
      const shown = await linkShown(page);
      check(!shown.signIn, `the tab shows the sign-in form: ${JSON.stringify(shown)}`);
      return !shown.stale && shown.text === '';
    };
    for (const seconds of [3, 60]) {
      relay.cut();
      const lost = await waitFor(`the tab says it reconnects during a ${seconds} s cut`, 5000, async () => {
        const shown = await linkShown(page);
        check(!shown.signIn, `the sign-in form showed during a ${seconds} s cut`);
        return shown.stale && /reconnecting since .*\d{4}/i.test(shown.text) ? shown.text : null;
      });
      const until = Date.now() + seconds * 1000;
      while (Date.now() < until) {
        check(!(await linkShown(page)).signIn, `the sign-in form showed during a ${seconds} s cut`);
        await sleep(500);
      }
      relay.restore();
      // The page waits at most ten seconds between attempts.
      await waitFor(`the tab was live again after a ${seconds} s cut`, 15000, live);
      console.log(`WebDesk: a ${seconds} s cut: "${lost}", then live again without signing in`);
    }

    relay.freeze();
    const frozenAt = Date.now();
    const stale = await waitFor('the frozen tab greyed within 5 s', 5000, async () => {
      const shown = await linkShown(page);
      return shown.stale ? shown.text : null;
    });
    console.log(`WebDesk: a frozen connection greyed the tab after ${Date.now() - frozenAt} ms: "${stale}"`);
    relay.restore();
    await waitFor('the tab was live again after the freeze', 30000, live);
  } finally {
    relay.close();
  }
}

/// With --idle-minutes 1, a wall display's tab left alone stays signed in and live, while an
/// operator's tab left alone as long is signed out. Waits the idle time out: a long test.
async function wallDisplay({ site, browser, users }) {
  const wall = await browser.newPage();
  await wall.goto(site.url());
  await wall.fill('input[name=login]', 'akim');
  await wall.fill('input[name=password]', users.akim);
  await wall.check('input[name=wall]');
  await wall.click('#signin button[type=submit]');
  await wall.waitForSelector('#desk:not([hidden])', { timeout: 15000 });
  const desk = await launch();
  try {
    const page = await desk.newPage();
    await signIn(page, site.url(), 'admin', users.admin);
    await wall.waitForSelector('.section .rowgroup.body .row', { timeout: 15000 });
    const started = Date.now();
    await waitFor('the operator\'s idle tab was signed out', 150000, async () => (await linkShown(page)).signIn);
    const idleS = Math.round((Date.now() - started) / 1000);
    await sleep(15000);
    const shown = await linkShown(wall);
    check(!shown.signIn && !shown.stale, `the wall display did not stay live: ${JSON.stringify(shown)}`);
    console.log(`WebDesk: the operator's idle tab was signed out after ${idleS} s; the wall display stayed live ` +
      `${Math.round((Date.now() - started) / 1000)} s`);
  } finally {
    await desk.close();
  }
}

const kRates = { live_reports: 200, network_cuts: 50, past_moment: 50 };
const kWebArgs = { wall_display: ['--idle-minutes', '1'] };

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
      users: Object.entries(users).map(([login, secret]) => ({ login, password: secret })),
      webArgs: kWebArgs[name],
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
