// A section's columns as a tab shows them (src/columns.ts): sorting by a header's clicks, the name
// and state first on a phone, widths, and what a tab stored read back safely.
import assert from 'node:assert/strict';
import test from 'node:test';
import { importPageModule } from './bundled.mjs';

const { clampWidth, columnWidths, displayOrder, nextSort, noColumnView, readColumnViews, stateColumn, writeColumnViews } =
  await importPageModule('columns');

const doors = ['Name', 'Address', 'Status', 'Door Mode', 'Last Updated'];

test('a header click sorts by its column, a second click reverses it, another column starts ascending', () => {
  assert.deepEqual(noColumnView(), { sort: -1, descending: false, widths: {} });
  let view = noColumnView();
  view = nextSort(view, 2);
  assert.deepEqual([view.sort, view.descending], [2, false]);
  view = nextSort(view, 2);
  assert.deepEqual([view.sort, view.descending], [2, true]);
  view = nextSort(view, 2);
  assert.deepEqual([view.sort, view.descending], [2, false]);
  view = nextSort({ ...view, descending: true, widths: { 1: 90 } }, 0);
  assert.deepEqual(view, { sort: 0, descending: false, widths: { 1: 90 } });
});

test('on a phone the name and the state column come first; elsewhere the section\'s order holds', () => {
  assert.equal(stateColumn(doors), 2);
  assert.equal(stateColumn(['Name', 'Address', 'Input State']), 2);
  assert.equal(stateColumn(['Name', 'Address', 'Statuses', 'Updated']), -1);
  assert.deepEqual(displayOrder(doors, true), [0, 2, 1, 3, 4]);
  assert.deepEqual(displayOrder(doors, false), [0, 1, 2, 3, 4]);
  assert.deepEqual(displayOrder(['Name', 'Status', 'Address'], true), [0, 1, 2]);
  assert.deepEqual(displayOrder(['Name', 'Address'], true), [0, 1]);
});

test('widths: the operator\'s in pixels, else by what the column holds, a phone\'s name narrower', () => {
  const view = { ...noColumnView(), widths: { 3: 120 } };
  assert.deepEqual(columnWidths(doors, view, [0, 1, 2, 3, 4], false), ['16rem', '15rem', '8.5rem', '120px', '12rem']);
  assert.deepEqual(columnWidths(doors, view, [0, 2, 1, 3, 4], true), ['9rem', '8.5rem', '15rem', '120px', '12rem']);
  assert.deepEqual(columnWidths(doors, { ...view, widths: { 0: 300 } }, [0, 2], true), ['300px', '8.5rem']);
  assert.deepEqual([clampWidth(3), clampWidth(40), clampWidth(99.6), clampWidth(5000)], [40, 40, 100, 800]);
});

test('what a tab stored is read back, and anything else is left out', () => {
  const views = new Map([[0, { sort: 2, descending: true, widths: { 1: 200 } }], [3, noColumnView()]]);
  assert.deepEqual(readColumnViews(writeColumnViews(views)), views);
  for (const stored of [null, '', 'not json', '[]', '5', 'null', '{"x":{"sort":1,"descending":false,"widths":{}}}',
    '{"0":{"sort":"2","descending":false,"widths":{}}}', '{"0":{"sort":1,"descending":"yes","widths":{}}}',
    '{"0":{"sort":1,"descending":false}}', '{"0":{"sort":1,"descending":false,"widths":null}}', '{"0":null}'])
    assert.equal(readColumnViews(stored).size, 0, String(stored));
  assert.deepEqual(readColumnViews('{"1":{"sort":-1,"descending":false,"widths":{"0":9999,"a":50,"2":"wide","3":60}}}').get(1),
    { sort: -1, descending: false, widths: { 0: 800, 3: 60 } });
});
