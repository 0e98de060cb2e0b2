import { test } from 'node:test';
import assert from 'node:assert/strict';
import { createBridge, BridgeError } from '../../web/js/bridge.js';
import { createFakeWebview, createManualTimers } from './fakes.js';

function setup(options = {}) {
  const webview = createFakeWebview();
  const timers = createManualTimers();
  const bridge = createBridge({ webview, timers, idPrefix: 'p', ...options });
  return { webview, timers, bridge };
}

test('a request carries its type first, a fresh requestId and the fields; reserved names cannot be overridden', () => {
  const { webview, bridge } = setup();
  bridge.request('generate_token', { identifier: 'kid-1', requestId: 'forged', type: 'image_save', extra: undefined });
  bridge.request('alarm_photo_list', { deviceId: 'D1' });
  assert.deepEqual(webview.sent[0], { type: 'generate_token', requestId: 'p-1', identifier: 'kid-1' });
  assert.deepEqual(Object.keys(webview.sent[0]), ['type', 'requestId', 'identifier']);
  assert.deepEqual(webview.sent[1], { type: 'alarm_photo_list', requestId: 'p-2', deviceId: 'D1' });
});

test('request ids never repeat within a page, and two pages use different prefixes', () => {
  const { webview, bridge } = setup();
  for (let i = 0; i < 200; i++) bridge.request('auth_seed_request');
  assert.equal(new Set(webview.sent.map((m) => m.requestId)).size, 200);

  const first = createFakeWebview();
  const second = createFakeWebview();
  createBridge({ webview: first, timers: createManualTimers() }).request('auth_seed_request');
  createBridge({ webview: second, timers: createManualTimers() }).request('auth_seed_request');
  assert.notEqual(first.sent[0].requestId, second.sent[0].requestId);
});

test('replies are matched by requestId, in whatever order they come', async () => {
  const { webview, bridge } = setup();
  const seed = bridge.request('auth_seed_request');
  const token = bridge.request('generate_token', { identifier: 'x' });
  webview.deliver({ type: 'generate_token_response', requestId: 'p-2', ok: true, token: 'T' });
  webview.deliver({ type: 'auth_seed_response', requestId: 'p-1', ok: true, seed: 'S' });
  assert.equal((await token).token, 'T');
  assert.equal((await seed).seed, 'S');
  assert.equal(bridge.pendingCount, 0);
});

test('replies that match no pending request are reported and leave pending requests alone', async () => {
  const unmatched = [];
  const { webview, bridge } = setup({ observer: { onUnmatched: (e) => unmatched.push(e.data) } });
  const pending = bridge.request('alarm_photo_get', { filePath: 'a.jpg' });
  const strays = [
    'not json',
    '[1,2]',
    '42',
    { type: 'alarm_photo_get_response', requestId: 'p-99', ok: true },
    // Right id, wrong reply type: not this request's answer.
    { type: 'alarm_photo_list_response', requestId: 'p-1', ok: true, photos: [] },
    // A reply without requestId only answers a request type whose replies carry none.
    { type: 'alarm_photo_get_response', ok: true },
  ];
  for (const stray of strays) webview.deliver(stray);
  assert.equal(unmatched.length, strays.length);
  assert.equal(bridge.pendingCount, 1);
  webview.deliver({ type: 'alarm_photo_get_response', requestId: 'p-1', ok: true, photoData: 'data:,' });
  assert.equal((await pending).photoData, 'data:,');
});

test('auth_challenge is sent without requestId and its auth_response is matched by type, oldest first', async () => {
  const { webview, bridge } = setup();
  const challenge = { Webdata: { clientType: 'pc', identifier: 'i', challenge: { timestamp: '1', random: 'r' } } };
  const first = bridge.request('auth_challenge', challenge);
  const second = bridge.request('auth_challenge', challenge);
  assert.equal('requestId' in webview.sent[0], false);
  assert.deepEqual(webview.sent[0], { type: 'auth_challenge', ...challenge });
  webview.deliver({ type: 'auth_response', ok: true, response: 'one' });
  webview.deliver({ type: 'auth_response', ok: true, response: 'two' });
  assert.equal((await first).response, 'one');
  assert.equal((await second).response, 'two');
});

test('a reply with ok false rejects with the client error text and the reply', async () => {
  const { webview, bridge } = setup();
  const cases = [
    [{ type: 'auth_response', ok: false, error: '认证参数不完整' }, 'auth_challenge', '认证参数不完整'],
    [{ type: 'auth_seed_response', requestId: 'p-2', ok: false, error: 'seed_invalid' }, 'auth_seed_request', 'seed_invalid'],
    [{ type: 'image_save_response', requestId: 'p-3', ok: false, success: false }, 'image_save', 'ok false'],
  ];
  for (const [reply, type, message] of cases) {
    const pending = bridge.request(type, {});
    webview.deliver(reply);
    await assert.rejects(pending, (error) => {
      assert.ok(error instanceof BridgeError);
      assert.equal(error.kind, 'client');
      assert.equal(error.message, message);
      assert.deepEqual(error.reply, reply);
      return true;
    });
  }
});

test('a request without reply times out with a clear error, and a late reply is only reported', async () => {
  const unmatched = [];
  const timeouts = [];
  const { webview, timers, bridge } = setup({
    timeoutMs: 2500,
    observer: { onUnmatched: (e) => unmatched.push(e), onTimeout: (e) => timeouts.push(e) },
  });
  const pending = bridge.request('alarm_photo_list', { deviceId: '' });
  assert.equal([...timers.active.values()][0].ms, 2500);
  timers.fireAll();
  await assert.rejects(pending, { kind: 'timeout', message: 'No reply to "alarm_photo_list" within 2500 ms' });
  assert.equal(bridge.pendingCount, 0);
  assert.equal(timeouts.length, 1);
  webview.deliver({ type: 'alarm_photo_list_response', requestId: 'p-1', ok: true, photos: [] });
  assert.equal(unmatched.length, 1);
});

test('an answered request leaves no timer behind; a per-request timeout overrides the default', async () => {
  const { webview, timers, bridge } = setup({ timeoutMs: 1000 });
  const pending = bridge.request('generate_token', { identifier: 'a' }, { timeoutMs: 60000 });
  assert.equal([...timers.active.values()][0].ms, 60000);
  webview.deliver({ type: 'generate_token_response', requestId: 'p-1', ok: true, token: 't' });
  await pending;
  assert.equal(timers.active.size, 0);
});

test('dispose removes the message listener, stops the timers and rejects what was pending', async () => {
  const { webview, timers, bridge } = setup();
  assert.equal(webview.listeners.size, 1);
  const pending = bridge.request('auth_seed_request');
  bridge.dispose();
  assert.equal(webview.listeners.size, 0);
  assert.equal(timers.active.size, 0);
  await assert.rejects(pending, { kind: 'closed' });
  await assert.rejects(bridge.request('auth_seed_request'), { kind: 'closed' });
  assert.equal(bridge.available, false);
  bridge.dispose();
});

test('outside the client, an unknown type, or a failing postMessage reject without leaving anything pending', async () => {
  const outside = createBridge({ webview: null });
  await assert.rejects(outside.request('auth_seed_request'), { kind: 'unavailable' });

  const { webview, timers, bridge } = setup();
  await assert.rejects(bridge.request('delete_everything'), { kind: 'send' });
  assert.equal(webview.sent.length, 0);

  webview.failNextPost = new Error('channel closed');
  await assert.rejects(bridge.request('auth_seed_request'), (error) => {
    assert.equal(error.kind, 'send');
    assert.match(error.message, /channel closed/);
    return true;
  });
  assert.equal(bridge.pendingCount, 0);
  assert.equal(timers.active.size, 0);
});

test('replies given as objects rather than JSON text are matched too', async () => {
  const { webview, bridge } = setup();
  const pending = bridge.request('alarm_photo_delete', { fileName: 'a.jpg' });
  for (const listener of webview.listeners) {
    listener({ data: { type: 'alarm_photo_delete_response', requestId: 'p-1', ok: true, success: true } });
  }
  assert.equal((await pending).success, true);
});
