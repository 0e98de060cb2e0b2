// The page's communication module: owns the bridge to the client, tracks whether the client
// answers, checks the auth seed when the user asks and handles the client's wake-up notice.
// The seed is asked for only on that click: every answer carries the whole seed across the
// channel, and the page needs no more than whether the client can give it.
// The client's resume listener finds it at window.communicationService._communicationModule.value
// and calls handleSystemResume(); initialize and connect are what identify it as such a module.

import { createBridge } from './bridge.js';

export class CommunicationModule {
  constructor({ bridgeFactory = () => createBridge(), activity = null, clock = () => new Date() } = {}) {
    this.bridgeFactory = bridgeFactory;
    this.activity = activity;
    this.clock = clock;
    this.bridge = null;
    this.connection = 'idle';
    this.seed = { state: 'idle' };
    this.wakeUps = [];
    this.listeners = new Map();
  }

  on(event, listener) {
    if (!this.listeners.has(event)) this.listeners.set(event, new Set());
    this.listeners.get(event).add(listener);
    return () => this.listeners.get(event).delete(listener);
  }

  emit(event, payload) {
    for (const listener of this.listeners.get(event) ?? []) {
      try {
        listener(payload);
      } catch (error) {
        console.error(`[communication] ${event} listener failed:`, error);
      }
    }
  }

  initialize() {
    if (!this.bridge) this.bridge = this.bridgeFactory();
    return this;
  }

  // The first request is also what tells the client that the page is up (it removes the
  // loading overlay), so it goes out as soon as the page starts: the list of alarm photos,
  // which the first screen shows anyway.
  async connect() {
    this.initialize();
    this.setConnection('connecting');
    try {
      await this.listPhotos();
    } catch {
      // The connection state already says what happened.
    }
    return this.connection;
  }

  // Every alarm photo, as the client lists them; listeners of 'photos' get the list too.
  async listPhotos() {
    const reply = await this.request('alarm_photo_list', { deviceId: '' });
    const photos = Array.isArray(reply.photos) ? reply.photos : [];
    this.emit('photos', photos);
    return photos;
  }

  async request(type, fields) {
    this.initialize();
    try {
      const reply = await this.bridge.request(type, fields);
      this.setConnection('connected');
      return reply;
    } catch (error) {
      this.noteFailure(error);
      throw error;
    }
  }

  async checkSeed() {
    this.setSeed({ state: 'checking' });
    try {
      const reply = await this.request('auth_seed_request');
      // Only its length is kept: the page never holds or shows the seed itself.
      this.setSeed({ state: 'available', length: String(reply.seed ?? '').length, at: this.clock() });
    } catch (error) {
      this.setSeed({ state: 'unavailable', error, at: this.clock() });
      throw error;
    }
  }

  // Photos may have come while the computer slept; the list also shows that the client
  // still answers. The seed waits for the user's check.
  async handleSystemResume() {
    const wakeUp = { at: this.clock() };
    this.wakeUps.push(wakeUp);
    this.activity?.addResume();
    this.emit('resume', { ...wakeUp, count: this.wakeUps.length });
    try {
      await this.listPhotos();
    } catch {
      // A wake-up must not throw into the client's listener.
    }
  }

  noteFailure(error) {
    if (error?.kind === 'client') this.setConnection('connected');
    else if (error?.kind === 'unavailable') this.setConnection('outside');
    else if (error?.kind === 'timeout' || error?.kind === 'send') this.setConnection('offline');
  }

  setConnection(state) {
    if (this.connection === state) return;
    this.connection = state;
    this.emit('connection', state);
  }

  setSeed(seed) {
    this.seed = seed;
    this.emit('seed', seed);
  }
}

export function publishCommunicationModule(target, module) {
  target.communicationService = { _communicationModule: { value: module } };
  return module;
}
