// Save image: a drawing pad whose picture the client saves into an album of the Pictures folder.

import { $, h, busy, showMessage, pathNode, sentence, timeNode } from '../ui.js';
import { describeError } from '../errors.js';
import { formatDate } from '../format.js';
import { drawSamplePicture } from '../pictures.js';
import { createDrawingPad, createSavedNames, drawingFileName } from '../drawing-pad.js';

// The client's success message is this prefix followed by the album folder.
const FOLDER_MESSAGE_PREFIX = '图片已保存到 ';

export function folderFromMessage(message, filePath) {
  if (typeof message === 'string' && message.startsWith(FOLDER_MESSAGE_PREFIX)) {
    return message.slice(FOLDER_MESSAGE_PREFIX.length);
  }
  const cut = Math.max(filePath.lastIndexOf('/'), filePath.lastIndexOf('\\'));
  return cut > 0 ? filePath.slice(0, cut) : message ?? '';
}

function baseName(path) {
  return path.slice(Math.max(path.lastIndexOf('/'), path.lastIndexOf('\\')) + 1);
}

export function setupSaveImage({ t, language, module }) {
  const canvas = $('#save-canvas');
  const pad = createDrawingPad(canvas);
  const savedNames = createSavedNames();
  let colour = '#27303f';
  let drawing = null;

  function clear() {
    pad.paint((ctx, width, height) => {
      ctx.fillStyle = '#ffffff';
      ctx.fillRect(0, 0, width, height);
    });
  }

  function sample() {
    pad.paint((ctx) =>
      drawSamplePicture(ctx.canvas, { caption: `${t('app.name')} · ${formatDate(new Date(), language)}` }),
    );
  }

  for (const swatch of document.querySelectorAll('.swatch')) {
    swatch.style.setProperty('--swatch', swatch.dataset.colour);
    swatch.addEventListener('click', () => {
      colour = swatch.dataset.colour;
      for (const other of document.querySelectorAll('.swatch')) {
        other.classList.toggle('is-selected', other === swatch);
        other.setAttribute('aria-pressed', String(other === swatch));
      }
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
    const at = drawing;
    pad.paint((ctx) => {
      ctx.fillStyle = colour;
      ctx.beginPath();
      ctx.arc(at.x, at.y, Number($('#save-brush').value) / 2, 0, Math.PI * 2);
      ctx.fill();
    });
  });
  canvas.addEventListener('pointermove', (event) => {
    if (!drawing) return;
    const from = drawing;
    const to = point(event);
    pad.paint((ctx) => {
      ctx.strokeStyle = colour;
      ctx.lineWidth = Number($('#save-brush').value);
      ctx.lineCap = 'round';
      ctx.lineJoin = 'round';
      ctx.beginPath();
      ctx.moveTo(from.x, from.y);
      ctx.lineTo(to.x, to.y);
      ctx.stroke();
    });
    drawing = to;
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
      const albumName = $('#save-album').value.trim();
      const typed = $('#save-file-name').value.trim();
      const fileName = drawingFileName(typed, savedNames.taken(albumName));
      try {
        const reply = await module.request('image_save', {
          imageData: pad.toDataURL(),
          fileName,
          albumName,
        });
        const savedAs = baseName(reply.filePath);
        savedNames.add(albumName, savedAs);
        const original = drawingFileName(typed);
        if (fileName && original.toLowerCase() !== fileName.toLowerCase()) {
          showMessage(message, sentence(t, 'save.renamed', { original: pathNode(original), name: pathNode(savedAs) }), 'info');
        }
        const folder = folderFromMessage(reply.message, reply.filePath);
        $('#save-result-file').replaceChildren(pathNode(reply.filePath));
        $('#save-result-folder').replaceChildren(pathNode(folder));
        $('#save-result').hidden = false;
        $('#save-none').hidden = true;
        const at = new Date();
        $('#save-recent').prepend(h('li', {}, timeNode(at, language), ' ', pathNode(reply.filePath)));
        module.emit('picture', { filePath: reply.filePath, at });
      } catch (error) {
        $('#save-result').hidden = true;
        showMessage(message, describeError(error, t), 'error');
      }
    });
  });

  return { show: pad.show };
}
