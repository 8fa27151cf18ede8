// The row's context menu: the commands the server lists for the point, greyed where the operator
// may not send them. Arrow keys move, Enter or Space sends, Esc (or a click elsewhere) closes and
// gives the keyboard back to where the menu was opened from.
import { el } from './dom';
import type { MenuItem } from './protocol';

export class ContextMenu {
  readonly element: HTMLElement;
  private returnFocus: HTMLElement | null = null;
  private pick: ((item: MenuItem) => void) | null = null;

  constructor() {
    this.element = el('div', { class: 'menu', role: 'menu', 'aria-label': 'Commands', hidden: true });
    this.element.addEventListener('keydown', (e) => this.onKey(e));
    this.element.addEventListener('click', (e) => {
      const button = e.target instanceof Element ? e.target.closest<HTMLButtonElement>('button') : null;
      if (button !== null)
        this.choose(button);
    });
    document.addEventListener('pointerdown', (e) => {
      if (!this.element.hidden && !(e.target instanceof Node && this.element.contains(e.target)))
        this.close(false);
    }, true);
  }

  get isOpen(): boolean {
    return !this.element.hidden;
  }

  open(items: MenuItem[], x: number, y: number, returnFocus: HTMLElement, pick: (item: MenuItem) => void): void {
    this.returnFocus = returnFocus;
    this.pick = pick;
    const buttons = items.map((item) => {
      const button = el('button', {
        type: 'button', role: 'menuitem', tabindex: -1, 'data-id': item.id, 'aria-disabled': !item.enabled,
        class: item.enabled ? '' : 'disabled',
      }, item.text);
      if (!item.enabled)
        button.title = item.why || 'Not permitted';
      return button;
    });
    if (buttons.length === 0)
      buttons.push(el('button', { type: 'button', role: 'menuitem', tabindex: -1, 'aria-disabled': true, class: 'disabled' },
        'No commands for this point'));
    this.element.replaceChildren(...buttons);
    this.element.hidden = false;
    // Kept inside the window, so that a menu opened near an edge is whole.
    const width = this.element.offsetWidth, height = this.element.offsetHeight;
    const left = Math.max(window.scrollX, Math.min(x, window.scrollX + document.documentElement.clientWidth - width - 4));
    const top = Math.max(window.scrollY, Math.min(y, window.scrollY + document.documentElement.clientHeight - height - 4));
    this.element.style.left = `${left}px`;
    this.element.style.top = `${top}px`;
    (buttons.find((b) => b.getAttribute('aria-disabled') !== 'true') ?? buttons[0]).focus();
  }

  close(restoreFocus = true): void {
    if (this.element.hidden)
      return;
    this.element.hidden = true;
    this.element.replaceChildren();
    if (restoreFocus)
      this.returnFocus?.focus({ preventScroll: true });
    this.returnFocus = null;
    this.pick = null;
  }

  private choose(button: HTMLButtonElement): void {
    if (button.getAttribute('aria-disabled') === 'true' || this.pick === null)
      return;
    const pick = this.pick;
    const item: MenuItem = { id: button.dataset.id ?? '', text: button.textContent ?? '', enabled: true };
    this.close();
    pick(item);
  }

  private onKey(e: KeyboardEvent): void {
    const buttons = [...this.element.querySelectorAll<HTMLButtonElement>('button')];
    const at = buttons.indexOf(document.activeElement as HTMLButtonElement);
    const step = (by: number) => {
      if (buttons.length > 0)
        buttons[(at + by + buttons.length) % buttons.length].focus();
    };
    switch (e.key) {
    case 'Escape': this.close(); break;
    case 'Tab': this.close(); break;
    case 'ArrowDown': step(1); break;
    case 'ArrowUp': step(-1); break;
    case 'Home': buttons[0]?.focus(); break;
    case 'End': buttons[buttons.length - 1]?.focus(); break;
    case 'Enter': case ' ': if (at >= 0) this.choose(buttons[at]); break;
    default: return;
    }
    e.preventDefault();
    e.stopPropagation();
  }
}
