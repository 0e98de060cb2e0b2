import { test } from 'node:test';
import assert from 'node:assert/strict';
import { pathPieces, visibleText } from '../../web/js/format.js';
import { matchesDevice, newestFirst } from '../../web/js/photo-list.js';
import { createTranslator } from '../../web/js/i18n.js';

test('names show their hidden characters: control and bidirectional characters become escapes', () => {
  const cases = [
    ['A12_D0_20261210_104100.jpg', 'A12_D0_20261210_104100.jpg'],
    ['photo\u202Egpj.exe', 'photo\\u202Egpj.exe'],
    ['a\u2066b\u2069c\u200Fd\u061C', 'a\\u2066b\\u2069c\\u200Fd\\u061C'],
    ['line\nbreak\r\u0007\u007F\u0085', 'line\\u000Abreak\\u000D\\u0007\\u007F\\u0085'],
    ['zero\u200Bwidth\uFEFF', 'zero\\u200Bwidth\\uFEFF'],
    ['الصور_Bilder_截图', 'الصور_Bilder_截图'],
    [undefined, ''],
  ];
  for (const [text, shown] of cases) assert.equal(visibleText(text), shown, JSON.stringify(text));
});

test('paths offer breaks only after their separators, never inside a word', () => {
  assert.deepEqual(pathPieces('/home/k/Bilder/Bildschirmfotos/image_20261210.png'),
    ['/', 'home/', 'k/', 'Bilder/', 'Bildschirmfotos/', 'image_', '20261210.png']);
  assert.deepEqual(pathPieces('C:\\Users\\k\\스크린샷'), ['C:\\', 'Users\\', 'k\\', '스크린샷']);
  assert.deepEqual(pathPieces('a\u202Eb/c').join(''), 'a\\u202Eb/c');
});

test('the device filter matches the device id whole, without regard to case', () => {
  const photo = (deviceId) => ({ fileName: `A1_${deviceId}_x.jpg`, deviceId });
  const cases = [
    ['D09', photo('D09'), true],
    ['d09', photo('D09'), true],
    [' d09 ', photo('D09'), true],
    ['D0', photo('D09'), false],
    ['D09', photo('D090'), false],
    ['', photo('D09'), true],
    ['D09', { fileName: 'abc.png' }, false],
  ];
  for (const [filter, item, expected] of cases) assert.equal(matchesDevice(item, filter), expected, `${filter} ${item.fileName}`);
  assert.deepEqual(newestFirst([{ fileName: 'b', lastModified: 1 }, { fileName: 'a', lastModified: 2 }, { fileName: 'c' }])
    .map((p) => p.fileName), ['a', 'b', 'c']);
});

test('numbers in a sentence use the digits of the language, like its times; parts keep elements in place', () => {
  const texts = { en: { k: '{n} of {m}' }, 'ar-EG': { k: '{n} · {m}' } };
  const ar = createTranslator('ar-EG', texts);
  const time = new Date(2026, 11, 10, 10, 41).toLocaleTimeString('ar-EG');
  assert.equal(ar('k', { n: 45, m: time }), `٤٥ · ${time}`);
  assert.match(time, /^[\u0660-\u0669:\s\u0621-\u064A\u200F]+$/u);
  const element = { an: 'element' };
  assert.deepEqual(createTranslator('en', texts).parts('k', { n: 3, m: element }), ['3', ' of ', element]);
  assert.deepEqual(createTranslator('en', texts).parts('k', { n: 1200 }), ['1,200', ' of ', '{m}']);
});
