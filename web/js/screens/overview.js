// Overview: what a parent or child wants to know first. Is this computer's client connected
// and protected (the auth seed, when it was last checked, the last wake from sleep), the latest
// alarm photos and the pictures saved. The seed is asked for only when the user checks it,
// and only its state and length are shown.

import { $, h, busy, showMessage, sentence, timeNode, ltr } from '../ui.js';
import { describeError } from '../errors.js';
import { formatDateTime } from '../format.js';
import { newestFirst, photoKey } from '../photo-list.js';

const LATEST_COUNT = 4;

const CONNECTION_TEXT = {
  idle: 'status.connecting',
  connecting: 'status.connecting',
  connected: 'protection.clientConnected',
  offline: 'status.offline',
  outside: 'status.outside',
};

export function setupOverview({ t, language, module, go }) {
  let seed = module.seed;

  function renderProtection() {
    const connection = module.connection;
    $('#protection-client').textContent = t(CONNECTION_TEXT[connection] ?? 'status.connecting');
    let headline = 'protection.connecting';
    if (connection === 'connected') headline = seed.state === 'unavailable' ? 'protection.attention' : 'protection.protected';
    else if (connection === 'offline' || connection === 'outside') headline = 'protection.notConnected';
    const title = $('#protection-headline');
    title.textContent = t(headline);
    $('#card-protection').dataset.state = headline.slice('protection.'.length);
  }

  function renderSeed(next) {
    seed = next;
    const status = $('#seed-status');
    const state = seed.state === 'idle' ? 'idle' : seed.state;
    status.dataset.state = state;
    status.textContent = t({
      idle: 'seed.notChecked',
      checking: 'seed.checking',
      available: 'seed.available',
      unavailable: 'seed.unavailable',
    }[state]);
    const meta = [];
    if (seed.state === 'available') meta.push(t('seed.length', { n: seed.length }), ' · ');
    if (seed.at) meta.push(...sentence(t, 'seed.checkedAt', { time: timeNode(seed.at, language) }));
    $('#seed-meta').replaceChildren(...meta);
    showMessage($('#seed-message'), seed.state === 'unavailable' ? describeError(seed.error, t) : '', 'error');
    renderProtection();
  }

  $('#seed-check').addEventListener('click', (event) =>
    busy(event.currentTarget, () => module.checkSeed().catch(() => {})),
  );
  module.on('seed', renderSeed);
  module.on('connection', renderProtection);
  renderSeed(module.seed);

  module.on('resume', ({ at, count }) => {
    $('#wake-text').replaceChildren(...sentence(t, 'wake.last', { time: timeNode(at, language) }));
    const countLine = $('#wake-count');
    countLine.textContent = t('wake.count', { n: count });
    countLine.hidden = false;
    const card = $('#card-protection');
    card.classList.add('is-recent');
    setTimeout(() => card.classList.remove('is-recent'), 8000);
  });

  // Latest alarm photos: the newest few of every list the client gives, with their thumbnails.
  const thumbnails = new Map();
  let shown = [];
  let generation = 0;

  function tile(photo) {
    const title = photo.alarmId !== undefined ? sentence(t, 'gallery.alarm', { id: ltr(photo.alarmId) }) : [ltr(photo.fileName)];
    const meta = [];
    if (photo.deviceId !== undefined) meta.push(...sentence(t, 'gallery.device', { id: ltr(photo.deviceId) }));
    if (photo.lastModified !== undefined) {
      if (meta.length) meta.push(' · ');
      meta.push(timeNode(new Date(photo.lastModified), language, formatDateTime));
    }
    return h(
      'figure',
      { class: 'photo', dataset: { fileName: photo.fileName } },
      h('button', { type: 'button', class: 'thumb', title: photo.fileName, onclick: () => go('photos') },
        h('img', { alt: photo.fileName, src: thumbnails.get(photoKey(photo)), dataset: { key: photoKey(photo) } })),
      h('figcaption', {}, h('div', { class: 'photo-title' }, title), h('div', { class: 'photo-meta' }, meta)),
    );
  }

  async function loadThumbnails(run) {
    for (const photo of shown) {
      const key = photoKey(photo);
      if (thumbnails.has(key)) continue;
      try {
        const reply = await module.request('alarm_photo_get', { filePath: photo.filePath });
        if (run !== generation) return;
        thumbnails.set(key, reply.photoData);
        const img = [...document.querySelectorAll('#latest-grid img')].find((el) => el.dataset.key === key);
        if (img) img.src = reply.photoData;
      } catch {
        if (run !== generation) return;
      }
    }
  }

  module.on('photos', (photos) => {
    const run = ++generation;
    const all = newestFirst(photos);
    shown = all.slice(0, LATEST_COUNT);
    const keep = new Set(shown.map(photoKey));
    for (const key of thumbnails.keys()) if (!keep.has(key)) thumbnails.delete(key);
    $('#latest-grid').replaceChildren(...shown.map(tile));
    $('#latest-empty').hidden = shown.length > 0;
    $('#latest-count').textContent = all.length === 1 ? t('gallery.countOne') : t('gallery.count', { n: all.length });
    loadThumbnails(run);
  });

  // Pictures saved from the page in this session, newest first.
  module.on('picture', ({ filePath, at }) => {
    $('#overview-pictures').prepend(h('li', {}, timeNode(at, language), ' ', ltr(filePath.split(/[/\\]/).pop(), 'path')));
    while ($('#overview-pictures').children.length > 5) $('#overview-pictures').lastElementChild.remove();
    $('#overview-pictures-none').hidden = true;
  });

  for (const button of document.querySelectorAll('#screen-overview [data-go]')) {
    button.addEventListener('click', () => go(button.dataset.go));
  }

  return { show: renderProtection };
}
