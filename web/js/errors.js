// Turns a failed request into the page's own sentence. The client's messages are fixed texts of
// its services (Chinese); the page names the ones a user can act on and wraps the rest.

const CLIENT_MESSAGES = new Map([
  ['seed_invalid', 'error.seedInvalid'],
  ['认证参数不完整', 'error.challengeIncomplete'],
  ['认证环境异常', 'error.unsafeEnvironment'],
  ['[TOKEN_GEN] environment check failed', 'error.unsafeEnvironment'],
  ['identifier 参数不能为空', 'error.identifierEmpty'],
  ['[TOKEN_GEN] identifier param is empty', 'error.identifierEmpty'],
  ['图片数据或警告ID不能为空', 'error.photoRequired'],
  ['未找到图片文件', 'error.photoNotFound'],
  ['图片文件不存在', 'error.photoGone'],
  ['图片数据不能为空', 'error.imageEmpty'],
]);

const KIND_MESSAGES = {
  timeout: 'error.timeout',
  unavailable: 'error.unavailable',
  closed: 'error.closed',
  send: 'error.send',
};

export function describeError(error, t) {
  if (error?.kind === 'client') {
    const key = CLIENT_MESSAGES.get(error.message);
    return key ? t(key) : t('error.generic', { detail: error.message });
  }
  const key = KIND_MESSAGES[error?.kind];
  if (key) return t(key);
  return t('error.generic', { detail: error?.message ?? String(error) });
}
