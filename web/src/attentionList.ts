// The attention list the page holds, kept by the server's messages: the whole list with its
// version, then changes from one version to the next. A change made for another version than the
// one held (out of order, forged, or meant for a list the page no longer holds) is not applied:
// the list stays as it was and the page asks for the whole list again.
import type { AttentionEntry } from './protocol';
import { pointOf } from './attentionRows';

export interface AttentionChanges {
  base: number;
  version: number;
  order: (number | string)[];
  changed: AttentionEntry[];
  total: number;
}

function isEntry(value: unknown): value is AttentionEntry {
  const e = value as Partial<AttentionEntry> | null;
  return typeof e === 'object' && e !== null && Number.isInteger(e.section) && Number.isInteger(e.key) &&
    (e.severity === 'alarm' || e.severity === 'warning') && typeof e.name === 'string' && typeof e.kind === 'string' &&
    typeof e.address === 'string' && typeof e.words === 'string' && typeof e.since === 'string' &&
    typeof e.cleared === 'boolean';
}

export class AttentionList {
  /// null: no whole list since the page (re)connected or refused a change; changes wait for one.
  private version: number | null = null;
  private list: AttentionEntry[] = [];
  private count = 0;

  get entries(): AttentionEntry[] {
    return this.list;
  }

  /// The whole list's length (the page is sent its first entries only).
  get total(): number {
    return this.count;
  }

  get held(): boolean {
    return this.version !== null;
  }

  /// The page's link is made anew, or its group changed: only a whole list counts from now on.
  forget(): void {
    this.version = null;
  }

  whole(version: number, entries: AttentionEntry[], total: number): void {
    this.version = version;
    this.list = entries;
    this.count = total;
  }

  /// Applies a change; false (and the list unchanged) when it is not for the list held, or does
  /// not make a list.
  apply(changes: AttentionChanges): boolean {
    if (this.version === null || changes.base !== this.version || !Array.isArray(changes.order) ||
        !Array.isArray(changes.changed) || !changes.changed.every(isEntry) || !Number.isInteger(changes.total))
      return false;
    const changed = new Map(changes.changed.map((e) => [pointOf(e), e]));
    const held = new Map(this.list.map((e) => [pointOf(e), e]));
    const next: AttentionEntry[] = [];
    let at = 0;
    for (const step of changes.order) {
      if (typeof step === 'string') {
        const entry = changed.get(step) ?? held.get(step);
        if (entry === undefined)
          return false;
        next.push(entry);
      } else if (Number.isInteger(step) && step > 0 && at + step <= this.list.length) {
        next.push(...this.list.slice(at, at + step));
        at += step;
      } else if (Number.isInteger(step) && step < 0 && at - step <= this.list.length) {
        at -= step;
      } else {
        return false;
      }
    }
    this.version = changes.version;
    this.list = next;
    this.count = changes.total;
    return true;
  }
}
