// "Live" and "At" on the page: the tab shows the live site, or the site as it was at a moment the
// operator picks, stepped report by report (buttons, Left/Right, PageUp/PageDown, the slider) or
// played. While in the past the whole page takes another look and a banner says so; the server
// offers no command and takes none.
import { el } from './dom';
import { inputValue, momentFromInput, pastKeyStep, spanNow, startingMoment } from './pastMoment';
import type { ClientMessage, PastState } from './protocol';

export interface PastBarEvents {
  ask(message: ClientMessage): void;
  refused(text: string): void;
  /// The tab went into the past (true) or back to live.
  modeChanged(past: boolean): void;
}

const kSpeeds = [1, 10, 60] as const;

export class PastBar {
  readonly element: HTMLElement;
  readonly banner: HTMLElement;
  private readonly live: HTMLButtonElement;
  private readonly at: HTMLButtonElement;
  private readonly moment: HTMLInputElement;
  private readonly controls: HTMLElement;
  private readonly slider: HTMLInputElement;
  private readonly position: HTMLElement;
  private readonly speeds: HTMLButtonElement[];
  private readonly pause: HTMLButtonElement;
  private span: { first: number; last: number } | null = null;
  /// When the span was told (performance.now()).
  private spanToldAt = 0;
  private inPast = false;

  constructor(private readonly events: PastBarEvents) {
    this.element = el('div', { class: 'past-bar', role: 'group', 'aria-label': 'Live or a past moment' });
    this.live = el('button', { type: 'button', class: 'live', 'aria-pressed': true }, 'Live');
    this.at = el('button', { type: 'button', class: 'at', 'aria-pressed': false }, 'At');
    this.moment = el('input', { type: 'datetime-local', step: 1, 'aria-label': 'Moment to show' });
    this.controls = el('span', { class: 'past-controls', hidden: true });
    const back = el('button', { type: 'button', title: 'The previous report (Left, PageUp)' }, '◀');
    const forward = el('button', { type: 'button', title: 'The next report (Right, PageDown)' }, '▶');
    back.setAttribute('aria-label', 'Previous report');
    forward.setAttribute('aria-label', 'Next report');
    this.slider = el('input', { type: 'range', min: 0, max: 0, value: 0, 'aria-label': 'Reports around the moment' });
    this.position = el('span', { class: 'past-position' });
    this.speeds = kSpeeds.map((speed) => el('button', { type: 'button', 'aria-pressed': false }, `Play ${speed}×`));
    this.pause = el('button', { type: 'button' }, 'Pause');
    this.controls.append(back, this.slider, forward, this.position, ...this.speeds, this.pause);
    this.element.append(this.live, this.at, this.moment, this.controls);
    this.banner = el('p', { class: 'past-banner', role: 'status', hidden: true });

    this.live.addEventListener('click', () => this.events.ask({ t: 'live' }));
    this.at.addEventListener('click', () => this.askAt());
    this.moment.addEventListener('keydown', (e) => {
      if (e.key === 'Enter')
        this.askAt();
    });
    back.addEventListener('click', () => this.events.ask({ t: 'pastStep', by: -1 }));
    forward.addEventListener('click', () => this.events.ask({ t: 'pastStep', by: 1 }));
    this.slider.addEventListener('change', () => this.events.ask({ t: 'pastReport', index: Number(this.slider.value) }));
    kSpeeds.forEach((speed, i) => this.speeds[i].addEventListener('click', () => this.events.ask({ t: 'pastPlay', speed })));
    this.pause.addEventListener('click', () => this.events.ask({ t: 'pastPlay', speed: 0 }));
    // In the past the keys step wherever the keyboard is (before a grid or the attention list
    // takes them to move their rows), but in a text box or a list.
    document.addEventListener('keydown', (e) => {
      const target = e.target as HTMLElement | null;
      if (target !== null && target !== this.slider && target.closest('input, select, textarea') !== null)
        return;
      this.stepKey(e);
    }, true);
  }

  /// What the welcome said of the history: absent, the tab offers no "At".
  setHistory(span: { first: number; last: number } | undefined): void {
    this.span = span ?? null;
    this.spanToldAt = performance.now();
    this.element.hidden = this.span === null;
    if (this.span !== null) {
      this.moment.min = inputValue(this.span.first);
      this.moment.max = inputValue(this.span.last);
      if (this.moment.value === '')
        this.moment.value = inputValue(startingMoment(this.span.first, this.span.last));
    }
    this.showLive();
  }

  /// A step back from the journal: the board with the step in it.
  goTo(moment: number): void {
    this.moment.value = inputValue(moment);
    this.events.ask({ t: 'at', moment });
  }

  showPast(state: PastState): void {
    if (!this.inPast) {
      this.inPast = true;
      this.events.modeChanged(true);
    }
    this.span = { first: state.first, last: state.last };
    this.spanToldAt = performance.now();
    this.live.setAttribute('aria-pressed', 'false');
    this.at.setAttribute('aria-pressed', 'true');
    this.controls.hidden = false;
    this.banner.hidden = false;
    this.banner.textContent = state.waiting && state.moment !== 0 ? `${state.banner} …` : state.banner;
    if (state.moment !== 0 && document.activeElement !== this.moment)
      this.moment.value = inputValue(state.moment);
    this.slider.max = String(Math.max(0, state.reports - 1));
    this.slider.value = String(Math.max(0, state.index));
    this.slider.disabled = state.reports === 0;
    this.position.textContent = state.reports > 0 ? `report ${state.index + 1} of ${state.reports}` : '';
    kSpeeds.forEach((speed, i) => this.speeds[i].setAttribute('aria-pressed', String(state.speed === speed)));
    this.pause.disabled = state.speed === 0;
  }

  showLive(): void {
    this.live.setAttribute('aria-pressed', 'true');
    this.at.setAttribute('aria-pressed', 'false');
    this.controls.hidden = true;
    this.banner.hidden = true;
    this.banner.textContent = '';
    if (this.inPast) {
      this.inPast = false;
      this.events.modeChanged(false);
    }
  }

  private askAt(): void {
    if (this.span === null)
      return;
    const span = spanNow(this.span, performance.now() - this.spanToldAt);
    this.moment.max = inputValue(span.last);
    const read = momentFromInput(this.moment.value, span.first, span.last);
    if ('error' in read)
      this.events.refused(read.error);
    else
      this.events.ask({ t: 'at', moment: read.moment });
  }

  private stepKey(e: KeyboardEvent): void {
    const by = pastKeyStep(e.key);
    if (!this.inPast || by === 0 || e.altKey || e.ctrlKey || e.metaKey)
      return;
    e.preventDefault();
    e.stopPropagation();
    this.events.ask({ t: 'pastStep', by });
  }
}
