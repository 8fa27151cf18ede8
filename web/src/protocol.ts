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
  rows: number;
  alarms: number;
  warnings: number;
}

export interface AttentionEntry {
  key: string;
  section: number;
  severity: 'alarm' | 'warning';
  kind: string;
  name: string;
  address: string;
  words: string;
  since: string;
  cleared: boolean;
}

export interface GridRow {
  key: string;
  cells: string[];
  severity: SeverityName;
  reason: string;
  recent: boolean;
}

export interface MenuItem {
  id: string;
  text: string;
  enabled: boolean;
}

export type ServerMessage =
  | { t: 'welcome'; operator: string; groups: string[]; group: string; sections: SectionInfo[] }
  | { t: 'counts'; group: string; sections: SectionCounts[]; alarms: number; warnings: number }
  | { t: 'attention'; entries: AttentionEntry[] }
  | { t: 'rows'; section: number; first: number; total: number; rows: GridRow[] }
  | { t: 'menu'; section: number; key: string; items: MenuItem[] }
  | { t: 'command'; id: string; ok: boolean; text: string }
  | { t: 'notice'; text: string }
  | { t: 'bye'; reason: string };

export interface View {
  section: number;
  first: number;
  count: number;
}

export type ClientMessage =
  | { t: 'hello'; csrf: string }
  | { t: 'group'; name: string }
  | { t: 'view'; views: View[] }
  | { t: 'find'; text: string }
  | { t: 'abnormal'; on: boolean }
  | { t: 'menu'; section: number; key: string }
  | { t: 'command'; section: number; key: string; id: string; csrf: string }
  | { t: 'clearCleared' };

/// The most rows the server sends for one section's view.
export const kMaxViewRows = 200;
