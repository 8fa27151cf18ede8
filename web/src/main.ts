// The web desk's page: sign-in, then the status of the operator's group as the server's headless
// component shows it: the attention list on top, the sections below, each asking only for the
// rows in sight. Nothing of the decoding happens here; the page draws what it is sent.
import { AttentionPanel } from './attention';
import { AttentionList } from './attentionList';
import { noColumnView, readColumnViews, writeColumnViews, type ColumnView } from './columns';
import { JournalPanel } from './journal';
import { Link, currentSession, signIn, signOut, type Session } from './connection';
import { el } from './dom';
import { narrowScreen, SectionGrid } from './grid';
import { ContextMenu } from './menu';
import { PastBar } from './pastBar';
import type { AttentionEntry, ServerMessage, ShelvedPoint } from './protocol';

type RowsMessage = Extract<ServerMessage, { t: 'rows' }>;
import { afterClose, Backoff, type Bye } from './session';
import { deskTotals, isRefusal, noticeKind, shownTime } from './wording';

const kNoticeMs = 15000;
const kFindDelayMs = 200;
const kSilenceCheckMs = 500;
const kGroupKey = 'status.group';
const kColumnsKey = 'status.columns';

function byId<T extends HTMLElement>(id: string): T {
  const element = document.getElementById(id);
  if (element === null)
    throw new Error(`the page has no #${id}`);
  return element as T;
}

interface PendingMenu {
  section: number;
  key: number;
  x: number;
  y: number;
  returnFocus: HTMLElement;
}

class App {
  private readonly form = byId<HTMLFormElement>('signin');
  private readonly formError = byId<HTMLElement>('signin-error');
  private readonly desk = byId<HTMLElement>('desk');
  private readonly groupBox = byId<HTMLSelectElement>('group');
  private readonly findBox = byId<HTMLInputElement>('find');
  private readonly abnormalBox = byId<HTMLInputElement>('abnormal');
  private readonly total = byId<HTMLElement>('total');
  private readonly matches = byId<HTMLElement>('matches');
  private readonly operator = byId<HTMLElement>('operator');
  private readonly linkState = byId<HTMLElement>('link-state');
  private readonly notice = byId<HTMLElement>('notice');
  private readonly sections = byId<HTMLElement>('sections');
  private readonly attention: AttentionPanel;
  /// The attention list as the server last gave it (whole, then its changes).
  private readonly attentionList = new AttentionList();
  private readonly journal: JournalPanel;
  private readonly past: PastBar;
  private readonly menu = new ContextMenu();
  private grids = new Map<number, SectionGrid>();
  /// Each section's order and column widths, this tab's own.
  private readonly columnViews = readColumnViews(sessionStorage.getItem(kColumnsKey));
  private session: Session | null = null;
  private link: Link | null = null;
  private pendingMenu: PendingMenu | null = null;
  private pendingJump: AttentionEntry | null = null;
  /// What came since the last frame, newest only: drawn once, at the next frame.
  private newestAttention: AttentionEntry[] | null = null;
  private newestShelved: ShelvedPoint[] | null = null;
  private readonly newestRows = new Map<number, RowsMessage>();
  private drawFrame = 0;
  private viewQueued = false;
  private findTimer: number | undefined;
  private noticeTimer: number | undefined;
  private retryTimer: number | undefined;
  private readonly reconnectWait = new Backoff();
  private signInBlockedUntil = 0;
  /// When the link was lost (the time of day, shown); 0 while it is live.
  private lostSinceMs = 0;
  /// The broker link's or the field's fault, as the server last told it.
  private faultText = '';

  constructor() {
    this.attention = new AttentionPanel({
      goTo: (entry) => this.goTo(entry),
      menuAsked: (section, key, x, y, returnFocus) => this.askMenu(section, key, x, y, returnFocus),
      clearCleared: () => this.link?.send({ t: 'clearCleared' }),
      acknowledge: (entry, comment) => {
        if (!this.refusedInPast())
          this.link?.send({ t: 'acknowledge', section: entry.section, key: entry.key, csrf: this.session?.csrf ?? '', comment });
      },
      shelve: (entry, minutes) => {
        if (!this.refusedInPast())
          this.link?.send({ t: 'shelve', section: entry.section, key: entry.key, csrf: this.session?.csrf ?? '', minutes });
      },
      refused: (text) => this.showNotice(text, true),
      journalAsked: () => this.journal.toggle(),
    });
    this.past = new PastBar({
      ask: (message) => this.link?.send(message),
      refused: (text) => this.showNotice(text, true),
      modeChanged: (inPast) => {
        // Another look for the whole page: a glance tells the past from the live site.
        this.desk.classList.toggle('past', inPast);
        this.menu.close(false);
        this.resetGrids();
      },
    });
    this.journal = new JournalPanel({
      ask: (message) => this.link?.send(message),
      refused: (text) => this.showNotice(text, true),
      showBoardAt: (moment) => this.past.goTo(moment),
    });
    byId('past-slot').replaceWith(this.past.element);
    byId('past-banner-slot').replaceWith(this.past.banner);
    byId('attention-slot').replaceWith(this.attention.element);
    this.attention.element.after(this.journal.element);
    document.body.append(this.menu.element);

    this.form.addEventListener('submit', (e) => {
      e.preventDefault();
      void this.submitSignIn();
    });
    byId('signout').addEventListener('click', () => void this.signOut());
    this.groupBox.addEventListener('change', () => {
      this.resetGrids();
      this.keepGroup(this.groupBox.value);
      this.link?.send({ t: 'group', name: this.groupBox.value });
    });
    this.findBox.addEventListener('input', () => {
      window.clearTimeout(this.findTimer);
      this.findTimer = window.setTimeout(() => this.sendFind(), kFindDelayMs);
    });
    this.findBox.addEventListener('keydown', (e) => {
      if (e.key === 'Escape' && this.findBox.value !== '') {
        e.preventDefault();
        this.findBox.value = '';
        this.sendFind();
      }
    });
    this.abnormalBox.addEventListener('change', () => {
      this.resetGrids();
      this.link?.send({ t: 'abnormal', on: this.abnormalBox.checked });
    });
    window.addEventListener('resize', () => this.queueView());
    narrowScreen.addEventListener('change', () => {
      for (const grid of this.grids.values())
        grid.relayout();
    });
    window.setInterval(() => this.checkSilence(), kSilenceCheckMs);
  }

  async start(): Promise<void> {
    const probe = await currentSession();
    if (this.session !== null)
      return;
    if (probe.state === 'live') {
      this.connect(probe.session);
    } else if (probe.state === 'ended') {
      this.showSignIn('');
    } else {
      this.showSignIn('The web desk does not answer; trying again.');
      window.setTimeout(() => void this.start(), this.reconnectWait.next());
    }
  }

  // ---- signing in and out

  private showSignIn(message: string): void {
    this.link?.close();
    this.link = null;
    this.session = null;
    window.clearTimeout(this.retryTimer);
    this.linkBack();
    this.menu.close(false);
    this.desk.hidden = true;
    this.form.hidden = false;
    this.formError.textContent = message;
    document.title = 'Status — sign in';
    (this.form.elements.namedItem('login') as HTMLInputElement).focus();
  }

  private async submitSignIn(): Promise<void> {
    if (Date.now() < this.signInBlockedUntil)
      return;
    const login = (this.form.elements.namedItem('login') as HTMLInputElement).value;
    const passwordBox = this.form.elements.namedItem('password') as HTMLInputElement;
    const button = this.form.querySelector('button') as HTMLButtonElement;
    button.disabled = true;
    const wall = (this.form.elements.namedItem('wall') as HTMLInputElement).checked;
    const result = await signIn(login, passwordBox.value, wall);
    passwordBox.value = '';
    if (result.ok) {
      button.disabled = false;
      this.formError.textContent = '';
      this.connect(result.session);
      return;
    }
    this.formError.textContent = result.error;
    if (result.retryAfterS > 0) {
      // Rate-limited: the button waits as long as the server asks.
      this.signInBlockedUntil = Date.now() + result.retryAfterS * 1000;
      this.formError.textContent = `${result.error} Try again in ${result.retryAfterS} s.`;
      window.setTimeout(() => { button.disabled = false; }, result.retryAfterS * 1000);
    } else {
      button.disabled = false;
    }
  }

  private async signOut(): Promise<void> {
    const session = this.session;
    this.showSignIn('Signed out.');
    if (session !== null)
      await signOut(session.csrf);
  }

  // ---- the live link

  private connect(session: Session): void {
    this.session = session;
    this.form.hidden = true;
    this.desk.hidden = false;
    this.operator.textContent = session.operator;
    if (this.lostSinceMs === 0)
      this.linkState.textContent = 'Connecting…';
    const link = new Link(session.csrf, sessionStorage.getItem(kGroupKey) ?? '', {
      opened: () => this.reconnectWait.reset(),
      message: (message) => {
        if (this.link !== link)
          return;
        if (this.lostSinceMs !== 0 || this.desk.classList.contains('stale'))
          this.linkBack();
        this.onMessage(message);
      },
      closed: (bye, code, reason) => {
        if (this.link === link) {
          this.link = null;
          void this.linkClosed(bye, code, reason);
        }
      },
    });
    this.link = link;
  }

  /// The socket closed: the server is asked whether the session lives. Only its "no" shows the
  /// sign-in form; a cut, a restart or a proxy's error keeps the desk in sight, greyed, and tries
  /// again.
  private async linkClosed(bye: Bye | null, code: number, reason: string): Promise<void> {
    this.linkLost();
    const probe = await currentSession();
    const session = this.session;
    if (session === null || this.link !== null)
      return;
    const next = afterClose(probe.state, bye, code, reason);
    if (next.action === 'signin') {
      this.showSignIn(next.message);
    } else if (next.action === 'refused') {
      this.linkState.textContent = next.message;
    } else {
      const live = probe.state === 'live' ? probe.session : session;
      window.clearTimeout(this.retryTimer);
      this.retryTimer = window.setTimeout(() => {
        if (this.session !== null && this.link === null)
          this.connect(live);
      }, this.reconnectWait.next());
    }
  }

  private linkLost(): void {
    if (this.lostSinceMs === 0)
      this.lostSinceMs = Date.now();
    this.desk.classList.add('stale');
    this.linkState.textContent = `Connection to the web desk lost; reconnecting since ${shownTime(this.lostSinceMs)}…`;
  }

  private linkBack(): void {
    this.lostSinceMs = 0;
    this.desk.classList.remove('stale');
    this.linkState.textContent = this.faultText;
  }

  /// A link that says nothing is not live: its rows grey and say since when after a few seconds,
  /// and the link is made anew when the silence goes on (a frozen connection never closes itself).
  private checkSilence(): void {
    const link = this.link;
    if (link === null)
      return;
    const now = performance.now();
    const state = link.silence.state(now);
    // A socket that never opens (its handshake stuck behind the same frozen connection) is given
    // up the same way.
    if (state === 'dead') {
      this.link = null;
      link.close();
      void this.linkClosed(null, 1006, '');
    } else if (state === 'stale' && link.open && this.lostSinceMs === 0) {
      const heardAt = Date.now() - (now - link.silence.lastHeardMs);
      this.desk.classList.add('stale');
      this.linkState.textContent = `No word from the web desk since ${shownTime(heardAt)}: the status shown may be out of date.`;
    }
  }

  private onMessage(message: ServerMessage): void {
    switch (message.t) {
    case 'welcome': {
      this.newestRows.clear();
      this.attentionList.forget();
      // Connected: "Connecting…" gives way to the link's and the field's state.
      if (this.lostSinceMs === 0)
        this.linkState.textContent = this.faultText;
      this.operator.textContent = message.operator;
      this.groupBox.replaceChildren(...message.groups.map((name) => el('option', { value: name }, name)));
      this.groupBox.value = message.group;
      this.keepGroup(message.group);
      // A welcome is live: the server shows the past only when asked again.
      this.past.setHistory(message.history);
      this.desk.classList.toggle('no-history', message.history === undefined);
      this.grids = new Map(message.sections.map((info) => [info.section, new SectionGrid(info,
        this.columnViews.get(info.section) ?? noColumnView(), {
          viewChanged: () => this.queueView(),
          menuAsked: (section, key, x, y, returnFocus) => this.askMenu(section, key, x, y, returnFocus),
          columnsChanged: (section, view, sorted) => this.columnsChanged(section, view, sorted),
        })]));
      // The tab's own order of each section, asked for again on every new link.
      for (const [section, view] of this.columnViews)
        if (view.sort >= 0 && this.grids.has(section))
          this.link?.send({ t: 'sort', section, column: view.sort, descending: view.descending });
      this.sections.replaceChildren(...[...this.grids.values()].map((grid) => grid.element));
      if (this.findBox.value !== '')
        this.sendFind();
      if (this.abnormalBox.checked)
        this.link?.send({ t: 'abnormal', on: true });
      this.queueView();
      break;
    }
    case 'counts': {
      if (message.group && this.groupBox.value !== message.group) {
        // A group refused (too many shown already) leaves the tab on the one it showed.
        this.groupBox.value = message.group;
        this.keepGroup(message.group);
      }
      for (const counts of message.sections)
        this.grids.get(counts.section)?.applyCounts(counts);
      const totals = deskTotals(message.sections, message.alarms, message.warnings, this.findBox.value);
      this.total.textContent = totals.total;
      this.matches.textContent = totals.matches;
      this.attention.setCounts(message.alarms, message.warnings);
      document.title = totals.title;
      break;
    }
    case 'attention':
      // In a storm the list changes up to ten times a second and redrawing it is the page's
      // dearest work: only the newest list is drawn, once a frame, so the rows behind it in the
      // socket are not held up.
      this.attentionList.whole(message.version, message.entries, message.total);
      this.newestAttention = message.entries;
      this.newestShelved = Array.isArray(message.shelved) ? message.shelved : null;
      this.drawNextFrame();
      break;
    case 'attentionChanges':
      if (this.attentionList.apply(message)) {
        this.newestAttention = this.attentionList.entries;
        this.newestShelved = Array.isArray(message.shelved) ? message.shelved : null;
        this.drawNextFrame();
      } else if (this.attentionList.held) {
        // Not for the list held: the whole list is asked for once, and changes wait for it.
        this.attentionList.forget();
        this.link?.send({ t: 'attentionAgain' });
      }
      break;
    case 'rows':
      // The same for the rows: a section's newest rows replace any not drawn yet.
      this.newestRows.set(message.section, message);
      this.drawNextFrame();
      break;
    case 'located': {
      const pending = this.pendingJump;
      if (pending === null || pending.section !== message.section || pending.key !== message.key)
        break;
      this.pendingJump = null;
      if (message.index >= 0)
        this.grids.get(message.section)?.goTo(message.index);
      else
        this.showNotice(`${pending.name} is not in sight: find or "Abnormal only" hides it.`, false);
      break;
    }
    case 'menu': {
      const pending = this.pendingMenu;
      if (pending === null || pending.section !== message.section || pending.key !== message.key)
        break;
      this.pendingMenu = null;
      this.menu.open(message.items, pending.x, pending.y, pending.returnFocus, (item) => {
        if (this.session === null)
          return;
        this.link?.send({ t: 'command', section: pending.section, key: pending.key, id: item.id, csrf: this.session.csrf });
        this.showNotice(`Sending: ${item.text}`, false);
      });
      break;
    }
    case 'journal':
      this.journal.setRows(message.rows);
      break;
    case 'past':
      this.past.showPast(message);
      break;
    case 'live':
      this.past.showLive();
      break;
    case 'command':
    case 'step':
      this.showNotice(message.text, !message.ok);
      break;
    case 'notice':
      // The broker link's and the field's state come marked as on the desk's status bar: a fault
      // ("▲ Field offline since 10:42:13") stays in sight until the next state; the rest is a
      // notice for a while.
      if (noticeKind(message.text) === 'fault') {
        this.faultText = message.text;
        this.linkState.textContent = message.text;
      } else {
        if (noticeKind(message.text) === 'restored') {
          this.faultText = '';
          this.linkState.textContent = '';
        }
        this.showNotice(message.text, isRefusal(message.text));
      }
      break;
    case 'bye': // the socket's close follows: the session is asked about then
    case 'ping':
      break;
    }
  }

  /// Draws what came since the last frame, once, at the next one: however fast pushes come, the
  /// page draws at most once a frame and never draws a state that is already old.
  private drawNextFrame(): void {
    if (this.drawFrame !== 0)
      return;
    this.drawFrame = requestAnimationFrame(() => {
      this.drawFrame = 0;
      if (this.newestShelved !== null)
        this.attention.setShelved(this.newestShelved);
      if (this.newestAttention !== null)
        this.attention.setEntries(this.newestAttention);
      this.newestAttention = null;
      this.newestShelved = null;
      for (const rows of this.newestRows.values())
        this.grids.get(rows.section)?.applyRows(rows.first, rows.total, rows.rows);
      this.newestRows.clear();
    });
  }

  // ---- what the page asks of the server

  /// Asks for the rows in sight of every section once this frame's scrolling is done.
  private queueView(): void {
    if (this.viewQueued)
      return;
    this.viewQueued = true;
    requestAnimationFrame(() => {
      this.viewQueued = false;
      this.link?.send({ t: 'view', views: [...this.grids.values()].map((grid) => grid.view()) });
    });
  }

  private sendFind(): void {
    window.clearTimeout(this.findTimer);
    this.resetGrids();
    this.link?.send({ t: 'find', text: this.findBox.value });
  }

  private resetGrids(): void {
    this.newestRows.clear();
    for (const grid of this.grids.values())
      grid.reset();
    this.queueView();
  }

  private askMenu(section: number, key: number, x: number, y: number, returnFocus: HTMLElement): void {
    this.menu.close(false);
    this.pendingMenu = { section, key, x, y, returnFocus };
    this.link?.send({ t: 'menu', section, key });
  }

  /// Goes to an attention entry's row: at once when its section holds it, else once the server
  /// says where it is among the rows in sight.
  private goTo(entry: AttentionEntry): void {
    const grid = this.grids.get(entry.section);
    if (grid === undefined)
      return;
    const index = grid.indexOf(entry.key);
    if (index >= 0) {
      grid.goTo(index);
      return;
    }
    this.pendingJump = entry;
    this.link?.send({ t: 'locate', section: entry.section, key: entry.key });
  }

  private columnsChanged(section: number, view: ColumnView, sorted: boolean): void {
    this.columnViews.set(section, view);
    sessionStorage.setItem(kColumnsKey, writeColumnViews(this.columnViews));
    if (!sorted)
      return;
    this.newestRows.delete(section);
    this.grids.get(section)?.reset();
    this.link?.send({ t: 'sort', section, column: view.sort, descending: view.descending });
    this.queueView();
  }

  /// The tab's group, kept for the tab alone (a reload or a new link asks for it again): two tabs
  /// of one operator each show their own.
  private keepGroup(name: string): void {
    sessionStorage.setItem(kGroupKey, name);
  }

  /// A tab showing the past offers no alarm step: true, and the operator told, while it does.
  private refusedInPast(): boolean {
    if (!this.desk.classList.contains('past'))
      return false;
    this.showNotice('This tab shows the past: back to "Live" to act.', true);
    return true;
  }

  private showNotice(text: string, refused: boolean): void {
    this.notice.textContent = text;
    this.notice.classList.toggle('refused', refused);
    this.notice.hidden = false;
    window.clearTimeout(this.noticeTimer);
    this.noticeTimer = window.setTimeout(() => {
      this.notice.textContent = '';
      this.notice.hidden = true;
    }, kNoticeMs);
  }
}

void new App().start();
