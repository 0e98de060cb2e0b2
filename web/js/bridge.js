// Page side of the client's message channel: one JSON request out, at most one JSON reply back.
// Built only on window.chrome.webview (postMessage + "message" events), which both the Windows
// and the Linux client provide, so the same module runs unchanged on either.

// Each request type and the reply type the client answers it with.
export const REPLY_TYPES = Object.freeze({
  auth_seed_request: 'auth_seed_response',
  auth_challenge: 'auth_response',
  generate_token: 'generate_token_response',
  alarm_photo_save: 'alarm_photo_save_response',
  alarm_photo_get: 'alarm_photo_get_response',
  alarm_photo_list: 'alarm_photo_list_response',
  alarm_photo_delete: 'alarm_photo_delete_response',
  image_save: 'image_save_response',
});

// The client neither reads nor echoes a requestId for these, so their replies are matched by
// reply type, oldest request first (the client answers strictly in order).
const UNTAGGED_TYPES = new Set(['auth_challenge']);

export const DEFAULT_TIMEOUT_MS = 15000;

export class BridgeError extends Error {
  // kind: 'unavailable' (no client channel), 'send' (postMessage threw), 'timeout',
  // 'client' (the reply said ok false), 'closed' (the bridge was disposed while waiting).
  constructor(kind, message, details = {}) {
    super(message);
    this.name = 'BridgeError';
    this.kind = kind;
    this.type = details.type;
    this.requestId = details.requestId;
    this.reply = details.reply;
  }
}

function defaultTimers() {
  return {
    set: (fn, ms) => setTimeout(fn, ms),
    clear: (id) => clearTimeout(id),
  };
}

function randomPrefix() {
  const bytes = new Uint8Array(4);
  if (globalThis.crypto?.getRandomValues) {
    globalThis.crypto.getRandomValues(bytes);
  } else {
    for (let i = 0; i < bytes.length; i++) bytes[i] = Math.floor(Math.random() * 256);
  }
  return Array.from(bytes, (b) => b.toString(16).padStart(2, '0')).join('');
}

function now() {
  return globalThis.performance?.now ? globalThis.performance.now() : Date.now();
}

function parseReply(data) {
  if (typeof data === 'string') {
    try {
      return JSON.parse(data);
    } catch {
      return undefined;
    }
  }
  return data;
}

// options:
//   webview    the channel (default window.chrome.webview); null means "not inside the client"
//   timeoutMs  how long a request waits for its reply
//   timers     { set(fn, ms), clear(id) } (tests pass their own clock)
//   observer   { onRequest, onReply, onTimeout, onUnmatched } for the activity view; each
//              hook of one request gets the same `key`, also for types sent without requestId
//   idPrefix   the per-page part of request ids
export function createBridge(options = {}) {
  const webview = 'webview' in options ? options.webview : globalThis.chrome?.webview;
  const timeoutMs = options.timeoutMs ?? DEFAULT_TIMEOUT_MS;
  const timers = options.timers ?? defaultTimers();
  const observer = options.observer ?? {};
  const idPrefix = options.idPrefix ?? randomPrefix();
  const pending = new Map();
  let counter = 0;
  let disposed = false;

  function notify(hook, payload) {
    try {
      observer[hook]?.(payload);
    } catch {
      // An observer must never break the channel.
    }
  }

  function findPending(reply) {
    if (typeof reply.requestId === 'string') {
      const entry = pending.get(reply.requestId);
      return entry && !entry.untagged && entry.replyType === reply.type ? entry : undefined;
    }
    if (reply.requestId !== undefined) return undefined;
    for (const entry of pending.values()) {
      if (entry.untagged && entry.replyType === reply.type) return entry;
    }
    return undefined;
  }

  function settle(entry, reply) {
    pending.delete(entry.key);
    timers.clear(entry.timer);
    notify('onReply', {
      key: entry.key,
      type: entry.type,
      requestId: entry.requestId,
      reply,
      elapsedMs: now() - entry.startedAt,
    });
    if (reply.ok === true) {
      entry.resolve(reply);
    } else {
      const message = typeof reply.error === 'string' && reply.error !== '' ? reply.error : 'ok false';
      entry.reject(new BridgeError('client', message, { type: entry.type, requestId: entry.requestId, reply }));
    }
  }

  function onMessage(event) {
    const reply = parseReply(event?.data);
    const entry = reply && typeof reply === 'object' && !Array.isArray(reply) ? findPending(reply) : undefined;
    if (!entry) {
      notify('onUnmatched', { data: event?.data });
      return;
    }
    settle(entry, reply);
  }

  if (webview) webview.addEventListener('message', onMessage);

  function request(type, fields = {}, requestOptions = {}) {
    const replyType = REPLY_TYPES[type];
    if (!replyType) return Promise.reject(new BridgeError('send', `Unknown request type "${type}"`, { type }));
    if (disposed) return Promise.reject(new BridgeError('closed', 'The bridge is closed', { type }));
    if (!webview) {
      return Promise.reject(new BridgeError('unavailable', 'Not running inside the client', { type }));
    }

    const untagged = UNTAGGED_TYPES.has(type);
    const requestId = `${idPrefix}-${++counter}`;
    const message = untagged ? { type } : { type, requestId };
    for (const [name, value] of Object.entries(fields)) {
      if (name !== 'type' && name !== 'requestId' && value !== undefined) message[name] = value;
    }

    return new Promise((resolve, reject) => {
      const wait = requestOptions.timeoutMs ?? timeoutMs;
      const entry = {
        key: requestId,
        type,
        requestId: untagged ? undefined : requestId,
        replyType,
        untagged,
        resolve,
        reject,
        startedAt: now(),
        timer: undefined,
      };
      pending.set(requestId, entry);
      entry.timer = timers.set(() => {
        if (!pending.delete(requestId)) return;
        notify('onTimeout', { key: requestId, type, requestId: entry.requestId, timeoutMs: wait });
        reject(new BridgeError('timeout', `No reply to "${type}" within ${wait} ms`, {
          type,
          requestId: entry.requestId,
        }));
      }, wait);
      notify('onRequest', { key: requestId, type, requestId: entry.requestId, message });
      try {
        webview.postMessage(message);
      } catch (error) {
        pending.delete(requestId);
        timers.clear(entry.timer);
        reject(new BridgeError('send', `Could not send "${type}": ${error?.message ?? error}`, {
          type,
          requestId: entry.requestId,
        }));
      }
    });
  }

  function dispose() {
    if (disposed) return;
    disposed = true;
    if (webview) webview.removeEventListener('message', onMessage);
    for (const entry of pending.values()) {
      timers.clear(entry.timer);
      entry.reject(new BridgeError('closed', 'The bridge is closed', { type: entry.type, requestId: entry.requestId }));
    }
    pending.clear();
  }

  return {
    request,
    dispose,
    get available() {
      return Boolean(webview) && !disposed;
    },
    get pendingCount() {
      return pending.size;
    },
  };
}
