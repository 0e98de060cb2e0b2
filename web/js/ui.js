// Small DOM helpers shared by the screens: element building, messages, toasts, dialogs, copying.

import { formatTime, pathPieces, visibleText } from './format.js';

export function $(selector, root = document) {
  return root.querySelector(selector);
}

export function h(tag, attributes = {}, ...children) {
  const el = document.createElement(tag);
  for (const [name, value] of Object.entries(attributes)) {
    if (value === undefined || value === null || value === false) continue;
    if (name === 'class') el.className = value;
    else if (name === 'dataset') Object.assign(el.dataset, value);
    else if (name.startsWith('on')) el.addEventListener(name.slice(2), value);
    else el.setAttribute(name, value === true ? '' : value);
  }
  for (const child of children.flat()) {
    if (child === undefined || child === null || child === false) continue;
    el.append(child instanceof Node ? child : document.createTextNode(String(child)));
  }
  return el;
}

// A name, id, request type or other machine text inside a sentence: isolated from the
// sentence's reading order (an Arabic sentence must not reorder "A12_D0_x.jpg"), with hidden
// characters shown, and with no break inside it.
export function ltr(text, className = 'ltr') {
  return h('bdi', { dir: 'ltr', class: className }, visibleText(text));
}

// A path or file name: isolated like ltr(), breaking only after its separators.
export function pathNode(text) {
  const pieces = pathPieces(text);
  return h('bdi', { dir: 'ltr', class: 'path' }, pieces.flatMap((piece, i) => (i ? [h('wbr'), piece] : [piece])));
}

// A time of day that never wraps between the time and its AM/PM.
export function timeNode(date, language, format = formatTime) {
  return h('time', { datetime: date.toISOString() }, format(date, language));
}

// A translated sentence whose placeholders may be elements (names, times).
export function sentence(t, key, vars) {
  return t.parts(key, vars).map((piece) => (piece instanceof Node ? piece : String(piece)));
}

// A line under a form: kind 'error', 'success' or 'info'; an empty text hides it.
// `text` may also be a list of strings and elements (see sentence()).
export function showMessage(el, text, kind = 'info') {
  const empty = !text || (Array.isArray(text) && text.length === 0);
  if (Array.isArray(text)) el.replaceChildren(...text);
  else el.textContent = text ?? '';
  el.dataset.kind = kind;
  el.hidden = empty;
}

// Disables the button and shows a busy state while the work runs.
export async function busy(button, work) {
  button.disabled = true;
  button.classList.add('is-busy');
  try {
    return await work();
  } finally {
    button.disabled = false;
    button.classList.remove('is-busy');
  }
}

export function toast(text, kind = 'info', durationMs = 6000) {
  const host = $('#toasts');
  const item = h('div', { class: `toast toast-${kind}`, role: 'status' }, text);
  host.append(item);
  setTimeout(() => {
    item.classList.add('is-leaving');
    setTimeout(() => item.remove(), 300);
  }, durationMs);
  return item;
}

// Opens a dialog (a .modal-backdrop element); Escape or a click on the backdrop closes it.
export function openDialog(backdrop, { onClose } = {}) {
  const close = () => {
    if (backdrop.hidden) return;
    backdrop.hidden = true;
    document.removeEventListener('keydown', onKey);
    backdrop.removeEventListener('click', onBackdrop);
    onClose?.();
  };
  // Escape closes only the topmost dialog (a confirmation can sit above the viewer).
  const onKey = (event) => {
    if (event.key !== 'Escape') return;
    const open = document.querySelectorAll('.modal-backdrop:not([hidden])');
    if (open[open.length - 1] === backdrop) close();
  };
  const onBackdrop = (event) => {
    if (event.target === backdrop) close();
  };
  backdrop.hidden = false;
  document.addEventListener('keydown', onKey);
  backdrop.addEventListener('click', onBackdrop);
  backdrop.querySelector('[data-autofocus]')?.focus();
  return close;
}

// Resolves true when the user confirms, false otherwise.
export function confirmDialog({ title, text, confirmLabel }) {
  const backdrop = $('#confirm');
  $('#confirm-title').textContent = title;
  $('#confirm-text').replaceChildren(...(Array.isArray(text) ? text : [text]));
  $('#confirm-ok').textContent = confirmLabel;
  return new Promise((resolve) => {
    let answer = false;
    const close = openDialog(backdrop, {
      onClose: () => {
        $('#confirm-ok').removeEventListener('click', onOk);
        $('#confirm-cancel').removeEventListener('click', onCancel);
        resolve(answer);
      },
    });
    const onOk = () => {
      answer = true;
      close();
    };
    const onCancel = () => close();
    $('#confirm-ok').addEventListener('click', onOk);
    $('#confirm-cancel').addEventListener('click', onCancel);
  });
}

// The async clipboard needs permissions that an embedded page may not have; fall back to a
// selection copy.
export async function copyText(text) {
  try {
    await navigator.clipboard.writeText(text);
    return true;
  } catch {
    const area = h('textarea', { class: 'offscreen', readonly: true });
    area.value = text;
    document.body.append(area);
    area.select();
    let ok = false;
    try {
      ok = document.execCommand('copy');
    } catch {
      ok = false;
    }
    area.remove();
    return ok;
  }
}

export function wireCopyButton(button, getText, t) {
  button.addEventListener('click', async () => {
    const ok = await copyText(getText());
    if (!ok) return;
    button.textContent = t('common.copied');
    setTimeout(() => {
      button.textContent = t('common.copy');
    }, 1500);
  });
}
