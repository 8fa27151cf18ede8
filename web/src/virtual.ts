// Which rows of a virtual-scrolled grid to ask the server for: the rows in sight plus a margin on
// either side, so a short scroll finds its rows already there.
import { kMaxViewRows } from './protocol';

export interface RowWindow {
  first: number;
  count: number;
}

/// The rows to ask for when the body is scrolled to scrollTop (pixels), bodyHeight pixels of it in
/// sight, rows rowHeight pixels tall. total is the section's row count, or -1 while unknown (then
/// the rows a full view would show are asked for). Never more than the server sends at once.
export function rowsToAsk(scrollTop: number, bodyHeight: number, rowHeight: number, total: number,
                          margin: number): RowWindow {
  const top = Math.max(0, Math.floor(scrollTop / rowHeight));
  const inSight = Math.max(1, Math.ceil(bodyHeight / rowHeight) + 1);
  let first = Math.max(0, top - margin);
  let end = top + inSight + margin;
  if (total >= 0) {
    end = Math.min(end, total);
    first = Math.min(first, Math.max(0, end - inSight - 2 * margin));
  }
  const count = Math.max(0, Math.min(kMaxViewRows, end - first));
  return { first, count };
}

/// How many rows tall a section's grid is: every row up to maxRows, none of an empty section.
export function shownRows(total: number, maxRows: number): number {
  return Math.max(0, Math.min(total, maxRows));
}

/// The row a key press moves the current row to, or null for a key the grid does not take.
/// page is the rows in sight.
export function movedRow(key: string, current: number, total: number, page: number): number | null {
  if (total <= 0)
    return null;
  const at = current < 0 ? 0 : current;
  let next: number;
  switch (key) {
  case 'ArrowDown': next = current < 0 ? 0 : at + 1; break;
  case 'ArrowUp': next = at - 1; break;
  case 'PageDown': next = at + Math.max(1, page - 1); break;
  case 'PageUp': next = at - Math.max(1, page - 1); break;
  case 'Home': next = 0; break;
  case 'End': next = total - 1; break;
  default: return null;
  }
  return Math.max(0, Math.min(total - 1, next));
}
