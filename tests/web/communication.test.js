import { test } from 'node:test';
import assert from 'node:assert/strict';
import { CommunicationModule, publishCommunicationModule } from '../../web/js/communication.js';
import { createBridge } from '../../web/js/bridge.js';
import { createActivityLog } from '../../web/js/activity.js';
import { createFakeWebview, createManualTimers } from './fakes.js';

const SEED = 's'.repeat(45);

// Answers the seed and the photo list the way the client does, unless told to stay silent.
function setup({ answer = 'ok' } = {}) {
  const webview = createFakeWebview();
  const timers = createManualTimers();
  const post = webview.postMessage.bind(webview);
  webview.postMessage = (value) => {
    post(value);
    if (answer === 'silent') return;
    const replyType = { auth_seed_request: 'auth_seed_response', alarm_photo_list: 'alarm_photo_list_response' }[value.type];
    if (!replyType) return;
    const reply = answer === 'ok'
      ? { type: replyType, requestId: value.requestId, ok: true, seed: SEED, photos: [{ fileName: 'A1_D1_x.jpg' }] }
      : { type: replyType, requestId: value.requestId, ok: false, error: 'seed_invalid', photos: [] };
    if (value.type === 'alarm_photo_list') delete reply.seed;
    queueMicrotask(() => webview.deliver(reply));
  };
  const activity = createActivityLog();
  const module = new CommunicationModule({ bridgeFactory: () => createBridge({ webview, timers }), activity });
  return { webview, timers, module, activity };
}

// The client's resume listener looks here first and identifies a module by these three methods.
test('the module is published where the resume listener looks and has the methods that identify it', () => {
  const target = {};
  const { module } = setup();
  publishCommunicationModule(target, module);
  const found = target.communicationService._communicationModule.value;
  assert.equal(found, module);
  for (const name of ['initialize', 'connect', 'handleSystemResume']) assert.equal(typeof found[name], 'function');
});

test('connect lists the photos (the first request also tells the client the page is up); the state follows', async () => {
  const cases = [
    ['ok', 'connected', 1],
    ['refused', 'connected', 0],
  ];
  for (const [answer, connection, photoCount] of cases) {
    const { module, webview } = setup({ answer });
    const states = [];
    const lists = [];
    module.on('connection', (s) => states.push(s));
    module.on('photos', (photos) => lists.push(photos.length));
    assert.equal(await module.initialize().connect(), connection);
    assert.deepEqual(states, ['connecting', 'connected']);
    assert.deepEqual(webview.sent.map((m) => m.type), ['alarm_photo_list']);
    assert.deepEqual(lists, photoCount ? [photoCount] : []);
  }

  const silent = setup({ answer: 'silent' });
  const connecting = silent.module.connect();
  await Promise.resolve();
  silent.timers.fireAll();
  assert.equal(await connecting, 'offline');

  const outside = new CommunicationModule({ bridgeFactory: () => createBridge({ webview: null }) });
  assert.equal(await outside.connect(), 'outside');
});

test('the seed crosses the channel only when the user checks it, and the page keeps only its length', async () => {
  const { module, webview } = setup();
  await module.connect();
  await module.handleSystemResume();
  await module.handleSystemResume();
  assert.equal(webview.sent.filter((m) => m.type === 'auth_seed_request').length, 0);
  assert.equal(module.seed.state, 'idle');

  await module.checkSeed();
  assert.equal(webview.sent.filter((m) => m.type === 'auth_seed_request').length, 1);
  assert.deepEqual({ state: module.seed.state, length: module.seed.length }, { state: 'available', length: 45 });
  assert.equal(JSON.stringify(module.seed).includes(SEED), false);

  const refused = setup({ answer: 'refused' });
  await assert.rejects(refused.module.checkSeed());
  assert.equal(refused.module.seed.state, 'unavailable');
});

test('a wake-up is recorded, announced and lists the photos again', async () => {
  const { module, webview, activity } = setup();
  await module.connect();
  const announced = [];
  module.on('resume', (e) => announced.push(e.count));
  await module.handleSystemResume();
  await module.handleSystemResume();
  assert.deepEqual(announced, [1, 2]);
  assert.equal(activity.entries.filter((e) => e.kind === 'resume').length, 2);
  assert.equal(webview.sent.filter((m) => m.type === 'alarm_photo_list').length, 3);
});

test('a wake-up never throws into the client\'s listener, even when the client does not answer', async () => {
  const { module, timers } = setup({ answer: 'silent' });
  const resumed = module.handleSystemResume();
  await Promise.resolve();
  timers.fireAll();
  await assert.doesNotReject(resumed);
  assert.equal(module.connection, 'offline');
});
