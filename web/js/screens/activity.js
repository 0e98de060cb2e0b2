// Activity: every request, reply, timeout and wake-up notice, newest first. The sidebar badge
// counts the entries that arrived while the screen was not shown, like an unread count.

import { $, h } from '../ui.js';
import { formatTime, formatBytes } from '../format.js';
import { summarizeMembers } from '../activity.js';
import { describeClientMessage } from '../errors.js';

const KIND_LABELS = {
  request: 'activity.request',
  reply: 'activity.reply',
  timeout: 'activity.timeout',
  resume: 'activity.resume',
  unmatched: 'activity.unmatched',
};

// A message type with a break opportunity after each "_", so that a narrow column wraps it
// between its words and never inside one.
export function breakableType(type) {
  return String(type)
    .split(/(?<=_)/)
    .flatMap((part, index) => (index === 0 ? [part] : [h('wbr'), part]));
}

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

export function setupActivity({ t, language, activity }) {
  const body = $('#activity-body');
  const badge = $('#activity-badge');
  const navItem = $('#nav-activity');
  let shown = false;
  let unseen = 0;

  const formatRedacted = (marker) =>
    marker.redacted === 'image'
      ? t('activity.redactedData', { size: formatBytes(marker.bytes, language) })
      : t('activity.redactedText', { n: marker.length });

  function details(entry) {
    switch (entry.kind) {
      case 'resume':
        return t('activity.resumeText');
      case 'timeout':
        return t('error.timeout');
      case 'unmatched':
        return entry.message ? summarizeMembers(entry.message, formatRedacted) : entry.text;
      default: {
        const message = entry.kind === 'reply' ? readableReply(entry.message, t) : entry.message;
        const parts = [summarizeMembers(message, formatRedacted)];
        if (entry.kind === 'reply') parts.push(t('activity.elapsed', { ms: Math.max(0, entry.elapsedMs).toFixed(1) }));
        return parts.filter(Boolean).join(' · ');
      }
    }
  }

  function row(entry) {
    const failed = entry.kind === 'reply' && !entry.ok;
    return h(
      'tr',
      { dataset: { kind: entry.kind, seq: entry.seq } },
      h('td', {}, formatTime(entry.at, language)),
      h('td', {}, h('span', { class: `kind kind-${entry.kind}${failed ? ' failed' : ''}` }, t(KIND_LABELS[entry.kind]))),
      h('td', { class: 'type' }, entry.type ? breakableType(entry.type) : '—',
        entry.requestId ? h('span', { class: 'id' }, entry.requestId) : null),
      h('td', { class: 'details' }, details(entry)),
    );
  }

  function updateBadge() {
    badge.textContent = unseen > 999 ? '999+' : String(unseen);
    badge.hidden = unseen === 0;
    const label = t('nav.activity');
    navItem.setAttribute('aria-label', unseen ? `${label}, ${t('activity.badge', { n: unseen })}` : label);
    if (navItem.hasAttribute('title')) navItem.title = navItem.getAttribute('aria-label');
    $('#activity-empty').hidden = activity.entries.length > 0;
  }

  activity.subscribe((entry) => {
    if (entry === null) {
      body.replaceChildren();
      unseen = 0;
    } else {
      body.prepend(row(entry));
      while (body.rows.length > activity.entries.length) body.lastElementChild.remove();
      if (!shown) unseen++;
    }
    updateBadge();
  });

  $('#activity-clear').addEventListener('click', () => activity.clear());
  body.replaceChildren(...activity.entries.slice().reverse().map(row));
  unseen = activity.entries.length;
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
