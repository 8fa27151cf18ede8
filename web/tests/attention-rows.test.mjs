// The attention list's rows from one list to the next (src/attentionRows.ts): a point's row is
// kept while it shows the same, drawn again when it changed, and the current entry follows its point.
import assert from 'node:assert/strict';
import test from 'node:test';
import { importPageModule } from './bundled.mjs';

const { acknowledgementText, currentIndex, entryTexts, planRows, pointOf, shelvedText, shelveMinutes } =
  await importPageModule('attentionRows');

const entry = (section, key, words = 'Forced open', cleared = false) => ({
  key, section, severity: 'alarm', kind: 'Doors', name: `Door ${key}`, address: `\\\\SNET.P001.C0101.DR0${key}`,
  words, since: '10:42:13', cleared,
});

/// The rows drawn for a list: a made-up row per point, with what it showed.
function drawnFor(entries) {
  return new Map(entries.map((e) => [pointOf(e), { row: `row of ${pointOf(e)}`, shows: JSON.stringify(e) }]));
}

test('a point is named by its section and its key', () => {
  assert.deepEqual([entry(0, 7), entry(3, 7), entry(0, 12)].map(pointOf), ['0:7', '3:7', '0:12']);
});

test('rows showing the same are kept wherever they moved; changed, new and repeated points are drawn', () => {
  const before = [entry(0, 1), entry(1, 2, 'Masked'), entry(0, 3)];
  const after = [
    entry(0, 3),                     // moved up, unchanged: kept
    entry(1, 4, 'In alarm'),         // new: drawn
    entry(0, 1, 'Held open'),        // reworded: drawn again
    entry(1, 2, 'Masked', true),     // cleared: drawn again
    entry(0, 3),                     // the same point twice: the second is drawn
  ];
  const plan = planRows(after, drawnFor(before));
  assert.deepEqual(plan.map((p) => p.point), ['0:3', '1:4', '0:1', '1:2', '0:3']);
  assert.deepEqual(plan.map((p) => p.kept), ['row of 0:3', undefined, undefined, undefined, undefined]);
  assert.equal(plan[2].shows, JSON.stringify(after[2]));
  assert.deepEqual(planRows([], drawnFor(before)), []);
  assert.deepEqual(planRows(before, new Map()).map((p) => p.kept), [undefined, undefined, undefined]);
});

test('the current entry follows its point and is lost when the point leaves the list', () => {
  const list = [entry(0, 1), entry(1, 1), entry(0, 2)];
  assert.equal(currentIndex(list, '1:1'), 1);
  assert.equal(currentIndex(list, '0:2'), 2);
  assert.equal(currentIndex(list, '0:9'), -1);
  assert.equal(currentIndex(list, ''), -1);
  assert.equal(currentIndex([], '0:1'), -1);
});

test('an entry\'s cells say when it began, and that it cleared', () => {
  assert.deepEqual(entryTexts(entry(0, 1)),
    ['Doors', 'Door 1', '\\\\SNET.P001.C0101.DR01', 'Forced open', '10:42:13']);
  assert.deepEqual(entryTexts(entry(0, 1, 'Forced open', true))[4], 'cleared (10:42:13)');
});

test('an alarm says in words whether it waits for an acknowledgement and who gave it', () => {
  const alarm = (unacknowledged, cleared, acknowledgedBy = '') => ({ ...entry(0, 1, 'Forced open', cleared), unacknowledged, acknowledgedBy });
  assert.equal(acknowledgementText(alarm(true, false)), 'not acknowledged');
  assert.equal(acknowledgementText(alarm(true, true)), 'cleared, not acknowledged');
  assert.equal(acknowledgementText(alarm(false, false, 'mlee')), 'acknowledged by mlee');
  assert.equal(acknowledgementText({ ...alarm(false, false), severity: 'warning' }), '');
});

test('a shelving is 15 minutes to 8 hours, typed as whole minutes', () => {
  for (const [typed, minutes] of [['15', 15], [' 480 ', 480], ['60', 60], ['14', null], ['481', null], ['', null],
    ['1e2', null], ['30.5', null], ['-20', null], ['0x20', null], ['99999', null]])
    assert.equal(shelveMinutes(typed), minutes, typed);
});

test('a shelved point reads with its name, who shelved it and until when', () => {
  const point = { address: '\\\\SNET.P001.C0101.BI03', name: 'Loading Dock Contact', by: 'mlee', until: '10:42:13' };
  assert.equal(shelvedText(point), 'Loading Dock Contact (\\\\SNET.P001.C0101.BI03), shelved by mlee until 10:42:13');
  assert.equal(shelvedText({ ...point, name: '' }), '\\\\SNET.P001.C0101.BI03, shelved by mlee until 10:42:13',
    'a point the shown group lacks');
  assert.equal(shelvedText({ ...point, by: '', until: '2026-12-09 01:00:00' }),
    'Loading Dock Contact (\\\\SNET.P001.C0101.BI03), shelved until 2026-12-09 01:00:00');
});
