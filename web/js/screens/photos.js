// Alarm photos: add a sample photo (drawn by the page), save it for an alarm and device, browse
// the gallery with a device filter, view one full size, delete it. This client has no camera
// and takes no files: a file chooser would open the whole disk to the child at the keyboard.

import { $, h, busy, showMessage, openDialog, confirmDialog, toast, ltr, pathNode, sentence, timeNode } from '../ui.js';
import { describeError } from '../errors.js';
import { formatBytes, formatDateTime, dataUrlByteLength, visibleText } from '../format.js';
import { drawTestPhoto } from '../pictures.js';
import { matchesDevice, newestFirst, photoKey } from '../photo-list.js';

// The client names files alarm_device_stamp.ext and reads the ids back by splitting at "_".
const ID_PATTERN = /^[A-Za-z0-9-]*$/;

function suggestAlarmId() {
  return `A${Math.floor(1000 + Math.random() * 9000)}`;
}

export function setupPhotos({ t, language, module }) {
  let capture = null;
  let gallery = [];
  let generation = 0;
  const thumbnails = new Map();

  $('#capture-alarm-id').value = suggestAlarmId();

  function showCapture(next) {
    capture = next;
    const image = $('#capture-image');
    image.src = next.dataUrl;
    image.hidden = false;
    $('#capture-empty').hidden = true;
    $('#capture-source').textContent = next.label;
    showMessage($('#capture-message'), '');
  }

  // The sample's drawn labels name the ids in the fields; when they change, the sample is drawn
  // again for the same moment, so the saved photo never shows another device than its name.
  function drawCapture(when) {
    const canvas = document.createElement('canvas');
    const alarmId = $('#capture-alarm-id').value.trim();
    const deviceId = $('#capture-device-id').value.trim();
    drawTestPhoto(canvas, {
      alarmId,
      deviceId,
      when,
      cameraLabel: t('gallery.device', { id: deviceId || '—' }),
      alarmLabel: t('gallery.alarm', { id: alarmId }),
      direction: document.documentElement.dir || 'ltr',
    });
    const dataUrl = canvas.toDataURL('image/jpeg', 0.88);
    showCapture({
      dataUrl,
      mimetype: 'image/jpeg',
      timestamp: when.getTime(),
      alarmId,
      deviceId,
      label: t('capture.generated', { size: formatBytes(dataUrlByteLength(dataUrl), language) }),
    });
  }

  $('#capture-generate').addEventListener('click', () => drawCapture(new Date()));
  const followIds = () => {
    if (!capture) return;
    if (capture.alarmId === $('#capture-alarm-id').value.trim() && capture.deviceId === $('#capture-device-id').value.trim()) return;
    drawCapture(new Date(capture.timestamp));
  };
  $('#capture-alarm-id').addEventListener('input', followIds);
  $('#capture-device-id').addEventListener('input', followIds);

  $('#capture-form').addEventListener('submit', (event) => {
    event.preventDefault();
    const message = $('#capture-message');
    const alarmId = $('#capture-alarm-id').value.trim();
    const deviceId = $('#capture-device-id').value.trim();
    if (!capture) return showMessage(message, t('capture.needPhoto'), 'error');
    if (!alarmId) return showMessage(message, t('capture.needAlarm'), 'error');
    if (!ID_PATTERN.test(alarmId) || !ID_PATTERN.test(deviceId)) {
      return showMessage(message, t('capture.badId'), 'error');
    }
    followIds();
    busy($('#capture-save'), async () => {
      try {
        const reply = await module.request('alarm_photo_save', {
          photoData: capture.dataUrl,
          alarmId,
          deviceId,
          mimetype: capture.mimetype,
          timestamp: capture.timestamp,
        });
        showMessage(message, sentence(t, 'capture.saved', { name: pathNode(reply.fileName) }), 'success');
        await refresh();
      } catch (error) {
        showMessage(message, describeError(error, t), 'error');
      }
    });
  });

  // Gallery.
  function renderGallery(filter) {
    const grid = $('#gallery-grid');
    grid.replaceChildren(...gallery.map(renderPhoto));
    const empty = $('#gallery-empty');
    if (filter) empty.replaceChildren(...sentence(t, 'gallery.emptyFiltered', { device: ltr(filter) }));
    else empty.textContent = t('gallery.empty');
    empty.hidden = gallery.length > 0;
    $('#gallery-count').textContent =
      gallery.length === 1 ? t('gallery.countOne') : t('gallery.count', { n: gallery.length });
  }

  function renderPhoto(photo) {
    const thumb = thumbnails.get(photoKey(photo));
    const meta = [];
    if (photo.deviceId !== undefined) meta.push(...sentence(t, 'gallery.device', { id: ltr(photo.deviceId) }));
    if (photo.fileSize !== undefined) meta.push(meta.length ? ' · ' : '', formatBytes(photo.fileSize, language));
    return h(
      'figure',
      { class: 'photo', dataset: { fileName: photo.fileName } },
      h(
        'button',
        { type: 'button', class: 'thumb', title: visibleText(photo.fileName), onclick: () => view(photo) },
        h('img', { alt: visibleText(photo.fileName), src: thumb, dataset: { key: photoKey(photo) } }),
      ),
      h(
        'figcaption',
        {},
        h('div', { class: 'photo-title' },
          photo.alarmId !== undefined ? sentence(t, 'gallery.alarm', { id: ltr(photo.alarmId) }) : t('gallery.noIds')),
        h('div', { class: 'photo-meta' }, meta),
        photo.lastModified !== undefined
          ? h('div', { class: 'photo-meta' }, timeNode(new Date(photo.lastModified), language, formatDateTime))
          : null,
      ),
      h(
        'div',
        { class: 'photo-actions' },
        h('button', { type: 'button', class: 'btn ghost small view', onclick: () => view(photo) }, t('gallery.view')),
        h('button', { type: 'button', class: 'btn ghost small delete', onclick: () => remove(photo) },
          t('gallery.delete')),
      ),
    );
  }

  // Thumbnails come one at a time so a large gallery never floods the channel; a newer
  // refresh stops an older loader.
  async function loadThumbnails(run) {
    for (const photo of gallery) {
      const key = photoKey(photo);
      if (thumbnails.has(key)) continue;
      try {
        const reply = await module.request('alarm_photo_get', { filePath: photo.filePath });
        if (run !== generation) return;
        thumbnails.set(key, reply.photoData);
        const img = [...document.querySelectorAll('#gallery-grid img')].find((el) => el.dataset.key === key);
        if (img) img.src = reply.photoData;
      } catch {
        if (run !== generation) return;
      }
    }
  }

  async function refresh() {
    const run = ++generation;
    const filter = $('#gallery-filter').value.trim();
    const message = $('#gallery-message');
    try {
      // The whole list, filtered here: the client matches device ids only in their exact case.
      const photos = await module.listPhotos();
      if (run !== generation) return;
      showMessage(message, '');
      gallery = newestFirst(photos.filter((photo) => matchesDevice(photo, filter)));
      const present = new Set(gallery.map(photoKey));
      for (const key of thumbnails.keys()) if (!present.has(key)) thumbnails.delete(key);
      renderGallery(filter);
      loadThumbnails(run);
    } catch (error) {
      if (run !== generation) return;
      showMessage(message, describeError(error, t), 'error');
    }
  }

  $('#gallery-form').addEventListener('submit', (event) => {
    event.preventDefault();
    busy($('#gallery-refresh'), refresh);
  });
  // The list follows the filter as it is typed or cleared, so it never shows the result of
  // a filter that the field no longer holds.
  let filterTimer = null;
  $('#gallery-filter').addEventListener('input', () => {
    clearTimeout(filterTimer);
    filterTimer = setTimeout(refresh, 300);
  });

  // Viewer. Only the file's own path is sent: the client's fallback by alarm id could
  // otherwise show or delete a different photo of the same alarm.
  let closeViewer = null;
  let viewed = null;

  async function view(photo) {
    viewed = photo;
    const image = $('#viewer-image');
    image.hidden = true;
    image.removeAttribute('src');
    $('#viewer-loading').hidden = false;
    showMessage($('#viewer-message'), '');
    $('#viewer-title').replaceChildren(
      ...(photo.alarmId !== undefined ? sentence(t, 'gallery.alarm', { id: ltr(photo.alarmId) }) : [pathNode(photo.fileName)]));
    $('#viewer-file').replaceChildren(pathNode(photo.fileName));
    $('#viewer-size').textContent = photo.fileSize !== undefined ? formatBytes(photo.fileSize, language) : '—';
    $('#viewer-saved').replaceChildren(
      photo.lastModified !== undefined ? timeNode(new Date(photo.lastModified), language, formatDateTime) : '—');
    closeViewer = openDialog($('#viewer'), { onClose: () => { viewed = null; } });
    try {
      const reply = await module.request('alarm_photo_get', { filePath: photo.filePath });
      if (viewed !== photo) return;
      image.src = reply.photoData;
      image.hidden = false;
      $('#viewer-size').textContent = formatBytes(reply.fileSize, language);
    } catch (error) {
      if (viewed !== photo) return;
      showMessage($('#viewer-message'), describeError(error, t), 'error');
    } finally {
      if (viewed === photo) $('#viewer-loading').hidden = true;
    }
  }

  $('#viewer-close').addEventListener('click', () => closeViewer?.());
  $('#viewer-x').addEventListener('click', () => closeViewer?.());
  $('#viewer-delete').addEventListener('click', async () => {
    const photo = viewed;
    if (!photo) return;
    const outcome = await remove(photo);
    if (outcome === 'deleted') closeViewer?.();
    // The gallery's message is behind the viewer: say it where the user is looking.
    else if (outcome && viewed === photo) showMessage($('#viewer-message'), describeError(outcome, t), 'error');
  });

  // 'deleted', the failure, or null when the user did not confirm.
  async function remove(photo) {
    const confirmed = await confirmDialog({
      title: t('confirm.deleteTitle'),
      text: sentence(t, 'confirm.deleteText', { name: pathNode(photo.fileName) }),
      confirmLabel: t('confirm.delete'),
    });
    if (!confirmed) return null;
    let failure = null;
    try {
      await module.request('alarm_photo_delete', { filePath: photo.filePath, fileName: photo.fileName });
      toast(t('photos.deleted'), 'success', 3000);
    } catch (error) {
      failure = error;
    }
    // The refresh clears the gallery's message, so a failure is shown after it.
    await refresh();
    if (failure) showMessage($('#gallery-message'), describeError(failure, t), 'error');
    return failure ?? 'deleted';
  }

  // Another program may have changed the photo folder meanwhile; thumbnails stay cached.
  return { refresh, show: refresh };
}
