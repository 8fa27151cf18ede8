// One section of the status (doors, inputs ...) as a virtual-scrolled grid: the body is as tall as
// all its rows, but only the rows in sight (and a margin) exist in the page, drawn from what the
// server last sent for this section. Screen readers learn the full size from aria-rowcount and
// each row's place from aria-rowindex.
import { clampWidth, columnWidths, displayOrder, nextSort, type ColumnView } from './columns';
import { el, severityLabel, severityMarker } from './dom';
import type { GridRow, SectionCounts, SectionInfo, View } from './protocol';
import { movedRow, rowsToAsk, shownRows } from './virtual';
import { sectionCountsText } from './wording';

const kMaxShownRows = 12;
const kMargin = 10;
/// Where the name and state columns come first and stay in sight (a phone held upright): one query
/// for the page, whose changes the page hands to the grids it shows (relayout()).
export const narrowScreen = window.matchMedia('(max-width: 600px)');

export interface GridEvents {
  /// The rows in sight changed (scrolled, resized, new total): ask the server again.
  viewChanged(): void;
  /// The row's context menu is asked for; (x, y) is where to open it, in page coordinates.
  menuAsked(section: number, key: number, x: number, y: number, returnFocus: HTMLElement): void;
  /// The operator sorted by a column or resized one (sorted: the rows are to be asked for anew).
  columnsChanged(section: number, view: ColumnView, sorted: boolean): void;
}

export class SectionGrid {
  readonly section: number;
  readonly element: HTMLElement;
  private readonly titleText: HTMLElement;
  private readonly countsText: HTMLElement;
  private readonly grid: HTMLElement;
  private readonly scroller: HTMLElement;
  private readonly body: HTMLElement;
  private readonly columns: string[];
  private readonly header: HTMLElement;
  /// The columns in drawing order.
  private order: number[] = [];
  private total = -1;
  private rows = new Map<number, GridRow>();
  private current = -1;
  private longPress: number | undefined;

  constructor(info: SectionInfo, private columnView: ColumnView, private readonly events: GridEvents) {
    this.section = info.section;
    this.columns = info.columns;
    const titleId = `section-${info.section}-title`;
    this.element = el('section', { class: 'section', 'data-section': info.section, 'aria-labelledby': titleId });
    const head = el('h2', { class: 'section-head', id: titleId });
    this.titleText = el('span', { class: 'section-title' }, info.title);
    this.countsText = el('span', { class: 'section-counts' });
    head.append(this.titleText, this.countsText);

    this.grid = el('div', {
      class: 'grid', role: 'grid', tabindex: 0, 'aria-labelledby': titleId, 'aria-readonly': 'true',
      'aria-colcount': this.columns.length, 'aria-rowcount': 1,
    });
    this.scroller = el('div', { class: 'grid-scroll' });
    this.header = el('div', { class: 'row head', role: 'row', 'aria-rowindex': 1 });
    const headGroup = el('div', { class: 'rowgroup head', role: 'rowgroup' });
    headGroup.append(this.header);
    this.layColumns();
    this.body = el('div', { class: 'rowgroup body', role: 'rowgroup' });
    this.scroller.append(headGroup, this.body);
    this.grid.append(this.scroller);
    this.element.append(head, this.grid);

    this.scroller.addEventListener('scroll', () => {
      this.render();
      this.events.viewChanged();
    }, { passive: true });
    this.grid.addEventListener('keydown', (e) => this.onKey(e));
    this.body.addEventListener('click', (e) => {
      const index = rowIndexAt(e.target);
      if (index !== null)
        this.setCurrent(index, false);
      this.grid.focus({ preventScroll: true });
    });
    this.body.addEventListener('contextmenu', (e) => {
      const index = rowIndexAt(e.target);
      if (index === null)
        return;
      e.preventDefault();
      this.cancelLongPress();
      this.setCurrent(index, false);
      this.askMenu(e.pageX, e.pageY);
    });
    // On a touch screen a long press opens the row's menu, as a right-click does with a mouse.
    this.body.addEventListener('pointerdown', (e) => {
      if (e.pointerType !== 'touch')
        return;
      const index = rowIndexAt(e.target);
      if (index === null)
        return;
      const { pageX, pageY } = e;
      this.cancelLongPress();
      this.longPress = window.setTimeout(() => {
        this.longPress = undefined;
        this.setCurrent(index, false);
        this.askMenu(pageX, pageY);
      }, 550);
    });
    for (const end of ['pointerup', 'pointercancel', 'pointermove'] as const)
      this.body.addEventListener(end, (e) => {
        if (end !== 'pointermove' || Math.abs(e.movementX) + Math.abs(e.movementY) > 8)
          this.cancelLongPress();
      });
    this.setTotal(-1);
  }

  /// The rows this grid wants from the server.
  view(): View {
    const rowHeight = this.rowHeight();
    const bodyHeight = Math.max(rowHeight, this.scroller.clientHeight - this.headHeight());
    const want = rowsToAsk(this.scroller.scrollTop, bodyHeight, rowHeight, this.total, kMargin);
    return { section: this.section, first: want.first, count: want.count };
  }

  /// The server's rows of this section from first on, out of total.
  applyRows(first: number, total: number, rows: GridRow[]): void {
    const grew = total !== this.total;
    this.rows = new Map(rows.map((row, i) => [first + i, row]));
    if (grew)
      this.setTotal(total);
    this.render();
    if (grew)
      this.events.viewChanged();
  }

  applyCounts(counts: SectionCounts): void {
    this.titleText.textContent = counts.title;
    const { text, mark } = sectionCountsText(counts);
    this.countsText.textContent = text;
    this.countsText.classList.toggle('has-alarms', mark === 'alarms');
    this.countsText.classList.toggle('has-warnings', mark === 'warnings');
  }

  /// Forgets the rows and goes back to the top (another group, find text or filter).
  reset(): void {
    this.rows.clear();
    this.current = -1;
    this.scroller.scrollTop = 0;
    this.render();
  }

  /// The row index of the point with key among the rows this grid holds, or -1.
  indexOf(key: number): number {
    for (const [index, row] of this.rows)
      if (row.key === key)
        return index;
    return -1;
  }

  /// Makes row index the current row, scrolled into sight, and puts the keyboard on the grid.
  goTo(index: number): void {
    this.setCurrent(index, true);
    this.element.scrollIntoView({ block: 'nearest' });
    this.grid.focus({ preventScroll: true });
  }

  /// The screen became narrow or wide: the columns are drawn in the order it wants.
  relayout(): void {
    this.layColumns();
    this.render();
  }

  /// The header and the columns' widths, in the drawing order of the screen's width.
  private layColumns(): void {
    const narrow = narrowScreen.matches;
    this.order = displayOrder(this.columns, narrow);
    const widths = columnWidths(this.columns, this.columnView, this.order, narrow);
    this.grid.style.setProperty('--columns', widths.join(' '));
    this.grid.style.setProperty('--pinned-left', widths[0] ?? '0');
    this.grid.classList.toggle('narrow', narrow);
    this.header.replaceChildren(...this.order.map((column) => this.headerCell(column)));
  }

  private headerCell(column: number): HTMLElement {
    const view = this.columnView;
    const sorted = view.sort === column ? (view.descending ? 'descending' : 'ascending') : 'none';
    const cell = el('div', { class: 'cell', role: 'columnheader', 'aria-colindex': column + 1, 'aria-sort': sorted });
    const sort = el('button', { type: 'button', class: 'sort', title: `Sort by ${this.columns[column]}` }, this.columns[column]);
    sort.addEventListener('click', () => {
      this.columnView = nextSort(this.columnView, column);
      this.layColumns();
      this.events.columnsChanged(this.section, this.columnView, true);
    });
    const handle = el('span', { class: 'resize', 'aria-hidden': 'true', title: 'Drag to resize' });
    handle.addEventListener('pointerdown', (e) => this.resize(e, cell, column));
    cell.append(sort, handle);
    return cell;
  }

  /// Drags a column's right edge: the column follows the pointer, and the width is kept once let go.
  private resize(down: PointerEvent, cell: HTMLElement, column: number): void {
    down.preventDefault();
    const handle = down.currentTarget as HTMLElement;
    handle.setPointerCapture(down.pointerId);
    const startX = down.clientX;
    const startWidth = cell.getBoundingClientRect().width;
    const move = (e: PointerEvent) => {
      this.columnView = { ...this.columnView, widths: { ...this.columnView.widths, [column]: clampWidth(startWidth + e.clientX - startX) } };
      const widths = columnWidths(this.columns, this.columnView, this.order, narrowScreen.matches);
      this.grid.style.setProperty('--columns', widths.join(' '));
      this.grid.style.setProperty('--pinned-left', widths[0] ?? '0');
    };
    const up = () => {
      handle.removeEventListener('pointermove', move);
      handle.removeEventListener('pointerup', up);
      handle.removeEventListener('pointercancel', up);
      this.events.columnsChanged(this.section, this.columnView, false);
    };
    handle.addEventListener('pointermove', move);
    handle.addEventListener('pointerup', up);
    handle.addEventListener('pointercancel', up);
  }

  private setTotal(total: number): void {
    this.total = total;
    const rowHeight = this.rowHeight();
    const known = Math.max(0, total);
    this.grid.setAttribute('aria-rowcount', String(known + 1));
    this.body.style.height = `${known * rowHeight}px`;
    const shown = total < 0 ? kMaxShownRows : shownRows(total, kMaxShownRows);
    this.scroller.style.height = `${this.headHeight() + shown * rowHeight + scrollbarRoom(this.scroller)}px`;
    this.element.classList.toggle('empty', total === 0);
    if (this.current >= known)
      this.current = known - 1;
  }

  private render(): void {
    const rowHeight = this.rowHeight();
    const top = Math.floor(this.scroller.scrollTop / rowHeight);
    const inSight = Math.ceil(this.scroller.clientHeight / rowHeight) + 1;
    const rows: HTMLElement[] = [];
    for (let index = Math.max(0, top - 2); index < top + inSight + 2; ++index) {
      const row = this.rows.get(index);
      if (row !== undefined)
        rows.push(this.rowElement(index, row, rowHeight));
    }
    this.body.replaceChildren(...rows);
    this.updateActiveDescendant();
  }

  private rowElement(index: number, row: GridRow, rowHeight: number): HTMLElement {
    const element = el('div', {
      class: 'row' + (row.severity ? ' ' + row.severity : '') + (row.recent ? ' recent' : ''),
      role: 'row', id: this.rowId(index), 'aria-rowindex': index + 2, 'aria-selected': index === this.current,
      'data-index': index, 'data-key': row.key,
    });
    if (row.reason)
      element.title = row.reason;
    element.style.top = `${index * rowHeight}px`;
    for (const i of this.order) {
      const text = row.cells[i] ?? '';
      const cell = el('div', { class: 'cell', role: 'gridcell', 'aria-colindex': i + 1 });
      // A text cut short by its column shows whole on hover.
      cell.append(el('span', { class: 'text', title: text }, text));
      if (i === 0 && row.severity)
        cell.append(severityMarker(row.severity, severityLabel(row.severity, row.reason)));
      element.append(cell);
    }
    return element;
  }

  private onKey(e: KeyboardEvent): void {
    if (e.key === 'ContextMenu' || (e.key === 'F10' && e.shiftKey)) {
      e.preventDefault();
      const row = this.current >= 0 ? this.body.querySelector<HTMLElement>('#' + this.rowId(this.current)) : null;
      if (row !== null) {
        const box = row.getBoundingClientRect();
        this.askMenu(box.left + window.scrollX + 24, box.bottom + window.scrollY);
      }
      return;
    }
    const page = Math.max(1, Math.floor((this.scroller.clientHeight - this.headHeight()) / this.rowHeight()));
    const next = movedRow(e.key, this.current, this.total, page);
    if (next === null)
      return;
    e.preventDefault();
    this.setCurrent(next, true);
  }

  private setCurrent(index: number, scroll: boolean): void {
    this.current = index;
    if (scroll) {
      const rowHeight = this.rowHeight();
      const bodyHeight = this.scroller.clientHeight - this.headHeight();
      const top = index * rowHeight;
      if (top < this.scroller.scrollTop)
        this.scroller.scrollTop = top;
      else if (top + rowHeight > this.scroller.scrollTop + bodyHeight)
        this.scroller.scrollTop = top + rowHeight - bodyHeight;
    }
    for (const row of this.body.querySelectorAll<HTMLElement>('.row'))
      row.setAttribute('aria-selected', String(Number(row.dataset.index) === index));
    this.updateActiveDescendant();
  }

  private updateActiveDescendant(): void {
    const id = this.rowId(this.current);
    if (this.current >= 0 && this.body.querySelector('#' + id) !== null)
      this.grid.setAttribute('aria-activedescendant', id);
    else
      this.grid.removeAttribute('aria-activedescendant');
  }

  private askMenu(x: number, y: number): void {
    const row = this.rows.get(this.current);
    if (row !== undefined)
      this.events.menuAsked(this.section, row.key, x, y, this.grid);
  }

  private cancelLongPress(): void {
    if (this.longPress !== undefined)
      window.clearTimeout(this.longPress);
    this.longPress = undefined;
  }

  private rowId(index: number): string {
    return `s${this.section}-r${index}`;
  }

  private rowHeight(): number {
    return parseFloat(getComputedStyle(this.grid).getPropertyValue('--row-height')) || 24;
  }

  private headHeight(): number {
    return this.rowHeight();
  }
}

function rowIndexAt(target: EventTarget | null): number | null {
  const row = target instanceof Element ? target.closest<HTMLElement>('.row[data-index]') : null;
  return row === null ? null : Number(row.dataset.index);
}

/// Room for a horizontal scroll bar under the rows, so it never hides the last row.
function scrollbarRoom(scroller: HTMLElement): number {
  return scroller.offsetHeight - scroller.clientHeight;
}
