// Every failure text a service of the client can reply with has the page's own sentence.
// The texts are read from the services' C++ sources, not copied here, so that a new one
// cannot reach the reader untranslated without this test failing.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync, readdirSync, statSync } from 'node:fs';
import { join } from 'node:path';
import { createTranslator } from '../../web/js/i18n.js';
import { describeClientMessage } from '../../web/js/errors.js';

const ROOT = new URL('../..', import.meta.url).pathname;

function sources(folder) {
  return readdirSync(join(ROOT, folder)).flatMap((name) => {
    const path = join(folder, name);
    if (statSync(join(ROOT, path)).isDirectory()) return sources(path);
    return name.endsWith('.cpp') || name.endsWith('.h') ? [path] : [];
  });
}

const unescape = (literal) => JSON.parse(`"${literal}"`);

// Where a service writes a reply's failure text as a literal: the message of what it throws
// (`runtime_error`, `Fail`, its own error types), the reply's `Failed`, the list's fallback
// `error = "..."`, and named Chinese constants (the refusals it passes to the name checks,
// the bridge's own reply). A literal followed by `+` starts a text that goes on with a
// reason or a number. The bridge throws only for messages it does not answer.
const THROWN = /\b(?:runtime_error|\w*Error|Fail|Failed)\(\s*(?:std::string\()?"((?:[^"\\]|\\.)*)"\s*(\+)?/g;
const ASSIGNED = /\berror = "((?:[^"\\]|\\.)*)"/g;
const NAMED = /constexpr std::string_view k\w+ = "((?:[^"\\]|\\.)*)"/g;
const HAS_CHINESE = /\p{Script=Han}/u;

function serviceTexts() {
  const texts = new Map();  // text -> where, "+" marking the start of a longer text
  const add = (text, open, where) => texts.set(open ? `${text}+` : text, where);
  for (const path of sources('auth').concat(sources('media'))) {
    const code = readFileSync(join(ROOT, path), 'utf8');
    for (const m of code.matchAll(THROWN)) add(unescape(m[1]), m[2], path);
    for (const m of code.matchAll(ASSIGNED)) add(unescape(m[1]), false, path);
  }
  for (const path of sources('auth').concat(sources('media'), sources('bridge'))) {
    const code = readFileSync(join(ROOT, path), 'utf8');
    for (const m of code.matchAll(NAMED)) if (HAS_CHINESE.test(m[1])) add(unescape(m[1]), false, path);
  }
  return texts;
}

test('every failure text in the services\' sources has a sentence in every language', () => {
  const texts = serviceTexts();
  // The scan must see the texts it is meant to see, or it would pass by finding nothing.
  for (const known of ['seed_invalid', '认证参数不完整', 'identifier 参数不能为空', '[TOKEN_GEN] identifier param is empty',
    '未找到图片文件', '列表失败', '相册目录不在图片文件夹内', '图片过大: 最多 32 MB', '创建文件失败', '删除文件失败: +']) {
    assert.ok(texts.has(known), `the scan misses ${known}`);
  }
  for (const language of ['en', 'zh-CN', 'ar']) {
    const t = createTranslator(language);
    for (const [text, where] of texts) {
      // A text that goes on is tried with a reason after it, as the service sends it.
      const sent = text.endsWith('+') ? `${text.slice(0, -1)}Input/output error` : text;
      const generic = t('error.generic', { detail: sent });
      assert.notEqual(describeClientMessage(sent, t), generic, `${language}: "${sent}" (${where}) has no sentence`);
    }
  }
});
