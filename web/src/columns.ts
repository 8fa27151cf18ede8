// The columns of a section as this tab shows them: its order (a column's text, either way round),
// the widths the operator dragged, and on a narrow screen the name and state first, held in sight
// while the other columns scroll. Kept per tab (sessionStorage), never shared with another tab.

export interface ColumnView {
  /// The shown column the rows are ordered by; -1: the desk's order.
  sort: number;
  descending: boolean;
  /// Widths in pixels the operator gave, by column.
  widths: Record<number, number>;
}

export const kMinWidthPx = 40;
export const kMaxWidthPx = 800;

export function noColumnView(): ColumnView {
  return { sort: -1, descending: false, widths: {} };
}

/// A click on a column's header: that column, then the same reversed.
export function nextSort(view: ColumnView, column: number): ColumnView {
  const descending = view.sort === column ? !view.descending : false;
  return { ...view, sort: column, descending };
}

export function clampWidth(px: number): number {
  return Math.round(Math.min(kMaxWidthPx, Math.max(kMinWidthPx, px)));
}

/// The column that says a point's state: the first whose caption names a status or state; -1 when
/// none does.
export function stateColumn(columns: string[]): number {
  return columns.findIndex((name) => /\b(status|state)\b/i.test(name));
}

/// The order the columns are drawn in: the section's own, but on a narrow screen the first (the
/// name) and the state column come first.
export function displayOrder(columns: string[], narrow: boolean): number[] {
  const all = columns.map((_, i) => i);
  const state = stateColumn(columns);
  if (!narrow || state <= 1)
    return all;
  return [0, state, ...all.filter((i) => i !== 0 && i !== state)];
}

/// A column's width by what it holds: names, addresses and times are wider than states.
export function defaultWidth(name: string): string {
  const lower = name.toLowerCase();
  if (/name|description/.test(lower))
    return '16rem';
  if (/address/.test(lower))
    return '15rem';
  if (/updated|time|since/.test(lower))
    return '12rem';
  return '8.5rem';
}

/// The widths of the columns in drawing order: the operator's where given, else by what the
/// column holds; a narrow screen's name column is narrower (its tooltip shows a cut name whole).
export function columnWidths(columns: string[], view: ColumnView, order: number[], narrow: boolean): string[] {
  return order.map((i) => {
    const given = view.widths[i];
    if (given !== undefined)
      return `${given}px`;
    return narrow && i === 0 ? '9rem' : defaultWidth(columns[i]);
  });
}

/// The tab's column views as stored, by section; anything not a view of the right shape is left
/// out (what a tab stored is read back, never trusted blindly).
export function readColumnViews(text: string | null): Map<number, ColumnView> {
  const views = new Map<number, ColumnView>();
  let stored: unknown;
  try {
    stored = JSON.parse(text ?? '{}');
  } catch {
    return views;
  }
  if (typeof stored !== 'object' || stored === null)
    return views;
  for (const [key, value] of Object.entries(stored)) {
    const section = Number(key);
    const v = value as Partial<ColumnView> | null;
    if (!Number.isInteger(section) || typeof v !== 'object' || v === null || !Number.isInteger(v.sort) ||
        typeof v.descending !== 'boolean' || typeof v.widths !== 'object' || v.widths === null)
      continue;
    const widths: Record<number, number> = {};
    for (const [column, px] of Object.entries(v.widths))
      if (Number.isInteger(Number(column)) && typeof px === 'number' && Number.isFinite(px))
        widths[Number(column)] = clampWidth(px);
    views.set(section, { sort: v.sort as number, descending: v.descending, widths });
  }
  return views;
}

export function writeColumnViews(views: Map<number, ColumnView>): string {
  return JSON.stringify(Object.fromEntries(views));
}
