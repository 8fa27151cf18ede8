// What the desk says of its counts (src/wording.ts): section headers, the attention list's header,
// the total line, the find box's matches, the page's title and the kinds of notices.
import assert from 'node:assert/strict';
import test from 'node:test';
import { importPageModule } from './bundled.mjs';

const { abnormalText, deskTotals, isRefusal, noticeKind, sectionCountsText, shownTime } = await importPageModule('wording');

const counts = (rows, shown, alarms, warnings) => ({ section: 0, title: 'Doors', rows, shown, alarms, warnings });

test('a section header says its points, what find hides and what is abnormal, marked by the worst', () => {
  const cases = [
    [counts(0, 0, 0, 0), '0 points', ''],
    [counts(1, 1, 0, 0), '1 point', ''],
    [counts(12, 12, 1, 0), '12 points, 1 alarm', 'alarms'],
    [counts(12, 3, 0, 1), '3 of 12 points, 1 warning', 'warnings'],
    [counts(12, 12, 2, 5), '12 points, 2 alarms, 5 warnings', 'alarms'],
    [counts(1, 0, 0, 2), '0 of 1 point, 2 warnings', 'warnings'],
  ];
  for (const [given, text, mark] of cases)
    assert.deepEqual(sectionCountsText(given), { text, mark }, JSON.stringify(given));
});

test('the attention list\'s header names only what there is', () => {
  assert.deepEqual([[0, 0], [1, 0], [0, 1], [2, 1], [1, 3]].map(([a, w]) => abnormalText(a, w)),
    ['', '1 alarm', '1 warning', '2 alarms, 1 warning', '1 alarm, 3 warnings']);
});

test('the total line adds the points in sight; matches only while finding; the title counts alarms', () => {
  const sections = [counts(10, 4, 1, 0), counts(7, 1, 0, 0), counts(3, 0, 0, 0)];
  assert.deepEqual(deskTotals(sections, 1, 2, ''),
    { total: '5 points, 1 alarms, 2 warnings', matches: '', title: 'Status — 1 alarms' });
  assert.deepEqual(deskTotals(sections, 0, 0, 'gate'),
    { total: '5 points, 0 alarms, 0 warnings', matches: '5 matches', title: 'Status' });
  assert.deepEqual(deskTotals([counts(9, 1, 0, 0)], 0, 4, 'x').matches, '1 match');
  assert.deepEqual(deskTotals([], 0, 0, 'x').matches, '0 matches');
});

test('notices: a fault stays, a restored state clears it, refusals are marked', () => {
  assert.deepEqual(['▲ Field offline since 10:42:13', '● Field online', 'Sent: Unlock', ''].map(noticeKind),
    ['fault', 'restored', 'passing', 'passing']);
  const refusals = ['Command refused by the field', 'Not permitted for akim', 'Access DENIED', 'Sent: Unlock',
    'Relay forced on'];
  assert.deepEqual(refusals.map(isRefusal), [true, true, true, false, false]);
});

test('a shown time has its date and zone, in the zone asked for', () => {
  // 2026-12-07 23:42:05 UTC: the next day already in Tokyo.
  const at = Date.UTC(2026, 11, 7, 23, 42, 5);
  assert.equal(shownTime(at, 'en-GB', 'UTC'), '7 Dec 2026, 23:42:05 UTC');
  assert.equal(shownTime(at, 'en-GB', 'Asia/Tokyo'), '8 Dec 2026, 08:42:05 GMT+9');
});
