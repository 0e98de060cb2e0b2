// Small display helpers shared by the screens. `language` is one of the page's language codes,
// which are also locale tags, so sizes, times and dates read as the reader writes them.

export function formatBytes(bytes, language = 'en') {
  if (!Number.isFinite(bytes) || bytes < 0) return '';
  const units = ['byte', 'kilobyte', 'megabyte', 'gigabyte'];
  let value = bytes;
  let unit = 0;
  while (value >= 1024 && unit < units.length - 1) {
    value /= 1024;
    unit++;
  }
  const digits = unit === 0 || value >= 10 ? 0 : 1;
  return value.toLocaleString(language, {
    style: 'unit',
    unit: units[unit],
    unitDisplay: unit === 0 ? 'long' : 'short',
    maximumFractionDigits: digits,
    minimumFractionDigits: digits,
  });
}

export function formatTime(date, language = 'en') {
  return date.toLocaleTimeString(language, { timeStyle: 'medium' });
}

// Month by name (or the language's own date order), so that 10/12 is never a guess.
export function formatDateTime(date, language = 'en') {
  return date.toLocaleString(language, { dateStyle: 'medium', timeStyle: 'short' });
}

export function formatDate(date, language = 'en') {
  return date.toLocaleDateString(language, { dateStyle: 'long' });
}

// Size of the bytes behind a base64 data URL, without decoding it.
export function dataUrlByteLength(dataUrl) {
  const comma = dataUrl.indexOf(',');
  const body = comma >= 0 ? dataUrl.slice(comma + 1) : dataUrl;
  const padding = body.endsWith('==') ? 2 : body.endsWith('=') ? 1 : 0;
  return Math.max(0, Math.floor((body.length * 3) / 4) - padding);
}

// A secret on screen shows only its ends, enough to tell two apart.
export function shortenSecret(text) {
  const value = String(text ?? '');
  return value.length <= 12 ? '•'.repeat(value.length) : `${value.slice(0, 6)}…${value.slice(-4)}`;
}

// Characters that would let a name say something other than what it is: control characters
// (a line break in a file name) and the bidirectional controls, with which a name ending in
// "gpj.exe" reads as "exe.jpg". They are shown as \u escapes.
const HIDDEN_CHARACTERS = /[\u0000-\u001f\u007f-\u009f\u061c\u200b-\u200f\u202a-\u202e\u2060-\u2069\ufeff]/gu;

export function visibleText(text) {
  return String(text ?? '').replace(
    HIDDEN_CHARACTERS,
    (ch) => `\\u${ch.codePointAt(0).toString(16).toUpperCase().padStart(4, '0')}`,
  );
}

// Break opportunities after each separator of a path or file name ("/", "\", "_", "-"), so
// that a narrow column wraps it between its parts, never inside a word nor before its
// extension. Returns the pieces; the caller puts a <wbr> between them.
export function pathPieces(text) {
  return visibleText(text).split(/(?<=[/\\_-])/);
}
