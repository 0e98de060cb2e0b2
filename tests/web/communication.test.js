import { test } from 'node:test';
import assert from 'node:assert/strict';
import { CommunicationModule, publishCommunicationModule } from '../../web/js/communication.js';
import { createBridge } from '../../web/js/bridge.js';
import { createActivityLog } from '../../web/js/activity.js';
import { createFakeWebview, createManualTimers } from './fakes.js';

const SEED = 's'.repeat(45);

// Answers every auth_seed_request the way the client does, unless told to stay silent.
function setup({ answer = 'ok' } = {}) {
  const webview = createFakeWebview();
  const timers = createManualTimers();
  const post = webview.postMessage.bind(webview);
  webview.postMessage = (value) => {
    post(value);
    if (value.type !== 'auth_seed_request' || answer === 'silent') return;
    const reply = answer === 'ok'
      ? { type: 'auth_seed_response', requestId: value.requestId, ok: true, seed: SEED }
      : { type: 'auth_seed_response', requestId: value.requestId, ok: false, error: 'seed_invalid' };
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

test('connect checks the seed; the connection state follows the outcome', async () => {
  const cases = [
    ['ok', 'connected', 'available'],
    ['refused', 'connected', 'unavailable'],
  ];
  for (const [answer, connection, seedState] of cases) {
    const { module, webview } = setup({ answer });
    const states = [];
    module.on('connection', (s) => states.push(s));
    assert.equal(await module.initialize().connect(), connection);
    assert.deepEqual(states, ['connecting', 'connected']);
    assert.equal(module.seed.state, seedState);
    assert.equal(webview.sent[0].type, 'auth_seed_request');
  }

  const silent = setup({ answer: 'silent' });
  const connecting = silent.module.connect();
  await Promise.resolve();
  silent.timers.fireAll();
  assert.equal(await connecting, 'offline');

  const outside = new CommunicationModule({ bridgeFactory: () => createBridge({ webview: null }) });
  assert.equal(await outside.connect(), 'outside');
});

test('a wake-up is recorded, announced and re-checks the seed', async () => {
  const { module, webview, activity } = setup();
  await module.connect();
  const announced = [];
  module.on('resume', (e) => announced.push(e.count));
  await module.handleSystemResume();
  await module.handleSystemResume();
  assert.deepEqual(announced, [1, 2]);
  assert.equal(activity.entries.filter((e) => e.kind === 'resume').length, 2);
  assert.equal(webview.sent.filter((m) => m.type === 'auth_seed_request').length, 3);
  assert.equal(module.seed.state, 'available');
});

test('a wake-up never throws into the client\'s listener, even when the client does not answer', async () => {
  const { module, timers } = setup({ answer: 'silent' });
  const resumed = module.handleSystemResume();
  await Promise.resolve();
  timers.fireAll();
  await assert.doesNotReject(resumed);
  assert.equal(module.seed.state, 'unavailable');
  assert.equal(module.connection, 'offline');
});
