// The alarm journal on the page: every alarm's steps (raised, cleared, acknowledged, shelved,
// unshelved), newest first, filtered by part of a point's address, an operator and a time span.
// The server reads them from the site database when asked.
import { el } from './dom';
import { journalQuery, journalTexts } from './journalQuery';
import type { ClientMessage, JournalRow } from './protocol';

export interface JournalEvents {
  ask(message: ClientMessage): void;
  refused(text: string): void;
  /// "Show the board at this moment" on a step: the board as the step left it. Unset: not offered.
  showBoardAt?(moment: number): void;
}

const kCaptions = ['Time', 'Step', 'Point', 'Raised', 'Operator', 'Comment', ''];

export class JournalPanel {
  readonly element: HTMLElement;
  private readonly body: HTMLTableSectionElement;
  private readonly inputs: Record<'point' | 'operator' | 'from' | 'to', HTMLInputElement>;

  constructor(private readonly events: JournalEvents) {
    this.element = el('section', { id: 'journal', class: 'journal', 'aria-labelledby': 'journal-title', hidden: true });
    const title = el('h2', { id: 'journal-title' }, 'Alarm journal');
    const form = el('form', { class: 'journal-filters' });
    const field = (label: string, input: HTMLInputElement) => {
      const wrap = el('label', {}, label);
      wrap.append(input);
      form.append(wrap);
      return input;
    };
    this.inputs = {
      point: field('Point ', el('input', { type: 'text', maxlength: 200 })),
      operator: field('Operator ', el('input', { type: 'text', maxlength: 200 })),
      from: field('From ', el('input', { type: 'datetime-local' })),
      to: field('To ', el('input', { type: 'datetime-local' })),
    };
    form.append(el('button', { type: 'submit' }, 'Show'));
    form.addEventListener('submit', (e) => {
      e.preventDefault();
      this.ask();
    });
    const table = el('table', { class: 'journal-table', 'aria-labelledby': 'journal-title' });
    const head = el('tr');
    for (const caption of kCaptions)
      head.append(el('th', { scope: 'col' }, caption));
    const thead = el('thead');
    thead.append(head);
    this.body = el('tbody');
    table.append(thead, this.body);
    this.element.append(title, form, table);
  }

  /// Shows the panel and reads the journal (or hides it).
  toggle(): void {
    this.element.hidden = !this.element.hidden;
    if (!this.element.hidden)
      this.ask();
  }

  setRows(rows: JournalRow[]): void {
    this.body.replaceChildren(...rows.map((row) => {
      const tr = el('tr');
      for (const text of journalTexts(row))
        tr.append(el('td', {}, text));
      const cell = el('td');
      const showBoardAt = this.events.showBoardAt;
      if (showBoardAt !== undefined && row.at > 0) {
        const button = el('button', { type: 'button', class: 'board-at' }, 'Show the board at this moment');
        button.addEventListener('click', () => showBoardAt(row.at));
        cell.append(button);
      }
      tr.append(cell);
      return tr;
    }));
  }

  private ask(): void {
    const query = journalQuery({
      point: this.inputs.point.value, operator: this.inputs.operator.value,
      from: this.inputs.from.value, to: this.inputs.to.value,
    });
    if ('error' in query)
      this.events.refused(query.error);
    else
      this.events.ask(query.message);
  }
}
