// The messages of the web desk's WebSocket (JSON objects told apart by "t"), as the server sends
// and takes them. Every text in them is shown with textContent, never parsed as markup.

export type SeverityName = 'alarm' | 'warning' | '';

export interface SectionInfo {
  section: number;
  title: string;
  columns: string[];
}

export interface SectionCounts {
  section: number;
  title: string;
  /// All the section's rows, and those in sight under find and "Abnormal only".
  rows: number;
  shown: number;
  /// Among the rows in sight.
  alarms: number;
  warnings: number;
}

/// A row is named by its key in its section: stable while rows sort or other rows go.
export interface AttentionEntry {
  key: number;
  section: number;
  severity: 'alarm' | 'warning';
  kind: string;
  name: string;
  address: string;
  words: string;
  since: string;
  cleared: boolean;
  /// An alarm no operator acknowledged yet.
  unacknowledged: boolean;
  /// The operator who acknowledged it; empty while none did.
  acknowledgedBy: string;
}

/// A point shelved at any desk: who shelved it and when it returns ("10:42:13", with the day when
/// not today).
export interface ShelvedPoint {
  address: string;
  /// The name its row shows; empty when the shown group lacks the point.
  name: string;
  by: string;
  until: string;
}

/// One step of the alarm journal, its times as "2026-12-07 10:42:13".
export interface JournalRow {
  time: string;
  event: string;
  address: string;
  raised: string;
  operator: string;
  comment: string;
  /// The moment that shows the board with the step (ms since 1970); 0 when unknown.
  at: number;
}

/// Where a tab's replay of the past stands (the server's "past" message).
export interface PastState {
  /// The moment shown (ms since 1970); 0 before the first board came.
  moment: number;
  banner: string;
  /// A board asked for has not come yet.
  waiting: boolean;
  /// The report times around the moment, and the index of the one shown (-1: before the first).
  reports: number;
  index: number;
  /// Times real time; 0 paused.
  speed: number;
  /// The history's span.
  first: number;
  last: number;
}

export interface GridRow {
  key: number;
  cells: string[];
  severity: SeverityName;
  reason: string;
  recent: boolean;
}

export interface MenuItem {
  id: string;
  text: string;
  enabled: boolean;
  /// Why a disabled entry cannot be chosen.
  why?: string;
}

export type ServerMessage =
  | { t: 'welcome'; operator: string; groups: string[]; group: string; sections: SectionInfo[]; history?: { first: number; last: number } }
  | ({ t: 'past' } & PastState)
  | { t: 'live' }
  | { t: 'counts'; group: string; sections: SectionCounts[]; alarms: number; warnings: number }
  | { t: 'attention'; version: number; entries: AttentionEntry[]; total: number; shelved: ShelvedPoint[] }
  | { t: 'attentionChanges'; base: number; version: number; order: (number | string)[]; changed: AttentionEntry[]; total: number; shelved: ShelvedPoint[] }
  | { t: 'rows'; section: number; first: number; total: number; rows: GridRow[] }
  | { t: 'menu'; section: number; key: number; items: MenuItem[] }
  | { t: 'command'; id: string; ok: boolean; text: string }
  | { t: 'step'; step: 'acknowledge' | 'shelve'; ok: boolean; text: string }
  | { t: 'journal'; rows: JournalRow[] }
  | { t: 'located'; section: number; key: number; index: number }
  | { t: 'notice'; text: string }
  | { t: 'ping' }
  | { t: 'bye'; reason: string; again?: boolean };

export interface View {
  section: number;
  first: number;
  count: number;
}

export type ClientMessage =
  | { t: 'hello'; csrf: string; group?: string }
  | { t: 'group'; name: string }
  | { t: 'view'; views: View[] }
  | { t: 'find'; text: string }
  | { t: 'abnormal'; on: boolean }
  | { t: 'menu'; section: number; key: number }
  | { t: 'command'; section: number; key: number; id: string; csrf: string }
  | { t: 'clearCleared' }
  | { t: 'attentionAgain' }
  | { t: 'sort'; section: number; column: number; descending: boolean }
  | { t: 'acknowledge'; section: number; key: number; csrf: string; comment: string }
  | { t: 'shelve'; section: number; key: number; csrf: string; minutes: number }
  | { t: 'journal'; point?: string; operator?: string; from?: string; to?: string }
  | { t: 'locate'; section: number; key: number }
  | { t: 'at'; moment: number }
  | { t: 'pastStep'; by: -1 | 1 }
  | { t: 'pastReport'; index: number }
  | { t: 'pastPlay'; speed: 0 | 1 | 10 | 60 }
  | { t: 'live' }
  | { t: 'ping' };

/// How long a point may be shelved, in minutes.
export const kShelveMinMinutes = 15;
export const kShelveMaxMinutes = 8 * 60;
/// The longest comment an acknowledgement carries.
export const kMaxComment = 255;

/// The most rows the server sends for one section's view.
export const kMaxViewRows = 200;
