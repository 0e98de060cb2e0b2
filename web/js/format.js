// Small display helpers shared by the screens.

export function formatBytes(bytes, language = 'en') {
  if (!Number.isFinite(bytes) || bytes < 0) return '';
  if (bytes < 1024) return `${bytes} B`;
  const units = ['KB', 'MB', 'GB'];
  let value = bytes / 1024;
  let unit = 0;
  while (value >= 1024 && unit < units.length - 1) {
    value /= 1024;
    unit++;
  }
  const digits = value < 10 ? 1 : 0;
  return `${value.toLocaleString(language === 'zh' ? 'zh-CN' : 'en', {
    maximumFractionDigits: digits,
    minimumFractionDigits: digits,
  })} ${units[unit]}`;
}

export function formatTime(date, language = 'en') {
  return date.toLocaleTimeString(language === 'zh' ? 'zh-CN' : 'en-GB', { hour12: false });
}

export function formatDateTime(date, language = 'en') {
  return date.toLocaleString(language === 'zh' ? 'zh-CN' : 'en-GB', { hour12: false });
}

// Size of the bytes behind a base64 data URL, without decoding it.
export function dataUrlByteLength(dataUrl) {
  const comma = dataUrl.indexOf(',');
  const body = comma >= 0 ? dataUrl.slice(comma + 1) : dataUrl;
  const padding = body.endsWith('==') ? 2 : body.endsWith('=') ? 1 : 0;
  return Math.max(0, Math.floor((body.length * 3) / 4) - padding);
}
