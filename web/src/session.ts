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
