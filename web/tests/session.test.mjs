// The page's side of signing in and of the live link (src/session.ts): what a sign-in answer
// means, which socket messages are taken, and the wait before each reconnection.
import assert from 'node:assert/strict';
import test from 'node:test';
import { importPageModule } from './bundled.mjs';

const { afterClose, Backoff, parseServerMessage, sessionOf, sessionProbe, signInResult, Silence } =
  await importPageModule('session');

test('a sign-in answer: signed in, refused in the server\'s words or ours, rate-limited for a while', () => {
  const session = { operator: 'mlee', csrf: 'c5rf' };
  const wrong = { ok: false, error: 'Wrong login or password.', retryAfterS: 0 };
  const cases = [
    // status, Retry-After, body -> result
    [200, null, session, { ok: true, session }],
    [200, null, { operator: 'mlee' }, wrong],
    [401, null, session, wrong],
    [401, null, { error: 'Account locked.' }, { ok: false, error: 'Account locked.', retryAfterS: 0 }],
    [401, null, { error: '' }, wrong],
    [401, null, { error: 401 }, wrong],
    [401, '30', {}, wrong],
    [429, '8', {}, { ok: false, error: 'Too many attempts.', retryAfterS: 8 }],
    [429, '8', { error: 'Slow down.' }, { ok: false, error: 'Slow down.', retryAfterS: 8 }],
    [429, null, {}, { ok: false, error: 'Too many attempts.', retryAfterS: 1 }],
    [429, '0', {}, { ok: false, error: 'Too many attempts.', retryAfterS: 1 }],
    [429, 'soon', {}, { ok: false, error: 'Too many attempts.', retryAfterS: 1 }],
    [500, null, {}, wrong],
  ];
  for (const [status, retryAfter, body, result] of cases)
    assert.deepEqual(signInResult(status >= 200 && status < 300, status, retryAfter, body), result,
      `${status} ${retryAfter} ${JSON.stringify(body)}`);
});

test('a session needs both the operator and the CSRF token as texts', () => {
  assert.deepEqual(sessionOf({ operator: 'akim', csrf: 'x', extra: 1 }), { operator: 'akim', csrf: 'x' });
  for (const body of [{}, { operator: 'akim' }, { csrf: 'x' }, { operator: 7, csrf: 'x' }, { operator: 'akim', csrf: null }])
    assert.equal(sessionOf(body), null, JSON.stringify(body));
});

test('the socket\'s messages: JSON objects with a text "t", nothing else', () => {
  assert.deepEqual(parseServerMessage('{"t":"bye","reason":"Signed out elsewhere"}'),
    { t: 'bye', reason: 'Signed out elsewhere' });
  assert.deepEqual(parseServerMessage('{"t":"notice","text":"<b>x</b>"}'), { t: 'notice', text: '<b>x</b>' });
  // A binary frame, or anything else not text, is dropped even when its characters would parse.
  for (const data of ['not json', '{"t":3}', '{"text":"x"}', 'null', '7', '"bye"', '[{"t":"bye"}]', '',
    new ArrayBuffer(4), null, ['{"t":"bye"}']])
    assert.equal(parseServerMessage(data), null, String(data));
});

test('reconnections wait a second, twice as long each time up to ten, a second again once open', () => {
  const wait = new Backoff();
  assert.deepEqual([1, 2, 3, 4, 5, 6].map(() => wait.next()), [1000, 2000, 4000, 8000, 10000, 10000]);
  wait.reset();
  assert.deepEqual([wait.next(), wait.next()], [1000, 2000]);
});

test('only the server\'s own "not signed in" ends the session; a cut or a proxy\'s error does not', () => {
  const session = { operator: 'mlee', csrf: 'c5rf' };
  const cases = [
    // status (null: fetch failed), body -> state
    [200, session, 'live'],
    [401, {}, 'ended'],
    [401, session, 'ended'],
    [null, {}, 'unreachable'],
    [502, {}, 'unreachable'],
    [503, { error: 'busy' }, 'unreachable'],
    [403, {}, 'unreachable'],
    [200, { operator: 'mlee' }, 'unreachable'],
    // A session in a body that is not a success's (a proxy's page, a redirect) is no answer.
    [null, session, 'unreachable'],
    [199, session, 'unreachable'],
    [300, session, 'unreachable'],
    [502, session, 'unreachable'],
    [299, session, 'live'],
  ];
  for (const [status, body, state] of cases)
    assert.equal(sessionProbe(status, body).state, state, `${status} ${JSON.stringify(body)}`);
  assert.deepEqual(sessionProbe(200, session), { state: 'live', session });
});

test('after a close: sign in only when the session ended, reconnect after a cut, stop when refused', () => {
  const cases = [
    // probe, bye, close code, close reason -> what the page does
    ['ended', { reason: 'Signed out.', again: false }, 1008, '', { action: 'signin', message: 'Signed out.' }],
    ['ended', null, 1006, '', { action: 'signin', message: 'Your session has ended. Sign in again.' }],
    ['unreachable', null, 1006, '', { action: 'reconnect' }],
    ['unreachable', { reason: 'Session expired.', again: false }, 1008, '', { action: 'reconnect' }],
    ['live', null, 1006, '', { action: 'reconnect' }],
    ['live', null, 1001, '', { action: 'reconnect' }],
    ['live', { reason: 'No word from the page.', again: true }, 1008, '', { action: 'reconnect' }],
    ['live', { reason: 'Hello refused.', again: false }, 1008, '', { action: 'refused', message: 'Hello refused.' }],
    ['live', { reason: '', again: false }, 1000, '', { action: 'refused', message: 'The web desk closed this tab.' }],
    ['live', null, 1008, '20 tabs of this sign-in are open already: close one.',
      { action: 'refused', message: '20 tabs of this sign-in are open already: close one.' }],
    ['live', null, 1008, '', { action: 'refused', message: 'The web desk refused this tab.' }],
  ];
  for (const [probe, bye, code, reason, expected] of cases)
    assert.deepEqual(afterClose(probe, bye, code, reason), expected, `${probe} ${JSON.stringify(bye)} ${code}`);
});

test('a quiet link goes stale after three and a half seconds, is given up after twelve; a word makes it live', () => {
  const silence = new Silence(1000);
  assert.deepEqual([4500, 4501, 13000, 13001].map((t) => silence.state(t)), ['live', 'stale', 'stale', 'dead']);
  silence.heard(13001);
  assert.equal(silence.lastHeardMs, 13001);
  assert.equal(silence.state(14000), 'live');
});
