import { test } from 'node:test';
import assert from 'node:assert/strict';
import { LANGUAGES, chooseLanguage, createTranslator, isRightToLeft } from '../../web/js/i18n.js';
import { TEXTS } from '../../web/js/texts.js';
import { describeError } from '../../web/js/errors.js';
import { BridgeError } from '../../web/js/bridge.js';

test('the page takes the window\'s language from navigator.language, and the nearest one from any other tag', () => {
  const cases = [
    // What the client hands over: each of the window's codes, as WebKit may case them.
    ...LANGUAGES.map((code) => [code, code]),
    ['ZH-cn', 'zh-CN'], ['zh-tw', 'zh-TW'], ['AR', 'ar'],
    // Tags from elsewhere.
    ['zh', 'zh-CN'], ['zh-SG', 'zh-CN'], ['zh-Hans-SG', 'zh-CN'], ['zh_CN.UTF-8', 'zh-CN'],
    ['zh-HK', 'zh-TW'], ['zh-Hant', 'zh-TW'], ['zh-Hant-MO', 'zh-TW'],
    ['en-US', 'en'], ['de-AT', 'de'], ['pt-BR', 'pt'], ['es_MX', 'es'], ['ar-EG', 'ar'], ['ko-KR', 'ko'],
    ['it', 'en'], ['zu', 'en'], ['zha', 'en'], ['', 'en'], [undefined, 'en'], [null, 'en'],
  ];
  for (const [tag, expected] of cases) assert.equal(chooseLanguage(tag), expected, String(tag));
  assert.deepEqual(LANGUAGES.filter(isRightToLeft), ['ar']);
});

test('every language has a text for every key, none empty, none left in English, placeholders kept', () => {
  assert.deepEqual(Object.keys(TEXTS).sort(), [...LANGUAGES].sort());
  const keys = Object.keys(TEXTS.en).sort();
  const placeholders = (text) => (text.match(/\{\w+\}/g) ?? []).sort().join();
  // Texts that are the same in a language by nature: names, units and formats.
  const sameInEnglish = new Set(['app.name', 'app.title', 'activity.elapsed', 'error.detail', 'save.album',
    'token.title', 'activity.details', 'gallery.alarm', 'gallery.count', 'gallery.countOne',
    'colour.orange', 'protection.client']);
  for (const language of LANGUAGES) {
    const table = TEXTS[language];
    assert.deepEqual(Object.keys(table).sort(), keys, language);
    for (const key of keys) {
      assert.ok(table[key].trim(), `${language} ${key}`);
      assert.equal(placeholders(table[key]), placeholders(TEXTS.en[key]), `${language} ${key}`);
      if (language !== 'en' && !sameInEnglish.has(key)) {
        assert.notEqual(table[key], TEXTS.en[key], `${language} ${key} is still English`);
      }
    }
  }
});

test('German addresses the reader formally everywhere: Sie and Ihr, never du, dein or a lowercase ihr', () => {
  const informal = /(^|[^\p{L}])(du|dich|dir|dein\p{L}*|euch|euer\p{L}*|ihr\p{L}*)(?![\p{L}])/u;
  for (const [key, text] of Object.entries(TEXTS.de)) assert.doesNotMatch(text, informal, key);
});

test('placeholders are filled, unknown ones kept; a missing key falls back to English, then to the key', () => {
  const texts = { en: { a: '{n} of {m}', only: 'English' }, 'zh-CN': { a: '{m} 中的 {n}' } };
  const zh = createTranslator('zh-CN', texts);
  assert.equal(zh('a', { n: 3, m: 7 }), '7 中的 3');
  assert.equal(zh('a', { n: 3 }), '{m} 中的 3');
  assert.equal(zh('only'), 'English');
  assert.equal(zh('nowhere'), 'nowhere');
  assert.equal(createTranslator('fr', texts)('only'), 'English');
});

test('the client\'s fixed Chinese messages reach the reader in the reader\'s language', () => {
  const client = (message) => new BridgeError('client', message, { reply: { ok: false, error: message } });
  // That every text a service sends has a sentence is derived from the services' sources
  // (service-errors.test.js); these are the texts that share a sentence or take one by prefix.
  const cases = [
    ['认证参数不完整', 'error.challengeIncomplete'],
    ['auth_challenge 缺少 Webdata', 'error.challengeIncomplete'],
    ['identifier 参数不能为空', 'error.identifierEmpty'],
    ['[TOKEN_GEN] identifier param is empty', 'error.identifierEmpty'],
    ['列表失败', 'error.listFailed'],
    // Another user's photo in the shared folder.
    ['删除文件失败: Operation not permitted', 'error.notOwner'],
    ['删除文件失败: Permission denied', 'error.notOwner'],
  ];
  for (const language of ['en', 'de', 'ar']) {
    const t = createTranslator(language);
    for (const [message, key] of cases) assert.equal(describeError(client(message), t), t(key), `${language} ${message}`);
  }

  // A fixed part and the system's reason: the sentence, with the reason kept as a detail.
  const en = createTranslator('en');
  assert.equal(describeError(client('创建文件失败: Not a directory'), en),
    'The file could not be created. (Not a directory)');
  assert.equal(describeError(client('删除文件失败: 文件已不存在'), en),
    'The photo could not be deleted. (The photo no longer exists.)');
  assert.equal(describeError(client('替换文件失败: Operation not permitted'), createTranslator('zh-CN')),
    '无法覆盖已有的文件。（Operation not permitted）');
  assert.equal(describeError(client('[TOKEN_GEN] BCryptEncrypt failed: 0xC000000D'), en),
    'The client could not make the token. (BCryptEncrypt failed: 0xC000000D)');
  // A prefix only counts as a whole word before ": ".
  assert.equal(describeError(client('创建文件失败了'), en), 'The client could not do this: 创建文件失败了');

  // Unknown messages and the page's own failures.
  const ja = createTranslator('ja');
  assert.equal(describeError(client('Permission denied'), ja), 'クライアントはこの操作を実行できませんでした: Permission denied');
  assert.equal(describeError(new BridgeError('timeout', 'No reply'), ja), ja('error.timeout'));
  assert.equal(describeError(new BridgeError('unavailable', 'x'), en), en('error.unavailable'));
  assert.equal(describeError(new Error('boom'), en), 'The client could not do this: boom');
});

test('dates name their month or use the reader\'s own order, never a bare 12/10/2026', async () => {
  const { formatDateTime, formatBytes } = await import('../../web/js/format.js');
  const when = new Date(2026, 11, 10, 14, 41, 50);
  const cases = [['en', /Dec/], ['zh-CN', /2026年12月10日/], ['ja', /2026\/12\/10/], ['de', /10\.12\.2026/],
    ['fr', /déc/], ['ru', /дек/], ['ko', /2026\. 12\. 10\./]];
  for (const [language, pattern] of cases) assert.match(formatDateTime(when, language), pattern, language);
  assert.equal(formatBytes(512, 'en'), '512 bytes');
  assert.match(formatBytes(28322, 'fr'), /^28\sko$/);
});

test('the activity record shows the client\'s fixed texts in the reader\'s words', async () => {
  const { readableReply } = await import('../../web/js/screens/activity.js');
  const de = createTranslator('de');
  const cases = [
    [{ type: 'image_save_response', ok: true, message: '图片已保存到 /home/k/Bilder/Album' },
      { message: 'Gespeichert in /home/k/Bilder/Album' }],
    [{ ok: true, fileName: 'A1_D1_x.jpg', message: '图片保存成功' }, { message: 'Gespeichert als A1_D1_x.jpg' }],
    [{ ok: true, message: '图片删除成功' }, { message: 'Foto gelöscht.' }],
    [{ ok: false, error: '创建文件失败: Not a directory' },
      { error: 'Die Datei konnte nicht erstellt werden. (Not a directory)' }],
    [{ ok: true, message: 'something new' }, { message: 'something new' }],
  ];
  for (const [reply, expected] of cases) assert.deepEqual(readableReply(reply, de), { ...reply, ...expected });
});
