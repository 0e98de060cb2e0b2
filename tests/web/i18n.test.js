import { test } from 'node:test';
import assert from 'node:assert/strict';
import { chooseLanguage, createTranslator } from '../../web/js/i18n.js';
import { TEXTS } from '../../web/js/texts.js';
import { describeError } from '../../web/js/errors.js';
import { BridgeError } from '../../web/js/bridge.js';

test('the language follows navigator.language: every Chinese tag gets Chinese, anything else English', () => {
  const cases = [
    ['zh-CN', 'zh'], ['zh', 'zh'], ['ZH-cn', 'zh'], ['zh-Hans-SG', 'zh'], ['zh-TW', 'zh'], ['zh_CN.UTF-8', 'zh'],
    ['en-US', 'en'], ['de-DE', 'en'], ['ar', 'en'], ['zu', 'en'], ['zha', 'en'], ['', 'en'],
    [undefined, 'en'], [null, 'en'],
  ];
  for (const [tag, expected] of cases) assert.equal(chooseLanguage(tag), expected, String(tag));
});

test('both languages have a text for every key, and no text is empty', () => {
  const keys = (table) => Object.keys(table).sort();
  assert.deepEqual(keys(TEXTS.zh), keys(TEXTS.en));
  for (const [language, table] of Object.entries(TEXTS)) {
    for (const [key, text] of Object.entries(table)) assert.ok(text.trim(), `${language} ${key}`);
  }
});

test('placeholders are filled, unknown ones kept; a missing key falls back to English, then to the key', () => {
  const texts = { en: { a: '{n} of {m}', only: 'English' }, zh: { a: '{m} 中的 {n}' } };
  const zh = createTranslator('zh', texts);
  assert.equal(zh('a', { n: 3, m: 7 }), '7 中的 3');
  assert.equal(zh('a', { n: 3 }), '{m} 中的 3');
  assert.equal(zh('only'), 'English');
  assert.equal(zh('nowhere'), 'nowhere');
  assert.equal(createTranslator('fr', texts)('only'), 'English');
});

test('client failures become the page\'s own sentences, never the raw reply', () => {
  const t = createTranslator('en');
  const client = (message) => new BridgeError('client', message, { reply: { ok: false, error: message } });
  const cases = [
    [client('seed_invalid'), t('error.seedInvalid')],
    [client('认证参数不完整'), t('error.challengeIncomplete')],
    [client('认证环境异常'), t('error.unsafeEnvironment')],
    [client('identifier 参数不能为空'), t('error.identifierEmpty')],
    [client('图片数据或警告ID不能为空'), t('error.photoRequired')],
    [client('未找到图片文件'), t('error.photoNotFound')],
    [client('图片文件不存在'), t('error.photoGone')],
    [client('图片数据不能为空'), t('error.imageEmpty')],
    [client('Permission denied'), 'The client could not do this: Permission denied'],
    [new BridgeError('timeout', 'No reply'), t('error.timeout')],
    [new BridgeError('unavailable', 'x'), t('error.unavailable')],
    [new Error('boom'), 'The client could not do this: boom'],
  ];
  for (const [error, expected] of cases) assert.equal(describeError(error, t), expected, error.message);
});
