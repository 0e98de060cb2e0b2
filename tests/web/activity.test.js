import { test } from 'node:test';
import assert from 'node:assert/strict';
import { createActivityLog, redactMessage, summarizeMembers } from '../../web/js/activity.js';
import { createBridge } from '../../web/js/bridge.js';
import { createFakeWebview, createManualTimers } from './fakes.js';

const SEED = 'S'.repeat(45);
const PNG = 'data:image/png;base64,' + 'QUJD'.repeat(100);

test('secrets and image data never reach the record; everything else is kept in order', () => {
  const cases = [
    [{ type: 'auth_seed_response', requestId: 'r', ok: true, seed: SEED },
      { type: 'auth_seed_response', requestId: 'r', ok: true, seed: { redacted: 'text', length: 45 } }],
    [{ type: 'generate_token_response', requestId: 'r', ok: true, token: 'abcd' },
      { type: 'generate_token_response', requestId: 'r', ok: true, token: { redacted: 'text', length: 4 } }],
    [{ type: 'auth_response', ok: true, response: 'x'.repeat(100) },
      { type: 'auth_response', ok: true, response: { redacted: 'text', length: 100 } }],
    [{ type: 'image_save', imageData: PNG, albumName: 'A' },
      { type: 'image_save', imageData: { redacted: 'image', bytes: 300 }, albumName: 'A' }],
    [{ type: 'alarm_photo_get_response', ok: true, photoData: 'data:image/jpeg;base64,', fileSize: 0 },
      { type: 'alarm_photo_get_response', ok: true, photoData: { redacted: 'image', bytes: 0 }, fileSize: 0 }],
    [{ type: 'alarm_photo_list_response', ok: true, photos: [{}, {}] },
      { type: 'alarm_photo_list_response', ok: true, photos: { count: 2 } }],
    [{ type: 'auth_challenge', Webdata: { identifier: 'i', challenge: { random: 'r' } } },
      { type: 'auth_challenge', Webdata: { identifier: 'i', challenge: { random: 'r' } } }],
  ];
  for (const [message, expected] of cases) {
    const redacted = redactMessage(message);
    assert.deepEqual(redacted, expected);
    assert.deepEqual(Object.keys(redacted), Object.keys(expected));
  }
});

test('the record of a real exchange holds requests, replies and timeouts, redacted', async () => {
  const webview = createFakeWebview();
  const timers = createManualTimers();
  const activity = createActivityLog({ clock: () => new Date(0) });
  const bridge = createBridge({ webview, timers, idPrefix: 'p', observer: activity.bridgeObserver() });

  const seed = bridge.request('auth_seed_request');
  webview.deliver({ type: 'auth_seed_response', requestId: 'p-1', ok: true, seed: SEED });
  await seed;
  const lost = bridge.request('generate_token', { identifier: 'kid' });
  timers.fireAll();
  await lost.catch(() => {});
  // The reply that comes after its timeout still carries a secret.
  webview.deliver({ type: 'generate_token_response', requestId: 'p-2', ok: true, token: 'TOKEN-VALUE' });
  activity.addResume();

  const kinds = activity.entries.map((e) => [e.kind, e.type, e.requestId]);
  assert.deepEqual(kinds, [
    ['request', 'auth_seed_request', 'p-1'],
    ['reply', 'auth_seed_response', 'p-1'],
    ['request', 'generate_token', 'p-2'],
    ['timeout', 'generate_token', 'p-2'],
    ['unmatched', 'generate_token_response', undefined],
    ['resume', undefined, undefined],
  ]);
  assert.equal(activity.entries[1].ok, true);
  const everything = JSON.stringify(activity.entries);
  assert.equal(everything.includes(SEED), false);
  assert.equal(everything.includes('TOKEN-VALUE'), false);
});

test('the record keeps the newest entries up to its limit and tells subscribers of each change', () => {
  const seen = [];
  const activity = createActivityLog({ limit: 3 });
  const unsubscribe = activity.subscribe((entry) => seen.push(entry ? entry.seq : 'cleared'));
  for (let i = 0; i < 5; i++) activity.addResume();
  assert.deepEqual(activity.entries.map((e) => e.seq), [3, 4, 5]);
  activity.clear();
  assert.equal(activity.entries.length, 0);
  unsubscribe();
  activity.addResume();
  assert.deepEqual(seen, [1, 2, 3, 4, 5, 'cleared']);
});

test('the details line skips type and requestId and formats markers, arrays and nested objects', () => {
  const line = summarizeMembers(
    redactMessage({ type: 't', requestId: 'r', ok: true, seed: 'abc', photos: [1], Webdata: { a: 1 } }),
    (marker) => `<${marker.length}>`,
  );
  assert.equal(line, 'ok=true · seed=<3> · photos=[1] · Webdata={a=1}');
});
