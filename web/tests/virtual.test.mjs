// The virtual grid's arithmetic (src/virtual.ts), bundled for node on the fly: which rows to ask
// the server for and where a key moves the current row.
import assert from 'node:assert/strict';
import test from 'node:test';
import { importPageModule } from './bundled.mjs';

const { rowsToAsk, movedRow, shownRows } = await importPageModule('virtual');

test('rows to ask: in sight plus a margin, never past the end, never over the server\'s cap', () => {
  const cases = [
    // scrollTop, bodyHeight, rowHeight, total, margin -> first, count
    [0, 240, 24, 1000, 10, 0, 21],          // top: 11 rows in sight (10 + a partial one) and 10 below
    [2400, 240, 24, 1000, 10, 90, 31],      // row 100 on top: 10 above, 11 in sight, 10 below
    [0, 240, 24, 5, 10, 0, 5],              // fewer rows than fit
    [0, 240, 24, 0, 10, 0, 0],              // an empty section asks for nothing
    [23976, 240, 24, 1000, 10, 969, 31],    // scrolled to the end: the margin moves above
    [0, 240, 24, -1, 10, 0, 21],            // total not known yet: a full view from the top
    [0, 20000, 24, 100000, 10, 0, 200],     // a very tall view is capped at 200 rows
    [480000, 240, 24, 1000, 10, 969, 31],   // a stale scroll position past a shrunken section
  ];
  for (const [scrollTop, bodyHeight, rowHeight, total, margin, first, count] of cases)
    assert.deepEqual(rowsToAsk(scrollTop, bodyHeight, rowHeight, total, margin), { first, count },
      `scrollTop ${scrollTop}, total ${total}`);
});

test('keys move the current row within the section', () => {
  const cases = [
    // key, current, total, page -> row (null: not a grid key)
    ['ArrowDown', -1, 10, 5, 0], ['ArrowDown', 3, 10, 5, 4], ['ArrowDown', 9, 10, 5, 9],
    ['ArrowUp', 0, 10, 5, 0], ['ArrowUp', -1, 10, 5, 0], ['PageDown', 0, 100, 10, 9],
    ['PageUp', 5, 100, 10, 0], ['Home', 50, 100, 10, 0], ['End', 0, 100, 10, 99],
    ['ArrowDown', -1, 0, 5, null], ['a', 3, 10, 5, null], ['ArrowDown', 20, 10, 5, 9],
    ['ArrowDown', 0, 10, 5, 1], ['PageDown', -1, 100, 10, 9], ['PageUp', 50, 100, 10, 41], ['End', 3, 1, 10, 0],
  ];
  for (const [key, current, total, page, row] of cases)
    assert.equal(movedRow(key, current, total, page), row, `${key} from ${current} of ${total}`);
});

test('a section is as tall as its rows, up to the most shown', () => {
  assert.deepEqual([0, 3, 12, 500, -1].map((total) => shownRows(total, 12)), [0, 3, 12, 12, 0]);
});
