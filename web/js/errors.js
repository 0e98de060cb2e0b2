// Turns a failed request into the page's own sentence in the reader's language. The client's
// messages are fixed Chinese texts of its services: the exact ones map to a sentence, the
// ones that end in a system reason (": Not a directory") map by their fixed part and keep the
// reason as a detail, and anything else becomes a plain sentence with the original as detail.

const CLIENT_MESSAGES = new Map([
  ['seed_invalid', 'error.seedInvalid'],
  ['认证参数不完整', 'error.challengeIncomplete'],
  ['auth_challenge 缺少 Webdata', 'error.challengeIncomplete'],
  ['auth_challenge 缺少 challenge', 'error.challengeIncomplete'],
  ['认证环境异常', 'error.unsafeEnvironment'],
  ['[TOKEN_GEN] environment check failed', 'error.unsafeEnvironment'],
  ['identifier 参数不能为空', 'error.identifierEmpty'],
  ['[TOKEN_GEN] identifier param is empty', 'error.identifierEmpty'],
  ['图片数据或警告ID不能为空', 'error.photoRequired'],
  ['未找到图片文件', 'error.photoNotFound'],
  ['图片文件不存在', 'error.photoGone'],
  ['图片数据不能为空', 'error.imageEmpty'],
  ['图片过大: 最多 32 MB', 'error.imageTooLarge'],
  ['时间戳超出范围', 'error.timestampRange'],
  ['警告ID或设备ID不是合法的文件名', 'error.badIds'],
  ['文件名不合法: 只能是单个文件名', 'error.badFileName'],
  ['文件名不合法: 只能是图片目录中的单个文件名', 'error.outsidePhotoFolder'],
  ['文件路径不在图片目录内', 'error.outsidePhotoFolder'],
  ['相册名称不合法: 不能是绝对路径或包含 ..', 'error.badAlbum'],
  ['相册目录不在图片文件夹内', 'error.albumOutside'],
  // The photo folder is shared by every user and only a photo's owner may delete it (the
  // folder is sticky); the list does not say who saved a photo, so this refusal is what tells.
  ['删除文件失败: Operation not permitted', 'error.notOwner'],
  ['删除文件失败: Permission denied', 'error.notOwner'],
]);

// Fixed part, then ": " and the system's reason.
const CLIENT_PREFIXES = [
  ['创建文件失败', 'error.createFile'],
  ['写入文件失败', 'error.writeFile'],
  ['替换文件失败', 'error.replaceFile'],
  ['读取文件失败', 'error.readFile'],
  ['读取目录失败', 'error.readFolder'],
  ['删除文件失败', 'error.deleteFile'],
  ['列表失败', 'error.listFailed'],
];

// Reasons that the client itself words in Chinese.
const CLIENT_DETAILS = new Map([['文件已不存在', 'error.photoGone']]);

const TOKEN_PREFIX = '[TOKEN_GEN] ';

const KIND_MESSAGES = {
  timeout: 'error.timeout',
  unavailable: 'error.unavailable',
  closed: 'error.closed',
  send: 'error.send',
};

export function describeClientMessage(message, t) {
  const text = typeof message === 'string' ? message : String(message ?? '');
  const key = CLIENT_MESSAGES.get(text);
  if (key) return t(key);
  for (const [prefix, prefixKey] of CLIENT_PREFIXES) {
    if (text !== prefix && !text.startsWith(`${prefix}:`)) continue;
    const reason = text.slice(prefix.length + 1).trim();
    if (!reason) return t(prefixKey);
    const detailKey = CLIENT_DETAILS.get(reason);
    return t('error.detail', { message: t(prefixKey), detail: detailKey ? t(detailKey) : reason });
  }
  // The token generator's own failures (a key of the wrong length, a failed cipher call).
  if (text.startsWith(TOKEN_PREFIX)) {
    return t('error.detail', { message: t('error.tokenFailed'), detail: text.slice(TOKEN_PREFIX.length) });
  }
  return t('error.generic', { detail: text });
}

export function describeError(error, t) {
  if (error?.kind === 'client') return describeClientMessage(error.message, t);
  const key = KIND_MESSAGES[error?.kind];
  if (key) return t(key);
  return t('error.generic', { detail: error?.message ?? String(error) });
}
