// The alarm journal's filters (src/journalQuery.ts): empty ones left out, times in the server's
// shape, a span that ends before it begins refused; a row's cells in the view's order.
import assert from 'node:assert/strict';
import test from 'node:test';
import { importPageModule } from './bundled.mjs';

const { journalQuery, journalTexts } = await importPageModule('journalQuery');

const filters = (over = {}) => ({ point: '', operator: '', from: '', to: '', ...over });

test('the filters given are sent trimmed, the empty ones left out', () => {
  assert.deepEqual(journalQuery(filters()), { message: { t: 'journal' } });
  assert.deepEqual(journalQuery(filters({ point: ' DR01 ', operator: ' mlee' })),
    { message: { t: 'journal', point: 'DR01', operator: 'mlee' } });
  assert.deepEqual(journalQuery(filters({ from: '2026-12-07T08:00', to: '2026-12-07T18:00:30' })),
    { message: { t: 'journal', from: '2026-12-07T08:00', to: '2026-12-07T18:00' } });
  assert.deepEqual(journalQuery(filters({ to: '2026-12-07T18:00:30.5' })),
    { message: { t: 'journal', to: '2026-12-07T18:00' } });
  assert.deepEqual(journalQuery(filters({ from: ' 2026-12-07T08:00:00.125 ' })),
    { message: { t: 'journal', from: '2026-12-07T08:00' } }, 'a "from" alone, trimmed, with milliseconds');
});

test('a time that is not one, or a span that ends before it begins, is refused before sending', () => {
  assert.deepEqual(journalQuery(filters({ from: 'yesterday' })), { error: '"From" is not a date and time.' });
  assert.deepEqual(journalQuery(filters({ to: '2026-12-07 18:00' })), { error: '"To" is not a date and time.' });
  for (const padded of ['x2026-12-07T18:00', '2026-12-07T18:00x', '2026-12-07T18:00:30.'])
    assert.deepEqual(journalQuery(filters({ to: padded })), { error: '"To" is not a date and time.' }, padded);
  assert.deepEqual(journalQuery(filters({ from: '2026-12-07T18:01', to: '2026-12-07T18:00' })),
    { error: '"From" is after "To".' });
  assert.ok('message' in journalQuery(filters({ from: '2026-12-07T18:00', to: '2026-12-07T18:00' })));
});

test('a journal row reads time, step, point, raised, operator, comment', () => {
  const row = { time: '2026-12-07 10:42:13', event: 'acknowledged', address: 'A1', raised: '2026-12-07 10:40:00',
    operator: 'mlee', comment: '<b>on my way</b>' };
  assert.deepEqual(journalTexts(row),
    ['2026-12-07 10:42:13', 'acknowledged', 'A1', '2026-12-07 10:40:00', 'mlee', '<b>on my way</b>']);
});
