// The page's side of signing in and of the live link, apart from the network: what an answer of
// the sign-in route means, which socket messages are taken, and how long to wait before the next
// reconnection.
import type { ServerMessage } from './protocol';

export interface Session {
  operator: string;
  csrf: string;
}

export type SignInResult =
  | { ok: true; session: Session }
  | { ok: false; error: string; retryAfterS: number };

/// The session an answer body names, or null when it lacks the operator or the CSRF token.
export function sessionOf(body: Record<string, unknown>): Session | null {
  return typeof body.operator === 'string' && typeof body.csrf === 'string'
    ? { operator: body.operator, csrf: body.csrf } : null;
}

/// What a sign-in answer means: whether it succeeded (a 2xx status), its status, its Retry-After
/// header (null when absent) and its body. A refusal says the server's words when it gave some; a
/// rate-limited one waits at least a second.
export function signInResult(ok: boolean, status: number, retryAfter: string | null,
                             body: Record<string, unknown>): SignInResult {
  const session = ok ? sessionOf(body) : null;
  if (session !== null)
    return { ok: true, session };
  const limited = status === 429;
  const retryAfterS = limited ? Math.max(1, Number(retryAfter) || 1) : 0;
  const error = typeof body.error === 'string' && body.error ? body.error
    : limited ? 'Too many attempts.' : 'Wrong login or password.';
  return { ok: false, error, retryAfterS };
}

/// A socket message the page acts on: a JSON object with a text "t". Anything else (binary, not
/// JSON, another shape) is null and dropped.
export function parseServerMessage(data: unknown): ServerMessage | null {
  if (typeof data !== 'string')
    return null;
  let message: { t?: unknown } | null;
  try {
    message = JSON.parse(data);
  } catch {
    return null;
  }
  // Anything but an object with a text "t" (a number, a string, an array, null) has no text "t".
  return typeof message?.t === 'string' ? message as ServerMessage : null;
}

/// The wait before each reconnection: a second first, doubled after every failed attempt up to ten
/// seconds, a second again once the link is open.
export class Backoff {
  static readonly firstMs = 1000;
  static readonly longestMs = 10000;
  private nextMs = Backoff.firstMs;

  /// The wait before this attempt; the next one waits longer.
  next(): number {
    const wait = this.nextMs;
    this.nextMs = Math.min(Backoff.longestMs, this.nextMs * 2);
    return wait;
  }

  /// The link is open again.
  reset(): void {
    this.nextMs = Backoff.firstMs;
  }
}

/// What the server says of this browser's session when asked: live (with it), ended (it answered
/// that no session is signed in), or unreachable (no answer, or one that says nothing of the
/// session: a proxy's error page, a server restarting). Only "ended" ever leads to the sign-in form.
export type SessionProbe =
  | { state: 'live'; session: Session }
  | { state: 'ended' }
  | { state: 'unreachable' };

/// The probe of an answer of GET /api/session: its status and body; null status when fetch failed.
export function sessionProbe(status: number | null, body: Record<string, unknown>): SessionProbe {
  if (status === 401)
    return { state: 'ended' };
  const session = status !== null && status >= 200 && status < 300 ? sessionOf(body) : null;
  return session !== null ? { state: 'live', session } : { state: 'unreachable' };
}

/// The server's goodbye before it closed the socket: why, and whether a new socket would be taken.
export interface Bye {
  reason: string;
  again: boolean;
}

/// A WebSocket close that refuses this tab outright (the server's policy: too many tabs, a
/// foreign origin), as against a connection that broke.
const kPolicyViolation = 1008;

export type AfterClose =
  | { action: 'signin'; message: string }
  | { action: 'reconnect' }
  | { action: 'refused'; message: string };

/// What the page does once its socket closed and it asked the server about its session.
export function afterClose(probe: SessionProbe['state'], bye: Bye | null, code: number, reason: string): AfterClose {
  if (probe === 'ended')
    return { action: 'signin', message: bye?.reason || 'Your session has ended. Sign in again.' };
  if (probe === 'unreachable')
    return { action: 'reconnect' };
  if (bye !== null)
    return bye.again ? { action: 'reconnect' } : { action: 'refused', message: bye.reason || 'The web desk closed this tab.' };
  if (code === kPolicyViolation)
    return { action: 'refused', message: reason || 'The web desk refused this tab.' };
  return { action: 'reconnect' };
}

/// How long the server has been silent on a link: live, stale (rows greyed, "no word since") past
/// staleMs, dead (the link is given up and made again) past deadMs. The server pings every two
/// seconds, so a live link is never quiet for long.
export class Silence {
  static readonly staleMs = 3500;
  static readonly deadMs = 12000;
  private lastMs: number;

  constructor(nowMs: number) {
    this.lastMs = nowMs;
  }

  heard(nowMs: number): void {
    this.lastMs = nowMs;
  }

  /// When the server was last heard, by the same clock as the times given.
  get lastHeardMs(): number {
    return this.lastMs;
  }

  state(nowMs: number): 'live' | 'stale' | 'dead' {
    const quiet = nowMs - this.lastMs;
    return quiet > Silence.deadMs ? 'dead' : quiet > Silence.staleMs ? 'stale' : 'live';
  }
}
