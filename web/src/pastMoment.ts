// The page's "At": a date and time the operator types, read as the browser's local time and held
// to what the history spans; the keys that step a replay. No DOM here.

/// Reads "2026-12-07T10:42" or "2026-12-07T10:42:13" (a datetime-local input's value) as the
/// browser's local time; the moment in ms since 1970, or why it is refused.
export function momentFromInput(value: string, first: number, last: number): { moment: number } | { error: string } {
  const match = /^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2})(?::(\d{2})(?:\.\d{1,3})?)?$/.exec(value.trim());
  if (match === null)
    return { error: 'Choose a date and time.' };
  const [year, month, day, hour, minute, second] = match.slice(1).map((part) => Number(part ?? '0'));
  const moment = new Date(year, month - 1, day, hour, minute, second).getTime();
  // A day or an hour that does not exist (31 February, 25:00, an hour the clocks skip) rolls over:
  // refused, not moved.
  if (inputValue(moment).slice(0, 16) !== value.trim().slice(0, 16))
    return { error: 'Choose a date and time.' };
  if (first <= last && (moment < first || moment > last))
    return { error: `The history holds ${inputValue(first).replace('T', ' ')} to ${inputValue(last).replace('T', ' ')}.` };
  return { moment };
}

/// A moment as a datetime-local input shows it, to the second, in the browser's local time.
export function inputValue(ms: number): string {
  const d = new Date(ms);
  const two = (n: number) => String(n).padStart(2, '0');
  return `${d.getFullYear()}-${two(d.getMonth() + 1)}-${two(d.getDate())}T${two(d.getHours())}:${two(d.getMinutes())}:${two(d.getSeconds())}`;
}

/// The step a key takes in a replay: Left and PageUp the previous report, Right and PageDown the
/// next; 0 for any other key.
export function pastKeyStep(key: string): -1 | 0 | 1 {
  if (key === 'ArrowLeft' || key === 'PageUp')
    return -1;
  if (key === 'ArrowRight' || key === 'PageDown')
    return 1;
  return 0;
}

/// The history's span now, told `ageMs` ago: the history grows as the field reports, so its end
/// moves on with the time since.
export function spanNow(span: { first: number; last: number }, ageMs: number): { first: number; last: number } {
  return { first: span.first, last: span.last + Math.max(0, ageMs) };
}

/// Where "At" starts: five minutes before the newest moment the history holds.
export function startingMoment(first: number, last: number): number {
  return Math.max(first, last - 5 * 60 * 1000);
}
