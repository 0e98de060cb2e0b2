// Activity: what happened on this computer, in words, newest first. Diagnostics shows the same
// events with every routine exchange and, folded behind each, the raw request and reply
// (redacted), their request id and timing. The sidebar badge counts the family's events that
// arrived while the Activity screen was not shown.

import { $, h, ltr, pathNode, sentence, timeNode } from '../ui.js';
import { formatBytes } from '../format.js';
import { summarizeMembers } from '../activity.js';
import { describeClientMessage } from '../errors.js';
import { describeEvent, isNotable } from '../events.js';

const SAVED_TO_PREFIX = '图片已保存到 ';

// The client's fixed Chinese texts in a reply ("error", "message"), put in the reader's words.
export function readableReply(message, t) {
  if (!message || typeof message !== 'object') return message;
  const copy = { ...message };
  if (typeof copy.error === 'string') copy.error = describeClientMessage(copy.error, t);
  if (typeof copy.message === 'string') {
    if (copy.message.startsWith(SAVED_TO_PREFIX)) {
      copy.message = t('activity.savedTo', { folder: copy.message.slice(SAVED_TO_PREFIX.length) });
    } else if (copy.message === '图片保存成功') copy.message = t('capture.saved', { name: copy.fileName ?? '' });
    else if (copy.message === '图片删除成功') copy.message = t('photos.deleted');
  }
  return copy;
}

// An event's values as elements: names and ids isolated, paths breakable at separators.
function valueNode(value) {
  if (value && typeof value === 'object') {
    if ('path' in value) return pathNode(value.path);
    if ('name' in value) return pathNode(value.name);
    if ('id' in value) return ltr(value.id);
  }
  return value;
}

export function eventSentence(event, t) {
  const { key, vars, failed } = describeEvent(event, t);
  const nodes = Object.fromEntries(Object.entries(vars).map(([name, value]) => [name, valueNode(value)]));
  return { parts: sentence(t, key, nodes), failed: Boolean(failed) };
}

export function renderEvent(event, { t, language, raw = false }) {
  const { parts, failed } = eventSentence(event, t);
  const item = h(
    'li',
    { class: `event${failed ? ' failed' : ''}`, dataset: { kind: event.kind, type: event.type ?? '', seq: event.seq } },
    timeNode(event.at, language),
    h('span', { class: 'event-text' }, parts),
  );
  if (raw) item.append(rawExchange(event, { t, language }));
  return item;
}

// The exchange behind an event, for support staff: request type, id, members and timing.
function rawExchange(event, { t, language }) {
  const formatRedacted = (marker) =>
    marker.redacted === 'image'
      ? t('activity.redactedData', { size: formatBytes(marker.bytes, language) })
      : t('activity.redactedText', { n: marker.length });
  const lines = [];
  const line = (label, message) =>
    lines.push(h('div', { class: 'raw-line' }, h('span', { class: 'raw-label' }, t(label)),
      ltr(summarizeMembers(message, formatRedacted) || '—', 'raw-value')));
  if (event.request) line('activity.request', event.request);
  if (event.reply) line('activity.reply', readableReply(event.reply, t));
  if (event.kind === 'unmatched' && event.text) lines.push(h('div', { class: 'raw-line' }, ltr(event.text, 'raw-value')));
  const head = [];
  if (event.type) head.push(h('code', { class: 'type' }, event.type));
  if (event.requestId) head.push(ltr(event.requestId, 'id'));
  if (event.kind === 'exchange') head.push(h('span', { class: 'muted' }, t('activity.elapsed', { ms: Math.max(0, event.elapsedMs ?? 0) })));
  if (event.kind === 'timeout') head.push(h('span', { class: 'muted' }, t('activity.timeout')));
  return h('details', { class: 'raw' }, h('summary', {}, head.length ? head : t('activity.details')), lines);
}

// Renders events into a list, newest first, as they come.
function bindList({ list, empty, events, keep, render, onAdded }) {
  function fill() {
    const kept = events.events.filter(keep);
    list.replaceChildren(...kept.slice().reverse().map(render));
    empty.hidden = kept.length > 0;
  }
  events.subscribe((event) => {
    if (event === null) {
      fill();
      onAdded?.(null);
      return;
    }
    if (!keep(event)) return;
    list.prepend(render(event));
    while (list.children.length > events.events.length) list.lastElementChild.remove();
    empty.hidden = true;
    onAdded?.(event);
  });
  fill();
}

export function setupActivity({ t, language, activity, events }) {
  const badge = $('#activity-badge');
  const navItem = $('#nav-activity');
  let shown = false;
  let unseen = 0;

  function updateBadge() {
    badge.textContent = unseen > 999 ? `${t.number(999)}+` : t.number(unseen);
    badge.hidden = unseen === 0;
    const label = t('nav.activity');
    navItem.setAttribute('aria-label', unseen ? `${label}, ${t('activity.badge', { n: unseen })}` : label);
    if (navItem.hasAttribute('title')) navItem.title = navItem.getAttribute('aria-label');
  }

  bindList({
    list: $('#activity-events'),
    empty: $('#activity-empty'),
    events,
    keep: isNotable,
    render: (event) => renderEvent(event, { t, language }),
    onAdded: (event) => {
      if (event === null) unseen = 0;
      else if (!shown) unseen++;
      updateBadge();
    },
  });
  bindList({
    list: $('#diagnostics-events'),
    empty: $('#diagnostics-empty'),
    events,
    keep: () => true,
    render: (event) => renderEvent(event, { t, language, raw: true }),
  });

  $('#activity-clear').addEventListener('click', () => activity.clear());
  $('#diagnostics-clear').addEventListener('click', () => activity.clear());
  unseen = events.events.filter(isNotable).length;
  updateBadge();

  return {
    show() {
      shown = true;
      unseen = 0;
      updateBadge();
    },
    hide() {
      shown = false;
    },
  };
}
