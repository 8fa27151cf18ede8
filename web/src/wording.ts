// What the desk says in words about counts: a section's header, the attention list's header, the
// desk's total line, the find box's matches and the page's title. Pure: the page sets the texts.
import type { SectionCounts } from './protocol';

/// "1 alarm", "3 warnings": a count with its noun, singular for one.
export function counted(count: number, one: string, many: string): string {
  return count === 1 ? `1 ${one}` : `${count} ${many}`;
}

/// The alarms and warnings there are, joined by ", "; empty when there are none.
export function abnormalText(alarms: number, warnings: number): string {
  const parts: string[] = [];
  if (alarms > 0)
    parts.push(counted(alarms, 'alarm', 'alarms'));
  if (warnings > 0)
    parts.push(counted(warnings, 'warning', 'warnings'));
  return parts.join(', ');
}

/// How a section's header marks its counts.
export type CountsMark = 'alarms' | 'warnings' | '';

/// A section header's counts: "12 points, 1 alarm", "3 of 12 points" under find or "Abnormal only".
export function sectionCountsText(counts: SectionCounts): { text: string; mark: CountsMark } {
  const points = counted(counts.rows, 'point', 'points');
  const parts = [counts.shown === counts.rows ? points : `${counts.shown} of ${points}`];
  const abnormal = abnormalText(counts.alarms, counts.warnings);
  if (abnormal)
    parts.push(abnormal);
  const mark: CountsMark = counts.alarms > 0 ? 'alarms' : counts.warnings > 0 ? 'warnings' : '';
  return { text: parts.join(', '), mark };
}

/// The desk's total line, the find box's matches and the page's title for the counts of a group.
export function deskTotals(sections: SectionCounts[], alarms: number, warnings: number, findText: string):
    { total: string; matches: string; title: string } {
  const points = sections.reduce((sum, s) => sum + s.shown, 0);
  return {
    total: `${points} points, ${alarms} alarms, ${warnings} warnings`,
    matches: findText === '' ? '' : counted(points, 'match', 'matches'),
    title: alarms > 0 ? `Status — ${alarms} alarms` : 'Status',
  };
}

/// The two marks a notice from the server may start with: "▲" a fault that stays in sight until
/// the next state, "●" a state back to normal; anything else is a passing notice.
export type NoticeKind = 'fault' | 'restored' | 'passing';

export function noticeKind(text: string): NoticeKind {
  return text.startsWith('▲') ? 'fault' : text.startsWith('●') ? 'restored' : 'passing';
}

/// A notice that tells of a refusal is shown as one.
export function isRefusal(text: string): boolean {
  return /refus|not permitted|denied/i.test(text);
}

/// A moment as a person reads it: date, time and zone in the browser's locale and zone ("7 Dec
/// 2026, 23:42:05 GMT+1"), so yesterday's time never reads as today's nor the server's zone as ours.
export function shownTime(epochMs: number, locale?: string, timeZone?: string): string {
  return new Date(epochMs).toLocaleString(locale, {
    year: 'numeric', month: 'short', day: 'numeric', hour: '2-digit', minute: '2-digit', second: '2-digit',
    timeZoneName: 'short', timeZone,
  });
}
