// The activity record: requests, replies, timeouts and wake-up notices, newest last. Secrets are
// replaced by markers when an entry is recorded, so the record never holds a seed, a token, a
// challenge answer or image data.

const SECRET_TEXT_MEMBERS = new Set(['seed', 'token', 'response']);
const IMAGE_DATA_MEMBERS = new Set(['photoData', 'imageData']);

export const DEFAULT_ACTIVITY_LIMIT = 500;

// Returns a copy of a request or reply with secret members replaced by
// { redacted: 'text', length } or { redacted: 'image', bytes } and arrays by { count }.
export function redactMessage(message) {
  if (!message || typeof message !== 'object') return message;
  const copy = {};
  for (const [name, value] of Object.entries(message)) {
    if (SECRET_TEXT_MEMBERS.has(name) && typeof value === 'string') {
      copy[name] = { redacted: 'text', length: value.length };
    } else if (IMAGE_DATA_MEMBERS.has(name) && typeof value === 'string') {
      copy[name] = { redacted: 'image', bytes: imageBytes(value) };
    } else if (Array.isArray(value)) {
      copy[name] = { count: value.length };
    } else if (value && typeof value === 'object') {
      copy[name] = redactMessage(value);
    } else {
      copy[name] = value;
    }
  }
  return copy;
}

function imageBytes(dataUrl) {
  const comma = dataUrl.indexOf(',');
  const body = comma >= 0 ? dataUrl.slice(comma + 1) : dataUrl;
  return Math.floor((body.replace(/[^A-Za-z0-9+/]/g, '').length * 3) / 4);
}

// One line of "name=value" pairs for the details column; type and requestId have their own.
export function summarizeMembers(redacted, formatRedacted) {
  const parts = [];
  for (const [name, value] of Object.entries(redacted ?? {})) {
    if (name === 'type' || name === 'requestId') continue;
    parts.push(`${name}=${formatValue(value, formatRedacted)}`);
  }
  return parts.join(' · ');
}

function formatValue(value, formatRedacted) {
  if (value && typeof value === 'object') {
    if ('redacted' in value) return formatRedacted(value);
    if ('count' in value && Object.keys(value).length === 1) return `[${value.count}]`;
    return `{${summarizeMembers(value, formatRedacted)}}`;
  }
  return typeof value === 'string' ? value : JSON.stringify(value);
}

// A late reply (after its timeout) can still carry a secret, so it is redacted like any other.
function describeUnmatched(data) {
  let parsed = data;
  if (typeof data === 'string') {
    try {
      parsed = JSON.parse(data);
    } catch {
      return { text: data.slice(0, 160) };
    }
  }
  if (parsed && typeof parsed === 'object' && !Array.isArray(parsed)) {
    return { type: typeof parsed.type === 'string' ? parsed.type : undefined, message: redactMessage(parsed) };
  }
  return { text: String(typeof data === 'string' ? data : JSON.stringify(data)).slice(0, 160) };
}

export function createActivityLog({ limit = DEFAULT_ACTIVITY_LIMIT, clock = () => new Date() } = {}) {
  let entries = [];
  let seq = 0;
  const listeners = new Set();

  function add(entry) {
    const recorded = Object.freeze({ seq: ++seq, at: clock(), ...entry });
    entries.push(recorded);
    if (entries.length > limit) entries = entries.slice(entries.length - limit);
    for (const listener of listeners) listener(recorded);
    return recorded;
  }

  return {
    get entries() {
      return entries;
    },
    add,
    addResume() {
      return add({ kind: 'resume' });
    },
    clear() {
      entries = [];
      for (const listener of listeners) listener(null);
    },
    subscribe(listener) {
      listeners.add(listener);
      return () => listeners.delete(listener);
    },
    // Hooks for createBridge's observer option.
    bridgeObserver() {
      return {
        onRequest: ({ key, type, requestId, message }) =>
          add({ kind: 'request', key, type, requestId, message: redactMessage(message) }),
        onReply: ({ key, requestId, reply, elapsedMs }) =>
          add({
            kind: 'reply',
            key,
            type: reply.type,
            requestId: typeof reply.requestId === 'string' ? reply.requestId : requestId,
            ok: reply.ok === true,
            elapsedMs,
            message: redactMessage(reply),
          }),
        onTimeout: ({ key, type, requestId, timeoutMs }) => add({ kind: 'timeout', key, type, requestId, timeoutMs }),
        onUnmatched: ({ data }) => add({ kind: 'unmatched', ...describeUnmatched(data) }),
      };
    },
  };
}
