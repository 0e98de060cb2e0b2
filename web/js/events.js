// Events as a person reads them ("Photo saved: A12 from device D0"), folded from the activity
// record: a request and its reply (or its timeout) make one event, a wake-up is one. The record
// is already redacted, so an event can hold no secret either. Kept apart from the DOM: an event
// says which sentence it is and with what values; the screens put it into words.

import { describeClientMessage } from './errors.js';

// Reads the ids back from a photo's file name, as the client does: alarm_device_stamp.ext.
function idsFromName(fileName) {
  const fields = String(fileName ?? '').split('_');
  return fields.length >= 2 ? { alarm: fields[0], device: fields[1] } : null;
}

function baseName(path) {
  const text = String(path ?? '');
  return text.slice(Math.max(text.lastIndexOf('/'), text.lastIndexOf('\\')) + 1);
}

function folderOf(path) {
  const text = String(path ?? '');
  const cut = Math.max(text.lastIndexOf('/'), text.lastIndexOf('\\'));
  return cut > 0 ? text.slice(0, cut) : '';
}

// Successful reads of the photo store happen all the time (every thumbnail is one): they are
// part of the exchange for support staff, not something that happened for the family.
const ROUTINE_TYPES = new Set(['alarm_photo_get', 'alarm_photo_list']);

// The sentence of one event: { key, vars, failed }. Values in vars are marked by kind
// ({ name }, { path }, { id }) so the screen can isolate them; `reason` is already in words.
export function describeEvent(event, t) {
  if (event.kind === 'resume') return { key: 'event.wake', vars: {} };
  if (event.kind === 'unmatched') return { key: 'event.unexpected', vars: {}, failed: true };
  const request = event.request ?? {};
  const reply = event.reply ?? {};
  if (event.kind === 'timeout') return { key: 'event.noReply', vars: {}, failed: true };
  const ok = event.ok === true;
  const reason = ok ? undefined : describeClientMessage(typeof reply.error === 'string' ? reply.error : '', t);
  const failed = (key, vars = {}) => ({ key, vars: { ...vars, reason }, failed: true });
  switch (event.type) {
    case 'auth_seed_request':
      return ok ? { key: 'event.seedOk', vars: {} } : failed('event.seedFailed');
    case 'auth_challenge':
      return ok ? { key: 'event.challengeOk', vars: {} } : failed('event.challengeFailed');
    case 'generate_token': {
      const id = { id: request.identifier ?? '' };
      return ok ? { key: 'event.tokenOk', vars: { id } } : failed('event.tokenFailed', { id });
    }
    case 'alarm_photo_save':
      return ok
        ? { key: 'event.photoSaved', vars: { alarm: { id: request.alarmId ?? '' }, device: { id: request.deviceId || '—' } } }
        : failed('event.photoSaveFailed');
    case 'alarm_photo_delete': {
      const name = request.fileName || baseName(request.filePath);
      const ids = idsFromName(name);
      if (ok && ids) return { key: 'event.photoDeleted', vars: { alarm: { id: ids.alarm }, device: { id: ids.device } } };
      if (ok) return { key: 'event.photoDeletedName', vars: { name: { name } } };
      return failed('event.photoDeleteFailed', { name: { name } });
    }
    case 'alarm_photo_get': {
      const name = { name: request.fileName || baseName(request.filePath) || request.alarmId || '' };
      return ok ? { key: 'event.photoRead', vars: { name } } : failed('event.photoReadFailed', { name });
    }
    case 'alarm_photo_list':
      return ok
        ? { key: 'event.photosListed', vars: { n: typeof reply.photos?.count === 'number' ? reply.photos.count : 0 } }
        : failed('event.photosListFailed');
    case 'image_save':
      return ok
        ? {
          key: 'event.pictureSaved',
          vars: { name: { name: baseName(reply.filePath) }, folder: { path: folderOf(reply.filePath) } },
        }
        : failed('event.pictureSaveFailed');
    default:
      return ok ? { key: 'event.other', vars: {} } : failed('event.otherFailed');
  }
}

// Whether the family's Activity shows the event; Diagnostics shows every one.
export function isNotable(event) {
  if (event.kind === 'unmatched') return false;
  return !(event.kind === 'exchange' && event.ok && ROUTINE_TYPES.has(event.type));
}

// Folds the record's entries, in order, into events. subscribe(listener) tells of each new
// event, or null when the record was cleared.
export function createEventLog(activity, { limit = activity.limit ?? 500 } = {}) {
  let events = [];
  const pending = new Map();
  const listeners = new Set();

  function emit(event) {
    events.push(event);
    if (events.length > limit) events = events.slice(events.length - limit);
    for (const listener of listeners) listener(event);
  }

  function take(entry) {
    switch (entry.kind) {
      case 'request':
        pending.set(entry.key, entry);
        return;
      case 'reply':
      case 'timeout': {
        const request = pending.get(entry.key);
        pending.delete(entry.key);
        emit(Object.freeze({
          seq: entry.seq,
          at: entry.at,
          kind: entry.kind === 'reply' ? 'exchange' : 'timeout',
          type: request?.type ?? entry.type,
          requestId: entry.requestId ?? request?.requestId,
          ok: entry.kind === 'reply' && entry.ok === true,
          request: request?.message,
          reply: entry.kind === 'reply' ? entry.message : undefined,
          elapsedMs: entry.elapsedMs,
          timeoutMs: entry.timeoutMs,
        }));
        return;
      }
      case 'resume':
        emit(Object.freeze({ seq: entry.seq, at: entry.at, kind: 'resume' }));
        return;
      case 'unmatched':
        emit(Object.freeze({
          seq: entry.seq, at: entry.at, kind: 'unmatched', type: entry.type, reply: entry.message, text: entry.text,
        }));
        return;
      default:
    }
  }

  for (const entry of activity.entries) take(entry);
  activity.subscribe((entry) => {
    if (entry !== null) {
      take(entry);
      return;
    }
    events = [];
    pending.clear();
    for (const listener of listeners) listener(null);
  });

  return {
    get events() {
      return events;
    },
    subscribe(listener) {
      listeners.add(listener);
      return () => listeners.delete(listener);
    },
  };
}
