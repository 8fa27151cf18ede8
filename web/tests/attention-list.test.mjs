// The attention list the page holds (src/attentionList.ts): a whole list, then changes applied only
// to the version they were made for; a change for another version, or one that does not make a
// list, leaves the list as it was.
import assert from 'node:assert/strict';
import test from 'node:test';
import { importPageModule } from './bundled.mjs';

const { AttentionList } = await importPageModule('attentionList');

const entry = (section, key, words = 'Forced open') => ({
  key, section, severity: 'alarm', kind: 'Doors', name: `Door ${key}`, address: `DR0${key}`, words,
  since: '2026-12-08 10:42:13', cleared: false, unacknowledged: true, acknowledgedBy: '',
});
const points = (list) => list.entries.map((e) => `${e.section}:${e.key}:${e.words}`);

function held() {
  const list = new AttentionList();
  list.whole(7, [entry(0, 1), entry(0, 2), entry(1, 3), entry(0, 4)], 4);
  return list;
}

test('changes keep, drop, add, reword and move entries as the server ordered them', () => {
  for (const [order, changed, expected] of [
    // a new alarm on top, the rest kept
    [['2:9', 4], [entry(2, 9)], ['2:9:Forced open', '0:1:Forced open', '0:2:Forced open', '1:3:Forced open', '0:4:Forced open']],
    // the second entry gone, the last one not reached: gone too
    [[1, -1, 1], [], ['0:1:Forced open', '1:3:Forced open']],
    // the third reworded in its place
    [[2, -1, '1:3', 1], [entry(1, 3, 'Held open')], ['0:1:Forced open', '0:2:Forced open', '1:3:Held open', '0:4:Forced open']],
    // the last moved to the top unchanged (named without its entry), the first moved down alone
    [['0:4', -1, 2, '0:1'], [], ['0:4:Forced open', '0:2:Forced open', '1:3:Forced open', '0:1:Forced open']],
    // everything cleared
    [[], [], []],
  ]) {
    const list = held();
    assert.equal(list.apply({ base: 7, version: 8, order, changed, total: expected.length }), true, JSON.stringify(order));
    assert.deepEqual(points(list), expected, JSON.stringify(order));
    assert.equal(list.total, expected.length);
  }
});

test('a change for another version, or one that makes no list, is refused and changes nothing', () => {
  const before = points(held());
  for (const [what, changes] of [
    ['an older base', { base: 6, version: 8, order: [4], changed: [], total: 4 }],
    ['a newer base (one change missed)', { base: 8, version: 9, order: [4], changed: [], total: 4 }],
    ['a point neither held nor changed', { base: 7, version: 8, order: ['5:5', 4], changed: [], total: 5 }],
    ['a run beyond the list', { base: 7, version: 8, order: [5], changed: [], total: 5 }],
    ['a drop beyond the list', { base: 7, version: 8, order: [-5, '0:1'], changed: [], total: 1 }],
    ['a step that is no whole number', { base: 7, version: 8, order: [1.5], changed: [], total: 1 }],
    ['a step that is zero', { base: 7, version: 8, order: [0, 4], changed: [], total: 4 }],
    ['a step of another type', { base: 7, version: 8, order: [null], changed: [], total: 0 }],
    ['an entry that is not one', { base: 7, version: 8, order: ['0:1'], changed: [{ section: 0, key: 1 }], total: 1 }],
    ['an entry named like markup but of no severity',
      { base: 7, version: 8, order: ['0:9'], changed: [{ ...entry(0, 9), severity: '<b>' }], total: 1 }],
    ['no order', { base: 7, version: 8, changed: [], total: 0 }],
    ['no total', { base: 7, version: 8, order: [4], changed: [] }],
  ]) {
    const list = held();
    assert.equal(list.apply(changes), false, what);
    assert.deepEqual(points(list), before, what);
  }
  // Once refused, the same change (a replay) is still refused; a whole list makes it right again.
  const list = held();
  assert.equal(list.apply({ base: 7, version: 8, order: [1], changed: [], total: 1 }), true);
  assert.equal(list.apply({ base: 7, version: 8, order: [1], changed: [], total: 1 }), false, 'a replayed change');
  assert.deepEqual(points(list), ['0:1:Forced open']);
});

test('a page that reconnects takes no change until the whole list comes', () => {
  const list = held();
  list.forget();
  assert.equal(list.held, false);
  assert.equal(list.apply({ base: 7, version: 8, order: [1], changed: [], total: 1 }), false);
  list.whole(12, [entry(3, 3)], 30);
  assert.equal(list.held, true);
  assert.equal(list.total, 30);
  assert.equal(list.apply({ base: 12, version: 13, order: ['3:4', 1], changed: [entry(3, 4)], total: 31 }), true);
  assert.deepEqual(points(list), ['3:4:Forced open', '3:3:Forced open']);
  assert.equal(list.total, 31);
  assert.equal(new AttentionList().held, false);
});

test('only entries of the contract\'s shape are taken from a change', () => {
  const warning = { ...entry(1, 5), severity: 'warning' };
  const list = held();
  assert.equal(list.apply({ base: 7, version: 8, order: ['1:5'], changed: [warning], total: 1 }), true, 'a warning');
  assert.deepEqual(list.entries, [warning]);
  for (const [what, bad] of [
    ['null', null], ['a text', '1:5'], ['a number', 5], ['a section of a fraction', { ...entry(1, 5), section: 1.5 }],
    ['a key as text', { ...entry(1, 5), key: '5' }], ['no severity', { ...entry(1, 5), severity: '' }],
    ['a name not a text', { ...entry(1, 5), name: 7 }], ['no kind', { ...entry(1, 5), kind: null }],
    ['an address not a text', { ...entry(1, 5), address: 1 }], ['words not a text', { ...entry(1, 5), words: false }],
    ['since not a text', { ...entry(1, 5), since: 3 }], ['cleared not a flag', { ...entry(1, 5), cleared: 'no' }],
  ]) {
    const fresh = held();
    assert.equal(fresh.apply({ base: 7, version: 8, order: ['1:5'], changed: [bad], total: 1 }), false, what);
  }
});

test('a list never given whole takes no change, whatever base it names; a drop may reach the end', () => {
  const fresh = new AttentionList();
  assert.deepEqual(fresh.entries, []);
  assert.equal(fresh.apply({ base: null, version: 1, order: [], changed: [], total: 0 }), false);
  const list = held();
  assert.equal(list.apply({ base: 7, version: 8, order: [2, -2], changed: [], total: 2 }), true);
  assert.deepEqual(points(list), ['0:1:Forced open', '0:2:Forced open']);
});
