// Which rows of the attention list to draw again and which to keep. In a storm the list arrives up
// to ten times a second, nearly all as it was: a point's row is drawn again only when what it
// shows changed; otherwise the row drawn for it last time moves to its new place.
import { kShelveMaxMinutes, kShelveMinMinutes, type AttentionEntry, type ShelvedPoint } from './protocol';

/// Names an entry's point: keys are a section's own, so the section and the key together.
export function pointOf(entry: AttentionEntry): string {
  return `${entry.section}:${entry.key}`;
}

/// What an entry's row shows; a row is drawn again when this differs.
export function showsOf(entry: AttentionEntry): string {
  return JSON.stringify(entry);
}

/// One row of the new list: the point, what it shows, and the kept row to use (undefined: draw one).
export interface PlannedRow<Row> {
  point: string;
  shows: string;
  kept: Row | undefined;
}

/// Plans the rows of `entries` from the rows drawn last time (by point, with what each showed).
/// A point listed twice keeps its row once; the second gets a row of its own.
export function planRows<Row>(entries: AttentionEntry[], drawn: Map<string, { row: Row; shows: string }>):
    PlannedRow<Row>[] {
  const used = new Set<string>();
  return entries.map((entry) => {
    const point = pointOf(entry);
    const shows = showsOf(entry);
    const before = drawn.get(point);
    const kept = before !== undefined && before.shows === shows && !used.has(point) ? before.row : undefined;
    used.add(point);
    return { point, shows, kept };
  });
}

/// Where the current entry is in a new list: its point's place, or -1 when the point left it.
export function currentIndex(entries: AttentionEntry[], currentPoint: string): number {
  return entries.findIndex((e) => pointOf(e) === currentPoint);
}

/// The text of an entry's cells after its marker: kind, name, address, words, since.
export function entryTexts(entry: AttentionEntry): string[] {
  return [entry.kind, entry.name, entry.address, entry.words, entry.cleared ? `cleared (${entry.since})` : entry.since];
}

/// Where an alarm stands, in words that read without colour: "cleared, not acknowledged", "not
/// acknowledged", "acknowledged by mlee"; empty for a warning.
export function acknowledgementText(entry: AttentionEntry): string {
  if (entry.unacknowledged)
    return entry.cleared ? 'cleared, not acknowledged' : 'not acknowledged';
  return entry.acknowledgedBy ? `acknowledged by ${entry.acknowledgedBy}` : '';
}

/// A shelved point in words: "Loading Dock Contact (\\SNET.P001.C0101.BI03), shelved by mlee until
/// 10:42:13"; the address alone when the shown group lacks the point, no "by" when nobody is named.
export function shelvedText(point: ShelvedPoint): string {
  const what = point.name ? `${point.name} (${point.address})` : point.address;
  return `${what}, shelved${point.by ? ` by ${point.by}` : ''} until ${point.until}`;
}

/// The minutes an operator typed for a shelving: a whole number from kShelveMinMinutes to
/// kShelveMaxMinutes, or null for anything else.
export function shelveMinutes(typed: string): number | null {
  const text = typed.trim();
  if (!/^\d{1,4}$/.test(text))
    return null;
  const minutes = Number(text);
  return minutes >= kShelveMinMinutes && minutes <= kShelveMaxMinutes ? minutes : null;
}
