// Sign-in over HTTP and the live link over the WebSocket, same origin as the page. The session
// cookie is HttpOnly: the page never sees it, only the CSRF token that every change must carry.
import type { ClientMessage, ServerMessage } from './protocol';
import { parseServerMessage, sessionOf, signInResult, type Session, type SignInResult } from './session';

export type { Session, SignInResult } from './session';

async function json(response: Response): Promise<Record<string, unknown>> {
  try {
    const body: unknown = await response.json();
    return typeof body === 'object' && body !== null ? body as Record<string, unknown> : {};
  } catch {
    return {};
  }
}

/// The live session of this browser, or null when it must sign in.
export async function currentSession(): Promise<Session | null> {
  try {
    const response = await fetch('/api/session', { credentials: 'same-origin', cache: 'no-store' });
    return response.ok ? sessionOf(await json(response)) : null;
  } catch {
    return null;
  }
}

export async function signIn(login: string, password: string): Promise<SignInResult> {
  let response: Response;
  try {
    response = await fetch('/api/signin', {
      method: 'POST', credentials: 'same-origin', headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify({ login, password }),
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
  /// The socket closed; bye is true when the server said goodbye first (session over).
  closed(bye: boolean): void;
  opened(): void;
}

/// One WebSocket to /ws, greeted with the session's CSRF token.
export class Link {
  private socket: WebSocket;
  private sawBye = false;

  constructor(private readonly csrf: string, events: LinkEvents) {
    const scheme = location.protocol === 'https:' ? 'wss:' : 'ws:';
    this.socket = new WebSocket(`${scheme}//${location.host}/ws`);
    this.socket.addEventListener('open', () => {
      this.send({ t: 'hello', csrf: this.csrf });
      events.opened();
    });
    this.socket.addEventListener('message', (e) => {
      const message = parseServerMessage(e.data);
      if (message === null)
        return;
      if (message.t === 'bye')
        this.sawBye = true;
      events.message(message);
    });
    this.socket.addEventListener('close', () => events.closed(this.sawBye));
  }

  send(message: ClientMessage): void {
    if (this.socket.readyState === WebSocket.OPEN)
      this.socket.send(JSON.stringify(message));
  }

  close(): void {
    this.socket.close();
  }
}
