// Save image: a drawing pad whose picture the client saves into an album of the Pictures folder.

import { $, h, busy, showMessage } from '../ui.js';
import { describeError } from '../errors.js';
import { formatTime } from '../format.js';
import { drawSamplePicture } from '../pictures.js';

// The client's success message is this prefix followed by the album folder.
const FOLDER_MESSAGE_PREFIX = '图片已保存到 ';

export function folderFromMessage(message, filePath) {
  if (typeof message === 'string' && message.startsWith(FOLDER_MESSAGE_PREFIX)) {
    return message.slice(FOLDER_MESSAGE_PREFIX.length);
  }
  const cut = Math.max(filePath.lastIndexOf('/'), filePath.lastIndexOf('\\'));
  return cut > 0 ? filePath.slice(0, cut) : message ?? '';
}

export function setupSaveImage({ t, language, module }) {
  const canvas = $('#save-canvas');
  const ctx = canvas.getContext('2d');
  let colour = '#27303f';
  let drawing = null;

  function clear() {
    ctx.fillStyle = '#ffffff';
    ctx.fillRect(0, 0, canvas.width, canvas.height);
  }

  function sample() {
    drawSamplePicture(canvas, { caption: `${t('app.name')} · ${new Date().toLocaleDateString(language === 'zh' ? 'zh-CN' : 'en-GB')}` });
  }

  for (const swatch of document.querySelectorAll('.swatch')) {
    swatch.style.setProperty('--swatch', swatch.dataset.colour);
    swatch.addEventListener('click', () => {
      colour = swatch.dataset.colour;
      for (const other of document.querySelectorAll('.swatch')) other.classList.toggle('is-selected', other === swatch);
    });
  }

  function point(event) {
    const box = canvas.getBoundingClientRect();
    return {
      x: ((event.clientX - box.left) / box.width) * canvas.width,
      y: ((event.clientY - box.top) / box.height) * canvas.height,
    };
  }

  canvas.addEventListener('pointerdown', (event) => {
    canvas.setPointerCapture(event.pointerId);
    drawing = point(event);
    ctx.fillStyle = colour;
    ctx.beginPath();
    ctx.arc(drawing.x, drawing.y, Number($('#save-brush').value) / 2, 0, Math.PI * 2);
    ctx.fill();
  });
  canvas.addEventListener('pointermove', (event) => {
    if (!drawing) return;
    const next = point(event);
    ctx.strokeStyle = colour;
    ctx.lineWidth = Number($('#save-brush').value);
    ctx.lineCap = 'round';
    ctx.lineJoin = 'round';
    ctx.beginPath();
    ctx.moveTo(drawing.x, drawing.y);
    ctx.lineTo(next.x, next.y);
    ctx.stroke();
    drawing = next;
  });
  const stop = () => {
    drawing = null;
  };
  canvas.addEventListener('pointerup', stop);
  canvas.addEventListener('pointercancel', stop);

  $('#save-sample').addEventListener('click', sample);
  $('#save-clear').addEventListener('click', clear);
  sample();

  $('#save-form').addEventListener('submit', (event) => {
    event.preventDefault();
    const message = $('#save-message');
    busy($('#save-button'), async () => {
      showMessage(message, '');
      try {
        const reply = await module.request('image_save', {
          imageData: canvas.toDataURL('image/png'),
          fileName: $('#save-file-name').value.trim(),
          albumName: $('#save-album').value.trim(),
        });
        const folder = folderFromMessage(reply.message, reply.filePath);
        $('#save-result-file').textContent = reply.filePath;
        $('#save-result-folder').textContent = folder;
        $('#save-result').hidden = false;
        $('#save-none').hidden = true;
        $('#save-recent').prepend(
          h('li', {}, h('time', {}, formatTime(new Date(), language)), reply.filePath),
        );
      } catch (error) {
        $('#save-result').hidden = true;
        showMessage(message, describeError(error, t), 'error');
      }
    });
  });
}
