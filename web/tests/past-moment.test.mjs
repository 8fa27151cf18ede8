// "At" on the page (src/pastMoment.ts): a typed date and time read as local time, held to the
// history's span; a day that does not exist refused; the replay's step keys.
import assert from 'node:assert/strict';
import test from 'node:test';
import { importPageModule } from './bundled.mjs';

const { momentFromInput, inputValue, pastKeyStep, spanNow, startingMoment } = await importPageModule('pastMoment');

const local = (...parts) => new Date(...parts).getTime();
const first = local(2026, 10, 1, 0, 0, 0);
const last = local(2026, 11, 1, 0, 0, 0);

test('a date and time within the history is the local moment, to the second', () => {
  assert.deepEqual(momentFromInput('2026-11-05T10:42', first, last), { moment: local(2026, 10, 5, 10, 42, 0) });
  assert.deepEqual(momentFromInput(' 2026-11-05T10:42:13 ', first, last), { moment: local(2026, 10, 5, 10, 42, 13) });
  assert.deepEqual(momentFromInput('2026-11-01T00:00', first, last), { moment: first }, 'the first moment held');
  assert.deepEqual(momentFromInput('2026-12-01T00:00:00', first, last), { moment: last }, 'the last moment held');
  assert.equal(inputValue(local(2026, 10, 5, 9, 3, 7)), '2026-11-05T09:03:07');
});

test('a moment outside the history, or a day that does not exist, is refused before asking', () => {
  const outside = momentFromInput('2026-10-31T23:59:59', first, last);
  assert.ok('error' in outside);
  assert.match(outside.error, /^The history holds 2026-11-01 00:00:00 to 2026-12-01 00:00:00\.$/);
  assert.ok('error' in momentFromInput('2026-12-01T00:00:01', first, last));
  assert.deepEqual(momentFromInput('2026-11-05T10:42:13.250', first, last), { moment: local(2026, 10, 5, 10, 42, 13) },
    'a fraction of a second is dropped');
  for (const bad of ['', '2026-02-31T10:00', '2026-11-05T25:00', '2026-11-05T10:60', '2026-13-05T10:00',
    '2026-11-05 10:42', 'yesterday', 'x2026-11-05T10:42', '2026-11-05T10:42x', '2026-11-05T10:42:13.', '2026-11-05T10:42:13.1234'])
    assert.deepEqual(momentFromInput(bad, first, last), { error: 'Choose a date and time.' }, bad);
  assert.deepEqual(momentFromInput('2026-11-05T10:42', 1, 0), { moment: local(2026, 10, 5, 10, 42, 0) },
    'a span the server cannot tell leaves the moment to it');
});

test('Left and PageUp step back, Right and PageDown forward, and "At" starts five minutes before the end', () => {
  assert.deepEqual(['ArrowLeft', 'PageUp', 'ArrowRight', 'PageDown', 'Home', 'a'].map(pastKeyStep), [-1, -1, 1, 1, 0, 0]);
  assert.equal(startingMoment(first, last), last - 300000);
  assert.equal(startingMoment(last - 1000, last), last - 1000, 'never before the history');
});

test('the history told a while ago ends that much later now, and a clock gone back moves it not', () => {
  assert.deepEqual(spanNow({ first, last }, 20000), { first, last: last + 20000 });
  assert.deepEqual(spanNow({ first, last }, -5), { first, last });
  const later = spanNow({ first, last }, 20000);
  assert.ok('moment' in momentFromInput(inputValue(last + 10000), later.first, later.last),
    'a moment ten seconds after the span told is taken twenty seconds on');
});
