import { test } from 'node:test';
import assert from 'node:assert/strict';
import { createActivityLog } from '../../web/js/activity.js';
import { createBridge } from '../../web/js/bridge.js';
import { createEventLog, describeEvent, isNotable } from '../../web/js/events.js';
import { createTranslator } from '../../web/js/i18n.js';
import { createFakeWebview, createManualTimers } from './fakes.js';

const SEED = 'S'.repeat(45);
const TOKEN = 'TOKEN-VALUE-0123456789';
const ANSWER = 'R'.repeat(100);

// A page wired to a fake client: each exchange is a request and the reply the client gives.
function setup() {
  const webview = createFakeWebview();
  const timers = createManualTimers();
  const activity = createActivityLog({ clock: () => new Date(0) });
  const events = createEventLog(activity);
  const bridge = createBridge({ webview, timers, idPrefix: 'p', observer: activity.bridgeObserver() });
  async function exchange(type, fields, reply) {
    const pending = bridge.request(type, fields).catch(() => {});
    const sent = webview.sent[webview.sent.length - 1];
    webview.deliver({ requestId: sent.requestId, ...reply });
    await pending;
  }
  return { webview, timers, activity, events, bridge, exchange };
}

test('each exchange becomes one event in words, with the values it names and the reason of a failure', async () => {
  const en = createTranslator('en');
  const { events, exchange, activity } = setup();
  const cases = [
    ['alarm_photo_save', { alarmId: 'A12', deviceId: 'D0', photoData: 'data:,AAAA' },
      { type: 'alarm_photo_save_response', ok: true, fileName: 'A12_D0_x.jpg' },
      'event.photoSaved', { alarm: { id: 'A12' }, device: { id: 'D0' } }],
    ['alarm_photo_delete', { filePath: '/p/B7_D3_20261210_104100.jpg', fileName: 'B7_D3_20261210_104100.jpg' },
      { type: 'alarm_photo_delete_response', ok: true },
      'event.photoDeleted', { alarm: { id: 'B7' }, device: { id: 'D3' } }],
    ['alarm_photo_delete', { filePath: '/p/abc.png', fileName: 'abc.png' },
      { type: 'alarm_photo_delete_response', ok: false, error: '删除文件失败: Operation not permitted' },
      'event.photoDeleteFailed', { name: { name: 'abc.png' }, reason: 'Only the person who saved it can delete it.' }],
    ['image_save', { imageData: 'data:,AAAA', albumName: 'Trip' },
      { type: 'image_save_response', ok: true, filePath: '/home/k/Pictures/Trip/drawing.png' },
      'event.pictureSaved', { name: { name: 'drawing.png' }, folder: { path: '/home/k/Pictures/Trip' } }],
    ['auth_seed_request', {}, { type: 'auth_seed_response', ok: true, seed: SEED }, 'event.seedOk', {}],
    ['auth_seed_request', {}, { type: 'auth_seed_response', ok: false, error: 'seed_invalid' },
      'event.seedFailed', { reason: 'The client could not provide the auth seed.' }],
    ['generate_token', { identifier: 'kid-7' }, { type: 'generate_token_response', ok: true, token: TOKEN },
      'event.tokenOk', { id: { id: 'kid-7' } }],
    ['alarm_photo_list', { deviceId: '' }, { type: 'alarm_photo_list_response', ok: true, photos: [{}, {}] },
      'event.photosListed', { n: 2 }],
  ];
  for (const [type, fields, reply, key, vars] of cases) {
    await exchange(type, fields, reply);
    const event = events.events[events.events.length - 1];
    assert.equal(event.type, type);
    assert.deepEqual(describeEvent(event, en), { key, vars, ...(key.endsWith('Failed') ? { failed: true } : {}) }, key);
  }
  assert.equal(events.events.length, cases.length);
  assert.equal(JSON.stringify(events.events).includes(SEED), false);
  assert.equal(JSON.stringify(events.events).includes(TOKEN), false);
  activity.clear();
  assert.equal(events.events.length, 0);
});

test('a challenge (sent without requestId), a timeout and a wake-up fold into their own events', async () => {
  const { events, webview, timers, bridge, activity } = setup();
  const answered = bridge.request('auth_challenge', { Webdata: {} });
  webview.deliver({ type: 'auth_response', ok: true, response: ANSWER });
  await answered;
  const lost = bridge.request('alarm_photo_get', { filePath: '/p/a.jpg' });
  timers.fireAll();
  await lost.catch(() => {});
  activity.addResume();

  assert.deepEqual(events.events.map((e) => [e.kind, e.type, e.ok]), [
    ['exchange', 'auth_challenge', true],
    ['timeout', 'alarm_photo_get', false],
    ['resume', undefined, undefined],
  ]);
  assert.deepEqual(events.events[0].request, { type: 'auth_challenge', Webdata: {} });
  assert.equal(JSON.stringify(events.events).includes(ANSWER), false);
  const en = createTranslator('en');
  assert.deepEqual(events.events.map((e) => describeEvent(e, en).key), ['event.challengeOk', 'event.noReply', 'event.wake']);
});

test('the family sees what happened; routine reads and stray messages stay on the diagnostics side', () => {
  const cases = [
    [{ kind: 'exchange', type: 'alarm_photo_get', ok: true }, false],
    [{ kind: 'exchange', type: 'alarm_photo_list', ok: true }, false],
    [{ kind: 'exchange', type: 'alarm_photo_get', ok: false }, true],
    [{ kind: 'exchange', type: 'alarm_photo_save', ok: true }, true],
    [{ kind: 'exchange', type: 'image_save', ok: true }, true],
    [{ kind: 'timeout', type: 'alarm_photo_list', ok: false }, true],
    [{ kind: 'resume' }, true],
    [{ kind: 'unmatched' }, false],
  ];
  for (const [event, notable] of cases) assert.equal(isNotable(event), notable, JSON.stringify(event));
});
