// Activity: every request, reply, timeout and wake-up notice, newest first.

import { $, h } from '../ui.js';
import { formatTime, formatBytes } from '../format.js';
import { summarizeMembers } from '../activity.js';

const KIND_LABELS = {
  request: 'activity.request',
  reply: 'activity.reply',
  timeout: 'activity.timeout',
  resume: 'activity.resume',
  unmatched: 'activity.unmatched',
};

export function setupActivity({ t, language, activity }) {
  const body = $('#activity-body');
  const badge = $('#activity-badge');

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
        const parts = [summarizeMembers(entry.message, formatRedacted)];
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
      h('td', { class: 'type' }, entry.type ?? '—', entry.requestId ? h('span', { class: 'id' }, entry.requestId) : null),
      h('td', { class: 'details' }, details(entry)),
    );
  }

  function updateBadge() {
    const count = activity.entries.length;
    badge.textContent = count > 999 ? '999+' : String(count);
    badge.hidden = count === 0;
    $('#activity-empty').hidden = count > 0;
  }

  activity.subscribe((entry) => {
    if (entry === null) body.replaceChildren();
    else {
      body.prepend(row(entry));
      while (body.rows.length > activity.entries.length) body.lastElementChild.remove();
    }
    updateBadge();
  });

  $('#activity-clear').addEventListener('click', () => activity.clear());
  body.replaceChildren(...activity.entries.slice().reverse().map(row));
  updateBadge();
}
