// The attention list above the sections: every abnormal point of the group in the server's order
// (alarms first, each the newest first), points back to normal greyed until "Clear cleared".
// Enter or a double click goes to the point's row; the Menu key, Shift+F10, a right-click or a
// long press opens that row's menu. Ctrl+K acknowledges the current alarm (Ctrl+Shift+K asks for a
// comment first), Ctrl+Shift+H shelves its point: the field records the step and every desk shows it.
import { acknowledgementText, currentIndex, entryTexts, planRows, pointOf, shelvedText, shelveMinutes } from './attentionRows';
import { el, severityLabel, severityMarker } from './dom';
import { kMaxComment, kShelveMaxMinutes, kShelveMinMinutes, type AttentionEntry, type ShelvedPoint } from './protocol';
import { movedRow } from './virtual';
import { abnormalText } from './wording';

export interface AttentionEvents {
  goTo(entry: AttentionEntry): void;
  menuAsked(section: number, key: number, x: number, y: number, returnFocus: HTMLElement): void;
  clearCleared(): void;
  acknowledge(entry: AttentionEntry, comment: string): void;
  shelve(entry: AttentionEntry, minutes: number): void;
  refused(text: string): void;
  journalAsked(): void;
}

const kCaptions = ['', 'Kind', 'Name', 'Address', 'What is wrong', 'Since'];

export class AttentionPanel {
  readonly element: HTMLElement;
  private readonly counts: HTMLElement;
  private readonly table: HTMLTableElement;
  private readonly body: HTMLTableSectionElement;
  private entries: AttentionEntry[] = [];
  private current = -1;
  /// The current entry's point ("section:key"), kept while the list changes around it.
  private currentPoint = '';
  /// The row drawn for each point with what it shows, kept from one list to the next.
  private drawn = new Map<string, { row: HTMLTableRowElement; shows: string }>();
  private longPress: number | undefined;
  /// The shelved points: a list under the entries, open while the operator wants it.
  private readonly shelvedBox: HTMLDetailsElement;
  private readonly shelvedCaption: HTMLElement;
  private readonly shelvedList: HTMLUListElement;
  private shelvedShown = '';

  constructor(private readonly events: AttentionEvents) {
    this.element = el('section', { id: 'attention', class: 'attention', 'aria-labelledby': 'attention-title', hidden: true });
    const head = el('div', { class: 'attention-head' });
    const title = el('h2', { id: 'attention-title' }, 'Attention list');
    this.counts = el('span', { class: 'attention-counts' });
    const clear = el('button', { type: 'button', class: 'clear-cleared', title: 'Remove the entries of points back to normal' },
      'Clear cleared');
    clear.addEventListener('click', () => this.events.clearCleared());
    const journal = el('button', { type: 'button', class: 'show-journal', title: 'Every alarm\'s steps, filtered' },
      'Journal');
    journal.addEventListener('click', () => this.events.journalAsked());
    head.append(title, this.counts, clear, journal);

    this.table = el('table', {
      class: 'attention-table', role: 'grid', tabindex: 0, 'aria-labelledby': 'attention-title', 'aria-readonly': 'true',
      'aria-describedby': 'attention-help',
    });
    const help = el('p', { id: 'attention-help', class: 'visually-hidden' },
      'Every point of the shown group in alarm or warning, alarms first, each the newest first. Enter goes to the point\'s row.');
    const headRow = el('tr', { role: 'row', 'aria-rowindex': 1 });
    kCaptions.forEach((caption, i) =>
      headRow.append(el('th', { role: 'columnheader', scope: 'col', class: `c${i}` }, caption || 'Severity')));
    headRow.cells[0].classList.add('visually-hidden-text');
    const thead = el('thead');
    thead.append(headRow);
    this.body = el('tbody');
    this.table.append(thead, this.body);
    const scroller = el('div', { class: 'attention-scroll' });
    scroller.append(this.table);
    this.shelvedBox = el('details', { class: 'shelved', hidden: true });
    this.shelvedCaption = el('summary', { class: 'shelved-caption' });
    this.shelvedList = el('ul', { class: 'shelved-list', 'aria-label': 'Shelved points' });
    this.shelvedBox.append(this.shelvedCaption, this.shelvedList);
    this.element.append(head, help, scroller, this.shelvedBox);

    this.table.addEventListener('keydown', (e) => this.onKey(e));
    this.body.addEventListener('click', (e) => {
      const index = entryIndexAt(e.target);
      if (index !== null)
        this.setCurrent(index);
    });
    this.body.addEventListener('dblclick', (e) => {
      const index = entryIndexAt(e.target);
      if (index !== null)
        this.events.goTo(this.entries[index]);
    });
    this.body.addEventListener('contextmenu', (e) => {
      const index = entryIndexAt(e.target);
      if (index === null)
        return;
      e.preventDefault();
      this.cancelLongPress();
      this.setCurrent(index);
      this.askMenu(index, e.pageX, e.pageY);
    });
    this.body.addEventListener('pointerdown', (e) => {
      const index = entryIndexAt(e.target);
      if (e.pointerType !== 'touch' || index === null)
        return;
      const { pageX, pageY } = e;
      this.cancelLongPress();
      this.longPress = window.setTimeout(() => {
        this.longPress = undefined;
        this.setCurrent(index);
        this.askMenu(index, pageX, pageY);
      }, 550);
    });
    for (const end of ['pointerup', 'pointercancel'] as const)
      this.body.addEventListener(end, () => this.cancelLongPress());
  }

  setEntries(entries: AttentionEntry[]): void {
    this.entries = entries;
    // The current entry follows its point, wherever the list moved it.
    this.current = currentIndex(entries, this.currentPoint);
    if (this.current < 0)
      this.currentPoint = '';
    this.element.hidden = entries.length === 0 && this.shelvedBox.hidden;
    this.table.setAttribute('aria-rowcount', String(entries.length + 1));
    const drawn = new Map<string, { row: HTMLTableRowElement; shows: string }>();
    const rows = planRows(entries, this.drawn).map((plan, i) => {
      const row = plan.kept ?? this.entryRow(entries[i]);
      this.place(row, i);
      if (!drawn.has(plan.point))
        drawn.set(plan.point, { row, shows: plan.shows });
      return row;
    });
    // Only the rows that came, went or moved are touched: the browser then lays out and styles
    // those, not the whole list again.
    const wanted = new Set(rows);
    for (const row of [...this.body.rows])
      if (!wanted.has(row))
        row.remove();
    let at = this.body.firstElementChild;
    for (const row of rows) {
      if (row === at)
        at = at.nextElementSibling;
      else
        this.body.insertBefore(row, at);
    }
    this.drawn = drawn;
    this.updateActiveDescendant();
  }

  /// Lists the shelved points (redrawn only when they changed); the panel shows while any is.
  setShelved(points: ShelvedPoint[]): void {
    const shows = JSON.stringify(points);
    if (shows === this.shelvedShown)
      return;
    this.shelvedShown = shows;
    this.shelvedCaption.textContent = `Shelved (${points.length})`;
    this.shelvedList.replaceChildren(...points.map((p) => el('li', { 'data-address': p.address }, shelvedText(p))));
    this.shelvedBox.hidden = points.length === 0;
    this.element.hidden = this.entries.length === 0 && this.shelvedBox.hidden;
  }

  setCounts(alarms: number, warnings: number): void {
    this.counts.textContent = abnormalText(alarms, warnings);
    this.counts.classList.toggle('has-alarms', alarms > 0);
  }

  /// What of a row depends on its place in the list.
  private place(row: HTMLTableRowElement, index: number): void {
    const set = (name: string, value: string) => {
      if (row.getAttribute(name) !== value)
        row.setAttribute(name, value);
    };
    set('id', `attention-${index}`);
    set('aria-rowindex', String(index + 2));
    set('aria-selected', String(index === this.current));
    set('data-index', String(index));
  }

  private entryRow(entry: AttentionEntry): HTMLTableRowElement {
    const row = el('tr', {
      role: 'row', class: entry.severity + (entry.cleared ? ' cleared' : '') + (entry.unacknowledged ? ' unacknowledged' : ''),
      'data-point': pointOf(entry),
    });
    const standing = acknowledgementText(entry);
    if (entry.cleared)
      row.title = entry.unacknowledged ? 'Back to normal; stays listed until acknowledged' : 'Back to normal; stays listed until cleared';
    const marker = el('td', { role: 'gridcell', class: 'c0' });
    marker.append(severityMarker(entry.severity, severityLabel(entry.severity, standing || (entry.cleared ? 'cleared' : ''))));
    // Read without colour: an alarm waiting for its acknowledgement is marked "!".
    if (entry.unacknowledged)
      marker.append(el('span', { class: 'unacknowledged-mark', 'aria-hidden': 'true' }, '!'));
    row.append(marker);
    // A text cut short shows whole on hover.
    entryTexts(entry).forEach((text, i) => row.append(el('td', { role: 'gridcell', class: `c${i + 1}`, title: text }, text)));
    return row;
  }

  private onKey(e: KeyboardEvent): void {
    if (this.entries.length === 0)
      return;
    if (e.key === 'Enter' && this.current >= 0) {
      e.preventDefault();
      this.events.goTo(this.entries[this.current]);
      return;
    }
    if ((e.key === 'k' || e.key === 'K') && e.ctrlKey && this.current >= 0) {
      e.preventDefault();
      this.acknowledgeCurrent(e.shiftKey);
      return;
    }
    if ((e.key === 'h' || e.key === 'H') && e.ctrlKey && e.shiftKey && this.current >= 0) {
      e.preventDefault();
      this.shelveCurrent();
      return;
    }
    if ((e.key === 'ContextMenu' || (e.key === 'F10' && e.shiftKey)) && this.current >= 0) {
      e.preventDefault();
      const box = this.body.rows[this.current].getBoundingClientRect();
      this.askMenu(this.current, box.left + window.scrollX + 24, box.bottom + window.scrollY);
      return;
    }
    const next = movedRow(e.key, this.current, this.entries.length, 5);
    if (next === null)
      return;
    e.preventDefault();
    this.setCurrent(next);
    this.body.rows[next].scrollIntoView({ block: 'nearest' });
  }

  private acknowledgeCurrent(withComment: boolean): void {
    const entry = this.entries[this.current];
    if (!entry.unacknowledged) {
      this.events.refused(`${entry.name}: no alarm waiting for an acknowledgement.`);
      return;
    }
    const comment = withComment ? window.prompt(`Acknowledge ${entry.name} with the comment:`, '') : '';
    if (comment !== null)
      this.events.acknowledge(entry, comment.slice(0, kMaxComment));
  }

  private shelveCurrent(): void {
    const entry = this.entries[this.current];
    const typed = window.prompt(`Shelve ${entry.name} for how many minutes (${kShelveMinMinutes} to ${kShelveMaxMinutes})?`, '60');
    if (typed === null)
      return;
    const minutes = shelveMinutes(typed);
    if (minutes === null)
      this.events.refused(`A point is shelved for ${kShelveMinMinutes} to ${kShelveMaxMinutes} minutes.`);
    else
      this.events.shelve(entry, minutes);
  }

  private setCurrent(index: number): void {
    this.current = index;
    const entry = this.entries[index];
    this.currentPoint = entry === undefined ? '' : pointOf(entry);
    for (const row of this.body.rows)
      row.setAttribute('aria-selected', String(Number(row.dataset.index) === index));
    this.updateActiveDescendant();
  }

  private updateActiveDescendant(): void {
    if (this.current >= 0)
      this.table.setAttribute('aria-activedescendant', `attention-${this.current}`);
    else
      this.table.removeAttribute('aria-activedescendant');
  }

  private askMenu(index: number, x: number, y: number): void {
    const entry = this.entries[index];
    this.events.menuAsked(entry.section, entry.key, x, y, this.table);
  }

  private cancelLongPress(): void {
    if (this.longPress !== undefined)
      window.clearTimeout(this.longPress);
    this.longPress = undefined;
  }
}

function entryIndexAt(target: EventTarget | null): number | null {
  const row = target instanceof Element ? target.closest<HTMLElement>('tr[data-index]') : null;
  return row === null ? null : Number(row.dataset.index);
}
