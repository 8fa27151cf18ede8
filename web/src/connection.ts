// Sign-in over HTTP and the live link over the WebSocket, same origin as the page. The session
// cookie is HttpOnly: the page never sees it, only the CSRF token that every change must carry.
import type { ClientMessage, ServerMessage } from './protocol';
import {
  parseServerMessage, sessionProbe, signInResult, Silence, type Bye, type SessionProbe, type SignInResult,
} from './session';

export type { Session, SessionProbe, SignInResult } from './session';

/// The page's heartbeat on its socket: the server closes a socket that stays quiet much longer.
const kPingMs = 5000;
/// A question about the session that gets no answer in this time is as good as a cut.
const kProbeTimeoutMs = 5000;

async function json(response: Response): Promise<Record<string, unknown>> {
  try {
    const body: unknown = await response.json();
    return typeof body === 'object' && body !== null ? body as Record<string, unknown> : {};
  } catch {
    return {};
  }
}

/// What the server says of this browser's session; unreachable when it does not answer.
export async function currentSession(): Promise<SessionProbe> {
  try {
    const response = await fetch('/api/session', {
      credentials: 'same-origin', cache: 'no-store', signal: AbortSignal.timeout(kProbeTimeoutMs),
    });
    return sessionProbe(response.status, await json(response));
  } catch {
    return sessionProbe(null, {});
  }
}

export async function signIn(login: string, password: string, wall: boolean): Promise<SignInResult> {
  let response: Response;
  try {
    response = await fetch('/api/signin', {
      method: 'POST', credentials: 'same-origin', headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify({ login, password, wall }),
    });
  } catch {
    return { ok: false, error: 'The web desk does not answer.', retryAfterS: 0 };
  }
  return signInResult(response.ok, response.status, response.headers.get('Retry-After'), await json(response));
}

export async function signOut(csrf: string): Promise<void> {
  try {
    await fetch('/api/signout', { method: 'POST', credentials: 'same-origin', headers: { 'X-CSRF-Token': csrf } });
  } catch {
    // Signed out here either way: the server ends an idle session on its own.
  }
}

export interface LinkEvents {
  message(message: ServerMessage): void;
  /// The socket closed: the server's goodbye when it said one first, the close code and reason.
  closed(bye: Bye | null, code: number, reason: string): void;
  opened(): void;
}

/// One WebSocket to /ws, greeted with the session's CSRF token; it pings the server and keeps
/// when it last heard from it (performance.now(), a clock that only goes forward).
export class Link {
  private socket: WebSocket;
  private bye: Bye | null = null;
  private pingTimer: number | undefined;
  readonly silence = new Silence(performance.now());

  /// `group`: the group the tab shows, asked for again when the link is made anew.
  constructor(private readonly csrf: string, private readonly group: string, events: LinkEvents) {
    const scheme = location.protocol === 'https:' ? 'wss:' : 'ws:';
    this.socket = new WebSocket(`${scheme}//${location.host}/ws`);
    this.socket.addEventListener('open', () => {
      this.silence.heard(performance.now());
      this.send(this.group === '' ? { t: 'hello', csrf: this.csrf } : { t: 'hello', csrf: this.csrf, group: this.group });
      this.pingTimer = window.setInterval(() => this.send({ t: 'ping' }), kPingMs);
      events.opened();
    });
    this.socket.addEventListener('message', (e) => {
      this.silence.heard(performance.now());
      const message = parseServerMessage(e.data);
      if (message === null)
        return;
      if (message.t === 'bye')
        this.bye = { reason: message.reason, again: message.again === true };
      events.message(message);
    });
    this.socket.addEventListener('close', (e) => {
      window.clearInterval(this.pingTimer);
      events.closed(this.bye, e.code, e.reason);
    });
  }

  get open(): boolean {
    return this.socket.readyState === WebSocket.OPEN;
  }

  send(message: ClientMessage): void {
    if (this.socket.readyState === WebSocket.OPEN)
      this.socket.send(JSON.stringify(message));
  }

  close(): void {
    window.clearInterval(this.pingTimer);
    this.socket.close();
  }
}
