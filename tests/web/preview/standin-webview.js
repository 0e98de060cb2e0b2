// Test-only stand-in for the client's window.chrome.webview, for looking at web/ in a plain
// browser before (or without) the client. Answers each request with a reply shaped like the
// client's, from an in-memory photo store. Never part of the bundle.
(() => {
  const listeners = new Set();
  const photos = new Map();
  const pad = (n) => String(n).padStart(2, '0');
  const stamp = (ms) => {
    const d = new Date(ms);
    return `${d.getFullYear()}${pad(d.getMonth() + 1)}${pad(d.getDate())}_${pad(d.getHours())}${pad(d.getMinutes())}${pad(d.getSeconds())}`;
  };
  const ext = (mime) => (/png/i.test(mime) ? '.png' : /gif/i.test(mime) ? '.gif' : /webp/i.test(mime) ? '.webp' : '.jpg');
  const dir = '/opt/vantreel/alarm_photos';
  const answer = (m) => {
    const base = (type) => ({ type, requestId: m.requestId ?? '' });
    switch (m.type) {
      case 'auth_seed_request':
        return { ...base('auth_seed_response'), ok: true, seed: 'Kf3!pQz9#Lm2@Vx7$Rt5%Nw8^Hb4&Jc6*Yd1(Gs0)Ae' };
      case 'auth_challenge': {
        const c = m.Webdata?.challenge ?? {};
        if (!c.random?.trim() || !c.timestamp?.trim()) return { type: 'auth_response', ok: false, error: '认证参数不完整' };
        return { type: 'auth_response', ok: true, response: c.random.slice(0, 4).toLowerCase() + '3f' + 'QUJD'.repeat(22) + '1a' + c.timestamp.slice(-4) };
      }
      case 'generate_token':
        if (!m.identifier?.trim()) return { ...base('generate_token_response'), ok: false, error: 'identifier 参数不能为空' };
        return { ...base('generate_token_response'), ok: true, token: btoa(m.identifier.padEnd(16, '.')).slice(0, 24) };
      case 'alarm_photo_save': {
        if (!m.photoData || !m.alarmId) return { ...base('alarm_photo_save_response'), ok: false, success: false, error: '图片数据或警告ID不能为空' };
        const fileName = `${m.alarmId}_${m.deviceId || 'unknown'}_${stamp(m.timestamp || 0)}${ext(m.mimetype || 'image/jpeg')}`;
        photos.set(fileName, { data: m.photoData.slice(m.photoData.indexOf(',') + 1), at: Date.now() });
        return { ...base('alarm_photo_save_response'), ok: true, success: true, filePath: `${dir}/${fileName}`, fileName, message: '图片保存成功' };
      }
      case 'alarm_photo_list': {
        const list = [...photos.entries()]
          .filter(([name]) => !m.deviceId || name.includes(`_${m.deviceId}_`))
          .map(([name, p]) => ({ fileName: name, filePath: `${dir}/${name}`, fileSize: Math.floor(p.data.length * 0.75),
            lastModified: Math.floor(p.at / 1000) * 1000, alarmId: name.split('_')[0], deviceId: name.split('_')[1] }));
        return { ...base('alarm_photo_list_response'), ok: true, success: true, photos: list };
      }
      case 'alarm_photo_get': {
        const name = (m.filePath || '').split('/').pop();
        const p = photos.get(name);
        if (!p) return { ...base('alarm_photo_get_response'), ok: false, success: false, error: '未找到图片文件' };
        return { ...base('alarm_photo_get_response'), ok: true, success: true, photoData: `data:image/jpeg;base64,${p.data}`,
          filePath: m.filePath, fileName: name, fileSize: Math.floor(p.data.length * 0.75) };
      }
      case 'alarm_photo_delete': {
        const name = m.fileName || (m.filePath || '').split('/').pop();
        if (!photos.delete(name)) return { ...base('alarm_photo_delete_response'), ok: false, success: false, error: '图片文件不存在' };
        return { ...base('alarm_photo_delete_response'), ok: true, success: true, message: '图片删除成功', deletedPath: `${dir}/${name}` };
      }
      case 'image_save': {
        const folder = `/home/user/Pictures/${m.albumName?.trim() || 'Screenshots'}`;
        const file = m.fileName?.trim() || `image_${stamp(Date.now())}.png`;
        return { ...base('image_save_response'), ok: true, success: true, filePath: `${folder}/${file}`, message: `图片已保存到 ${folder}` };
      }
      default:
        return null;
    }
  };
  window.chrome = window.chrome || {};
  window.chrome.webview = {
    postMessage(value) {
      const reply = answer(JSON.parse(JSON.stringify(value)));
      if (reply) setTimeout(() => listeners.forEach((l) => l({ data: JSON.stringify(reply) })), 15);
    },
    addEventListener(name, l) { if (name === 'message') listeners.add(l); },
    removeEventListener(name, l) { if (name === 'message') listeners.delete(l); },
  };
})();
