// The alarm journal's filters as the operator typed them, made into the server's journal message,
// and a journal row's cells. The server binds every filter; the page only checks their shape.
import type { ClientMessage, JournalRow } from './protocol';

export interface JournalFilters {
  point: string;
  operator: string;
  /// As a datetime-local input gives them: "2026-12-07T10:42" (seconds, when given, are dropped).
  from: string;
  to: string;
}

const kTime = /^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}(:\d{2}(\.\d+)?)?$/;

/// The journal message for the filters (empty ones left out), or why the filters cannot be sent.
export function journalQuery(filters: JournalFilters): { message: ClientMessage } | { error: string } {
  const message: { t: 'journal'; point?: string; operator?: string; from?: string; to?: string } = { t: 'journal' };
  const point = filters.point.trim();
  const operator = filters.operator.trim();
  if (point)
    message.point = point;
  if (operator)
    message.operator = operator;
  for (const name of ['from', 'to'] as const) {
    const value = filters[name].trim();
    if (!value)
      continue;
    if (!kTime.test(value))
      return { error: `"${name === 'from' ? 'From' : 'To'}" is not a date and time.` };
    message[name] = value.slice(0, 16);
  }
  if (message.from !== undefined && message.to !== undefined && message.from > message.to)
    return { error: '"From" is after "To".' };
  return { message };
}

/// A journal row's cells: time, step, point, raised, operator, comment.
export function journalTexts(row: JournalRow): string[] {
  return [row.time, row.event, row.address, row.raised, row.operator, row.comment];
}
