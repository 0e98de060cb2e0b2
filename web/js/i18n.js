// Interface language: English or Simplified Chinese, chosen from the browser's language.

import { TEXTS } from './texts.js';

export const LANGUAGES = Object.freeze(['en', 'zh']);

// Any Chinese tag (zh, zh-CN, zh-Hans-SG, zh_TW...) gets the Chinese texts: for a reader of
// Traditional Chinese they are still closer than English. Everything else is English.
export function chooseLanguage(tag) {
  if (typeof tag !== 'string') return 'en';
  const primary = tag.trim().toLowerCase().split(/[-_.@]/)[0];
  return primary === 'zh' ? 'zh' : 'en';
}

// Replaces {name} with vars.name; a missing key falls back to English, then to the key itself,
// so a gap in one table shows something readable instead of nothing.
export function createTranslator(language, texts = TEXTS) {
  const table = texts[language] ?? texts.en;
  const fallback = texts.en;
  return function t(key, vars) {
    const template = table[key] ?? fallback[key] ?? key;
    if (!vars) return template;
    return template.replace(/\{(\w+)\}/g, (whole, name) => (name in vars ? String(vars[name]) : whole));
  };
}

// Fills elements marked with data-i18n (text), data-i18n-placeholder, data-i18n-title and
// data-i18n-aria-label.
export function applyTranslations(root, t) {
  for (const el of root.querySelectorAll('[data-i18n]')) el.textContent = t(el.dataset.i18n);
  for (const el of root.querySelectorAll('[data-i18n-placeholder]')) {
    el.placeholder = t(el.dataset.i18nPlaceholder);
  }
  for (const el of root.querySelectorAll('[data-i18n-title]')) el.title = t(el.dataset.i18nTitle);
  for (const el of root.querySelectorAll('[data-i18n-aria-label]')) {
    el.setAttribute('aria-label', t(el.dataset.i18nAriaLabel));
  }
}
