// Interface language: the window's language, which the client passes to the browser as
// navigator.language; the page speaks the same eleven languages as the window.

import { TEXTS } from './texts.js';

export const LANGUAGES = Object.freeze(['en', 'zh-CN', 'zh-TW', 'ja', 'ru', 'fr', 'de', 'es', 'pt', 'ko', 'ar']);

const RIGHT_TO_LEFT = new Set(['ar']);

// The client hands over one of LANGUAGES; any other tag (the page opened elsewhere) gets the
// nearest of them: Traditional Chinese for Taiwan, Hong Kong and the Hant script, Simplified
// for other Chinese, the language itself when listed, English otherwise.
export function chooseLanguage(tag) {
  if (typeof tag !== 'string') return 'en';
  const parts = tag.trim().split(/[-_.@]/).map((part) => part.toLowerCase());
  const exact = LANGUAGES.find((code) => code.toLowerCase() === parts.slice(0, 2).join('-'));
  if (exact) return exact;
  if (parts[0] === 'zh') {
    return parts.slice(1).some((part) => part === 'tw' || part === 'hk' || part === 'hant') ? 'zh-TW' : 'zh-CN';
  }
  return LANGUAGES.includes(parts[0]) ? parts[0] : 'en';
}

export function isRightToLeft(language) {
  return RIGHT_TO_LEFT.has(language);
}

// Replaces {name} with vars.name; a missing key falls back to English, then to the key itself,
// so a gap in one table shows something readable instead of nothing. Numbers are written in
// the language's own digits, so that a line never mixes two digit styles (a count in Latin
// digits beside a time in Arabic-Indic ones).
// t.parts(key, vars) gives the same text as a list of strings and the vars' own values, so that
// a caller can put elements (isolated names, times) where the placeholders are.
export function createTranslator(language, texts = TEXTS) {
  const table = texts[language] ?? texts.en;
  const fallback = texts.en;
  const numbers = new Intl.NumberFormat(language in texts ? language : 'en', { maximumFractionDigits: 1 });
  const show = (value) => (typeof value === 'number' ? numbers.format(value) : value);
  const template = (key) => table[key] ?? fallback[key] ?? key;
  function t(key, vars) {
    if (!vars) return template(key);
    return template(key).replace(/\{(\w+)\}/g, (whole, name) => (name in vars ? String(show(vars[name])) : whole));
  }
  t.parts = (key, vars = {}) =>
    template(key)
      .split(/(\{\w+\})/)
      .filter((piece) => piece !== '')
      .map((piece) => {
        const name = /^\{(\w+)\}$/.exec(piece)?.[1];
        return name !== undefined && name in vars ? show(vars[name]) : piece;
      });
  t.number = (value) => numbers.format(value);
  return t;
}

// Sets the document's language and reading direction, then fills elements marked with
// data-i18n (text), data-i18n-placeholder, data-i18n-title, data-i18n-aria-label and
// data-i18n-value (a field's default value).
export function applyTranslations(root, t, language) {
  if (language && root.documentElement) {
    root.documentElement.lang = language;
    root.documentElement.dir = isRightToLeft(language) ? 'rtl' : 'ltr';
  }
  for (const el of root.querySelectorAll('[data-i18n]')) el.textContent = t(el.dataset.i18n);
  for (const el of root.querySelectorAll('[data-i18n-placeholder]')) {
    el.placeholder = t(el.dataset.i18nPlaceholder);
  }
  for (const el of root.querySelectorAll('[data-i18n-title]')) el.title = t(el.dataset.i18nTitle);
  for (const el of root.querySelectorAll('[data-i18n-aria-label]')) {
    el.setAttribute('aria-label', t(el.dataset.i18nAriaLabel));
  }
  for (const el of root.querySelectorAll('[data-i18n-value]')) el.value = t(el.dataset.i18nValue);
}
